// Least forms of what the view's tools call and later work builds (view/ViewStandIns.h).
#include "view/ViewStandIns.h"

#include "view/PenTask.h"

int CSymbolDlg::DoModal() { return 1; }

bool CMidiDataTask::Perform() {
    // Nothing edited: the document deletes the task (and its event buffer) at once.
    undoable = 0;
    return false;
}
