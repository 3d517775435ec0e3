# Arrow-key moves of a note. Up and down: the selected heads move a step of the key, or a
# semitone with the chromatic-step preference on (preferences byte 16); the heads of a fret
# note step on their strings. Left and right: the note's column steps until its x changes.
new 1
note 0 0 480 3 -4m64 up
select note 0 0 0
nudge 0 0 0 0 1
print heads 0 0 0
nudge 0 0 0 0 -2
print heads 0 0 0
prefs byte 16 1
nudge 0 0 0 0 1
print heads 0 0 0
nudge 0 0 0 0 1
print heads 0 0 0
prefs byte 16 0
# Sideways: one step right goes to the first column whose x differs, one step left likewise
# (not back to where it was); a step that would leave the bar changes nothing.
nudge 0 0 0 1 0
print heads 0 0 0
nudge 0 0 0 -1 0
print heads 0 0 0
nudge 0 0 0 -1024 0
print heads 0 0 0
# What hangs on the note moves with its column: the lyric under it.
note 0 2 480 3 -4m64 up
record 0 2 24 480 279
nudge 0 2 1 1 0
print items 0 2
# A fret note on a six-line tablature staff: up, the head goes to the next string up that can
# play its pitch and takes that string's fret number, the pitch kept.
staffkind 1 2
lines 1 0x7E0
note 1 0 0 3 -2s35m55 up
select note 1 0 0
print heads 1 0 0
nudge 1 0 0 0 1
print heads 1 0 0
