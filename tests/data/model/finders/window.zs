# Notes and rests near a column: a window of a width around a position (from position - width/2
# to position + width x 3/2, both ends included; the first item in run order inside it), the
# nearest of equally near items (the earlier one), the first at or after a position, notes only,
# and records of a time and type.
new 1
note 0 0 0 3 0
note 0 0 480 3 2
note 0 0 960 3 4 voice=1
rest 0 0 1440 3 0
print items 0 0
# Width 0: only the exact position.
find atx 0 0 0 279 0
find atx 0 0 0 280 0
# Width 20 around 249 takes 239-279 and around 289 takes 279-319: the note at 279 lies at an end;
# around 250 (240-280) too; around 290 (280-320) nothing.
find atx 0 0 0 249 20
find atx 0 0 0 289 20
find atx 0 0 0 250 20
find atx 0 0 0 290 20
# Voice 1's note at 558 for any voice, not for voice 0.
find atx 0 0 -1 550 20
find atx 0 0 0 550 20
# 558 lies 279 from the note at 279 and from the rest at 837: the earlier one in the run.
find nearest 0 0 0 558
find nearest 0 0 0 559
find nearest 0 0 0 280 after
find nearest 0 0 0 700
find nearest 0 0 0 700 notes
find kind 0 0 0 1440 128
find kind 0 0 0 1440 144
