// The program's own resources besides the string table: dialog templates
// (resources/dialogs/<id>.dlg) and menus (resources/menus/<id>.menu), compiled in, read as
// UTF-8 text; icons and cursors as pictures in the installed data folder
// (icons/<id>.png, cursors/<id>.png).
#pragma once
#include <string>
#include <vector>

#include "framework/Types.h"

namespace fw {

// The text of resource `id` of a kind ("dialogs", "menus"); false when there is none.
bool LoadResourceText(const char* kind, UINT id, std::string& utf8Out);
// The ids of the compiled-in resources of a kind, ascending.
std::vector<UINT> ListResources(const char* kind);
// Whether an image resource of a kind ("icons", "cursors") exists in the installed data
// folder, and its path.
bool HasImageResource(const char* kind, UINT id);
std::string ImageResourcePath(const char* kind, UINT id);

// Splits a line of a resource text into words: blanks separate words, a "..." word keeps its
// quotes (\" \\ \n \t inside are escapes), and '#' outside quotes starts a comment.
std::vector<std::string> SplitResourceLine(const std::string& line);

namespace resourcetest {
// Puts a resource text in place of (or beside) the compiled-in ones, for tests; an empty text
// removes it again.
void SetText(const char* kind, UINT id, const std::string& utf8Text);
// Drops every text set by SetText.
void Clear();
}  // namespace resourcetest

}  // namespace fw
