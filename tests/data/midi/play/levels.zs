# Velocities. Bar 0: a note of velocity 100 after a dynamic of 64 sounds at 64 (90 3C 40).
new 1
note 0 0 0 3 -6m60
poke 0 0 0 b32=100
put 0 0 dynamic 0 byte=19:64
# Bar 1: a dynamic of 100 for voice 0 alone (play kind velocity, not all voices).
note 0 1 0 3 -5m62
put 0 1 dynamic 0 byte=18:0 byte=19:100
# Bar 2: a dynamic that plays as controller 11 (play kind 1) with 90: B0 0B 5A at the bar's start.
note 0 2 0 3 -4m64
put 0 2 dynamic 0 byte=18:2 byte=19:90 byte=22:11
print items 0 0-2
play log to 3
