# The bar pop-up's commands on a new score: "at the score's end" (33225) twice appends two bars,
# "delete bar" (33463) takes the insertion point's bar away: one bar more. Three undos give the
# new score back byte for byte.
new 1
save new.zel
state
cmd 33225
cmd 33225
state
cmd 33463
state
undo
undo
undo
same new.zel
state
