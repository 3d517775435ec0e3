# New marks set up for their notes. A trill on an eighth: speed 3 and 30-tick notes when set
# up; added with no note length it takes 60 ticks (byte 48). A tremolo of two strokes (code 32)
# sits 30 out and the heads play their written length less one. A staccato goes below a stem-up
# note by itself and above it with Alt held (side bit 4); one asked for on the stem side too.
new 1
note 0 0 0 4 0 up
note 0 0 480 4 0 up
note 0 0 960 3 0 up
note 0 0 1440 3 0 up
addmark 0 0 0 0
addmark 0 0 1 0 len=0
addmark 0 0 2 32
addmark 0 0 3 24
addmark 0 0 3 24 alt
addmark 0 0 3 24 stemside
print marks 0 0 0
print marks 0 0 1
print marks 0 0 2
print marks 0 0 3
# (The two staccatos forced above stack over the first, which stands on their natural side.)
