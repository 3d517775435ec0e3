# On a percussion staff a head steps through the drum map: its position moves one at a time
# (down for an amount below 1, up otherwise) to the next position the map gives a key for; the
# head takes that key as its pitch and the map's head shape, and its accidental is not shown.
new 1
staffkind 1 1
drum 1 clear
drum 1 0 -3 0 38
drum 1 1 1 4 42
drum 1 2 3 3 49 1
note 1 0 0 3 -3m38#1 up
select note 1 0 0
transpose 1 0 0 1 2
print heads 1 0 0
# The map's entry of another voice counts too.
transpose 1 0 0 5 0
print heads 1 0 0
# Nothing above: the head stays.
transpose 1 0 0 1 1
print heads 1 0 0
transpose 1 0 0 -1 2
transpose 1 0 0 0 2
print heads 1 0 0
# Nothing below the lowest entry.
transpose 1 0 0 -1 2
print heads 1 0 0
