# A half note tied over the bar line to a quarter: scrubbing from the tie's start into the next
# bar keeps it sounding (the tied-into note starts nothing), and it stops once the pointer
# passes the end of the chain.
new 0
window mode 0 zoom 100
tool 903 sub 903 value 2
click 0:0:t960:2
tool 903 sub 903 value 3
click 0:1:t0:2
click 0:1:t480:4
make 0 0 tie 1
print ends 0 0
midi
tool 805
drag 0:0:t960:0 0:1:t240:0
midi
drag 0:1:t240:0 0:1:t720:0
midi
