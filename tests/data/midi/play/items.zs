# Other items that shape playback.
new 1
# Bar 0: a hairpin (velocity) from 40 to 100 over the bar: the quarters sound at 40 and then
# along its curve (28, 3B, 4E, 61).
note 0 0 0 3 -6m60
note 0 0 480 3 -5m62
note 0 0 960 3 -4m64
note 0 0 1440 3 -3m65
put 0 0 hairpin 0 end=0:1023 byte=16:0 byte=32:40 byte=33:50 byte=34:60 byte=35:70 byte=36:80 byte=37:90 byte=38:100
# Bars 1-2: a whole note with lyrics of two verses, repeated: "one" on the first pass, "two" on
# the second.
note 0 1 0 1 -6m60
lyricline "one two"
lyric 0 1 0 0 0 verse=0
lyric 0 1 0 0 1 verse=1
jumper 1 8 count=1 target=1
# Bar 2: a tempo expression from 60 to 120 quarters a minute over the bar: a tempo event every
# 120 ticks, never two equal ones in a row (one tempo word per line of the play's tempo list).
note 0 2 0 1 -6m60
put 0 2 expression 0 byte=28:16 word=20:0 word=22:1023 word=32:6000 word=34:12000
play log to 3
