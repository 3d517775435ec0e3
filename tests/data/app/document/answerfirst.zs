# A reply queued before the score window opens still answers the dialog that comes after it.
new 1
answer ok 11=Sonatina
window
new dialog
