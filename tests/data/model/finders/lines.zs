# Slurs, hairpins, line items and tuplets on notes: what ends or starts on a note for each
# selector (a hairpin answers every one), the notes under an item's ends, the items attached to a
# note, a tuplet that holds a note, and the link flags that nothing backs dropped.
new 1
note 0 0 0 3 0
note 0 0 480 3 2
note 0 0 960 3 4
put 0 0 slur 0 end=0:279
put 0 0 hairpin 0 end=0:279
put 0 0 bend 480 pos=279 end=0:558
put 0 0 tuplet 0 end=0:279 ratio=3:2
poke 0 0 3 b22=2 b18=16
poke 0 0 5 b22=13 b18=16
poke 0 0 6 b22=1
# Ending on the note at 279: the hairpin (first in the run) for every selector; the slur and
# the hairpin both among its attached items; the bend starts on it.
find lineend 0 0 5 -1
find lineend 0 0 5 -2
find lineend 0 0 5 27
find lineend 0 0 5 30
find lineend 0 0 6 -1
find linestart 0 0 5 -2
find linestart 0 0 5 33
find linestart 0 0 5 27
find startnote 0 0 2
find endnote 0 0 2
find endnote 0 0 0
find endnote 0 0 4
find tuplet 0 0 5
find tuplet 0 0 6
find attached 0 0 5 0
find attached 0 0 5 0 max=1
find attached 0 0 5 1
find attached 0 0 5 4
find attached 0 0 3 1
find attached 0 0 6 0
# The note at 558 says a slur ends on it: none does, so the flag goes; the note at 279 keeps its
# flags, each backed.
print timing 0 0
updateattached 0 0 6
updateattached 0 0 5
print timing 0 0
# The hairpin takes a note for an end by its line flags: the note at 279 carries a line end; the
# note at 0 carries no line start.
find startnote 0 0 1
find endnote 0 0 1
