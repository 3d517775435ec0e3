# Four slightly early and late quarters played into bar 0 of a new 4/4 score become four
# quarter notes at 0, 480, 960 and 1440; a note held over the bar line is tied into bar 1.
new 1
note 0 0 5 3 0m60d470* perf
note 0 0 470 3 2m62d480* perf
note 0 0 968 3 4m64d460* perf
note 0 0 1430 3 5m65d500* perf
transcribe 0 0 0 0 all
print items 0 0 live
note 0 2 1440 3 4m64d960* perf
transcribe 0 2 3 0 all
print items 0 2-3 live
