# Tempo marks. 120 at the start holds at once: the second quarter starts 500 ms in (at 96 it
# would be 625). 60 half way through bar 1: its third quarter starts 1000 ms after the second.
new 1
tempo 0 0 120
note 0 0 0 3 -6m60
note 0 0 480 3 -5m62
tempo 1 480 60
note 0 1 0 3 -6m60
note 0 1 480 3 -5m62
note 0 1 960 3 -4m64
play log to 2
