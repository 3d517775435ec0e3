# A plain part exported through the performer: the conductor track holds the title, the time
# signature and the tempo; the part's track its name, the channel's first patch, pan and volume,
# then each note's note-on at its tick and its note-off at its end, and the end of track after
# the score's last bar.
new 1
note 0 0 0 3 -6m60
note 0 0 480 3 -5m62
note 0 0 960 3 -4m64
note 0 0 1440 3 -3m65
note 0 1 0 1 -2m67
export plain.mid
print midifile plain.mid
