# The next enharmonic spelling of the selected heads: every cell of the table, by step class
# (C and F, D G and A, E and B) and accidental (sharp, flat, none, double sharp, double flat).
# The pitch never changes; the head moves by the step change and takes the new accidental.
new 1
# C row: C#3 -> Db, Cb4 -> B, C5 -> B#, Cx6 -> D, Cbb7 stays.
note 0 0 0 3 -13#1m49,-6#2m59,1m72,8#4m86,15#5m94 up
# D row: D#3 -> Eb, Db4 -> C#, D5 stays, Dx6 -> E, Dbb7 -> C.
note 0 0 480 3 -12#1m51,-5#2m61,2m74,9#4m88,16#5m96 up
# E row: E#3 -> F, Eb4 -> D#, E5 -> Fb, Ex6 stays, Ebb7 -> D.
note 0 0 960 3 -11#1m53,-4#2m63,3m76,10#4m90,17#5m98 up
# F natural -> E#; G flat -> F#; A natural stays; only the selected heads change (B flat stays).
note 0 0 1440 3 -3#3m65,-2#2m66,-1#3m69,0#2m70 up
select note 0 0 0
respell 0 0 0
print heads 0 0 0
select note 0 0 1
respell 0 0 1
print heads 0 0 1
select note 0 0 2
respell 0 0 2
print heads 0 0 2
select note 0 0 3 0 1 2
respell 0 0 3
print heads 0 0 3
# In F major (the key signature goes after the note at the same column) a B without an accidental of its own is the key's B flat: it becomes A sharp.
key 0 1 1
note 0 1 0 3 0m70 up
select note 0 1 0
respell 0 1 0
print heads 0 1 0
# Respelling twice goes on round: C sharp -> D flat -> C sharp.
note 0 1 480 3 -6#1m61 up
select note 0 1 2
respell 0 1 2
respell 0 1 2
print heads 0 1 2
select note none
print heads 0 1 2
