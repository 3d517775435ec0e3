# Texts, page texts, lyric lines and syllables and symbols made through their creation paths,
# saved and read back: every field and text comes back, the syllables fill from their lines
# (the "-" entry gives "la" its hyphen and its own syllable goes; the "_" without an extender
# goes), and a Chinese syllable keeps its two characters.
new 1
text 0 0 0 "Dolce" kind=1 align=1 x=10 y=-200 size=14 style=2
text 0 0 480 "ff sempre" kind=2 opaque
text 0 1 0 "rit." kind=1 system y=-300
pagetext "Page header" 1 filter=1 anchor=1 y=20
pagetext "Footer" 2 filter=4 anchor=2 bottom y=30 framed
lyricline "la - li _ 歌"
lyric 0 1 0 0 0
lyric 0 1 480 0 1 hyphen
lyric 0 1 960 0 2
lyric 0 1 1440 0 3 verse=1 extender
lyric 0 2 0 0 4
lyric 0 2 480 0 3
lyric 0 3 480 0 5
symbol 0 2 960 142 music
symbol 0 2 0 65 face=1 size=18 x=25 y=-100
symbol 0 3 0 0 barline y=40
save records.zel
open records.zel
print items 0 0-3 live
print items 0 2
print bar 1
print bar 3
