# Heads of the bass staff that cross up into the treble staff feed the treble staff's state:
# the bass note's F sharp (offset -1, drawn on the treble staff) makes the treble F natural
# after it show a natural, and is worked out itself as a treble head.
new 1
note 1 0 0 3 -4m43,4m78x-1
note 0 0 480 3 4m77
accidentals 0 0
print items 1 0
print items 0 0
# On a percussion staff the codes are worked out but never shown.
staffkind 0 1
note 0 1 0 3 4m78
note 0 1 480 3 4m77f
accidentals 0 1
print items 0 1
