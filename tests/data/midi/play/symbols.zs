# Symbols play their playback setting at their time. The sustain-pedal marks carry controller
# 64 (setting byte 4 = 65) with 127 (pedal down, at 0: B0 40 7F) and with 0 (pedal up, at 960:
# B0 40 00); a symbol lifts the pedal only through its own setting, so nothing else is sent.
# A symbol setting the velocity (flag 4, mode 1, value 30) at 1440 makes the note at 1440 sound
# at 30 (1E); the quarter at 0 keeps its own 80 (50).
new 1
note 0 0 0 3 -6m60
note 0 0 1440 3 -5m62
symbol 0 0 0 208 music
symbol 0 0 960 209 music
symbol 0 0 1440 62 music
poke 0 0 0 b34=65 b36=127
poke 0 0 2 b34=65 b36=0
poke 0 0 3 b30=4 b39=1 w60=30
print items 0 0
play log to 1
