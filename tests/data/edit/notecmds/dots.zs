# Dots (4004): each command gives a selected note one dot more and the bar's times follow;
# the fourth takes the dots away again. Undo gives the score back.
new 1
enter note 0 0 0 -2 3
enter note 0 0 480 -2 3
save before.zel
select note 0 0 0
cmd 4004
print items 0 0
select note 0 0 0
cmd 4004
print items 0 0
select note 0 0 0
cmd 4004
print items 0 0
select note 0 0 0
cmd 4004
print items 0 0
undo
undo
undo
undo
same before.zel
