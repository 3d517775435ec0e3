# Delete beams (35101) on two selected eighths takes their beam, which is not selected itself.
# Clearing one eighth flags its beam for layout; the bar's recalculation then drops the beam,
# which covers one note only, and rests fill the voice. The beams are made after the
# selection, so they are not in it.
new 1
note 0 0 0 4 -2m67
note 0 0 240 4 -1m69
select range 0 0
beamnotes 0 0 0 1
print items 0 0
cmd 35101
print items 0 0
undo
note 0 1 0 4 -2m67
select range 0 1
note 0 1 240 4 -1m69
beamnotes 0 1 0 1
cmd 57632
print items 0 1
