# Chord symbols and guitar frames dragged up or down with the select tool are placed anew at the
# drop: their y offsets from the release point against the staff's chord line (a symbol's
# rectangle bottom, 3 spaces up: -360; a frame's, about 2 spaces up), in their own bar and staff
# whatever the pointer passed over on the way; undo puts the frame back.
new 0
window mode 0 zoom 100
chorddef 145
tool 920 chord 0 -1 145 0
click 0:0:t0:10
chordmode 1
chordframe C root=0 play=o1o23x
tool 920 index 0
click 0:1:t0:10
tool 800
drag 0:0:t0:9 0:0:t0:15
print items 0 0
drag 0:1:t0:10 0:1:t0:14
print items 0 1
undo
print items 0 1
