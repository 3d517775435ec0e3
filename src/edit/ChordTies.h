// The ties of a chord go together: removing one of them removes its siblings, the other ties
// of the same track bar that start at the same time (with and without the time offset) in the
// same voice.
#pragma once

class CBarItem;
class CScoreTask;
class CTrkBar;

namespace edit {

// True when the tie starts at a chord: a live note of the tie's voice at its time and start
// position has more than one head.
bool IsChordTie(CTrkBar* trkBar, CBarItem* tie);

// Removes every other live tie of the track bar with the tie's time, time with offset and
// voice, each added to the task's redraw list first: through the item's own deletion
// (withDelete) or by marking it removed. Returns how many went.
int RemoveSiblingTies(CScoreTask& task, CTrkBar* trkBar, CBarItem* tie, bool withDelete);

}  // namespace edit
