# The words and signs gallery: staff and bar texts (plain, centred, framed, opaque), lyric
# syllables with a verse number, a hyphen and an extender, text and music symbols, on the
# piano score. Render it:
#   zelscript gallery.zs -o w.zel; zelrender w.zel --page 1 w.png
new 1
text 0 0 0 "Dolce" kind=1 size=14 style=2 y=-600
text 0 0 960 "ff sempre" kind=2 framed opaque y=-650
text 0 1 0 "cantabile" kind=0 align=1 size=12 y=-600
text 1 1 480 "legato" kind=1 size=10 y=600
lyricline "Glo - ri - a _ in ex"
lyric 0 2 0 0 0 number
lyric 0 2 480 0 2
lyric 0 2 960 0 4 extender
lyric 0 3 0 0 6
lyric 0 3 480 0 7
symbol 0 0 1440 142 music y=-300
symbol 0 1 960 65 face=1 size=18 y=-400
symbol 1 2 960 100 music centred y=400
print items 0 0-3 live
print items 1 1-2 live
