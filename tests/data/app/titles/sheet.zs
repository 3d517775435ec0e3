# The title sheet through Score > Title Properties: answered on the title's page, then on the
# notice's (its tab, 12339) with y offset 0 over the new score's centred 12-point footer, which
# moves the notice up by 360; undo gives the blocks back; a cancelled sheet changes nothing.
new 1
print title 3
print title 6
answer ok 3=Night 4=Song 12339=1 8=0
cmd 33017
print title 0
print title 3
state
cmd 57643
print title 0
print title 3
answer cancel 3=Gone
cmd 33017
print title 0
state
