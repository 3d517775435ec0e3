# A chord scrubbed from the bar's start past it and back: its two heads start once as the
# pointer enters the chord and stop once as it leaves; going back they start and stop once
# more. The release ends every head in range (a note-off for each).
new 0
window mode 0 zoom 100
tool 903 sub 903 value 3
click 0:0:t0:0
click 0:0:t480:2
click 0:0:t480:6 shift
click 0:0:t960:4
print items 0 0 live
midi
tool 805
drag 0:0:t0:0 0:0:t1200:0
midi
drag 0:0:t1200:0 0:0:t0:0
midi
