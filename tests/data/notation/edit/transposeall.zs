# Every head written again for a change of key under a clef: each keeps its degree and its
# difference from the signature, the pitch moves by the change of the keys' tonics (the way
# the semitones say) plus 12 per octave; semitones 0 keeps what sounds and spells it anew.
new 1
# C E G, C major to D major (two sharps) up 2: D F sharp A, the F sharp the key's own.
note 0 0 0 3 -6m60,-4m64,-2m67 up
transposeall 0 0 0 0 9 0 2
print heads 0 0 0
# C E G, C major to B flat major (two flats) down 2: B flat D F below.
note 0 1 0 3 -6m60,-4m64,-2m67 down
transposeall 0 1 0 0 2 0 -2
print heads 0 1 0
# C E G up 14: D F sharp A an octave and a step higher.
note 0 2 0 3 -6m60,-4m64,-2m67 up
transposeall 0 2 0 0 9 0 14
print heads 0 2 0
# An accidental of its own keeps its difference: E flat in C major is F natural in D major.
note 0 3 0 3 -4#2m63 up
transposeall 0 3 0 0 9 0 2
print heads 0 3 0
# Semitones 0: F natural in C major is written in G major with a natural, pitch kept.
note 0 3 480 3 -3m65 up
transposeall 0 3 1 0 8 0 0
print heads 0 3 1
# A head the move would take above pitch 127 stays; the other one moves.
note 0 4 0 3 1m72,29m120 up
transposeall 0 4 0 0 0 0 12
print heads 0 4 0
