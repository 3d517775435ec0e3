# Two quarter notes, B4 and D5; with the select tool the first is dragged sideways: released
# where it began nothing changes (no undo step); dragged right past the second it takes the
# second's time. The note is selected first (a click selects it). Undo gives back the entered bytes.
new 0
window mode 0 zoom 100
tool 903 sub 903 value 3
click 0:0:t0:0
click 0:0:t480:2
tool 800
click 0:0:t0:0
save selected.zel
drag 0:0:t0:0 0:0:t0:0
print items 0-0 0-0 live
drag 0:0:t0:0 0:0:500:0
print items 0-0 0-0 live
undo
same selected.zel
