// The menu filter: a fixed set of commands the program never shows, taken out of every menu it
// loads and of the main frame's menu bar; and the lookups of submenu titles and of palette and
// image-strip entries to hide (both tables empty, so those steps keep everything).
#pragma once
#include <cstdint>
#include <vector>

class CMenu;
class CImageList;

// The hidden commands, ended by 0.
extern const std::int32_t HiddenCommandIds[];

bool IsHiddenCommand(std::int32_t id);
// Whether the submenu at the position has a title the filter hides (none in this program).
bool IsHiddenSubmenu(CMenu* menu, int position);
// Takes the hidden commands out of a menu and its submenus, with doubled separators and a
// separator left at the end.
void FilterMenu(CMenu* menu);
// Removes the images the filter hides from a list made from bitmapId (none in this program).
void FilterImageList(CImageList* list, int bitmapId);
// Rewrites a popup's cell map (count entries) to the shown images of bitmapId; with no table for
// the bitmap the map stays as it is.
void FilterCellMap(std::int16_t* cellMap, int count, int bitmapId);
// The buttons of a palette that show (all of them, 0 .. count - 1, with no table for the key).
void FilterPaletteButtons(int paletteKey, int buttonCount, std::vector<int>* shown);
