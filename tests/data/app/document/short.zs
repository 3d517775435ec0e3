# A file of fewer than four bytes holds no magic: not a score file, and the script stops.
open short.zel
state
