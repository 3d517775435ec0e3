# The empty bars of a new score gathered into multi-bar rests of 2 to 8 bars: every bar lies in
# a rest, the bars under each rest are covered, the systems close up (a rest counts as one bar)
# and the saved file reads back the same.
new 1
print score
print multirests
multirests 2 8
print multirests
print score
save gathered.zel
open gathered.zel
print multirests
print score
