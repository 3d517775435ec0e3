# D.C. al Fine: Fine in bar 1, D.C. al Fine in bar 2 back to bar 0: 0 1 2 0 1, then the end.
# Each bar's whole note is key 60 + the bar.
new 1
note 0 0 0 1 -6m60
note 0 1 0 1 -5m61
note 0 2 0 1 -4m62
note 0 3 0 1 -3m63
jumper 1 7
jumper 2 6 target=0
play log
