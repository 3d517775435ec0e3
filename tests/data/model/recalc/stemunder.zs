# Whether a note with its stem down lies under a slur: when it ends in its own bar, a note of
# its voice from its start up to (not at) its end counts, a stem-down note of another voice does
# not (the slur to 558 answers no over voice 1's note, the one to 600 yes); a slur reaching into
# later bars takes every note of its voice in the bars before its end bar, and in its end bar those
# before its end; voice 1's slur finds voice 1's note.
new 1
note 0 0 0 3 0 up
note 0 0 480 3 1 up
note 0 0 960 3 2 down
note 0 0 480 3 8 down voice=1
note 0 1 0 3 0 up
note 0 1 480 3 1 down
put 0 0 slur 0 end=0:558
put 0 0 slur 0 end=0:600
put 0 0 slur 480 pos=279 end=1:0
put 0 0 slur 0 voice=1 end=0:300
print items 0 0
print stemunder 0 0 2
print stemunder 0 0 1
print stemunder 0 0 4
print stemunder 0 0 0
# A slur from beat 4 to the next bar's first note (record 8, after the note at 960): the stem-down
# note after its end is not under it.
put 0 0 slur 1440 pos=837 end=1:0
print stemunder 0 0 8
