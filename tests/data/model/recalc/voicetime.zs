# The time of a voice at a column: the first note or rest at or after it, a staff space of slack
# before it counting; past the last one, where the last one ends; grace notes passed over; a
# note drawn shifted right counted a staff space further on. Re-beaming a voice from a time
# beams it by the meter to the bar's end.
new 1
note 0 0 0 4 0
note 0 0 240 4 1
note 0 0 480 4 2 grace
note 0 0 480 3 3
note 0 0 960 3 4 voice=1 shifted
print voicetime 0 0 0 0
print voicetime 0 0 0 100
print voicetime 0 0 0 140
print voicetime 0 0 0 200
print voicetime 0 0 0 279
print voicetime 0 0 0 600
print voicetime 0 0 -1 600
print voicetime 0 0 1 620
print voicetime 0 0 2 0
note 0 1 0 4 0
note 0 1 240 4 1
note 0 1 480 4 2
note 0 1 720 4 3
note 0 1 960 4 4
note 0 1 1200 4 5
rebeam 0 1 0 480
print beaming 0 1
