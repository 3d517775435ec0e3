# Erasing a bar line of a bar with none of its own, outside the insertion point's system: its
# end becomes invisible; erasing again clears that end. Both undo.
open ../mixed.zel
save before.zel
print bar 4
hit 4 kind=5
cmd 4203
print bar 4
cmd 4203
print bar 4
undo
undo
same before.zel
