# The shape of a beam: its stems, end heights and slope, its partial beams and its segments.
new 0
# Two eighths on one position: a level beam at the position + L/2 with stems up (below the
# middle line) and at the position - L/2 + 1 with stems down (above it).
note 0 0 0 4 -3
note 0 0 240 4 -3
note 0 0 960 4 3
note 0 0 1200 4 3
autobeam 0 0 0 0 32767
print items 0 0 live
# Eighths rising by a fifth: the beam rises two steps, not four; grace eighths rise one step.
note 0 1 0 4 -6
note 0 1 240 4 -2
autobeam 0 1 0 0 32767
print items 0 1 live
note 0 5 840 4 -6 grace
note 0 5 900 4 -2 grace
beamnotes 0 5 0 1
print items 0 5 live
# Eighth, sixteenth, eighth: the sixteenth's stub points right. Dotted eighth and sixteenth: the
# sixteenth's stub points left.
note 0 2 0 4 1
note 0 2 240 5 1
note 0 2 360 4 1
note 0 2 960 4 1 dots=1
note 0 2 1320 5 1
autobeam 0 2 0 0 32767
print items 0 2 live
# A tremolo between two whole notes: no stems, and both fine offsets lowered by 60 per stroke
# plus 120.
note 0 3 0 1 -1
note 0 3 960 1 -1
tremolo 0 3 3 0 1
print items 0 3 live
# Mixed stems: a beam held between the heads (a re-layout that keeps its end heights) turns the
# low notes' stems up and the high notes' down; the second level stacks on the side of the first
# note and the notes whose stems point the other way reach past it.
note 0 4 0 5 -8 beamed
note 0 4 120 5 9 beamed
note 0 4 240 5 -8 beamed
note 0 4 360 5 9 beamed
beam 0 4 seg=1,0,0,0,0,360 pos=0:0
makebeam 0 4 0 0
print items 0 4 live
print beaming 0 4
# A sixteenth pair inside the beam, whose notes' stems point both ways while the last note's
# points against the first's: the pair's beam moves to the other side (bit r).
note 0 6 0 4 -8 beamed
note 0 6 240 5 9 beamed
note 0 6 360 5 -8 beamed
note 0 6 480 4 9 beamed
beam 0 6 seg=1,0,0,0,0,480 pos=0:0
makebeam 0 6 0 0
print items 0 6 live
print beaming 0 6
