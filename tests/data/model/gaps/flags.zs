# The remove flag rebuilds a voice's rests from scratch: two misplaced eighth rests in front of
# a half note on beat 3 give way to one half rest.
new 1
rest 0 0 0 4 0
rest 0 0 240 4 0
note 0 0 960 2 0
fillgaps 0 0 0 remove
print rhythm 0 0
# The hidden flag hides the new rests before the last entry's time.
note 0 1 0 3 0
note 0 1 1440 3 0
fillgaps 0 1 0 hidden last=960
print rhythm 0 1
# A second voice: the rests of voice 1 stand 4 steps below their default when voice 1 lies
# lower than voice 0, 2 above when it lies higher.
note 0 2 0 3 4 up
note 0 2 0 3 -4 voice=1
fillgaps 0 2 1
print items 0 2
note 0 3 0 3 -4 up
note 0 3 0 3 4 voice=1
fillgaps 0 3 1
print items 0 3
