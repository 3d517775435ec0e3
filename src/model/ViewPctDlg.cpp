#include "model/ViewPctDlg.h"

void CViewPctDlg::InitControls() {
    SetupNumericField(kPercentField, kFormatInteger, percent, kMinimum, kMaximum, false);
}

void CViewPctDlg::OnControl(int id) {
    if (id == IDOK) percent = GetNumericField(kPercentField);
    CStdDlg::OnControl(id);
}
