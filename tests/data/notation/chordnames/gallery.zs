# Chord names under the German-naming preference (the picture test renders with it): B shows as
# "H" and B flat as plain "B", in a symbol's root and bass and in a frame's name, also where a
# capo moves the shown name onto B.
new 0
window mode 0 zoom 100
chorddef 145
chorddef 1169 16:0:-60:9
chorddef 137 1
# B7, B flat, F over B beside, B flat minor over B below.
tool 920 chord 16 -1 1169 0
click 0:0:t0:10
tool 920 chord 15 -1 145 0
click 0:0:t960:10
tool 920 chord 7 16 145 0
click 0:1:t0:10
tool 920 chord 15 16 137 1
click 0:1:t960:10
# Frames named B flat and B7, and a G shape under a capo of 4 that sounds B.
chordmode 1
chordframe Bb root=15 play=13331x barres=1,1,1,1,1,0 fingers=0,1,2,3,4,1
chordframe B7 root=16 play=2o212x fingers=0,2,1,3,0,4
chordframe G root=10 capo=4 capomode=1 play=3oo023
tool 920 index 0 below 0
click 0:4:t0:10
tool 920 index 1
click 0:4:t960:10
tool 920 index 2
click 0:5:t0:10
print items 0 0
print items 0 1
print items 0 4
print items 0 5
