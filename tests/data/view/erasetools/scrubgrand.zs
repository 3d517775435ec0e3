# The piano's upper staff of a voice-and-piano score scrubbed: without Shift only its own notes
# sound; with Shift the lower staff's notes sound with them.
new 2
window mode 0 zoom 100
tool 903 sub 903 value 3
click 1:0:t0:0
click 2:0:t0:0
midi
tool 805
drag 1:0:t0:0 1:0:t960:0
midi
drag 1:0:t0:0 1:0:t960:0 shift
midi
