# Chord symbols play the notes of their chord library definition. The definition of key 145
# holds C E G (intervals 0, 4, 7). C on an untransposed voice sounds from C3 (48): 30 34 37
# spread over its strum 0..30 (0, 10, 20), 400 long at velocity 100 (64), released at 80 (50).
# C on voice 1, transposed by 12, sounds from C4 (3C 40 43), strum 0..0 all at 480. B flat at
# 1200 sounds from 58 (3A 3E 41). C/E at 960 adds its bass below the root as the last note
# (E2, 28), the strum 0..40 spread over four notes (960, 970, 980, 990). At 1440 a chord marked
# not to play and a chord whose key (146) the library does not define play nothing.
new 1
voicecount 0 2
range 0 0 127 voice=1:12
chorddef 145 notes=0,4,7
put 0 0 chord 0 word=20:145 byte=28:0 byte=29:30 word=26:400 byte=30:100
put 0 0 chord 480 voice=1 word=20:145 byte=28:0 byte=29:0 word=26:400 byte=30:100
put 0 0 chord 960 word=20:145 byte=16:1 byte=23:2 byte=28:0 byte=29:40 word=26:400 byte=30:100
put 0 0 chord 1200 word=20:145 byte=16:8 byte=22:6 byte=28:0 byte=29:0 word=26:200 byte=30:100
put 0 0 chord 1440 word=20:145 byte=8:2 byte=28:0 byte=29:0 word=26:400 byte=30:100
put 0 0 chord 1440 word=20:146 byte=28:0 byte=29:0 word=26:400 byte=30:100
print items 0 0
play log to 1
