#include "model/EngraverTask.h"

#include <cstring>

#include "model/EngraverDlg.h"

CEngraverTask::CEngraverTask(EngraverSettings& r) : record(r) { std::memcpy(saved.bytes, r.bytes, sizeof saved.bytes); }

bool CEngraverTask::Prepare() {
    std::memcpy(saved.bytes, record.bytes, sizeof saved.bytes);
    CEngraverDlg dlg(&record);
    if (!dlg.RunModal(CEngraverDlg::kTemplateId)) {
        std::memcpy(record.bytes, saved.bytes, sizeof record.bytes);
        return false;
    }
    return true;
}

void CEngraverTask::SwapSnapshot() {
    EngraverSettings t;
    std::memcpy(t.bytes, record.bytes, sizeof t.bytes);
    std::memcpy(record.bytes, saved.bytes, sizeof record.bytes);
    std::memcpy(saved.bytes, t.bytes, sizeof saved.bytes);
    CCruise::SwapSnapshot();
}

bool CEngraverTask::Perform() {
    DocLayoutPasses* passes = GetDocLayoutPasses();
    bool ok = passes->RespaceAllBars(document);
    ok = passes->RejustifyAllSystems(document) && ok;
    ok = passes->LayoutAllPages(document) && ok;
    SetLayoutChanged();
    return ok;
}
