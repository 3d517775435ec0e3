# A rectangle drawn from the graphics palette, selected and widened to 20 by the pen (4814); a
# line from the same palette filled as lines always are; an octave line drawn with the group
# palette high above an empty bar, its pairing byte from the seeded random source; a click with
# the parentheses sub-tool on a note. Four undos give the first score back byte for byte.
new 0
window mode 0 zoom 100
random 44
tool 903 sub 903 value 3
click 0:0:t0:0
save start.zel
tool 909 button 0
drag 0:1:200:2 0:1:500:-2
tool 800
click 0:1:300:1
cmd 4814
tool 909 button 3
click 0:1:700:6
tool 905 button 8
drag 0:2:100:14 0:2:700:14
tool 905 button 12
click 0:0:t0:0
print items 0 0-2 live
undo
undo
undo
undo
undo
same start.zel
