# Stems by the voices.
new 1
# Fixed stems: voice 0 up, voice 1 down, voice 2 left to the automatic rule (a high note: down);
# a slur of voice 1 lying above (over its two notes) turns below, a tie of voice 0 lying below turns above.
note 0 0 0 3 -4 voice=0 down
note 0 0 0 3 -6 voice=1 up
note 0 0 480 3 8 voice=2 up
note 0 0 480 3 -8 voice=2 down
note 0 0 480 3 -7 voice=1 up
put 0 0 slur 0 voice=1 end=0:279 above
put 0 0 tie 0 voice=0 end=0:279 height=-105
voicestems 0 0 fixed
print items 0 0
print ends 0 0
# Automatic stems with two voices: the higher voice up, the lower down, whatever they had.
note 0 1 0 3 -6 voice=0 up
note 0 1 0 3 6 voice=1 down
voicestems 0 1 auto
print items 0 1
# With one voice in use nothing changes.
note 0 2 0 3 6 up
note 0 2 480 3 -6 down
voicestems 0 2 auto
print items 0 2
# Fixed stems that every note already has change nothing.
note 0 3 0 3 6 voice=0 up
note 0 3 0 3 -6 voice=1 down
put 0 3 slur 0 voice=1 end=0:279 above
voicestems 0 3 fixed
print ends 0 3
