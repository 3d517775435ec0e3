# An expression with a playback mode whose play byte is a key (26): a key switch (velocity 1,
# 10 ticks) at its time, which a later plain note does not undo; at the stop its undo note (26
# rounded down to its octave, 24) is struck silent twice, after the held note's release.
new 1
note 0 0 0 3 -6m60
note 0 0 480 3 -5m62
put 0 0 expression 0 byte=28:1 byte=31:26
play log to 1
