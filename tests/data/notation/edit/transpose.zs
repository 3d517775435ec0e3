# Moving the selected heads: mode 0 by interval number, 1 by steps of the key, 2 by semitones.
# Intervals: 2 (and 3) minor second, 5 augmented second, 6 minor third, 7 major third.
new 1
# Bar 0, C major, mode 0: E up a major third is G sharp, shown.
note 0 0 0 3 -4m64 up
select note 0 0 0
transpose 0 0 0 7 0
print heads 0 0 0
# The key changes stand at the start of their bars, the notes after them.
# Bar 1, G major: D up a minor third is F natural (the key's F sharp cancelled: natural); D up a
# major third is F sharp, the key's own (no accidental of its own).
key 0 1 8
note 0 1 240 3 -5m62 up
note 0 1 720 3 -5m62 up
select note 0 1 1
transpose 0 1 1 6 0
print heads 0 1 1
select note 0 1 2
transpose 0 1 2 7 0
print heads 0 1 2
# Bar 2, F major: A up a minor second is B flat, the key's; A up an augmented second is B sharp,
# which against the key's flat is written natural until the bar's accidentals are worked out
# again, which put the sharp back.
key 0 2 1
note 0 2 240 3 -1m69 up
note 0 2 720 3 -1m69 up
select note 0 2 1
transpose 0 2 1 2 0
print heads 0 2 1
select note 0 2 2
transpose 0 2 2 5 0
print heads 0 2 2
accidentals 0 2
print heads 0 2 2
# Bar 3, C major, mode 1: B up a step is C above it (the octave correction), C down a step is B
# below; B up eight steps is the C an octave higher; D up seven steps is the octave.
key 0 3 0
note 0 3 240 3 0m71 up
note 0 3 720 3 1m72 up
note 0 3 1200 3 0m71 up
note 0 3 1680 3 -5m62 up
select note 0 3 1
transpose 0 3 1 1 1
select note 0 3 2
transpose 0 3 2 -1 1
select note 0 3 3
transpose 0 3 3 8 1
select note 0 3 4
transpose 0 3 4 7 1
print heads 0 3 1
print heads 0 3 2
print heads 0 3 3
print heads 0 3 4
# Bar 4, G major, mode 1: E up a step is the key's F sharp.
key 0 4 8
note 0 4 240 3 -4m64 up
select note 0 4 1
transpose 0 4 1 1 1
print heads 0 4 1
# Bar 5, C major, mode 2: E up a semitone is F; F up one is F sharp, shown; pitch 127 up one and
# pitch 0 down one stay; only the selected head of a chord moves.
key 0 5 0
note 0 5 240 3 -4m64 up
note 0 5 720 3 -3m65 up
note 0 5 1200 3 32m127 up
note 0 5 1680 3 -6m60,-4m64 up
select note 0 5 1
transpose 0 5 1 1 2
select note 0 5 2
transpose 0 5 2 1 2
select note 0 5 3
transpose 0 5 3 1 2
select note 0 5 4 1
transpose 0 5 4 -1 2
print heads 0 5 1
print heads 0 5 2
print heads 0 5 3
print heads 0 5 4
note 1 5 0 3 -40m0 up
select note 1 5 0
transpose 1 5 0 -1 2
print heads 1 5 0
# A move that would take the pitch past 127 leaves the head as it is, in every mode: G up an
# octave by steps of the key, and up a perfect fourth (interval 8).
note 1 6 0 3 32m127 up
select note 1 6 0
transpose 1 6 0 7 1
transpose 1 6 0 8 0
print heads 1 6 0
