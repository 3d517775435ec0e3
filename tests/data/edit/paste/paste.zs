# Track 0's bar 0 copied, then pasted into track 1's bar 2, merged into track 0's bar 3 and
# pasted special (notes only) into track 0's bar 1; each undo gives the bytes from before the
# paste back. The copy's block is written out as it lies (a seed for the clip block fuzzer).
open ../mixed.zel
select range 0 0
cmd 57634
clipblock block.zlcb
select note none
print items 0 0 live
at 2 track=1 voice=0
save before.zel
cmd 57637
print items 1 2 live
undo
same before.zel
at 3 track=0 voice=0
save before.zel
cmd 32870
print items 0 3 live
undo
same before.zel
answer ok 3=1
at 1 track=0 voice=0
save before.zel
cmd 57639
print items 0 1 live
undo
same before.zel
