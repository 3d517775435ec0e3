# A note that loses its only head loses the slurs that start or end on it, and the note at each
# slur's other end no longer thinks a slur is there (ss: a slur starts, se: a slur ends).
new 1
note 0 0 0 3 0
note 0 0 480 3 2
put 0 0 slur 0 end=0:279 relayout
recalc 0 0 1
print items 0 0 live
print timing 0 0
removehead 0 0 1 0
print items 0 0 live
print timing 0 0
# Over the bar line: the slur starts in bar 1 and ends on bar 2's first note; the note it
# starts on goes, and the note in bar 2 drops its slur end.
note 0 1 0 3 0
note 0 2 0 3 2
put 0 1 slur 0 end=1:0 relayout
recalc 0 1 1
print timing 0 1
print timing 0 2
removehead 0 1 1 0
print items 0 1 live
print timing 0 2
