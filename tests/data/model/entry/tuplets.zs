# Triplets entered note by note, every automatic option on and the insertion point advancing.
# The first triplet eighth leaves two triplet eighth rests on the tuplet's grid and a tuplet
# over the three; the later entries replace the rests, and once the three eighths are beamed the
# beam carries the number and the tuplet goes.
new 1
option advance on
enter note 0 0 0 0 4 tuplet=3:2
print rhythm 0 0
print items 0 0 live
enter note 0 0 next 1 4 tuplet=3:2
enter note 0 0 next 2 4 tuplet=3:2
print rhythm 0 0
print items 0 0 live

# Without automatic beams the tuplet stays over its three notes; a quarter after it is no member.
option beam off
enter note 0 1 0 0 4 tuplet=3:2
enter note 0 1 next 1 4 tuplet=3:2
enter note 0 1 next 2 4 tuplet=3:2
enter note 0 1 next 3 3
print rhythm 0 1
print items 0 1 live

# A triplet rest entered where a triplet begins makes its tuplet too.
enter rest 0 2 480 0 4 tuplet=3:2
print rhythm 0 2
print items 0 2 live

# Without automatic rests the first triplet quarter stands alone under a tuplet that reaches to
# its full length; the next two come under it, and the plain quarter after them does not.
option rests off
enter note 0 3 0 0 3 tuplet=3:2
print items 0 3 live
enter note 0 3 next 1 3 tuplet=3:2
enter note 0 3 next 2 3 tuplet=3:2
enter note 0 3 next 3 3
print rhythm 0 3
print items 0 3 live

# The file keeps them.
save t.zel
open t.zel
print rhythm 0 1
print items 0 3 live

# Without automatic rests a note entered into a tuplet in place of its last rest stays under it:
# a triplet quarter after a triplet eighth completes the tuplet, which keeps it as its last member.
note 0 4 0 4 -6m60
rest 0 4 160 4 0
tuplet 0 4 0-1 3 2
record 0 4 31 0 0 size=44 w24=93 b38=3 b39=2
enter note 0 4 160 2 3 tuplet=3:2 nochord
print rhythm 0 4
print items 0 4 live

# A triplet eighth entered inside a triplet of quarters does not complete it: the tuplet of
# quarters, which no beam holds, stays.
option rests on
enter note 0 5 0 0 3 tuplet=3:2
enter note 0 5 480 2 4 tuplet=3:2
print rhythm 0 5
print items 0 5 live
