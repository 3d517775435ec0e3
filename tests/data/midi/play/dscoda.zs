# D.S. al Coda: segno and To Coda (to bar 3) in bar 1, D.S. al Coda in bar 2 back to bar 1, coda
# at bar 3: 0 1 2 1 3 4. Each bar's whole note is key 60 + the bar.
new 1
note 0 0 0 1 -6m60
note 0 1 0 1 -5m61
note 0 2 0 1 -4m62
note 0 3 0 1 -3m63
note 0 4 0 1 -2m64
jumper 1 0
jumper 1 2 target=3
jumper 2 3 target=1
jumper 3 1
play log to 5
