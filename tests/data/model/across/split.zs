# A half note at beat 4 of a 4/4 bar becomes a quarter tied to a quarter at the start of the
# next bar; a whole note at beat 4 goes on as a dotted half.
new 1
note 0 0 1440 2 0
across 0 0 0
print items 0 0
print items 0 1
note 1 0 1440 1 -4,-2
across 1 0 0
print items 1 0
print items 1 1
# A half note at beat 4 already tied to a quarter at beat 2 of the next bar: the new tie joins
# the two pieces, and the old tie now leaves the second piece for that quarter, which keeps its
# tie-end flag.
new 1
note 0 0 1440 2 -6m60>
note 0 1 480 3 -6m60<
record 0 0 30 1440 837 size=36 w18=-6 w20=-6 w22=1 w24=279 b17=120
across 0 0 1
print items 0 0
print items 0 1
