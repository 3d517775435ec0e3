# A page to print, with words to find again in the printed file: a title and a footer, staff
# texts in Latin letters and in Chinese, and a verse of lyrics with a number, hyphens and an
# extender, under notes with accidentals, a chord and a dynamic on the piano score (its brace,
# clefs and rests). The PDF test prints it with zelrender --pdf and reads its text back.
new 1
title 0 0 "Ode to Joy"
title 6 0 "Page #P"
note 0 0 0 3 0
note 0 0 480 3 1#1
note 0 0 960 3 2
note 0 0 1440 3 -1#2
note 0 1 0 2 0,2,4
note 0 1 960 4 3
note 0 1 1200 4 2
note 0 1 1440 3 1#3
dynamic 0 0 0 5
text 0 0 0 "dolce" kind=1 size=14 style=2 y=-600
text 1 1 0 "欢乐颂" kind=1 size=14 y=600
lyricline "Freu - de schoe - ner _ Goet - ter - fun - ken"
lyric 0 0 0 0 0 number
lyric 0 0 480 0 2
lyric 0 0 960 0 3
lyric 0 0 1440 0 5 extender
lyric 0 1 0 0 7
lyric 0 1 960 0 9
lyric 0 1 1200 0 11
lyric 0 1 1440 0 13
print title 0
