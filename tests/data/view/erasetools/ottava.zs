# An octave line over three bars, erased by a click on its piece in the middle bar: the erase
# starts from the line's first piece, so the whole line goes; undo brings it back.
new 0
window mode 0 zoom 100
ottava 0 0 500 2 500 0
paint
save line.zel
tool 801
click 0:1:500:13
print items 0 0-2 live
undo
same line.zel
