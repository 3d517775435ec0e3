# Add Interval on one entered, selected note: up a major third (35016) gives a second head four
# semitones above; undo gives the score back as it was before the selection was made. Down a
# ninth (35025) adds a head fourteen semitones below the lowest head.
new 1
enter note 0 0 0 -2 3
save before.zel
select note 0 0 0
cmd 35016
print heads 0 0 0
undo
same before.zel
select note 0 0 0
cmd 35016
select note 0 0 0
cmd 35025
print heads 0 0 0
