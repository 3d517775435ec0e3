# Two-ended items re-attached to the notes they start and end on.
new 1
# Recalculation: a slur flagged for layout marks the note at its start (ss) and the one at its
# end, here in the next bar (se), and loses its flag; an unflagged slur marks nothing; a note
# that thinks it is beamed with no beam over it is unbeamed.
note 0 0 0 3 0
note 0 0 480 3 1 beamed
note 0 0 960 3 2
note 0 1 0 3 0
put 0 0 slur 0 end=1:0 relayout
put 0 0 slur 480 end=0:558
recalc 0 0 1
print items 0 0
print timing 0 0
print timing 0 1
# Beams flagged for layout are laid out again (their flag cleared), the notes under them stay
# beamed.
note 0 2 0 4 0
note 0 2 240 4 1
note 0 2 480 4 2
note 0 2 720 4 3
autobeam 0 2 0 0 32767
flag 0 2 0
print items 0 2 live
recalc 0 2 0
print items 0 2 live
print timing 0 2
# Telling every two-ended item its notes: a slur sets the slur flags of its notes, a group the
# line flags; a tie marks neither (its heads carry its own).
note 0 3 0 3 0>
note 0 3 480 3 0<
note 0 3 960 3 1
note 0 3 1440 3 2
put 0 3 slur 0 end=0:558
put 0 3 group 480 end=0:837 kind=0
put 0 3 tie 0 end=0:279
attachends 0 3
print timing 0 3
# Re-attaching ties: a tie that finds its end note shows again; one ending on the second head of
# a slash note is hidden and takes the slash note's fixed position, as does one ending on its
# first head, which stays shown; a tie whose end note is missing stays as it was.
note 0 4 0 3 0>,2>
note 0 4 480 3 0<,2< slash
note 0 4 960 3 4>
put 0 4 tie 0 end=0:279 hidden
put 0 4 tie 0 end=0:279 y=2:2 hidden
put 0 4 tie 960 end=0:837 y=4:4 hidden
updateties 0 4
print ends 0 4
