# Accidentals remembered per staff step for the rest of the bar, on the treble staff of the
# piano score in C major. Position 4 is the top line's F (pitch 77).
new 1
# F sharp then F natural in one bar: a sharp shown, then a natural shown; the next bar's F
# natural needs nothing.
note 0 0 0 3 4m78
note 0 0 480 3 4m77
note 0 1 0 3 4m77
# A forced accidental on a plain C shows a natural; a sharp on the C an octave lower is
# another step and shows again.
note 0 0 960 3 1m72f
note 0 0 1440 3 1m73,-6m61
accidentals 0 0
accidentals 0 1
print items 0 0
print items 0 1
