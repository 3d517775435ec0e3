# Pedal lines play their playback setting over their span. Bar 0: a sustain pedal (controller 64
# with 127) from the start of bar 0 to the middle of bar 1 (end position 512): B0 40 7F at 0 and,
# at its end (1920 + 960), the pedal lifted with B0 40 00.
new 1
note 0 0 0 1 -6m60
note 0 1 0 1 -6m62
put 0 0 pedal 0 end=1:512 byte=48:65 byte=50:127
# Bar 2: a pedal setting the velocity (flag 4, mode 1 set, value 30) up to position 400 (750
# ticks) and sending program 9 at its start (program + 1 = 10) and program 0 at its end: the
# first quarter sounds at 30 (1E), the one at 960 after its end at its own 80 (50); C0 09 at 3840,
# C0 00 at 3840 + 750.
note 0 2 0 3 -6m60
note 0 2 960 3 -5m62
put 0 2 pedal 0 end=0:400 byte=44:4 byte=53:1 byte=74:30 byte=57:10 byte=58:1
print items 0 0-2
play log to 3
