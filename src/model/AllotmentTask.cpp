#include "model/AllotmentTask.h"

#include <utility>

#include "model/AllotLib.h"
#include "model/Score.h"

CAllotmentTask::CAllotmentTask(SpacingTable& t) : table(t), saved(t) {}

bool CAllotmentTask::Prepare() {
    saved = table;
    CAllotDlg dlg(&table, false);
    if (!dlg.RunModal(CAllotDlg::kTemplateId)) {
        table = saved;
        return false;
    }
    return true;
}

void CAllotmentTask::SwapSnapshot() {
    std::swap(table, saved);
    CCruise::SwapSnapshot();
}

bool CAllotmentTask::Perform() {
    // Every bar, system and page may move: undo puts the whole layout back with the settings.
    return SaveAndLayOutWholeScore();
}
