// The system clipboard's plain text, converted between Unicode and the program's code page at
// this boundary. (The program's own clipboard for score data is Clipboard.h.)
#pragma once
#include <string>

namespace fw {

// The clipboard's plain text in the code page; empty when it holds none.
std::string GetClipboardText();
// Puts text (code page) on the clipboard as plain text; false when there is no clipboard.
bool SetClipboardText(const std::string& codePageText);

}  // namespace fw
