# Track labels right-aligned at the systems' label ends: one- and two-line full names on the
# first system, one- and two-line abbreviations on the others. Render it:
# zelscript labels.zs -o l.zel; zelrender l.zel --page 1 l.png
new 2
label 0 Violin Vl. right
label 1 "Piano,right hand" Pno. right
label 2 Bass "Pno.,l. h." right
print staff 0 0
print staff 1 2
