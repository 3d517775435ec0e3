# A tie chain over three bars: a half note at 960 in bar 0 tied to a whole note filling bar 1,
# tied on to a quarter at the start of bar 2, which a quarter follows. The chain's span, the
# tied length from its first note, the time to the next sound; the ties found from and into each
# head with the bar they lie in; a tie into bar 0's first note is looked for in bar 0 alone and
# a glissando into a note at time 0 in the previous bar only.
new 1
note 0 0 960 2 0>
note 0 1 0 1 0<>
note 0 2 0 3 0<
note 0 2 480 3 2
put 0 0 tie 960 end=1:0 y=0:0 pitch=60
put 0 1 tie 0 end=1:0 y=0:0 pitch=60
put 0 1 gliss 0 end=1:0 y=0:0
print items 0 0
print items 0 1
print items 0 2
find tiefrom 0 0 1 0
find tied 0 0 1 0
find tieinto 0 1 2 0
find tiedfrom 0 2 0 0
find tiedfrom 0 1 2 0
find chainspan 0 1 2 0
find chainspan 0 2 0 0
find chainspan 0 0 1 0
find chainspan 0 2 1 0
find tiedlength 0 0 1 0 value
find tiedlength 0 0 1 0
find tiedlength 0 1 2 0 value
find timetonext 0 0 1 0
find timetonext 0 2 0 0
find tieinto 0 0 1 0
find glissinto 0 2 0 0
