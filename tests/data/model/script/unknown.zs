new 0
frobnicate 1 2
print score
