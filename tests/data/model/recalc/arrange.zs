# Laying a voice's chords out again from a column on: two chords of a second whose heads were
# pushed into one column; from the second chord's column only that one is laid out again, and
# another voice's chord there is left alone.
new 1
note 0 0 0 3 0,1
note 0 0 960 3 0,1
note 0 0 960 3 4,5 voice=1
print items 0 0
poke 0 0 0 b41=0
poke 0 0 1 b41=0
poke 0 0 2 b41=0
arrange 0 0 0 500
print items 0 0
