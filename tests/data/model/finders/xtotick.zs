# The time at a page x: a note's own time where x falls on its position, the time between its
# neighbours in proportion elsewhere, and bar 0's start left of the bar. `pos` turns a position
# of the bar into its page x first (position 140 comes back as 143, between the notes).
new 1
note 0 0 0 3 0
note 0 0 480 3 0
rest 0 0 960 2 0
print items 0 0
find xtotick 0 0 0 pos
find xtotick 0 0 279 pos
find xtotick 0 0 140 pos
find xtotick 0 0 145
find xtotick 0 0 100
