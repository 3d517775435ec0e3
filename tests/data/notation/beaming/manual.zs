# Beams over chosen notes, by the beat and by hand, and tremolos.
new 0
# By the beat, a single note makes no beam.
note 0 0 0 4 1
beamnotes 0 0 beat 0
print items 0 0 live
# By hand, a single note gets a beam of its own; a single rest gets none.
note 0 1 0 4 1
rest 0 1 480 4 0
beamnotes 0 1 0
beamnotes 0 1 2
print items 0 1 live
# By hand over two bars: the beam stays in the first bar and spans one bar on; the note in the
# second bar continues it.
note 0 2 1440 4 1
note 0 2 1680 4 2
note 0 3 0 4 3
beamnotes 0 2 0 1 3:0
print items 0 2 live
print beaming 0 3
# Grace notes and plain notes handed in together are beamed apart.
note 0 4 0 5 4 grace
note 0 4 0 5 3 grace
note 0 4 0 4 1
note 0 4 240 4 2
beamnotes 0 4 0 1 2 3
print items 0 4 live
# A single note with strokes gets a tremolo mark of 30 + strokes in place of an older one.
note 0 5 0 3 1
mark 0 5 0 31
tremolo 0 5 3 0
print beaming 0 5
# A tremolo between two halves: full first segments, then strokes inset at both ends.
note 0 6 0 2 -1
note 0 6 960 2 -1
tremolo 0 6 2 0 1
print items 0 6 live
print beaming 0 6
# Laid out again with its stems decided afresh, the tremolo keeps its two strokes.
makebeam 0 6 0 3
print items 0 6 live
# A manual tremolo over three notes pairs the first two; the third starts a group of its own.
note 0 7 0 3 1
note 0 7 480 3 1
note 0 7 960 3 1
tremolo 0 7 1 0 1 2
print items 0 7 live
