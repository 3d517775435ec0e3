# A score saved, opened, reverted and copied through the document: its title follows the file,
# the question before a revert is answered by the script, the autosave copy leaves the document
# as it was, and a file that is not there stops the script with the code and the message shown.
new 1
state
save piano.zel
state
open piano.zel
state
answer no
revert
answer cancel
revert
answer yes
revert
state
autosave
state
open missing.zel
print score
