# A time signature change lasts until the next one, as the time-signature command makes it: the
# bar and every following bar that had its old time signature take the new one in numbers (never
# the common-time sign of the old 4/4), and only the bar of the change shows it.
new 1
meter 2 3 4
print meter 0-5
# A change inside a run of equal bars stops at the next change: bar 4's 2/4 carries to the end,
# then 2/4 at bar 3 reaches only bar 3, and bar 4, now equal to the bar before it, shows nothing.
meter 4 2 4
meter 3 2 4
print meter 2-5
# 4/4 in numbers on the first bar is a change from common time: bars 0 and 1 take it.
meter 0 4 4
print meter 0-2
