# Where a curve under a stem-up note at -5 clears its marks: -7 at the note; a mark below whose
# bottom reaches -9 pushes it to -10; raised so its bottom lies above -7, the mark changes
# nothing; asked to pass over the marks, -7.
new 1
note 0 0 0 3 -5 up
addmark 0 0 0 21
poke 0 0 0 w46=-60
print attachpos 0 0 0 below
print attachpos 0 0 0 below skip
poke 0 0 0 w46=-240
print attachpos 0 0 0 below
# Over the note the curve meets the stem's end: the mark below plays no part.
print attachpos 0 0 0 above
