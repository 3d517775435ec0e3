# The staff gallery: clefs, staves of one to six lines, every key signature with changes and
# cancelling naturals, time signatures of every look, and one- and two-line labels. Page 1
# holds four systems (bars 0-3, 4-7, 8-11, 12-15); each track's key changes at a system's
# first bar, shown at the start of that system and as a courtesy at the end of the one before
# (the changes of bar 16 as courtesies at the end of the page); a clef changes in the last bar
# of the system before. Render it:
# zelscript gallery.zs -o g.zel; zelrender g.zel --page 1 g.png
new 2
label 0 Violin Vl.
label 1 Voices Vc.
label 2 Guitar,6-string Gtr.
# Track 0: five lines; treble, alto from bar 4, treble again from bar 8; 1, 3, 5 and 7 sharps,
# 6 sharps at the end of the page (one sharp cancelled).
key 0 0 8
key 0 4 10 cancel=2 courtesy
key 0 8 12 cancel=2 courtesy
key 0 12 14 cancel=2 courtesy
key 0 16 13 cancel=2 courtesy
clef 0 3 2
clef 0 7 0
# Track 1: a one-line percussion staff, then two lines under a bass clef, four under an alto
# clef and three under a treble clef; 3 and 5 flats, 2 sharps (the flats cancelled), 4 sharps
# at the end of the page.
clef 1 0 11
lines 1 256 system=0
clef 1 3 1
key 1 4 3
lines 1 384 system=1
clef 1 7 2
key 1 8 5 cancel=2 courtesy
lines 1 960 system=2
clef 1 11 0
key 1 12 9 cancel=1 courtesy
lines 1 896 system=3
key 1 16 11 cancel=2 courtesy
# Track 2: six-line tablature, then a bass clef on five lines; 1, 2, 4 and 6 flats, 7 flats at
# the end of the page.
clef 2 0 13
lines 2 2016 system=0
key 2 0 1
clef 2 3 1
lines 2 1984 system=1
lines 2 1984 system=2
lines 2 1984 system=3
key 2 4 2
key 2 8 4 cancel=2 courtesy
key 2 12 6 cancel=2 courtesy
key 2 16 7 cancel=2 courtesy
# Time signatures: common time, an enclosed 4/4 from bar 2, cut time from bar 4, 3/4 from bar
# 6, 6/8 in the time-signature font from bar 8 (a text face, numerator and denominator moved
# apart by half a space each), 3+2+2/8 from bar 12. Each bar carries its meter; a bar whose
# meter is the one before shows none.
meterstyle 0 common
meterfont 12 0 12 12
meter 2 4 4
meterstyle 2 enclosed
meter 3 4 4
meterstyle 3 enclosed
meter 4 2 2
meterstyle 4 cut
meter 5 2 2
meterstyle 5 cut
meter 6 3 4
meterstyle 6 numbers
meter 7 3 4
meterstyle 7 numbers
meter 8 6 8
meterstyle 8 text
meter 9 6 8
meterstyle 9 text
meter 10 6 8
meterstyle 10 text
meter 11 6 8
meterstyle 11 text
meter 12 7 8
meterstyle 12 3+2+2/8
meter 13 7 8
meterstyle 13 3+2+2/8
meter 14 7 8
meterstyle 14 3+2+2/8
meter 15 7 8
meterstyle 15 3+2+2/8
title 0 0 "Staff gallery"
title 6 0 "Page #P"
print staff 0 0
print staff 1 0
print staff 2 0
print staff 3 0
print staff 0 1
print staff 1 1
print staff 2 1
print staff 3 1
print staff 0 2
print staff 1 2
print staff 2 2
print staff 3 2
