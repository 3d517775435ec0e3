# The chords gallery: chord definitions in the chord library, then chord symbols and guitar
# frames placed with the chord tool in the score window, as a user places them. The picture test
# renders page 1 at zoom 100 and 200 and prints it. A double click on a symbol opens its edit:
# the chord library's editor takes its notes, and a key without an entry becomes the key of those
# notes when the library has one.
new 0
window mode 0 zoom 100
# Definitions by chord key: major (no suffix), minor in the "m" style, the dominant seventh, a
# major seventh in the "maj" style, a minor seventh with the "-" element (a music glyph), a half-
# diminished seventh with a flat glyph, a suspended fourth.
chorddef 145 styles=2,2,1,1
chorddef 137 1
chorddef 1169 16:0:-60:9
chorddef 2193 0 16:0:-60:9
chorddef 1161 23 16:0:-60:9
chorddef 1097 1 16:0:-60:9 30:20:-60:12 14:0:-60:9
chorddef 161 4 13
chorddef 147 6 30:20:-60:12 17:0:-60:9
# System 1: plain symbols, sharps and flats in root and bass, a key without an entry ("?").
tool 920 chord 0 -1 145 0
click 0:0:t0:10
tool 920 chord 8 -1 137 0
click 0:0:t960:10
tool 920 chord 15 -1 1169 0
click 0:1:t0:10
tool 920 chord 5 -1 2193 0
click 0:1:t960:10
tool 920 chord 13 -1 1161 0
click 0:2:t0:10
tool 920 chord 11 -1 1097 0
click 0:2:t960:10
tool 920 chord 10 -1 161 0
click 0:3:t0:10
tool 920 chord 3 -1 999 0
click 0:3:t960:10
# System 2: slash basses beside and below.
tool 920 chord 10 16 1169 0
click 0:4:t0:10
tool 920 chord 0 6 145 1
click 0:4:t960:10
tool 920 chord 2 13 137 0
click 0:5:t0:10
tool 920 chord 8 14 161 1
click 0:5:t960:10
# Parentheses from the palette's display choice: a seventh, then a slash bass below in the tall
# pair; a chord tool press dragged upward before its release lifts the symbol off the chord line.
tool 920 chord 0 -1 1169 0 paren 1
click 0:6:t0:10
tool 920 chord 0 6 145 1 paren 1
click 0:6:t960:10
tool 920 chord 7 -1 137 0 paren 0
drag 0:7:t0:10 0:7:t0:16
# A key without an entry (C, D flat, E, G with its D flat an octave up): "?" until edited.
tool 920 chord 0 -1 8337 0
click 0:7:t960:10
# Guitar frames from the chord library (diagram mode), from the highest string: C with fingers;
# F barred at the nut; B minor from the second fret; D in drop-D tuning; G on a mandolin; a capo
# of 2 shown both ways; a stacked slash name; a name only; a parenthesised frame. The stacked bass
# and the name alone are the chord palette's choices (below, textonly) when the frame is placed.
chordmode 1
chordframe C root=0 play=o1o23x fingers=0,3,2,0,1,0
chordframe F root=7 play=112331 barres=1,1,1,1,1,1 fingers=1,3,4,2,1,1
chordframe Bm root=16 base=1 play=12331x barres=1,1,0,0,1,0
chordframe D root=3 tuning=1 play=232ooo fingers=0,0,0,1,3,2
chordframe G root=10 tuning=12 strings=4 play=32oo
chordframe G root=10 capo=2 capomode=1 play=3oo023
chordframe G root=10 capo=2 capomode=2 play=3oo023
chordframe G/B root=10 bass=16 below play=3ooo2x
chordframe Am7 root=13 nameonly
chordframe Em root=6 paren play=ooo22o
# Sizes 50 and 200 %, a banjo frame barred from its fifth fret, a bass guitar's four strings.
chordframe C root=0 scale=50 play=o1o23x fingers=0,3,2,0,1,0
chordframe C root=0 scale=200 play=o1o23x fingers=0,3,2,0,1,0
chordframe G7 root=10 tuning=7 strings=4 base=4 play=1121 barres=1,1,1,1 fingers=1,1,2,1
chordframe E root=6 tuning=4 strings=4 play=o22o
tool 920 index 0
click 0:8:t0:10
tool 920 index 1
click 0:8:t960:10
tool 920 index 2
click 0:9:t0:10
tool 920 index 3
click 0:9:t960:10
tool 920 index 4
click 0:10:t0:10
tool 920 index 5
click 0:10:t960:10
tool 920 index 6
click 0:11:t0:10
tool 920 index 7 below 1
click 0:11:t960:10
tool 920 index 8 below 0 textonly 1
click 0:12:t0:10
tool 920 index 9 textonly 0
click 0:12:t960:10
tool 920 index 10
click 0:13:t0:10
tool 920 index 11
click 0:14:t0:10
tool 920 index 12
click 0:15:t0:10
tool 920 index 13
click 0:15:t960:10
print items 0 0
print items 0 4
print items 0 6
print items 0 7
print items 0 8
print items 0 13
print items 0 14
# A click with the select tool on the first symbol's letters selects it (flags 0201).
tool 800
click 0:0:t0:9
print items 0 0
# A double click on the symbol without an entry: its notes' key (C, D flat, E, G) has one.
click 0:7:t960:9 double
print items 0 7
