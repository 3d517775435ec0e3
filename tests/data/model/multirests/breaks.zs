# A note and a change of time signature break the runs; a run shorter than the minimum stays
# separate bars, and gathering again with a smaller minimum and a shorter longest run rebuilds
# the rests (a single bar left between two breaks stays a bar).
new 1
note 0 2 0 3 0m71
meter 9 3 4
multirests 3 8
print multirests
multirests 2 4
print multirests
