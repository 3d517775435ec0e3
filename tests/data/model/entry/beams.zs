# Under an existing beam, a quarter removes the beam and an eighth has it regrouped.
new 1
save base.zel
open base.zel
option advance on
enter note 0 0 0 0 4
enter note 0 0 next 1 4
enter note 0 0 next 2 4
enter note 0 0 next 3 4
print items 0 0 live
enter note 0 0 240 -2 3 nochord
print items 0 0 live
enter note 0 1 0 0 4
enter note 0 1 next 1 4
enter note 0 1 240 -2 5 nochord
print items 0 1 live
