# A note value from the palette (1004, an eighth) on a two-head chord with its upper head
# selected: the chord becomes an eighth, only the selected head plays an eighth, and the notes
# after it move earlier. Undo gives the score back.
new 1
enter note 0 0 0 -2 3
enter note 0 0 480 0 3
select note 0 0 0
cmd 35016
save before.zel
select note 0 0 0 1
cmd 1004
print items 0 0
undo
same before.zel
