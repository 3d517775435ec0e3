# Note times. Bar 0: two eighths, swung: the off-beat one starts 302 ticks into the beat.
new 1
note 0 0 0 4 -6m60
note 0 0 240 4 -5m62
# Bar 1: a half note tied over to a half note of the next bar sounds once, 1920 ticks long, and
# a chord of two heads whose upper head is tied into sounds only its lower head.
note 0 1 0 2 -6m60
note 0 1 960 2 -4m64>
note 0 2 0 2 -6m60,-4m64<
make 0 1 tie 1
play log to 3 style 1
