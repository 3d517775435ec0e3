# The drum palette's marks on a selected note: the circle (2902, glyph 236) and the plus (2903,
# glyph 203) away from the stem, the letters L (2904) and R (2905) on the stem side, the arrows
# (2906, 2907) 60 units off. Undo gives the score back.
new 1
enter note 0 0 0 -2 3
save before.zel
select note 0 0 0
cmd 2902
print marks 0 0 0
undo
same before.zel
select note 0 0 0
cmd 2903
select note 0 0 0
cmd 2904
select note 0 0 0
cmd 2905
select note 0 0 0
cmd 2906
select note 0 0 0
cmd 2907
print marks 0 0 0
# The drum grace note (2900): a grace eighth of the note's heads in front of it; the note keeps
# its heads.
enter note 0 1 480 -2 3
select note 0 1 1
cmd 2900
print rhythm 0 1
