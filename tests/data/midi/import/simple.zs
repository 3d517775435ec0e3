# A format-1 file (a conductor track: title, 120 per minute, 4/4; a bass part on program 33 of
# four uneven quarters and a whole note) opened through the document with the options dialog
# answered OK: one bass staff an octave down, transcribed.
answer ok 8=0
open simple.mid
state
print items 0 0-1 live
