# The application's routing on a new score: a View zoom, the position overlays that exclude each
# other, Staff Spacing's three steps, a voice chosen with nothing selected, and a toggle of the
# preferences that the application keeps.
new 0
cmd 38001
state
cmd 36013
print display
cmd 36014
print display
cmd 36014
print display
cmd 36012
cmd 36012
print display
cmd 36012
print display
cmd 35902
state
cmd 36201
cmd 36203
cmd 36201
cmd 36203
