# The gallery of bends, groups, barres, pedal lines and glissandi on the piano score's first
# page, each made through its creation path with the palettes' sub-tool given (`make`; its
# notes are counted among the bar's notes). The picture test renders the first page at zoom
# 100 and 200.
new 1
# Bar 0: bends of kinds 0-3 (kind 1 labelled "全部", kind 3's point labelled 2, its end "1/2").
note 0 0 0 3 -3m65 up
note 0 0 480 3 -3m65 up
note 0 0 960 3 -3m65 up
note 0 0 1440 3 -3m65 up
make 0 0 bend 0 0
make 0 0 bend 1 1 label=4
make 0 0 bend 2 2
make 0 0 bend 3 3 plabel=0:2
# Bar 1: kinds 4-6 (kind 4 "1 1/4" at its end, kind 5 a negative label, kind 6 none) and the
# vibrato (kind 7).
note 0 1 0 3 -3m65 up
note 0 1 480 3 -3m65 up
note 0 1 960 3 -3m65 up
note 0 1 1440 3 -3m65 up
make 0 1 bend 4 0 label=5
make 0 1 bend 5 1 label=-3
make 0 1 bend 6 2
make 0 1 bend 7 3
# Bar 2: the wave glyphs of kinds 8-13 over eighths.
note 0 2 0 4 -3m65 up
note 0 2 240 4 -3m65 up
note 0 2 480 4 -3m65 up
note 0 2 720 4 -3m65 up
note 0 2 960 4 -3m65 up
note 0 2 1200 4 -3m65 up
make 0 2 bend 8 0
make 0 2 bend 9 1
make 0 2 bend 10 2
make 0 2 bend 11 3
make 0 2 bend 12 4
make 0 2 bend 13 5
# Bar 3: groups of kinds 0-3 (the single glyph turned, the vertical bracket 30 long).
note 0 3 0 4 -2m67 up
note 0 3 240 4 -1m69 up
note 0 3 480 4 0m71 up
note 0 3 720 4 1m72 up
note 0 3 960 4 2m74 up
note 0 3 1200 4 1m72 up
note 0 3 1440 4 0m71 up
note 0 3 1680 4 -1m69 up
make 0 3 group 0 0 to=1
make 0 3 group 1 2 flip
make 0 3 group 2 4 to=4 size=30
make 0 3 group 3 6 to=7
# Bars 1-3 of the bass: barres above the staff: at fret 4 with a half to the next bar, at fret
# 9 with a third and prefix C, "Continue Until" in line style 2, and fret 19 with no fraction.
note 1 1 0 1 -2m53 up
note 1 2 0 2 -2m53 up
note 1 2 960 2 -2m53 up
note 1 3 0 2 -2m53 up
note 1 3 960 2 -2m53 up
make 1 1 barre 0 0 to=0 bars=1 y=10 fret=4
make 1 2 barre 0 0 to=1 y=10 fret=9 fraction=2 prefix=2
make 1 2 barre 1 1 to=0 bars=1 y=10 style=2
make 1 3 barre 0 1 y=10 fret=19 fraction=0
# Bar 4: pedal lines under the bass (a bracket, a notched line turned) and glissandi above:
# straight, wavy, the text alone, and a steep one with a text of its own.
note 1 4 0 2 -2m53 up
note 1 4 960 2 -2m53 up
make 1 4 pedal 0 0 to=1 y=-12
make 1 4 pedal 1 1 y=-12 flip
note 0 4 0 4 -3m65 up
note 0 4 240 4 1m72 up
note 0 4 480 4 -3m65 up
note 0 4 720 4 1m72 up
note 0 4 960 4 -1m69 up
note 0 4 1200 4 0m71 up
note 0 4 1440 4 -4m64 up
note 0 4 1680 4 6m79 up
make 0 4 gliss 0 1
make 0 4 gliss 2 3 wavy
make 0 4 gliss 4 5 wave=0
make 0 4 gliss 6 7 wave=2 text=port.
print items 0 0
print items 0 1
print items 0 3
print items 1 2
print items 1 4
print items 0 4
