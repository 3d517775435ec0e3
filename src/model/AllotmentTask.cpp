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
    // Every bar, system and page may move: undo puts the whole layout back with the table.
    if (score) {
        SaveAll();
        SaveBars(0, score->GetBarCount() - 1);
        SaveAllTracksBars(0, score->GetBarCount() - 1);
    }
    DocLayoutPasses* passes = GetDocLayoutPasses();
    bool ok = passes->RespaceAllBars(document);
    ok = passes->RejustifyAllSystems(document) && ok;
    ok = passes->LayoutAllPages(document) && ok;
    SetLayoutChanged();
    return ok;
}
