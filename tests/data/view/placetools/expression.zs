# The expression palette with Shift held: the popup lists the library's entries, the chosen
# one is placed and becomes the palette's button; a dismissed popup places nothing. A button
# past the library's end places an empty expression.
new 0
window mode 0 zoom 100
exprlib Staccato
exprlib pizz kind 5 play
exprlib cresc
save empty.zel
tool 919 button 0
popup 2
click 0:0:t480:7 shift
popup 0
click 0:0:t960:7 shift
tool 919 button 7
click 0:1:t0:7
print items 0 0-1 live
undo
undo
same empty.zel
