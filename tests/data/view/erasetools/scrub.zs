# Notes entered, then the scrub tool dragged across them from the bar's start to its end: each
# note sounds as the pointer reaches it and stops as it leaves; the release ends every head.
new 0
window mode 0 zoom 100
tool 903 sub 903 value 3
click 0:0:t0:0
click 0:0:t960:2
click 0:0:t1440:4
midi
tool 805
drag 0:0:0:0 0:0:1023:0
midi
