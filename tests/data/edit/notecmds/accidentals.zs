# Sharp (1022) on a head without one writes a sharp; a second sharp takes it away; a third
# writes it again. Natural (1024) on a head without an accidental shows one (forced); a second
# takes it away. The later note of the same pitch shows the natural the sharp calls for. A tied
# note follows the accidental of the head it is tied from. Undo gives the score back.
new 1
enter note 0 0 0 -2 3
enter note 0 0 480 -2 3
enter note 0 0 960 -1 2
enter note 0 1 0 -1 3
save before.zel
select note 0 0 0
cmd 1022
print heads 0 0 0
print heads 0 0 1
undo
same before.zel
select note 0 0 0
cmd 1022
select note 0 0 0
cmd 1022
print heads 0 0 0
select note 0 0 0
cmd 1024
print heads 0 0 0
select note 0 0 0
cmd 1024
print heads 0 0 0
select note 0 0 2
cmd 35300
select note 0 0 3
cmd 1023
print heads 0 0 3
print heads 0 1 0
