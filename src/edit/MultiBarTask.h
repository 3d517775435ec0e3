// Measure > Multi-bar Rest (34011) gathers the selected bars (else the insertion point's) into
// one multi-bar rest through the multi-bar rest dialog; 4108 (a rest's edit action) edits that
// rest. A count of 1 on a bar that starts a rest takes the rest away; a span stops before a bar
// that starts another rest and at the score's last bar.
#pragma once

#include "model/EditTask.h"

class CBarItem;

class CMultiBarTask : public CCruise {
public:
    enum : int { kNew = 34011, kEdit = 4108 };
    static constexpr int kRecordSize = 22, kType = 39;

    bool Prepare() override;
    bool Perform() override;

    // The rest record the dialog edits.
    alignas(8) std::uint8_t working[kRecordSize] = {};
    // The rest being edited (4108).
    CBarItem* edited = nullptr;
    int editedTrack = 0, editedBar = 0;
    std::int32_t span = 1;

private:
    void PerformNew();
};
