# The mark tool: a click on a note with a mark palette's button puts the button's mark on it.
# The ornaments' trill (code 0); the articulations' last button (stored as 48) gives 49, never
# the open string's 48; the ornaments' button 7 gives the open string 48 and button 8 gives 7;
# the graphics palette's mark button 250. A trill line on the trilled note stretches the trill
# instead of adding a mark. A rest takes no trill. Undo takes each back.
new 0
window mode 0 zoom 100
tool 903 sub 903 value 3
click 0:0:t0:0
click 0:0:t480:2
save notes.zel
tool 906 button 0
click 0:0:t0:0
tool 908 button 48
click 0:0:t480:2
tool 906 button 7
click 0:0:t480:2
tool 906 button 8
click 0:0:t480:2
tool 909 button 6
click 0:0:t480:2
tool 906 button 2
click 0:0:t0:0
tool 906 button 0
click 0:0:t960:0
print items 0-0 0-0 live
print marks 0 0 0
undo
undo
undo
undo
undo
undo
same notes.zel
