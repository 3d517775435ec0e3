// What the edit commands call in code that is not written yet: the bar's gap filling and its
// recalculation, and the automatic spacing option. Each names the operation it stands for and
// has only the body the commands here need; the owners replace them as they are written.
#pragma once

class CTrkBar;

namespace editstandin {

// CTrkBar::FillGaps (voice, flag, other, flag): a voice left without any live note or rest gets
// one rest of the whole bar at its start (value code 0); gaps inside a voice that still holds
// notes stay as they are.
void FillGaps(CTrkBar* trkBar, int voice, int flag, int other, int flag2);
// CTrkBar::RecalcTimes (a, b): nothing yet.
void RecalcTimes(CTrkBar* trkBar, int a, int b);
// CTrkBar::Recalc (flag): nothing yet.
void Recalc(CTrkBar* trkBar, int flag);
// The automatic spacing option (menu 36101): off.
bool AutoSpacing();

}  // namespace editstandin

class CBar;

namespace editstandin {

// CBar's removal of its repeat structure: the opening and closing repeat kinds go, with the
// repeat-count jumper.
void RemoveRepeat(CBar* bar);

}  // namespace editstandin
