# Column widths of one track bar. Four quarters: each column gets the spacing table's quarter
# (360) and no room in front. A sharp shown on the second quarter (accidental offset 2) asks
# 120 + 5 x 2 + the accidental gap in front of it, less what the first quarter leaves free.
new 1
note 0 0 0 3 0
note 0 0 480 3 2
note 0 0 960 3 4
note 0 0 1440 3 2
columns 0 0
note 0 1 0 3 0
note 0 1 480 3 2#1o2 keep
note 0 1 960 3 4
note 0 1 1440 3 2
columns 0 1
note 0 6 0 5 0 up
note 0 6 120 5 2#1o2 keep
note 0 6 240 3 4
columns 0 6
# A clef at the bar's end: 180 of end space, 240 when the last column follows the one before
# by less than 240 ticks.
note 0 2 0 2 0
note 0 2 960 2 0
clefchange 0 2 1024 2
columns 0 2
note 0 3 0 2 0 dots=1
note 0 3 1440 5 0
note 0 3 1560 5 0
clefchange 0 3 1024 2
columns 0 3
# A half note sounding over the next onset of another voice shares its width with it; a rest
# of an eighth or shorter takes at least 240.
note 0 4 0 2 0 up
note 0 4 0 3 -4 voice=1
note 0 4 480 3 -4 voice=1
rest 0 4 960 5 0
rest 0 4 1080 5 0
rest 0 4 1200 4 0
note 0 4 1440 3 0
columns 0 4
# Two grace notes before the second quarter ask for room in front of it: 150 each, 60 more for
# an unbeamed stem-up eighth, less what the quarter before leaves free (its width less 150). A
# grace note plays ahead of its note, and so stands before it in the run: each one written here
# goes in front of what stands at its time.
note 0 5 0 3 0
note 0 5 480 3 0
note 0 5 480 4 3t-241 grace up
note 0 5 480 4 2t-241 grace up
note 0 5 960 3 0
columns 0 5
# A clef inside the bar, at the third eighth: the column before it is narrower than 360 and
# grows by 120, and the clef's column keeps 120 in front.
note 0 7 0 4 0
note 0 7 240 4 0
note 0 7 480 4 0
note 0 7 720 4 0
clefchange 0 7 279 0
print items 0 7
columns 0 7
