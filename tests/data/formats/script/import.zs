# A MusicXML file opened as the program opens it: imported into a new score (its state and items
# shown) and saved as a score file, which opens again; a file without a score-part stops the
# script with the import's code (101) and the message shown.
open ../musicxml/groups.xml
state
print score
print items 0-3 0
save groups.zel
open groups.zel
state
open damaged.xml
print score
