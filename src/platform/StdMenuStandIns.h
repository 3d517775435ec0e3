// The menu filter of the palettes (the table-driven command filter): the least form that
// CStdMenu::Load calls until the filter exists.
#pragma once

class CMenu;

// Hides the items of a loaded menu that the program's menu filter blocks (none yet).
void ApplyMenuFilter(CMenu* menu);
