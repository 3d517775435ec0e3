# A braced pair (arrangement 1): a dynamic of 30 marked all on the upper staff also sets the
# lower staff (90 30 1E); in bar 1 one of 40 not marked all sets the upper staff alone (28), the lower keeping its 30.
new 1
note 0 0 0 3 -6m60
note 1 0 0 3 -6m48
put 0 0 dynamic 0 byte=18:1 byte=19:30
note 0 1 0 3 -6m60
note 1 1 0 3 -6m48
put 0 1 dynamic 0 byte=18:0 byte=19:40
play log to 2
