# Re-timing a bar from the durations of its voices, and what it reports.
new 1
# Three quarters (1,440 ticks) in one voice of a 4/4 bar: 480 short, in track 0's voice 0.
note 0 0 0 3 0
note 0 0 960 3 2
note 0 0 480 3 1
recalctimes 0 0
print timing 0 0
# The same bar as a pickup bar: nothing to report, and every item moves 480 later so that the
# contents end at the bar line.
note 0 1 0 3 0
note 0 1 480 3 1
note 0 1 960 3 2
put 0 1 text 0
pickup 1 on
recalctimes 0 1
print items 0 1
# A pickup bar that overflows is reported.
note 0 2 0 1 0
note 0 2 1920 3 1
pickup 2 on
recalctimes 0 2
# A voice over its bar by a quarter in voice 3 of track 1.
note 1 3 0 1 0 voice=3
note 1 3 1920 3 1 voice=3
recalctimes 1 3
# In 3/4, a whole rest (longer than the bar) counts as the bar's 1,440 ticks, so the note after
# it starts at 1,440 and the voice is a quarter over; a voice of one whole rest alone is not
# reported, nor a voice of one short rest.
meter 4 3 4
rest 0 4 0 1 0
note 0 4 1440 3 0
recalctimes 0 4
print timing 0 4
rest 0 5 0 1 0 voice=1
rest 0 5 0 3 0 voice=2
recalctimes 0 5
# The 3/4 of bar 4 lasts until the next change: bar 6 returns to 4/4.
meter 6 4 4
# Three eighths of a 3:2 triplet take 480 ticks (160 each), and the quarter after them starts at
# 480; grace notes take no time.
note 0 6 0 4 0
note 0 6 240 4 1
note 0 6 480 4 2
note 0 6 720 4 3 grace
note 0 6 960 3 4
tuplet 0 6 0-2 3 2
recalctimes 0 6
print timing 0 6
# A hairpin after a note whose heads start playing 0 and 10 ticks after it takes the note's
# time plus 5 (the heads' average), plus 1; a chord symbol keeps its time.
note 0 7 0 3 0
note 0 7 480 3 0t0,2t10
put 0 7 hairpin 0 pos=500 end=0:900
put 0 7 chord 1200 pos=700
recalctimes 0 7
print items 0 7
# With the hold-timing option on, a note whose time moves keeps its heads' absolute play starts.
holdtiming on
note 0 8 0 3 0
note 0 8 960 3 1t5
recalctimes 0 8
print timing 0 8
