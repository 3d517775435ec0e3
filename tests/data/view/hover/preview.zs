# The pointer over a new score's first page under each tool: what lies there, the pointer's shape
# and, under the note tool, the note-entry preview at the bar and staff position under it.
new 0
window mode 0 zoom 100
tool 800
hover 150 140
tool 801
hover 150 140
tool 803
hover 150 140
hover 20 140
tool 903 sub 903 value 3
hover 150 140
hover 150 130
hover 330 150
tool 903 sub 922 value 14
hover 150 140
tool 903 sub 921 value 22 button 1
hover 150 140
# Left of the staff's first bar and past the pages the note tool places nothing.
hover 20 140
hover 5000 140
tool 904
hover 150 110
