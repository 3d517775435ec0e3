# Clear over two tracks and two bars: chords, marks, the tie's both ends, two voices, the clef
# change and the tempo marks go; each emptied voice gets a whole-bar rest; the insertion point
# goes to the extent's start. Undo gives the selected score back byte for byte, redo the edit.
open ../mixed.zel
select range 0-1 0-1
save selected.zel
cmd 57632
print items 0-1 0-2 live
state
save edited.zel
undo
same selected.zel
redo
same edited.zel
