# On a percussion staff a key signature changes nothing and reports success, and a clef change
# moves no head.
new 1
staffkind 0 1
note 0 0 0 3 4m78
keysig 0 0 0 8
clefchange 0 0 0 1
print items 0 0
print clefkey 0 0 0
