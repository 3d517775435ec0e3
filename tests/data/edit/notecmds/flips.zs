# Sharps to Flats (35402) respells the sharp and leaves the flat as it was; Flats to Sharps
# (35403) respells both back as sharps. Stems Up (35500) turns the down stem up; Flip Direction
# (35400) turns every selected stem over. Undo gives the score back.
new 1
enter note 0 0 0 -2 3
enter note 0 0 480 0 3
enter note 0 0 960 -1 3
select note 0 0 0
cmd 1022
select note 0 0 2
cmd 1023
save before.zel
select range 0 0
cmd 35402
print heads 0 0 0
print heads 0 0 2
undo
same before.zel
select range 0 0
cmd 35403
print heads 0 0 0
print heads 0 0 2
select range 0 0
cmd 35500
print items 0 0
select range 0 0
cmd 35400
print items 0 0
# Flip Direction on three beamed triplet eighths turns their stems down and moves the beam below.
enter note 0 1 0 -2 4 tuplet=3:2
enter note 0 1 160 -2 4 tuplet=3:2
enter note 0 1 320 -2 4 tuplet=3:2
select range 0 1
cmd 35400
print items 0 1 live
