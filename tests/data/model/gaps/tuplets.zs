# A gap inside a run of triplet eighths is filled on the triplet's grid: one triplet eighth rest
# between the first and the third member, then the meter's rests after the run.
new 1
note 0 0 0 4 0
note 0 0 320 4 0
tuplet 0 0 0-1 3 2
fillgaps 0 0 0
print rhythm 0 0

# Where the triplet's grid cannot reach the next note, k notes of the next longer value in the
# time of four fill the stretch when they end there: 384 ticks after the first triplet eighth of
# a 2/2 bar are five quarters in the time of four.
meter 1 2 2
note 0 1 0 4 0
tuplet 0 1 0-0 3 2
note 0 1 544 3 0
fillgaps 0 1 0
print rhythm 0 1
# A meter change lasts until the next one: bar 2 returns to 4/4.
meter 2 4 4

# A triplet of quarters crosses a beat: after its first member on the third beat the two rests
# that complete it are triplet quarters, though both stand off the beat.
note 0 2 960 3 0
tuplet 0 2 0-0 3 2
fillgaps 0 2 0
print rhythm 0 2

# The rests that fill a tuplet's gap carry its numbers, but only a tuplet makes them its members:
# after a triplet quarter entered off its grid (no tuplet is made) a later refit of the voice
# leaves the rests' lengths, and the bar holds its meter.
enter note 0 3 240 0 3 tuplet=3:2
refit 0 3 0
recalctimes 0 3
print rhythm 0 3
