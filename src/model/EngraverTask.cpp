#include "model/EngraverTask.h"

#include <cstring>

#include "model/EngraverDlg.h"
#include "model/Score.h"

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
    // Every bar, system and page may move: undo puts the whole layout back with the settings.
    return SaveAndLayOutWholeScore();
}
