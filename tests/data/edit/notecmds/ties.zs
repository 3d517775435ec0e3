# Tie (35300) on one note in the middle of a bar ties it across the bar line to the note of the
# same pitch at time 0 of the next bar; the selection stays. The dotted tie (4006) over a bar
# ties the two notes of one pitch and leaves the note of another pitch alone; three notes of
# one pitch get two ties. Undo gives the selected score back.
new 1
enter note 0 0 960 -2 2
enter note 0 1 0 -2 3
enter note 0 1 480 -2 3
enter note 0 1 960 0 3
enter note 0 2 0 -2 3
enter note 0 2 480 -2 3
enter note 0 2 960 -2 3
select note 0 0 1
save selected.zel
cmd 35300
print items 0 0-1 live
print heads 0 0 2
undo
same selected.zel
select range 0 1
cmd 4006
print items 0 1 live
select range 0 2
cmd 35300
print items 0 2 live
