// What the edit commands call in code that is not written yet: the bar's removal of its repeat
// structure. It names the operation it stands for and has only the body the commands here need;
// the bar's owner replaces it.
#pragma once

class CBar;
class CScoreTask;

namespace editstandin {

// CBar's removal of its repeat structure: the opening and closing repeat kinds go, with the
// repeat-count jumper.
void RemoveRepeat(CBar* bar);

// CAddTieTask's automatic tie pass over tracks t1-t2 and bars b1-b2, run for the operation that
// changed them (merge runs it after the notes found their voices): nothing yet.
void AddTiesAutomatically(CScoreTask& task, int t1, int b1, int t2, int b2);

}  // namespace editstandin
