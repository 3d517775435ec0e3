# A note pressed on the middle line and moved up six steps before the release: it sounds at the
# press, again at each new pitch once it has left the press's position by more than two steps,
# and is entered where it was released. A rest dragged down takes the staff position of the
# release.
new 0
window mode 0 zoom 100
tool 903 sub 903 value 3
drag 0:0:t0:0 0:0:t0:6
print items 0 0 live
midi
tool 903 sub 922 value 14
drag 0:0:t480:0 0:0:t480:-4
print items 0 0 live
midi
