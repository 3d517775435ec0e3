# The note gallery: every way a note is drawn, on the piano score's first page (two staves,
# four bars a system). Render it: zelscript gallery.zs -o n.zel; zelrender n.zel --page 1 n.png
new 1
# Bars 1-4: values 1-8 stem up, then stem down, 1-3 dots on the longer ones.
note 0 1 0 1 -2 up dots=1
note 0 1 480 2 -1 up dots=2
note 0 1 960 3 -2 up dots=3
note 0 1 1440 4 -1 up dots=1
note 0 2 0 5 -2 up
note 0 2 480 6 -1 up
note 0 2 960 7 -2 up
note 0 2 1440 8 -1 up
note 0 3 0 1 3 down dots=1
note 0 3 480 2 2 down dots=2
note 0 3 960 3 3 down dots=3
note 0 3 1440 4 2 down dots=1
note 0 4 0 5 3 down
note 0 4 480 6 2 down
note 0 4 960 7 3 down
note 0 4 1440 8 2 down
# Bar 0: a whole-bar value, grace notes with their slashes, a slash note.
note 0 0 240 0 0 up
note 0 0 600 4 1 up grace
note 0 0 840 5 3 up grace
note 0 0 1080 3 -1 down grace
note 0 0 1320 6 -3 up grace
note 0 0 1560 3 0 up slash
note 0 0 1800 4 0 up slash stemless
# Bars 5-7: head shapes 2-23, stem up and down.
note 0 5 0 3 -1s2 down
note 0 5 240 3 0s3 up
note 0 5 480 3 -1s4 down
note 0 5 720 3 0s5 up
note 0 5 960 3 -1s6 down
note 0 5 1200 3 0s7 up
note 0 5 1440 3 -1s8 down
note 0 5 1680 3 0s9 up
note 0 6 0 3 -1s10 down
note 0 6 240 3 0s11 up
note 0 6 480 3 -1s12 down
note 0 6 720 3 0s13 up
note 0 6 960 3 -1s14 down
note 0 6 1200 3 0s15 up
note 0 6 1440 3 -1s16 down
note 0 6 1680 3 0s17 up
note 0 7 0 3 -1s18 down
note 0 7 240 3 0s19 up
note 0 7 480 3 -1s20 down
note 0 7 720 3 0s21 up
note 0 7 960 3 -1s22 down
note 0 7 1200 3 0s23 up
# Bar 8: chords with seconds and clusters.
note 0 8 0 3 -6,-5 up
note 0 8 240 3 -6,-5 down
note 0 8 480 3 -4,-3,-2 up dots=1
note 0 8 960 3 0,1,2,3 down
note 0 8 1440 2 -2,-1,0,1,2 up
# Bar 9 on both staves and bar 19: two to six stacked accidentals, parenthesised ones too.
note 0 9 0 3 2#1,0#2 down
note 0 9 960 3 4#1,2#2,0#3 down
note 1 9 0 3 6#1,4#2,2#1,0#2 up
note 1 9 960 3 8#1,6#2,4#3,2#1,0#2 down
note 0 19 0 3 10#1,8#2,6#4,4#5,2#1,0#3 up
note 0 19 960 3 2#1p,0#5p down
# Bar 10: ledger lines above and below, on heads and chords.
note 0 10 0 4 6 down
note 0 10 240 3 8 down
note 0 10 480 4 10 down
note 0 10 720 3 12 down
note 0 10 960 4 -6 up
note 0 10 1200 3 -8 up
note 0 10 1440 4 -10 up
note 0 10 1680 3 -12 up
# Bar 11: heads in parentheses alone and in runs, with accidentals.
note 0 11 0 3 0( up
note 0 11 240 3 2#1( down dots=1
note 0 11 720 3 -2(,0(,2( up
note 0 11 1200 3 -3,-1#2(,1(,3 down
note 0 11 1680 3 -5,-4( up
# Bar 12: fret numbers (shapes 32-57) and a cross-staff chord reaching the lower staff.
note 0 12 0 3 0s32,2s35 up
note 0 12 240 3 -2s44 down stemless
note 0 12 480 3 1s57 up dots=1
note 0 12 960 3 -2,-6x1 down
note 0 12 1440 3 -4x1,-2x1,2 up
# Bar 13: marks centred on the head, on the stem, turned, digits.
note 0 13 0 3 0 up
mark 0 13 0 23
note 0 13 240 3 0 down
mark 0 13 1 16
note 0 13 480 3 -2 up
mark 0 13 2 19
note 0 13 720 3 1 up
mark 0 13 3 51
note 0 13 960 3 1 up
mark 0 13 4 49
note 0 13 1200 3 -3 down
mark 0 13 5 7
mark 0 13 5 9
note 0 13 1440 3 0 up
mark 0 13 6 6 variant
note 0 13 1680 3 4 down
mark 0 13 7 24
mark 0 13 7 25 flip
# Bar 14: a trill with its continuation line, an ornament with its accidental, chord-spanning
# arrows up and down, a tremolo.
note 0 14 0 2 1 up
mark 0 14 0 0 cont=0:500
note 0 14 960 3 0 up
mark 0 14 1 3 acc=2
note 0 14 1200 3 -4,-2,0,2 up
mark 0 14 2 30 arrows=1 x=-120
note 0 14 1680 3 -3,-1,1 down
mark 0 14 3 30 arrows=2 x=-120
note 0 15 0 2 0 up
mark 0 15 0 32
# Bar 15: line marks 70-89 as a curve, a line and a run of glyphs.
note 0 15 960 3 2 down
mark 0 15 1 70 style=0 end=240:120
note 0 15 1200 3 -2 up
mark 0 15 2 76 style=1 end=360:-240
note 0 15 1440 3 0 up
mark 0 15 3 80 style=162 end=480:0
# Bars 16-17: performance notes, bars from play start to play end; one runs into bar 17.
note 0 16 0 3 0d480,4d960t120 perf
note 0 16 480 3 -2#1d240 perf
note 0 16 960 3 2d1500 perf
note 0 17 480 3 0d0 perf
note 1 16 0 3 0d1920 perf
# Bar 18 on the lower staff: an eighth chord beamed (no stem of its own), grace chords.
note 1 18 0 4 0,2 up beamed
note 1 18 240 4 0,4 down
note 1 18 480 3 -2,0,2#1 up grace
note 1 18 960 5 -6,-5,-4 down
print items 0 9 live
print items 1 9 live
print items 0 19 live
print items 0 12 live
