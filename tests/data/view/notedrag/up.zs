# A quarter note entered with the note tool on B4; with the select tool its head is dragged three
# staff positions up: the pitch follows the staff steps (B4, C5, D5, E5), each step sounds and the
# one before it ends, and the pointer is put on the new head. Undo gives back the entered bytes.
new 0
window mode 0 zoom 100
tool 903 sub 903 value 3
click 0:0:t0:0
save entered.zel
midi
tool 800
drag 0:0:t0:0 0:0:t0:3
print heads 0 0 0
midi
undo
same entered.zel
redo
print heads 0 0 0
