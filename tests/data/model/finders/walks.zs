# Walks into the bars beside: the next record of a kind (a grace note looks for grace notes), the
# previous record of a type, the note or rest beside a column, the lyric of a verse on the next or
# previous note (or the note without one, notes tied into passed over on request), and an octave
# line's record of its chain in another bar with the shift it gives.
new 1
note 0 0 0 3 0
note 0 0 480 3 2 grace
note 0 0 960 3 4
note 0 1 0 3 0<
note 0 1 480 3 2
note 0 1 960 3 4 grace
note 0 2 0 3 0
put 0 0 lyric 960 verse=1
put 0 1 lyric 480 verse=2
put 0 2 lyric 0 verse=1
put 0 0 ottava 0 byte=16:16 word=18:-100 word=22:12 word=24:800
put 0 1 ottava 0 byte=16:32 word=18:-100 word=22:12 word=24:400
print items 0 0
print items 0 1
print items 0 2
find next 0 0 1
find next 0 0 2
find next 0 0 3
find prev 0 1 279 0 24
find prev 0 2 0 -1 144
find adjacent 0 1 279 back
find adjacent 0 1 279 forward
find adjacent 0 1 0 back
# The lyric of verse 1 on the note at 558; verse 2 after it: bar 1's first note has none (it is
# given), unless notes tied into are passed over; the previous lyric or note.
find nextlyric 0 0 279 0 1
find nextlyric 0 0 558 0 2
find nextlyric 0 0 558 0 2 skiptied
find prevlyric 0 2 0 0 1
find prevlyric 0 1 279 0 1 skiptied
# The octave line's record of bar 1 (its chain's end, at 400): the shift inside it and none after.
find ottava 0 0 0 in=1
find ottavashift 0 0 1
find ottavashift 0 1 3
find ottavashift 0 1 4
