# Grace notes before their main note: with the hold-timing option off, two grace notes that
# would start together are spread to play one after the other, ending where the main note
# starts (offsets -(d1 + d2) and -(d1 + d2) + (d1 + d2) / 2); with it on they keep theirs.
new 1
note 0 0 0 3 0
note 0 0 0 4 2d60 grace
note 0 0 0 4 1d120 grace
print timing 0 0
recalctimes 0 0
print timing 0 0
holdtiming on
note 0 1 0 3 0
note 0 1 0 4 2d60 grace
note 0 1 0 4 1d120 grace
recalctimes 0 1
print timing 0 1
# Spread grace notes keep their order; a main note playing late moves them along.
holdtiming off
note 0 2 0 3 0t30
note 0 2 0 4 3d40 grace
note 0 2 0 4 2d40 grace
note 0 2 0 4 1d40 grace
recalctimes 0 2
print timing 0 2
# Grace notes already playing one after the other stay as they are; two grace notes at the end
# of a bar spread before its end.
note 0 3 0 3 0
note 0 3 0 4 2t-60 grace
note 0 3 0 4 1t-120 grace
note 0 3 480 4 4d60 grace
note 0 3 480 4 3d60 grace
recalctimes 0 3
print timing 0 3
