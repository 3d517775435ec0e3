# Controller hairpins, the sforzando-piano dynamics and MIDI-message expressions.
new 1
# Bar 0: a hairpin playing controller 11 (play kind 1) from 40 to 100 in steps of 10, ending in
# the bar at the last quarter (1440): each segment in 2 steps of 5, one every 80 ticks, sent 10
# ticks early (not before 0) and only when the value changes: 13 messages 28, 2D ... 64; the
# notes keep their own velocity.
note 0 0 0 3 -6m60
note 0 0 480 3 -5m62
note 0 0 960 3 -4m64
note 0 0 1440 3 -3m65
put 0 0 hairpin 0 end=0:1023 byte=16:32 byte=17:11 byte=32:40 byte=33:50 byte=34:60 byte=35:70 byte=36:80 byte=37:90 byte=38:100
# Bar 1: a dynamic of kind 14 playing controller 11 with 110: B0 0B 6E at the bar's start, then
# the piano level (60, 3C) 130 ticks later.
note 0 1 0 1 -6m60
put 0 1 dynamic 0 byte=18:226 byte=19:110 byte=22:11
# Bar 2: an expression of MIDI messages: program 5 and controller 10 with 100, no bank (C0 05,
# B0 0A 64).
note 0 2 0 1 -6m60
put 0 2 expression 0 byte=28:32 byte=32:5 byte=33:255 byte=34:100 byte=35:10
# Bar 3: a velocity dynamic of 30 for every voice, then at the third beat one of 100 marked not
# to play: from its position no dynamic holds, so the first note sounds at 30 (1E) and the second
# at its own velocity 80 (50), not 100.
note 0 3 0 3 -6m60
note 0 3 960 3 -5m62
put 0 3 dynamic 0 byte=18:1 byte=19:30
put 0 3 dynamic 960 pos=512 byte=8:2 byte=18:1 byte=19:100
print items 0 3
play log to 4
