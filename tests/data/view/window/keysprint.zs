# The score window over a new score: keys (press K) reach the document (Left steps back, Delete
# finds nothing to erase on an empty score, keypad Enter records), the scrolling keys scroll,
# and the print run's sides.
new 0
window mode 2 zoom 100
press Left
press Delete
press KeypadEnter
press End
press Home
printpdf out.pdf booklet
printpdf out.pdf twoup
window mode 1 zoom 150
printpdf out.pdf
