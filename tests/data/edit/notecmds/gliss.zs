# A straight glissando (35304) from a note at the end of one bar to the first note of the next
# crosses the bar line; a wavy one (35305) between two eighths of one beam stays in the bar;
# one selected note makes none. Undo gives the selected score back.
new 1
enter note 0 0 1440 -2 3
enter note 0 1 0 3 4
enter note 0 1 240 -3 4
select note 0 0 2
select note 0 1 1
save selected.zel
cmd 35304
print items 0 0-1 live
undo
same selected.zel
select note none
select note 0 1 1
select note 0 1 3
cmd 35305
print items 0 1 live
select note none
select note 0 0 2
cmd 35304
print items 0 0 live
