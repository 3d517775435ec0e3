# A repeated section is written twice, in the conductor track's ticks too: a repeat end with
# count 1 at bar 1 back to bar 0 plays 0 1 0 1 2 (each bar's whole note is key 60 + the bar).
new 1
note 0 0 0 1 -6m60
note 0 1 0 1 -5m61
note 0 2 0 1 -4m62
jumper 1 8 count=1 target=0
export repeat.mid
print midifile repeat.mid
