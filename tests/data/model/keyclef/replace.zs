# A key signature where one already stands replaces it and respells the bars up to the last bar
# given, removing the key signatures met on the way; bars after it keep their spelling. Each
# bar holds a B flat (pitch 70, written as A sharp under C major first).
new 1
note 0 0 960 3 -1m70#1
note 0 1 0 3 -1m70#1
note 0 2 0 3 -1m70#1
keysig 0 0 0 8 last=0
keysig 0 1 0 8 last=1
print items 0 0
keysig 0 0 0 2 last=1
print items 0 0
print items 0 1
print items 0 2
print clefkey 0 1 0
