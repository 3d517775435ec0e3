# G major on the treble staff of the piano score: the F sharp the key carries is not shown,
# an F natural shows its natural.
new 1
note 0 0 0 3 4m78
note 0 0 480 3 4m77
keysig 0 0 0 8
print items 0 0
print clefkey 0 0 0
print clefkey 0 1 0
