# The next problem from the insertion point's bar on. Voices that do not fill a bar: the first
# track whose bar falls short or runs over becomes current, the insertion point in mid-bar; bars
# before the insertion point are not looked at, and a search that finds nothing moves nothing.
new 1
print score
at 0 track=0 pos=100
problem 0
note 1 2 0 3 0
note 0 3 0 0 0
note 0 3 1920 3 0
at 0 track=0 pos=100
problem 0
at 3 track=1 pos=100
problem 0
at 4 track=1 pos=100
problem 0
# Notes the current track cannot play, each end of the range moved by the voice's transposition:
# voice 0 plays 60 in bar 1, voice 1 plays 70 and 54 in bar 2.
new 1
note 0 1 0 3 0
note 0 2 0 3 -6,10 voice=1
print heads 0 1 0
print heads 0 2 0
range 0 54 70
at 0 track=0
problem 1
range 0 54 69
problem 1
at 2 track=1
problem 1
range 0 66 82 voice=1:12
at 0 track=0
problem 1
at 2 track=0
problem 1
range 0 42 58 voice=1:-12
problem 1
range 0 42 57 voice=1:-12
problem 1
range 0 55 70 voice=1:0
problem 1
