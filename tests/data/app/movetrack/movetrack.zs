# Moving a track: its bars go with it and Undo puts every track back; a note that reaches a staff
# outside the move does not stop it, one that reaches a moved track does.
new 2
note 0 0 0 3 0
print items 0 0 live
dragtrack 0 2
state
print items 2 0 live
print items 0 0 live
undo
state
print items 0 0 live
note 2 1 0 3 0x1
dragtrack 0 1
undo
note 2 2 0 3 0x-1
dragtrack 0 1
state
