# A gap inside a run of triplet eighths is filled on the triplet's grid: one triplet eighth rest
# between the first and the third member, then the meter's rests after the run.
new 1
note 0 0 0 4 0
note 0 0 320 4 0
tuplet 0 0 0-1 3 2
fillgaps 0 0 0
print rhythm 0 0
