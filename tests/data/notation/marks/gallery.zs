# The gallery of the marks that shape playback, on the piano score's first page, each made as
# the program makes it (the dynamic's mark defaults, the hairpin's curve by shape, the
# expression's Init and AttachToTrack, the jumpers' and endings' SetKind). The picture test
# renders its first page at zoom 100 and 200, and in the MIDI data view with value sticks.
new 1
# The sixteen dynamics, two a bar over the first two systems (mark 13 selected, mark 15 on a
# cleared box).
dynamic 0 0 0 0
dynamic 0 0 512 1
dynamic 0 1 0 2
dynamic 0 1 512 3
dynamic 0 2 0 4
dynamic 0 2 512 5
dynamic 0 3 0 6
dynamic 0 3 512 7
dynamic 0 4 0 8
dynamic 0 4 512 9
dynamic 0 5 0 10
dynamic 0 5 512 11
dynamic 0 6 0 12
dynamic 0 6 512 13 selected
dynamic 0 7 0 14
dynamic 0 7 512 15 erase
# Hairpins below the bass staff: a crescendo, a decrescendo from p to f, a double hairpin with
# its middle mark, a text form with its start mark running over the system break, and a
# selected crescendo from bar 7 into the next system.
hairpin 1 0 0 0 900 open=90
hairpin 1 1 0 0 900 decresc start=3 end=6 open=90
hairpin 1 2 0 0 950 double middle=6 open=90
hairpin 1 3 0 1 500 text start=2
hairpin 1 7 500 1 600 selected open=90
# Expressions above the bass staff: line styles 1-7 with the three end hooks, "dolce" without a
# line, and the kind's own name "Expr" not marked printed (absent from the PDF).
expr 1 4 0 rit. style=1 end=450 hook=1 printed
expr 1 4 512 accel. style=2 end=960 hook=2 printed
expr 1 5 0 cresc. style=3 end=450 hook=3 printed
expr 1 5 512 dim. style=4 end=960 printed
expr 1 6 0 poco style=5 end=450 printed
expr 1 6 512 molto style=6 end=960 printed
expr 1 7 0 allarg. style=7 end=400 hook=1 printed
expr 1 1 400 dolce printed
expr 1 2 400 -
# Jumpers: segno, coda, "To Coda" (right-aligned, its coda glyph last), "D.S. al Fine" and
# "Fine"; endings 1. and 2., the second over the system break.
jumper 0 0
jumper 1 1
jumper 2 2
jumper 3 4
jumper 5 7
ending 6 1
ending 7 2 2.
print items 0-1 0-7
print jumpers
