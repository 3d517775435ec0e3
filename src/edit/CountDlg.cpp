#include "edit/CountDlg.h"

#include <algorithm>

void CCountDlg::InitControls() {
    SetupNumericField(kCountField, kFormatInteger, std::clamp(count, 1, std::max(1, limit)), 1, std::max(1, limit), false);
    if (hasChoice) {
        SetCheck(kBefore, !after);
        SetCheck(kAfter, after);
    }
}

void CCountDlg::OnControl(int id) {
    if (id == IDOK) {
        count = GetNumericField(kCountField);
        if (hasChoice) after = GetCheck(kAfter);
    }
    CStdDlg::OnControl(id);
}

bool CCountDlg::Run(UINT templateId) {
    hasChoice = templateId == kInsertBars || templateId == kInsertPages;
    return RunModal(templateId);
}
