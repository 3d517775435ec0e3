# The key of the track's staff in the first system is written at tick 0 before the performer's
# events (two flats: FF 59 FE 00, major); the other track, in C, has none.
new 1
key 0 0 2
note 0 0 0 3 -6m62
export key.mid
print midifile key.mid
