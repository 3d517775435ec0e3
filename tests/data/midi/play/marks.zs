# Marks on notes, each with its own playback setting (poked into the mark's 32 bytes, which
# follow its 8-byte head after the note's heads).
new 1
# A turn (code 6, variant 0) on a quarter: upper, main, lower, main, 120 ticks apart, 119 long.
note 0 0 0 3 -6m60
mark 0 0 0 6
# A chord of three heads under an arpeggio with offsets 0 and 60: +20, +40, +60 (stem up: the
# mark's offsets are not swapped).
note 0 0 480 3 -6m60,-4m64,-2m67
mark 0 0 1 30
poke 0 0 1 b80=1 w104=0 w106=60 b20=1
# A staccato: length 50 % and velocity +30 (mode add): 240 ticks at 110 (6E).
note 0 0 960 3 -5m62
mark 0 0 2 16
poke 0 0 2 b48=6 w76=50 w78=30
# A forced tremolo of one stroke (eighths): two strokes, 236 and 240 ticks.
note 0 0 1440 3 -4m64
mark 0 0 3 31
poke 0 0 3 b58=1
# Bar 1: a key switch (key 26) on the first note, a plain note after it: the switch (velocity 1,
# 10 ticks) sounds with the first note, and its undo (key 26 rounded down to its octave, 24) 15 ticks
# before the second.
note 0 1 0 3 -6m60
mark 0 1 0 16
poke 0 1 0 b48=0 b50=27
note 0 1 480 3 -5m62
# Bar 2: a note under a tempo hold of 10 ticks (flags bit 5): at 1.23 beats per minute the
# hold lasts about a second before the tempo comes back.
note 0 2 0 3 -6m60
mark 0 2 0 16
poke 0 2 0 b48=32 b56=10 b59=0
note 0 2 480 3 -5m62
play log to 3
