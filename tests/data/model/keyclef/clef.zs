# A bass clef in the middle of the treble staff's bar moves the heads after it so they sound
# the same (middle C from -6 to 6), up to the next clef; heads before it stay.
new 1
note 0 0 0 3 -6m60
note 0 0 960 3 -6m60
note 0 1 0 3 -5m62
clefchange 0 0 558 1
print items 0 0
print items 0 1
print clefkey 0 0 0
print clefkey 0 0 558
print clefkey 0 1 0
