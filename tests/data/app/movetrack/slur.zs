# A slur across two staves stops a move of its own track, and also a move of the track its end
# reaches from another track's staff.
new 2
note 0 0 0 3 0
note 0 0 480 3 2
make 0 0 slur 0 1 endstaff=1
dragtrack 0 2
new 2
note 2 0 0 3 0
note 2 0 480 3 2
make 2 0 slur 0 1 endstaff=-1
dragtrack 0 1
state
