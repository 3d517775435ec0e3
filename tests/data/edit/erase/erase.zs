# The erase commands on the hit: a chord's head, a note's mark, the only note of a voice (rests
# take its place), the clef change, a tempo mark of the bar's own list (every bar's tempo
# follows), special bar lines and the bar's repeat-count jumper. All of it undoes.
open ../mixed.zel
save before.zel
# The C major chord loses its E (head 1 after layout).
hit 0 0 0 part=1
cmd 4207
# The D loses its first mark.
hit 0 0 1 part=0 tool=906
cmd 4207
print items 0 0 live
# The second track's bar 1: its clef change, then the second note by its only head (rests take
# its place), then the first note as a whole.
hit 1 1 2
cmd 4207
hit 1 1 1 part=0
cmd 4207
print items 1 1 live
hit 1 1 0
cmd 4207
print items 1 1 live
# The tempo mark of bar 1 goes: bar 1 and the bars after it take bar 0's tempo again.
print bar 1
hit 1 own=0
cmd 4207
print bar 1
print bar 2
state
undo
undo
undo
undo
undo
undo
same before.zel
