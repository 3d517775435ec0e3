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
# Notes to Rest (4908) on the second of two tied eighths: it becomes an eighth rest, the tie
# goes with the first note's tie mark, the beam stays. Notes to Tuplet (4909) gives the bar's
# notes and rests three in the time of two and keeps their values.
enter note 0 1 0 -2 4
enter note 0 1 240 -2 4
enter note 0 1 480 0 4
enter note 0 1 720 1 4
select range 0 1
cmd 35300
select note none
select note 0 1 3
cmd 4908
print items 0 1 live
select range 0 1
cmd 4909
print rhythm 0 1
