# Chord symbols and guitar frames put on the beats.
new 1
# Five chord symbols in 4/4: more items than beats, and 5 and 4 of different parity, so the bar
# is shared among six: 0, 320, 640, 960 and 1,280 ticks.
put 0 0 chord 0
put 0 0 chord 100
put 0 0 chord 500
put 0 0 chord 1000
put 0 0 chord 1500
spacechords 0 0
print items 0 0
# Two on one beat: the second moves to the next free beat (its time only: its column stays for
# the positions' recalculation); a frame counts like a chord symbol.
put 0 1 chord 480
put 0 1 frame 600
spacechords 0 1
print items 0 1
# Items beyond the last beat (the bar's columns past its meter) move back into the free beats
# below; each voice is spaced by itself.
put 0 2 chord 0
put 0 2 chord 0 pos=1023
put 0 2 chord 0 pos=1020
put 0 2 chord 0 voice=1
spacechords 0 2
print items 0 2
# Five in 3/4: the parities match, so each takes a fifth of the bar; six take a seventh each.
meter 3 3 4
put 0 3 chord 0
put 0 3 chord 0
put 0 3 chord 0
put 0 3 chord 0
put 0 3 chord 0
spacechords 0 3
print items 0 3
put 0 3 chord 0
spacechords 0 3
print items 0 3
