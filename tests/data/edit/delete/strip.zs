# Delete marks (35100) leaves every note without marks; delete duplicates (35102) leaves one
# of three equal heads; delete beams (35101) changes no note. Each undoes to the selection.
open ../mixed.zel
select range 0 0-2
save selected.zel
cmd 35100
print items 0 0-2 live
undo
same selected.zel
cmd 35102
print items 0 1 live
undo
same selected.zel
cmd 35101
print items 0 0 live
state
