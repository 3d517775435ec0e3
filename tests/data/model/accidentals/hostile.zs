# A head whose pitch lies more than three semitones from its step's pitch is written again from
# its pitch (pitch 70 on the F line becomes the B flat of the middle line), so what shows is
# what sounds; a head from a file whose step lies outside the bar's state is passed over.
new 1
note 0 0 0 3 4m70
note 1 0 0 3 -128m40#2
accidentals 0 0
accidentals 1 0
print items 0 0
print items 1 0
