# Stepping the insertion point through the heads of the current voice's chord: down the chord
# the way its stem points going forward, up it going back, wrapping round; an empty place sends
# the insertion point to the bar's start and reaches nothing.
new 1
note 0 1 0 3 -2,0,2 up
note 0 1 960 3 -2,0,2 down
at 1 track=0 voice=0 pos=0
step forward voice select
step forward voice select
step forward voice select
step forward voice select
step back voice select
at 1 track=0 voice=0 pos=558
step forward voice
step forward voice select
step forward voice select
step back voice select
at 1 track=0 voice=1 pos=558
step forward voice select
at 1 track=0 voice=-1 pos=558
step forward voice select
at 1 track=0 voice=0 pos=300
step forward voice select
print items 0 1
# Stepping from note to note: forward to the first one after the insertion position, on into the
# next bar's first one; back to the last one before it, into the bar before; past the last note
# of the score nothing is reached and the insertion point goes to the start of its bar.
note 0 2 480 3 1
at 1 track=0 voice=0 pos=0
step forward
step forward
step forward
step back select
step back
at 2 track=0 voice=0 pos=0
step back
at 31 track=0 voice=0 pos=0
step forward
