# Staff signs. An octave line (8va, +12) from bar 1 to half way through bar 2 raises the notes
# under it (3C sounds 48) and not the one after its end; a key signature sends its key.
new 1
note 0 0 0 1 -6m60
note 0 1 0 1 -6m60
note 0 2 0 2 -6m60
note 0 2 960 2 -6m60
ottava 0 1 0 2 400 0
keysig 0 3 0 2
note 0 3 0 1 -6m60
print items 0 1-2
play log to 4
