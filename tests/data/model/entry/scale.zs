# The eight eighths of a C major scale entered one after another into an empty voice of a 4/4
# bar, with every option on and the insertion point advancing: two beamed groups of four at
# rising positions, the rests each entry left behind all gone. Saved and read back, the file is
# the same to the byte.
new 1
save base.zel
open base.zel
option beam on
option spacing on
option rests on
option advance on
enter note 0 0 0 -6 4
enter note 0 0 next -5 4
enter note 0 0 next -4 4
enter note 0 0 next -3 4
enter note 0 0 next -2 4
enter note 0 0 next -1 4
enter note 0 0 next 0 4
enter note 0 0 next 1 4
print items 0 0 live
save a.zel
open a.zel
same a.zel
