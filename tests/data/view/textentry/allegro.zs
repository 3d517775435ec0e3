# A text typed onto the page: the text tool clicked above bar 0 opens the editor there, the typed
# text (with Chinese characters) shows in it, Esc ends entry and the text is one bar text of
# track 0, saved and read back as it was typed.
new 0
window mode 0 zoom 100
tool 913 button 0
click 0:0:100:12
type Allegro 快板
shot typing.png
press Esc
shot typed.png
print items 0 0 live
save allegro.zel
open allegro.zel
print items 0 0 live
