# Two quarter notes entered with the note tool; with the select tool the first is clicked and
# the second Shift-clicked, which selects both; the second is dragged two staff positions up and
# both notes rise by two steps (B4 to D5, D5 to F5) while only the hit note sounds (a click on a
# note with the select tool sounds it); undo gives
# back the bytes of the notes as entered (an undo brings no selection back), and undo and redo
# again give the same bytes each time.
new 0
window mode 0 zoom 100
tool 903 sub 903 value 3
click 0:0:t0:0
click 0:0:t480:2
save entered.zel
tool 800
click 0:0:t0:0
click 0:0:t480:2 shift
print items 0-0 0-0 live
midi
drag 0:0:t480:2 0:0:t480:4
print items 0-0 0-0 live
midi
undo
same entered.zel
redo
print items 0-0 0-0 live
save redone.zel
undo
same entered.zel
redo
same redone.zel
