# A head tied over from the bar before keeps its sharp without showing it and leaves its step
# unmarked: the F natural after it is compared with the key (nothing shown), the F sharp after
# that shows its sharp.
new 1
note 0 1 0 3 4m78<
note 0 1 480 3 4m77
note 0 1 960 3 4m78
# A tied head later in the bar marks its step like any other.
note 0 1 1440 3 2m75<
note 0 1 1680 4 2m74
accidentals 0 1
print items 0 1
