# The signs gallery: every clef as a change inside a bar (track 0), key changes in the three
# cancellation modes and one at a bar's end before a repeat (track 1), octave lines of the three
# kinds in one bar and one over a system break (track 2), and bar numbers in every show mode,
# as digits, letters and repeated letters, enclosed, with a prefix and an offset. Render it:
# zelscript gallery.zs -o s.zel; zelrender s.zel --page 1 s.png
new 2
clefchange 0 1 300 1
clefchange 0 1 700 2
clefchange 0 2 300 3
clefchange 0 2 700 4
clefchange 0 3 300 5
clefchange 0 3 700 6
clefchange 0 4 300 7
clefchange 0 4 700 8
clefchange 0 5 300 9
clefchange 0 5 700 10
clefchange 0 6 300 11
clefchange 0 6 700 12
clefchange 0 7 300 13
clefchange 0 7 700 0
keysig 1 2 0 10 cancel=0
keysig 1 3 0 8 cancel=1
keysig 1 4 0 3 cancel=2
keysig 1 5 1023 9 keep=1 cancel=1
barline 5 3
ottava 2 1 0 1 300 0
ottava 2 1 350 1 650 1 y=600 set1 solid
ottava 2 1 700 1 1000 2 set1
ottava 2 3 500 5 500 0 brackets cont=-120
barnumber 0 mode=1
barnumber 4 mode=2 every=2 enclosed prefix=m offset=10
barnumber 8 letters mode=2 every=1 first=c anchor=1
barnumber 11 repeated mode=2 every=1 anchor=2 align=2
barnumber 14 mode=3
barnumber 16 mode=0
print barnumbers
