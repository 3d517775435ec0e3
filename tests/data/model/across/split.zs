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
