# Glissandi. Bar 0: a harp pedal marking with B, E and A flat; bar 1: a harp glissando (play kind
# 3) from C4 to C5 plays only the pedals' pitch classes: 60 62 63 65 67 68 70, seven steps over
# the 960 ticks to the end note (one every 137 ticks, each 136 long) after the start note itself.
# Bar 2: a chromatic one (play kind 1) down from G4 to E4: 67 66 65, one every 320 ticks, 319
# long; the end note is not part of the sweep.
new 1
put 0 0 harp 0 pedals=0,0,-1,-1,0,0,-1
enter note 0 1 0 -6 3
enter note 0 1 960 1 3
select note 0 1 0
select note 0 1 3
cmd 35304
select note none
print items 0 0-1 live
poke 0 1 0 b34=3
enter note 0 2 0 -2 3
enter note 0 2 960 -4 3
select note 0 2 0
select note 0 2 3
cmd 35304
select note none
poke 0 2 0 b34=1
print items 0 2 live
play log to 3
