# The script engine on the piano arrangement: counts, an item dump, a save and a re-open.
new 1
print score
print items 0 0
save basics.zel
open basics.zel
print score
