# Gaps filled by the meter in 4/4: a quarter on the first beat leaves a quarter rest (to the end
# of the first beat pair) and a half rest; a quarter on the fourth beat follows a half rest and
# a quarter rest; a voice with nothing in it gets no rests.
new 1
note 0 0 0 3 0
fillgaps 0 0 0
print rhythm 0 0
note 0 1 1440 3 0
fillgaps 0 1 0
print rhythm 0 1
fillgaps 0 2 0
print rhythm 0 2
# An eighth on the second beat: rests up to the beat, then the rest of the beat pair.
note 0 3 480 4 0
fillgaps 0 3 0
print rhythm 0 3
# In 6/8 the beat is three eighths: a gap from 0 to the second beat is one dotted quarter.
meter 4 6 8
note 0 4 720 4 0 dots=1
note 0 4 1080 4 0 dots=1
fillgaps 0 4 0
print rhythm 0 4
