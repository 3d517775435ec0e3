# Where a curve meets a note: a stem-up quarter at the middle line with the default stem meets a
# curve over it at 8 (the stem end) and under it at -2; a stem-down whole note with heads at 3
# and -2 at 5 and -4.
new 1
note 0 0 0 3 0 up
note 0 0 480 1 3,-2 down
print attachy 0 0 0
print attachy 0 0 1
