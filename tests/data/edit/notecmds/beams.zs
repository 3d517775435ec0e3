# Beam by hand (35201) over two eighths at the end of one bar and two at the start of the next
# builds one beam across the bar line; the old beam that the third note starts goes, so the
# last two eighths are left without one. Hiding the middle (35202) of the four-note beam in bar 2
# hides its inner notes; a second time shows them again. A tremolo of two strokes (35211)
# over two quarters. Undo gives the score back.
new 1
enter note 0 0 1440 -2 4
enter note 0 0 1680 -1 4
enter note 0 1 0 0 4
enter note 0 1 240 1 4
enter note 0 1 480 1 4
enter note 0 1 720 1 4
enter note 0 2 0 -2 4
enter note 0 2 240 -1 4
enter note 0 2 480 0 4
enter note 0 2 720 1 4
enter note 0 3 0 -2 3
enter note 0 3 480 0 3
save before.zel
select note 0 0 3
select note 0 0 5
select note 0 1 3
select note 0 1 5
cmd 35201
print items 0 0-1 live
undo
same before.zel
select range 0 2
cmd 35202
print items 0 2 live
select range 0 2
cmd 35202
print items 0 2 live
select range 0 3
cmd 35211
print items 0 3 live
