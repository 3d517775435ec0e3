# The staves palette's bracket drawn by a band over the piano's two staves, downwards and then
# upwards: both set the same bracket in every system. A band reaching into the next system
# brackets from its top staff to the last staff of its own system. Button 11 joins the bar
# lines of the staves instead. A press without a drag changes nothing and leaves no undo step.
new 2
window mode 0 zoom 100
paint
save start.zel
tool 915 button 9
drag 1:0:500:4 2:0:500:-4
print brackets 0
print brackets 2
save down.zel
undo
same start.zel
drag 2:0:500:-4 1:0:500:4
same down.zel
undo
drag 1:0:500:4 0:4:500:-4
print brackets 0
undo
tool 915 button 11
drag 0:0:500:4 1:0:500:-4
print brackets 1
undo
drag 0:0:500:4 0:0:500:4
