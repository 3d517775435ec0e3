# The times of an item's ends, in ticks from its bar's start, by the notes and rests of its
# voice (4/4: quarters at 0, 480 and 960 in bar 0; a quarter and a half note in bar 1):
# - a voice with no notes: the start and end positions' times (item 0: 512 and 768, 960 and 1440);
# - an end past the last note of its bar: the end of that note (item 1);
# - an end in the next bar on a note there: the bar's length plus the note's time (item 2);
# - a start between notes: the end of the note before it; an end on a note: its time (item 3);
# - a slur starting on a note: that note's end (item 4);
# - an end past the score's last bar: the walk ends with that bar (bar 31).
new 1
note 0 0 0 3 0
note 0 0 480 3 2
note 0 0 960 3 4
note 0 1 0 3 0
note 0 1 480 2 2
note 0 31 0 3 0
put 0 0 slur 0 end=0:558
put 0 0 hairpin 0 pos=200 end=0:558
put 0 0 hairpin 0 end=1:279
put 0 0 hairpin 0 end=0:900
put 0 0 hairpin 0 pos=512 voice=1 end=0:768
put 0 31 hairpin 0 end=5:0
print items 0 0
print items 0 1
print spantimes 0 0 0
print spantimes 0 0 1
print spantimes 0 0 2
print spantimes 0 0 3
print spantimes 0 0 4
print spantimes 0 31 0
