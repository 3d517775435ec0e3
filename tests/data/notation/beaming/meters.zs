# Beams by the meter. Each bar holds one voice of eighths (or sixteenths) from its start; the
# meter's denominator gives the beaming unit, its grouping bytes the beam groups. A meter over
# 1, 2 or 4 groups its eighths by four (a half note), whatever its numerator.
new 0
# 4/4: the unit is an eighth with one level; groups of four eighths.
meter 0 4 4
note 0 0 0 4 0
note 0 0 240 4 0
note 0 0 480 4 0
note 0 0 720 4 0
note 0 0 960 4 0
note 0 0 1200 4 0
note 0 0 1440 4 0
note 0 0 1680 4 0
autobeam 0 0 0 0 32767
print items 0 0 live
# 2/4: one beam of four (the bar is one group of four eighths).
meter 1 2 4
note 0 1 0 4 2
note 0 1 240 4 2
note 0 1 480 4 2
note 0 1 720 4 2
autobeam 0 1 0 0 32767
print items 0 1 live
# 3/4: a beam of four, then a beam of the two eighths left.
meter 2 3 4
note 0 2 0 4 -1
note 0 2 240 4 -1
note 0 2 480 4 -1
note 0 2 720 4 -1
note 0 2 960 4 -1
note 0 2 1200 4 -1
autobeam 0 2 0 0 32767
print items 0 2 live
# 6/8: two beams of three.
meter 3 6 8
note 0 3 0 4 1
note 0 3 240 4 1
note 0 3 480 4 1
note 0 3 720 4 1
note 0 3 960 4 1
note 0 3 1200 4 1
autobeam 0 3 0 0 32767
print items 0 3 live
# 9/8: three beams of three.
meter 4 9 8
note 0 4 0 4 1
note 0 4 240 4 1
note 0 4 480 4 1
note 0 4 720 4 1
note 0 4 960 4 1
note 0 4 1200 4 1
note 0 4 1440 4 1
note 0 4 1680 4 1
note 0 4 1920 4 1
autobeam 0 4 0 0 32767
print items 0 4 live
# 12/8: four beams of three.
meter 5 12 8
note 0 5 0 4 1
note 0 5 240 4 1
note 0 5 480 4 1
note 0 5 720 4 1
note 0 5 960 4 1
note 0 5 1200 4 1
note 0 5 1440 4 1
note 0 5 1680 4 1
note 0 5 1920 4 1
note 0 5 2160 4 1
note 0 5 2400 4 1
note 0 5 2640 4 1
autobeam 0 5 0 0 32767
print items 0 5 live
# 3/16: the unit is a sixteenth with two levels; three sixteenths make one beam of two levels.
meter 6 3 16
note 0 6 0 5 0
note 0 6 120 5 0
note 0 6 240 5 0
autobeam 0 6 0 0 32767
print items 0 6 live
