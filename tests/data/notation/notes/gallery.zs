# The note gallery: every way a note is drawn, on the piano score's first page (two staves,
# four bars a system). Render it: zelscript gallery.zs -o n.zel; zelrender n.zel --page 1 n.png
new 1
# Bar 0: values 1-8 stem up, 1-3 dots on the longer ones; bar 1: the same stem down.
note 0 0 0 1 -2 up dots=1
note 0 0 240 2 -1 up dots=2
note 0 0 480 3 -2 up dots=3
note 0 0 720 4 -1 up dots=1
note 0 0 960 5 -2 up
note 0 0 1200 6 -1 up
note 0 0 1440 7 -2 up
note 0 0 1680 8 -1 up
note 0 1 0 1 3 down dots=1
note 0 1 240 2 2 down dots=2
note 0 1 480 3 3 down dots=3
note 0 1 720 4 2 down dots=1
note 0 1 960 5 3 down
note 0 1 1200 6 2 down
note 0 1 1440 7 3 down
note 0 1 1680 8 2 down
# Bar 2: a whole-bar value, grace notes with their slashes, a slash note.
note 0 2 0 0 0 up
note 0 2 600 4 1 up grace
note 0 2 720 5 3 up grace
note 0 2 840 3 -1 down grace
note 0 2 960 6 -3 up grace
note 0 2 1200 3 0 up slash
note 0 2 1500 4 0 up slash stemless
# Bars 3-5: head shapes 2-23, stem up and down.
note 0 3 0 3 -1s2 down
note 0 3 240 3 0s3 up
note 0 3 480 3 -1s4 down
note 0 3 720 3 0s5 up
note 0 3 960 3 -1s6 down
note 0 3 1200 3 0s7 up
note 0 3 1440 3 -1s8 down
note 0 3 1680 3 0s9 up
note 0 4 0 3 -1s10 down
note 0 4 240 3 0s11 up
note 0 4 480 3 -1s12 down
note 0 4 720 3 0s13 up
note 0 4 960 3 -1s14 down
note 0 4 1200 3 0s15 up
note 0 4 1440 3 -1s16 down
note 0 4 1680 3 0s17 up
note 0 5 0 3 -1s18 down
note 0 5 240 3 0s19 up
note 0 5 480 3 -1s20 down
note 0 5 720 3 0s21 up
note 0 5 960 3 -1s22 down
note 0 5 1200 3 0s23 up
# Bar 6: chords with seconds and clusters.
note 0 6 0 3 -6,-5 up
note 0 6 240 3 -6,-5 down
note 0 6 480 3 -4,-3,-2 up dots=1
note 0 6 960 3 0,1,2,3 down
note 0 6 1440 2 -2,-1,0,1,2 up
# Bar 7 on both staves and bar 17: two to six stacked accidentals, parenthesised ones too.
note 0 7 0 3 2#1,0#2 down
note 0 7 960 3 4#1,2#2,0#3 down
note 1 7 0 3 6#1,4#2,2#1,0#2 up
note 1 7 960 3 8#1,6#2,4#3,2#1,0#2 down
note 0 17 0 3 10#1,8#2,6#4,4#5,2#1,0#3 up
note 0 17 960 3 2#1p,0#5p down
# Bar 8: ledger lines above and below, on heads and chords.
note 0 8 0 4 6 down
note 0 8 240 3 8 down
note 0 8 480 4 10 down
note 0 8 720 3 12 down
note 0 8 960 4 -6 up
note 0 8 1200 3 -8 up
note 0 8 1440 4 -10 up
note 0 8 1680 3 -12 up
# Bar 9: heads in parentheses alone and in runs, with accidentals.
note 0 9 0 3 0( up
note 0 9 240 3 2#1( down dots=1
note 0 9 720 3 -2(,0(,2( up
note 0 9 1200 3 -3,-1#2(,1(,3 down
note 0 9 1680 3 -5,-4( up
# Bar 10: fret numbers (shapes 32-57) and a cross-staff chord reaching the lower staff.
note 0 10 0 3 0s32,2s35 up
note 0 10 240 3 -2s44 down stemless
note 0 10 480 3 1s57 up dots=1
note 0 10 960 3 -2,-6x1 down
note 0 10 1440 3 -4x1,-2x1,2 up
# Bar 11: marks centred on the head, on the stem, turned, digits.
note 0 11 0 3 0 up
mark 0 11 0 23
note 0 11 240 3 0 down
mark 0 11 1 16
note 0 11 480 3 -2 up
mark 0 11 2 19
note 0 11 720 3 1 up
mark 0 11 3 51
note 0 11 960 3 1 up
mark 0 11 4 49
note 0 11 1200 3 -3 down
mark 0 11 5 7
mark 0 11 5 9
note 0 11 1440 3 0 up
mark 0 11 6 6 variant
note 0 11 1680 3 4 down
mark 0 11 7 24
mark 0 11 7 25 flip
# Bar 12: a trill with its continuation line, an ornament with its accidental, chord-spanning
# arrows up and down, a tremolo.
note 0 12 0 2 1 up
mark 0 12 0 0 cont=0:500
note 0 12 960 3 0 up
mark 0 12 1 3 acc=2
note 0 12 1200 3 -4,-2,0,2 up
mark 0 12 2 30 arrows=1 x=-120
note 0 12 1680 3 -3,-1,1 down
mark 0 12 3 30 arrows=2 x=-120
note 0 13 0 2 0 up
mark 0 13 0 32
# Bar 13: line marks 70-89 as a curve, a line and a run of glyphs.
note 0 13 960 3 2 down
mark 0 13 1 70 style=0 end=240:120
note 0 13 1200 3 -2 up
mark 0 13 2 76 style=1 end=360:-240
note 0 13 1440 3 0 up
mark 0 13 3 80 style=162 end=480:0
# Bars 14-15: performance notes, bars from play start to play end; one runs into bar 15.
note 0 14 0 3 0d480,4d960t120 perf
note 0 14 480 3 -2#1d240 perf
note 0 14 960 3 2d1500 perf
note 0 15 480 3 0d0 perf
note 1 14 0 3 0d1920 perf
# Bars 16-19 on the lower staff: an eighth chord beamed (no stem of its own), grace chords.
note 1 16 0 4 0,2 up beamed
note 1 16 240 4 0,4 down
note 1 16 480 3 -2,0,2#1 up grace
note 1 16 960 5 -6,-5,-4 down
print items 0 7 live
print items 1 7 live
print items 0 17 live
print items 0 10 live
