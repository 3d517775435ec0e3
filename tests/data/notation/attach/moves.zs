# Heads and notes moved with what hangs on them (treble clef). Bar 0 ends with a quarter E tied over to bar
# 1's first note; that note glides to the next one; a lyric stands at its column.
new 1
note 0 0 1440 3 -4m64>
note 0 1 0 3 -4m64<
note 0 1 480 3 -2m67
record 0 0 30 1440 837 size=36 w18=-4 w20=-4 w22=1 w24=0 b17=128
record 0 1 21 0 0 size=36 w18=-4 w20=-2 w24=279
record 0 1 24 0 0
# The first note of bar 1 (index 2) has the tie's end and the glissando's start; the next
# (index 3) the glissando's end.
poke 0 1 2 b25=6
poke 0 1 3 b25=1
print attached 0 1 2
# Both tied notes move up two steps to G: the tie's two ends follow and take the new pitch,
# the glissando leaves from the new place.
movehead 0 0 1 0 2 pitch=67
movehead 0 1 2 0 2 pitch=67
print items 0 0
print items 0 1
# The tied-into note moves to column 100: the tie's end in bar 0, the glissando's start and
# the lyric go with it.
moveto 0 1 2 100
print items 0 0
print items 0 1
print attached 0 1 2
# The glissando's end follows its head down a step and takes its pitch.
movehead 0 1 3 0 -1 pitch=65
print items 0 1
# The tied-into note loses its only head: the tie from bar 0 and the glissando go, and the
# note in bar 0 no longer begins a tie.
removehead 0 1 2 0
print items 0 0 live
print items 0 1 live
