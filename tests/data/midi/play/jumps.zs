# Endings and jumps. Each bar of track 0 holds one whole note whose key is 60 + the bar, so a
# note-on (90 3C + bar) names the bar that plays.
new 1
note 0 0 0 1 -6m60
note 0 1 0 1 -5m61
note 0 2 0 1 -4m62
note 0 3 0 1 -3m63
note 0 4 0 1 -2m64
note 0 5 0 1 -1m65
# A first ending (pass 1) over bar 1, which repeats to bar 0, and a second ending (pass 2)
# over bar 2: 0 1 0 2 3.
jumper 1 8 count=1 target=0
ending 1 1 mask=1
ending 2 1 mask=2
play log to 4
