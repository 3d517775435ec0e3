# The right click's context menu on an empty place of a new score: no enclosure item, the
# item's, clipboard's and paste items grey; choosing solo makes the voice solo, which the next
# menu shows checked; while nothing is chosen nothing changes.
new 0
window mode 0 zoom 100
tool 903 sub 903 value 3
rclick 0:0:t480:0 33340
rclick 0:0:t480:0 0
