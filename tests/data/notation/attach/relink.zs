# Ties linked to a chord's heads again after a move: three heads (G, B and a B flat on the same
# line), ties at the chord's column from the line of B with pitch 71 and from G with 67, and one
# whose pitch no head has. Each tie goes to the head of its position and pitch; the B flat,
# which had a tie flag, loses it.
new 1
note 0 0 0 3 -3m67,0m71,0m70>
record 0 0 30 0 0 size=36 w18=0 w20=0 w24=279 b17=142
record 0 0 30 0 0 size=36 w18=-3 w20=-3 w24=279 b17=134
record 0 0 30 0 0 size=36 w18=4 w20=4 w24=279 b17=154
print items 0 0
relink 0 0 3
print items 0 0
