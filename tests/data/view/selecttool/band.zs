# Notes in the first two bars; a click on empty paper below the staff leaves nothing selected,
# and a rubber band drawn over the two bars selects their notes (the third bar's stays
# unselected).
new 0
window mode 0 zoom 100
tool 903 sub 903 value 3
click 0:0:t0:0
click 0:0:t960:2
click 0:1:t0:0
click 0:1:t960:2
click 0:2:t0:0
tool 800
click 0:2:t480:-14
drag 0:0:1:14 0:1:1000:-12
print items 0-0 0-2 live
