# Large chords: twelve adjacent steps with twelve accidentals, and forty heads, which stack
# their accidentals in eight columns at most (192: no column left).
new 0
note 0 0 0 3 11#1,10#2,9#1,8#2,7#1,6#2,5#1,4#2,3#1,2#2,1#1,0#2 down
print items 0 0
note 0 1 0 3 12#1,11#1,10#1,9#1,8#1,7#1,6#1,5#1,4#1,3#1,2#1,1#1,0#1,-1#1,-2#1,-3#1,-4#1,-5#1,-6#1,-7#1,-8#1,-9#1,-10#1,-11#1,-12#1,-13#1,-14#1,-15#1,-16#1,-17#1,-18#1,-19#1,-20#1,-21#1,-22#1,-23#1,-24#1,-25#1,-26#1,-27#1 up
print items 0 1
# Forty adjacent steps, stem down: every second head stands left of the stem, down to the
# bottom; the accidentals near the bottom keep clear of them.
note 0 2 0 3 39,38,37,36,35,34,33,32,31,30,29,28,27,26,25,24,23,22,21,20,19,18,17,16,15,14,13,12,11,10,9,8,7,6,5#1,4,3,2,1#1,0 down
print items 0 2
