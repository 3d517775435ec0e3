# Quarter notes clicked with the note tool at four times of a new score's first bar, one staff
# position higher each time: four rising notes, each sounded while the button was down; four
# undos give back the new score's bytes.
new 0
window mode 0 zoom 100
save fresh.zel
tool 903 sub 903 value 3
click 0:0:t0:0
click 0:0:t480:1
click 0:0:t960:2
click 0:0:t1440:3
print items 0 0 live
midi
undo
undo
undo
undo
same fresh.zel
