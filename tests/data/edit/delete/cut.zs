# Cut copies, then clears: the second track's bar 0 goes, the first track keeps its notes.
open ../mixed.zel
select range 1 0
cmd 57635
print items 0-1 0 live
undo
print items 1 0 live
