# The staff gallery: clefs, staves of one to six lines, key signatures with their changes and
# cancelling naturals, time signatures of every look, and track labels. Render it:
# zelscript gallery.zs -o g.zel; zelrender g.zel --page 1 g.png
new 2
label 0 Violin Vl.
label 1 "Snare drum" Sn.
label 2 Guitar,6-string Gtr.
# Track 0: treble clef, three flats; sharps from bar 4 (flats cancelled), none from bar 8.
key 0 0 3
key 0 4 10 cancel=1 courtesy
key 0 8 0 cancel=1 courtesy
key 0 12 14
clef 0 11 2
# Track 1: a one-line percussion staff; track 2: six-line tablature.
clef 1 0 11
lines 1 256
clef 2 0 13
lines 2 2016
# Time signatures: common, cut, 3/4 in the time-signature font (a text face, numerator and
# denominator moved apart by half a space each), 3+2+2/8, enclosed 4/4.
meterstyle 0 common
meter 4 2 2
meterstyle 4 cut
meter 8 3 4
meterstyle 8 text
meterfont 12 0 12 12
meter 12 7 8
meterstyle 12 3+2+2/8
meter 16 4 4
meterstyle 16 enclosed
title 0 0 "Staff gallery"
title 6 0 "Page #P"
print staff 0 0
print staff 1 0
print staff 0 2
