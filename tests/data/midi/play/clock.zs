# MIDI clock to the sync port (F8 every 20 ticks), Start (FA) before the first tick; started in
# mid-score, the song position (F2, in sixteenths) and Continue (FB) instead.
new 1
note 0 0 0 3 -6m60
play log sync 5 to 1
play log sync 5 from 1 240 to 2
