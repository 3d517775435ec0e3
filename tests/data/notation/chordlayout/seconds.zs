# Which head goes to which side of the stem, and where the dots go. Each note stands in a bar
# of its own; the dump shows per head [position column dot accidental/offset ... duration].
new 0
# C and D with the stem up: the lower head stays, the upper goes right, the lower's dot below.
note 0 0 0 3 -6,-5 up dots=1
print items 0 0
# The same with the stem down: the upper head stays, the lower goes left.
note 0 1 0 3 -6,-5 down dots=1
print items 0 1
# Three adjacent steps, stem up: bottom and top on the normal side, the middle one right.
note 0 2 0 3 -4,-6,-5 up
print items 0 2
# Four adjacent steps, stem down: they alternate from the top.
note 0 3 0 3 0,1,2,3 down
print items 0 3
# A line in an even voice: the dot goes below; heads on another staff come after the own ones
# and invisible heads last.
note 0 4 0 3 4,1,-2x1,6i down dots=1 voice=1
print items 0 4
# One head: column 0, the dot above a line, the accidental offset cleared.
note 0 5 0 3 2o24 up dots=1
print items 0 5
