# Chase: started at bar 5 tick 240, the state earlier bars set is in force from the first tick.
new 1
# Dynamics: 30 in bar 1, 90 in bar 3: the later one wins (the notes sound at 5A).
put 0 1 dynamic 0 byte=19:30
put 0 3 dynamic 0 byte=19:90
# Controllers keyed by number: 7 = 100 in bar 2 then 7 = 50 in bar 3 (B0 07 32 once), 10 = 20
# in bar 4 (B0 0A 14), 11 = 5 at bar 5 tick 120, before the start (B0 0B 05).
put 0 2 controller 0 byte=12:7 byte=13:100
put 0 3 controller 0 byte=12:7 byte=13:50
put 0 4 controller 0 byte=12:10 byte=13:20
put 0 5 controller 120 byte=12:11 byte=13:5
# After the start point: 11 = 6 at tick 300 comes when due, 60 ticks in.
put 0 5 controller 300 byte=12:11 byte=13:6
# A symbol's setting in bar 4 (sustain down: controller 64 with 127) is in force from the first
# tick (B0 40 7F); the stop lifts it with the other resets.
symbol 0 4 960 208 music
poke 0 4 1 b34=65 b36=127
# A tempo mark of 120 in bar 2 holds from the first tick (a quarter in 500 ms).
tempo 2 0 120
# A half note from tick 0 of bar 5 is still sounding at tick 240: it sounds from the first tick
# to its end 720 ticks later; the quarter at 480 plays when due.
note 0 5 0 2 -6m60
note 0 5 480 3 -5m62
play log from 5 240 to 6
