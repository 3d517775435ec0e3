# A quarter at tick 2,000 of a 4/4 bar (1,920 ticks) goes to the next bar (at tick 80, where its
# column stays; the bar's re-timing then starts it where its voice's durations put it: alone in
# its voice, at 0) and the source goes; a record beyond the last bar is refused and stays where it
# was; a note running past the last bar ends at its bar line.
new 1
note 0 0 2000 3 0
across 0 0 0
print items 0 0
print items 0 1
note 0 31 2000 3 0
across 0 31 0
print items 0 31
note 1 31 1440 1 0
across 1 31 0
print items 1 31
