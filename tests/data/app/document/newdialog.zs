# A new score through the New dialog: a bass staff titled Sonatina in A major, 6/8, a dotted
# half-note beat at 60.00 shown, with a pickup bar; then a cancelled dialog, which leaves the
# score as it was.
answer ok 3=1 8=1 11=Sonatina 15=10 17=184,10 18=1 19=52,10 19=140,10 20=60.00 21=1
new dialog
state
print items 0 0
answer cancel 11=Other
new dialog
state
