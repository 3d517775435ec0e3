# The beam gallery: beams by the meter, by hand and as tremolos on the piano score's first page.
# Render it: zelscript gallery.zs -o tests/data/notation/pictures/beaming.zel (the picture test
# draws its first page).
new 1
# Bar 0: eighths by the meter in 4/4, rising and falling.
note 0 0 0 4 -6
note 0 0 240 4 -4
note 0 0 480 4 -2
note 0 0 720 4 0
note 0 0 960 4 5
note 0 0 1200 4 3
note 0 0 1440 4 1
note 0 0 1680 4 -1
autobeam 0 0 0 0 32767
# Bar 1: eighth-sixteenth-eighth, a dotted eighth and a sixteenth, four sixteenths.
note 0 1 0 4 1
note 0 1 240 5 2
note 0 1 360 4 3
note 0 1 480 4 4 dots=1
note 0 1 840 5 2
note 0 1 960 5 -3
note 0 1 1080 5 -2
note 0 1 1200 5 -1
note 0 1 1320 5 0
note 0 1 1440 3 -2
autobeam 0 1 0 0 32767
# Bar 2: eighth triplets and sixteenth triplets under an eighth.
note 0 2 0 4 -1
note 0 2 160 4 0
note 0 2 320 4 1
note 0 2 480 4 2
note 0 2 720 5 3
note 0 2 800 5 2
note 0 2 880 5 1
tuplet 0 2 0-2 3 2
tuplet 0 2 4-6 3 2
note 0 2 960 3 0
autobeam 0 2 0 0 32767
# Bar 3: grace notes beamed apart from the plain notes, and a tremolo between two halves.
note 0 3 0 5 -2 grace
note 0 3 0 5 0 grace
note 0 3 0 4 -1
note 0 3 240 4 -1
beamnotes 0 3 0 1 2 3
note 0 3 960 2 -3
note 0 3 1440 2 -1
tremolo 0 3 3 6 7
# Bar 4: a tremolo between two whole notes; the lower staff has a beam reaching up to it.
note 0 4 0 1 -1
note 0 4 960 1 1
tremolo 0 4 2 0 1
note 1 4 0 4 -2
note 1 4 240 4 4x-1
beamnotes 1 4 0 1
# Bars 5-6: a beam by hand over the bar line.
note 0 5 1440 4 0
note 0 5 1680 4 1
note 0 6 0 4 2
note 0 6 240 4 3
beamnotes 0 5 0 1 6:0 6:1
print items 0 0 live
print items 0 1 live
print items 0 2 live
print items 0 3 live
print items 0 4 live
print items 1 4 live
print items 0 5 live
