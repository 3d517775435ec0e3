# Lyrics typed under four quarter notes: the text tool's lyric button clicked under the first
# note opens the editor there; "Hap-py birth-day" typed moves the editor on at each hyphen and
# space, storing Hap- py birth- day; copy (2662, which ends entry) puts the verse on the system
# clipboard as plain text, each syllable followed by "-" or a space. Each stored syllable
# respaces the bar (the "Space" preference, on), so the notes' positions are the respaced ones.
new 0
window mode 0 zoom 100
tool 903 sub 903 value 3
click 0:0:t0:0
click 0:0:t480:0
click 0:0:t960:0
click 0:0:t1440:0
tool 913 button 4
click 0:0:t0:-8
type Hap-py birth-day
cmd 2662
print items 0 0 live
clipboard
