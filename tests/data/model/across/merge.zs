# MergeNote: a quarter at the time of a quarter already there joins it as a chord; a quarter
# at beat 2 while two halves from beat 1 sound in voices 0 and 1 goes to voice 2. The incoming
# note is written into the bar first and taken out again before it merges.
new 1
note 0 0 0 3 0m71
note 0 0 0 3 4m77
print items 0 0
merge 0 0 1 480 -1
print items 0 0
note 0 1 0 2 0m71
note 0 1 0 2 4m77 voice=1
note 0 1 480 3 -4m64
print items 0 1
merge 0 1 2 480 -1
print items 0 1
