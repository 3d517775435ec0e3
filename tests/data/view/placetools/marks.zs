# A clef placed mid-bar, a forte and a hairpin drawn from right to left on a score with notes:
# the clef takes the time of the next note, the forte its velocity from the preferences, the
# hairpin becomes a decrescendo. Three undos give the score with the notes back byte for byte.
new 0
window mode 0 zoom 100
tool 903 sub 903 value 3
click 0:0:t0:0
click 0:0:t960:2
click 0:0:t1440:4
save notes.zel
tool 914 button 1
click 0:0:600:9
tool 904 button 6
click 0:1:t480:-5
tool 904 button 16
drag 0:1:1000:-5 0:0:0:-5
print items 0 0-1 live
undo
undo
undo
same notes.zel
