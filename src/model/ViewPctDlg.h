// The view percentage dialog (template 257): the zoom of the score window in percent, 10 to 800.
#pragma once
#include "platform/StdDlg.h"

class CViewPctDlg : public CStdDlg {
public:
    static constexpr UINT kTemplateId = 257;
    static constexpr int kPercentField = 3;
    static constexpr int kMinimum = 10;
    static constexpr int kMaximum = 800;

    explicit CViewPctDlg(int percent) : percent(percent) {}

    void InitControls() override;
    void OnControl(int id) override;

    // The percentage shown; on OK the one typed, held to the field's range.
    int percent = 100;
};
