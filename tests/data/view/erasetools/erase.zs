# Notes entered, then the erase tool clicked on the middle one: rests fill its place, and one
# undo gives the score with the notes back byte for byte.
new 0
window mode 0 zoom 100
tool 903 sub 903 value 3
click 0:0:t0:0
click 0:0:t960:2
click 0:0:t1440:4
paint
save notes.zel
tool 801
click 0:0:t960:2
print items 0 0 live
undo
same notes.zel
