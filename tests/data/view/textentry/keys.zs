# Keys in the open text editor: Backspace takes the last character back, shift+Left selects the
# one before the caret and typing replaces it; the main Enter breaks the line and keypad Enter
# ends entry, storing the two lines with their line table.
new 0
window mode 0 zoom 100
tool 913 button 0
click 0:1:100:12
type Lentx
press Backspace
type o
press shift+Left
type O
press Enter
type due
press KeypadEnter
print items 0 1 live
