// What the edit commands call in code that is not written yet: the bar's removal of its repeat
// structure. It names the operation it stands for and has only the body the commands here need;
// the bar's owner replaces it.
#pragma once

class CBar;

namespace editstandin {

// CBar's removal of its repeat structure: the opening and closing repeat kinds go, with the
// repeat-count jumper.
void RemoveRepeat(CBar* bar);

}  // namespace editstandin
