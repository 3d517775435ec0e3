# Positions from the beat chart. A lone whole rest stands centred at 477.
new 1
rest 0 0 0 1 0
positions 0 0

# Two grace notes before the second quarter sit to its left, 150 apart at the staff's scale
# (180 for a grace note drawn larger), the first further left by its accidental's room.
# A grace note plays ahead of its note and so stands before it in the run: each one written
# here goes in front of what stands at its time.
note 0 1 0 3 0
note 0 1 480 3 0
note 0 1 480 4 3t-241 grace up scale=70
note 0 1 480 4 2#1t-241 grace up
note 0 1 960 2 0
positions 0 1

# A second between two voices at one column: exactly one of the two notes is drawn right.
# Voice 0 stem up on the line above, voice 1 stem down a step below; then the same with a
# dotted upper note; then a unison of a half and a quarter; then notes a third apart (no
# change).
note 0 2 0 3 1 up
note 0 2 0 3 0 down voice=1
note 0 2 480 3 1 up dots=1
note 0 2 480 3 0 down voice=1
note 0 2 1200 2 0 up
note 0 2 1200 3 0 down voice=1
note 0 2 1680 3 2 up
note 0 2 1680 3 0 down voice=1
positions 0 2

