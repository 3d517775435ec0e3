# How notes are grouped: grouping bytes cycling through a long bar, a short group of eighths cut
# to two, rests ending beat groups, and triplets.
new 0
# 16/8 with the grouping bytes 3, 3, 2, 0: beams of 3, 3, 2, 3, 3, 2 eighths.
meter 0 16 8
beamgroups 0 3 3 2 0
note 0 0 0 4 1
note 0 0 240 4 1
note 0 0 480 4 1
note 0 0 720 4 1
note 0 0 960 4 1
note 0 0 1200 4 1
note 0 0 1440 4 1
note 0 0 1680 4 1
note 0 0 1920 4 1
note 0 0 2160 4 1
note 0 0 2400 4 1
note 0 0 2640 4 1
note 0 0 2880 4 1
note 0 0 3120 4 1
note 0 0 3360 4 1
note 0 0 3600 4 1
autobeam 0 0 0 0 32767
print items 0 0 live
# 4/4: three eighths and a quarter in a group of four units: the beam takes the first two.
meter 1 4 4
note 0 1 0 4 1
note 0 1 240 4 1
note 0 1 480 4 1
note 0 1 720 3 1
autobeam 0 1 0 0 32767
print beaming 0 1
# A rest outside a tuplet ends a beat group: e r e e gives one beam over the last two.
rest 0 2 240 4 0
note 0 2 0 4 1
note 0 2 480 4 1
note 0 2 720 4 1
autobeam 0 2 0 0 32767
print items 0 2 live
# 2/4 with an eighth triplet on each beat: one beam per triplet.
meter 3 2 4
note 0 3 0 4 1
note 0 3 160 4 1
note 0 3 320 4 1
note 0 3 480 4 1
note 0 3 640 4 1
note 0 3 800 4 1
tuplet 0 3 0-5 3 2
autobeam 0 3 0 0 32767
print items 0 3 live
print beaming 0 3
# Sixteenth triplets under an eighth: the second level carries the triplet's number.
meter 4 2 4
note 0 4 0 4 1
note 0 4 240 5 1
note 0 4 320 5 1
note 0 4 400 5 1
tuplet 0 4 1-3 3 2
autobeam 0 4 0 0 32767
print items 0 4 live
# A meter without grouping bytes groups by its beat: two beams of two eighths in 2/4.
meter 5 2 4
beamgroups 5 0 0 0 0
note 0 5 0 4 1
note 0 5 240 4 1
note 0 5 480 4 1
note 0 5 720 4 1
autobeam 0 5 0 0 32767
print beaming 0 5
print items 0 5 live
