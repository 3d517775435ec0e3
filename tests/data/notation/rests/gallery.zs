# The rest and beam gallery: every way a rest, a multi-bar rest, a beam and a beat chart are
# drawn, on the piano score (two staves, four bars a system). Render it:
#   zelscript gallery.zs -o r.zel; zelrender r.zel --page 1 r.png
new 1
# Bar 0: rest values 1-4 dotted at their own places; lower staff: values 5-8 dotted.
rest 0 0 0 1 0 dots=1
rest 0 0 480 2 0 dots=2
rest 0 0 960 3 0 dots=1
rest 0 0 1440 4 1 dots=3
rest 1 0 0 5 -1 dots=1
rest 1 0 480 6 -1 dots=1
rest 1 0 960 7 -3 dots=2
rest 1 0 1440 8 -4 dots=1
# Bar 1: the whole-bar rest; lower staff: whole and half rests with ledger lines above and below.
rest 0 1 0 0 0
rest 1 1 0 1 7
rest 1 1 480 1 -7
rest 1 1 960 2 6
rest 1 1 1440 2 -6
# Bar 2: rests moved from their places, a selected one, and rest marks (codes 38-43).
rest 0 2 0 3 6
rest 0 2 480 4 -5 selected
rest 0 2 960 5 5
rest 0 2 1440 6 -6 dots=1
rest 1 2 0 3 0
mark 1 2 0 38
rest 1 2 480 3 0
mark 1 2 1 40
rest 1 2 960 3 0
mark 1 2 2 42
rest 1 2 1440 3 0
mark 1 2 3 43
# Bars 3-6: beams of two to eight eighths, rising and falling, stems up and down.
note 0 3 0 4 -2 up beamed
note 0 3 240 4 0 up beamed
beam 0 3 pos=5:7 seg=uU1,0,0,0,0,240
note 0 3 480 4 3 down beamed
note 0 3 720 4 2 down beamed
note 0 3 960 4 1 down beamed
beam 0 3 pos=-4:-6 seg=1,0,0,0,480,960
note 0 3 1200 4 -3 up beamed
note 0 3 1320 5 -2 up beamed
note 0 3 1440 5 -1 up beamed
note 0 3 1560 5 0 up beamed
note 0 3 1680 4 1 up beamed
beam 0 3 pos=4:8 seg=uU1,0,0,0,1200,1680 seg=uU2,0,0,0,1320,1560
# Lower staff: eight 32nds falling with levels 1-3 and a number below.
note 1 3 0 6 2 down beamed
note 1 3 60 6 1 down beamed
note 1 3 120 6 0 down beamed
note 1 3 180 6 -1 down beamed
note 1 3 240 6 -2 down beamed
note 1 3 300 6 -3 down beamed
note 1 3 360 6 -4 down beamed
note 1 3 420 6 -5 down beamed
beam 1 3 pos=-6:-12 seg=1,8,0,0,0,420 seg=2,0,0,0,0,420 seg=3,0,0,0,0,420
# Bar 4: levels 1-5 (a 128th group), stubs left and right, a number above.
note 0 4 0 8 -2 up beamed
note 0 4 15 8 -1 up beamed
note 0 4 30 8 0 up beamed
note 0 4 45 8 1 up beamed
beam 0 4 pos=10:12 seg=uU1,3,0,0,0,45 seg=uU2,0,0,0,0,45 seg=uU3,0,0,0,0,45 seg=uU4,0,0,0,0,45 seg=uU5,0,0,0,0,45
note 0 4 480 4 -1 up beamed dots=1
note 0 4 840 5 0 up beamed
beam 0 4 pos=6:7 seg=uU1,0,0,0,480,840 seg=puU2,0,0,0,840,840
note 0 4 960 5 0 up beamed
note 0 4 1080 4 -1 up beamed dots=1
beam 0 4 pos=7:6 seg=uU1,0,0,0,960,1080 seg=puU2,0,0,0,960,960
note 0 4 1440 5 2 down beamed
note 0 4 1560 4 1 down beamed dots=1
beam 0 4 pos=-6:-7 seg=1,0,0,0,1440,1560 seg=pl2,0,0,0,1560,1560
# Lower staff: hidden inner notes, a triplet number above and below.
note 1 4 0 4 0 up beamed
note 1 4 240 4 1 up beamed
note 1 4 480 4 2 up beamed
note 1 4 720 4 3 up beamed
beam 1 4 hideinner pos=8:10 seg=uU1,0,0,0,0,720
note 1 4 960 4 -2 up beamed
note 1 4 1120 4 -1 up beamed
note 1 4 1280 4 0 up beamed
beam 1 4 pos=5:6 seg=uU1,3,0,0,960,1280
note 1 4 1440 4 2 down beamed
note 1 4 1600 4 1 down beamed
note 1 4 1760 4 0 down beamed
beam 1 4 pos=-5:-6 seg=1,3,0,0,1440,1760
# Bar 5: tremolos between whole notes and between eighths; a grace beam; a cross-staff beam.
note 0 5 0 1 -2 up beamed
note 0 5 960 1 2 up beamed
beam 0 5 tremolo long strokes=3 pos=0:2 seg=1,0,0,0,0,960 seg=2,0,0,0,0,960,30,-30,0,0 seg=3,0,0,0,0,960,30,-30,0,0
note 1 5 0 4 0 up beamed
note 1 5 240 4 -2 up beamed
beam 1 5 tremolo strokes=2 fullfirst first=1 pos=6:5 seg=uU1,0,0,0,0,240 seg=uU2,0,0,0,0,240,20,-20,0,0 seg=uU3,0,0,0,0,240,20,-20,0,0
note 0 5 1200 4 -3 up beamed grace scale=60
note 0 5 1260 4 -1 up beamed grace scale=60
note 0 5 1320 4 1 up beamed grace scale=60
beam 0 5 grace scale=60 pos=4:6 seg=uU1,0,0,0,1200,1320 seg=uU2,0,0,0,1200,1320
note 0 5 1440 4 -4 down beamed
note 0 5 1680 4 4x1 up beamed
beam 0 5 staves=0:1 pos=-10:10 seg=1,0,0,0,1440,1680
# Bar 6 runs its beam into bar 7; the score's last bar has one past its end.
note 0 6 1440 4 0 up beamed
note 0 6 1680 4 1 up beamed
note 0 7 0 4 2 up beamed
note 0 7 240 4 3 up beamed
beam 0 6 pos=7:10 seg=uU1,0,0,1,1440,240
note 0 31 1440 4 0 up beamed
note 0 31 1680 4 1 up beamed
beam 0 31 pos=7:8 seg=uU1,0,0,3,1440,500
# Bar 7: the beat chart's strip of handles (its rests after the beam's last notes).
beatchart 7 on
rest 0 7 480 4 0
rest 0 7 720 4 0
rest 0 7 960 2 0
rest 1 7 0 1 0
# Bars 8 on: multi-bar rests (each covers the bars of its span after its own) at 100, 50 and
# 10 percent, slanted, the range above and below, end strokes 0, 1 and 2, the count hidden
# under a range, moved away from the staff.
multirest 0 8 4 range percent=90
multirest 1 8 4 range below percent=90 style=1
multirest 0 12 2 percent=10
multirest 1 12 2 slanted percent=80
multirest 0 14 1 percent=100
multirest 1 14 1 percent=50 style=1
multirest 0 15 1 style=2 percent=70
multirest 1 15 1 range hidecount percent=70
multirest 0 16 12 range count=120 percent=90
multirest 1 16 12 below count=60 percent=60 style=3
print items 0 0
print items 1 2
print items 0 3
print items 0 5
print items 1 5
print items 0 6
print items 0 8
print items 1 15
print items 0 31
