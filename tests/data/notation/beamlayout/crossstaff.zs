# A beam over two staves of the piano score: its ends on different staves lie centred between
# them (two steps either side of the middle), the end counted on its own staff; the stems point
# to the beam from both sides.
new 1
note 0 0 0 4 -2
note 0 0 240 4 4x1
beamnotes 0 0 0 1
print items 0 0 live
print beaming 0 0
