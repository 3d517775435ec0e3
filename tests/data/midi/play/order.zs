# Bars in play order: each bar of track 0 holds one whole note whose key is 60 + the bar, so a
# note-on names the bar that plays.
new 1
note 0 0 0 1 -6m60
note 0 1 0 1 -5m61
note 0 2 0 1 -4m62
note 0 3 0 1 -3m63
note 0 4 0 1 -2m64
note 0 5 0 1 -1m65
# A repeat end with count 1 at bar 1 back to bar 0: 0 1 0 1 2.
jumper 1 8 count=1 target=0
play log to 3
# The same played straight: 0 1 2 with repeats off, and while recording (with the recording click).
play log norepeats to 3
play log state 2 to 3
