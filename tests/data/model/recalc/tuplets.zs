# Tuplets fitted to the notes and rests under them.
new 1
# A 3:2 tuplet over three eighths of voice 0, its end a little past the third: the notes under
# it take its numbers, it starts at the first and ends at the one whose end is the first's time
# plus three of its notes; the eighth after its end is no member.
note 0 0 0 4 0
note 0 0 160 4 1
note 0 0 320 4 2
note 0 0 480 4 3
put 0 0 tuplet 0 ratio=3:2 end=0:250
refit 0 0 0
print ends 0 0
print timing 0 0
# A tuplet with no note or rest under it goes at the next compaction; a tuplet of another voice
# does not take voice 0's notes.
put 0 0 tuplet 1000 pos=900 ratio=3:2 end=0:1000
put 0 0 tuplet 0 voice=1 ratio=5:4 end=0:1000
refit 0 0 0
refit 0 0 1
print items 0 0
compact 0 0
print ends 0 0
# A tuplet whose end was stored in the next bar is taken back into its own bar (-700 + 1,024:
# 324); a note that carried tuplet numbers but lies under no tuplet loses them (its bit stays,
# as the refit found it).
note 0 1 0 4 0
note 0 1 240 4 1
note 0 1 480 4 2
note 0 1 720 4 3
tuplet 0 1 3-3 3 2
put 0 1 tuplet 0 ratio=3:2 end=1:-700
refit 0 1 0
print ends 0 1
print timing 0 1
# Recalculation refits the tuplets flagged for layout and times the bar again: three triplet
# eighths take 480, the quarter after them starts there.
note 0 2 0 4 0
note 0 2 240 4 1
note 0 2 480 4 2
note 0 2 720 3 3
put 0 2 tuplet 0 ratio=3:2 end=0:300 relayout
recalc 0 2 0
print timing 0 2
print ends 0 2
recalctimes 0 2
