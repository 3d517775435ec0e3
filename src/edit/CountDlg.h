// The small count dialogs of the bar and page commands: how many bars or pages (field 3) and,
// for the insertions, before or after the current one (radio buttons 4 and 5). Templates 236
// (delete bars) and 237 (insert bars), 235 (delete pages) and 233 (insert pages).
#pragma once
#include "platform/StdDlg.h"

class CCountDlg : public CStdDlg {
public:
    enum : UINT { kInsertPages = 233, kDeletePages = 235, kDeleteBars = 236, kInsertBars = 237 };
    enum : int { kCountField = 3, kBefore = 4, kAfter = 5 };

    CCountDlg(int count, int limit) : count(count), limit(limit) {}

    void InitControls() override;
    void OnControl(int id) override;
    // Runs the template; true on OK with the count and the choice taken.
    bool Run(UINT templateId);

    int count = 1;
    int limit = 100;
    bool after = false;

private:
    bool hasChoice = false;
};
