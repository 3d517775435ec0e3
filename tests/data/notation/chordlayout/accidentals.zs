# The accidental columns of a chord: offsets in 1/24 space, 24 a column.
new 0
# Two sharps six positions apart share the first column; two apart they take two; five apart
# too, unless the upper one is a natural (the lower goes back); four apart under a natural a
# flat or natural moves half a column back.
note 0 0 0 3 2#1,-4#1 down
note 0 0 480 3 2#1,0#1 down
note 0 0 960 3 2#1,-3#1 down
note 0 0 1440 3 2#3,-3#1 down
print items 0 0
note 0 1 0 3 2#3,-2#2 down
note 0 1 480 3 2#3,-2#3 down
note 0 1 960 3 2#3,-2#1 down
print items 0 1
# One accidental beside a head moved left of the stem takes the next column.
note 0 2 0 3 0#1,-1 down
print items 0 2
# Three: placed top, bottom, middle; a natural at the top five above the bottom moves the
# middle and bottom back.
note 0 3 0 3 4#1,2#1,0#1 down
note 0 3 480 3 4#3,2#1,-1#1 down
print items 0 3
# Four accidentals get no refinement; five or more exchange among the lowest three.
note 0 4 0 3 6#1,4#1,2#1,0#1 down
note 0 4 960 3 8#1,6#1,4#1,2#1,0#1 down
print items 0 4
# Parentheses: the parenthesised accidental moves 3 further; a later one within six positions
# 24 more, or 54 more after a parenthesised double flat.
note 0 5 0 3 2#1p,0#1 down
note 0 5 480 3 2#5p,0#1 down
note 0 5 960 3 2#1p,-6#1 down
print items 0 5
# While the beam layout keeps the offsets, the layout leaves them as they are.
note 0 6 0 3 2#1o77,0#1o5 down keep
print items 0 6
