# A one-bar repeat sign (music-font symbol 0x8D) in bar 2 plays bar 1's notes of the track
# again (3E then 40); a second one in bar 3 repeats the written bar 1 too (the chain resolves to
# it), not the empty bar before it.
new 1
note 0 0 0 1 -6m60
note 0 1 0 2 -5m62
note 0 1 960 2 -4m64
symbol 0 2 0 141 music
symbol 0 3 0 141 music
play log to 4
