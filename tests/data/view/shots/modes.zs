# The eight-page score in the three arrangements, with pictures of the window; scrolling far
# to the right or down keeps the panes of the other blocks parked.
open ../eight-pages.zel
window mode 0
shot mode0.png
window mode 1
shot mode1.png
scroll 100000 0
window mode 2 zoom 50
shot mode2.png
scroll 0 100000
press Home
tick 40
