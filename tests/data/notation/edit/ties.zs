# A transposed head takes its tie along: the tie follows the head's staff position and takes
# its new pitch. A head that claims a tie which is not there loses the claim.
new 1
# Bar 0 ends with a chord: E tied over to bar 1's first E, and a G that claims a tie of its own.
note 0 0 1440 3 -4m64>,-2m67> up
note 0 1 0 3 -4m64< up
record 0 0 30 1440 837 size=36 w18=-4 w20=-4 w22=1 w24=0 b17=128
print items 0 0
select note 0 0 1
transpose 0 0 1 2 2
print items 0 0
print heads 0 0 1
