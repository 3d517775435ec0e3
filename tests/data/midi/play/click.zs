# The metronome in 4/4: accented (99 4C 78) at each bar's tick 0, unaccented (99 4C 50) every 480
# ticks after it, each ended by its duration (50 and 40 ticks).
new 1
note 0 0 0 1 -6m60
play log click to 2
# Started at tick 600 of bar 0: the first click sounds 360 ticks later, unaccented.
play log click from 0 600 to 1
