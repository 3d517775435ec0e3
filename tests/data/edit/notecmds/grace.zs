# Grace Note (1020) from two of a chord's three heads: a grace eighth in front of the chord with
# those heads, the last selected first, while the chord keeps the third. Mark As Grace (35709)
# on a whole one-head note makes it the grace note alone. Undo gives the score back.
new 1
enter note 0 0 0 -2 3
enter note 0 0 480 0 3
select note 0 0 0
cmd 35016
select note 0 0 0
cmd 35016
save before.zel
select note 0 0 0 1 2
cmd 1020
print items 0 0 live
print rhythm 0 0
undo
same before.zel
select note 0 0 1
cmd 35709
print items 0 0 live
print rhythm 0 0
