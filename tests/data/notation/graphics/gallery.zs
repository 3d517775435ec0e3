# The graphics gallery: each shape placed as the graphics tool places it, by two page points
# (put ... place=X1,Y1,X2,Y2), and harp pedal markings, on the piano score's first page. The
# picture test renders page 1 at zoom 100 and 200 and prints it.
new 1
# System 2, treble: rectangles, rounded rectangles and ovals, hollow and filled, in line styles
# 0-2 (the filled ones erase what lies under them to white).
put 0 0 graphic 0 shape=0 place=100,245,140,270
put 0 0 graphic 0 shape=0 place=150,245,190,270 filled style=1
put 0 0 graphic 0 shape=1 place=200,245,240,270 style=2 radius=8
put 0 0 graphic 0 shape=1 place=250,245,290,270 filled radius=8
put 0 0 graphic 0 shape=2 place=300,245,340,270
put 0 0 graphic 0 shape=2 place=350,245,390,270 filled style=2 width=40
# System 2, bass: lines with arrows at the end, at the start (placed right to left: stored left
# to right with its arrows exchanged) and at both ends filled; a curve; wedges plain and
# reversed (released left of the press).
put 0 0 graphic 0 shape=3 place=100,310,160,330 arrows=end
put 0 0 graphic 0 shape=3 place=230,320,170,305 arrows=end
put 0 0 graphic 0 shape=3 place=250,330,310,330 arrows=both filled width=30
put 0 0 graphic 0 shape=4 place=330,330,420,330 control=0:256:-300 control=1:768:300
put 0 0 graphic 0 shape=5 place=440,305,500,330
put 0 0 graphic 0 shape=5 place=570,305,510,330 filled
# System 3: a rectangle from bar 8 ending two bars on and one staff down (its end left free).
put 0 0 graphic 0 shape=0 place=120,380,440,460 free style=1
# System 4: harp pedal markings in styles 0-3 and a diagram at scale 50.
put 0 0 harp 0 place=110,520,110,520 pedals=-1,0,1,0,-1,1,0
put 0 0 harp 0 place=220,520,220,520 hstyle=1 pedals=-1,0,1,0,-1,1,0
put 0 0 harp 0 place=350,515,350,515 hstyle=2 pedals=-1,0,1,0,-1,1,0
put 0 0 harp 0 place=460,520,460,520 hstyle=3 shown=5 pedals=-1,0,1,0,-1,1,0
put 0 0 harp 0 place=560,520,560,520 scale=50 pedals=1,1,1,-1,-1,-1,0
print items 0 4
print items 1 4
print items 0 5
print items 0 8
print items 0 12
