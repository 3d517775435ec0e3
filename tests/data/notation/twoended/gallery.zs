# The two-ended gallery: ties, slurs and tuplets on the piano score's first page, made as the
# program makes them (the tie builder on a note, the slur shaped from its notes, the tuplet
# fitted to its notes). The picture test renders its first page at zoom 100 and 200; the tie in
# bar 1 and the bracket in bar 4 are selected and show their handles.
new 1
# Bar 0: a tie between two quarters (stem up: below), a tied three-note chord (top above,
# bottom below, the middle by its position).
note 0 0 0 3 -3m65 up
note 0 0 480 3 -3m65 up
note 0 0 960 3 -6m60,-4m64,-2m67 up
note 0 0 1440 3 -6m60,-4m64,-2m67 up
make 0 0 tie 2
make 0 0 tie 0
# Bar 1: a high quarter tied (stem down: above; selected) and a dotted half tied over the bar
# line with a dotted pen.
note 0 1 0 3 5m84 down
note 0 1 480 3 5m84 down
note 0 1 960 2 -2m67 up dots=1
note 1 1 0 1 -2m50 up
note 0 2 0 3 -2m67 up
note 0 2 480 3 -1m69 up
note 0 2 960 2 0m71 down
make 0 1 tie 2 dotted
make 0 1 tie 0 selected
# Bar 2: a slur below four notes with their stems up, and one above.
note 1 2 0 4 -4m50 up
note 1 2 240 4 -2m53 up
note 1 2 480 4 0m57 up
note 1 2 720 4 -2m53 up
make 1 2 slur 0 3
note 1 2 960 4 -4m50 down
note 1 2 1200 4 -2m53 down
note 1 2 1440 4 0m57 down
note 1 2 1680 4 2m60 down
make 1 2 slur 5 8 above
# Bar 3: a slur from the bar before over the bar line, and one above to the system's last bar.
note 0 3 0 2 1m72 down
note 0 3 960 2 0m71 down
make 0 2 slur 1 0 bars=1 above dotted
# Bar 4: tuplets: a bracket over eighth triplets (selected), a curve below, the ratio form and
# a bracket with its number on a cleared box.
note 0 4 0 4 -1m69 up
note 0 4 160 4 0m71 up
note 0 4 320 4 1m72 up
make 0 4 tuplet 0-2 3:2 kind=3 selected
note 0 4 480 4 3m76 down
note 0 4 640 4 2m74 down
note 0 4 800 4 1m72 down
make 0 4 tuplet 4-6 3:2 kind=1 below
note 1 4 0 5 -6m47 up
note 1 4 96 5 -5m48 up
note 1 4 192 5 -4m50 up
note 1 4 288 5 -3m52 up
note 1 4 384 5 -2m53 up
# The system's last bar slurs on into the next system's first note.
note 1 3 960 2 -2m53 down
make 1 3 slur 0 0 bars=1
make 1 4 tuplet 0-4 5:4 kind=3 ratio
note 1 4 480 3 -2m53 up
note 0 4 960 4 -2m67 up
note 0 4 1120 4 -1m69 up
note 0 4 1280 4 0m71 up
make 0 4 tuplet 8-10 3:2 kind=4
print ends 0 0
print ends 0 1
print ends 1 2
print ends 1 3
print ends 0 4
print ends 1 4
