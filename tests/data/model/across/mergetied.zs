# MergeNote takes a tied note as sounding to the end of its tie chain: a half at beat 4, cut at
# the bar line into tied quarters, lasts as long as an incoming half at beat 4, which joins it as
# a chord and goes on (its head's tie flag set). A half that started on beat 3 sounds at beat 4
# too, but the incoming half does not join a note that starts at another time: it takes voice 1.
new 1
note 0 0 1440 2 0
across 0 0 0
note 0 0 1440 2 4m77
print items 0 0
merge 0 0 0 960 -1
print items 0 0
print items 0 1
note 0 2 960 2 0
note 0 2 1440 2 4m77
merge 0 2 1 960 -1
print items 0 2
