#include "edit/JustifyTask.h"

#include <algorithm>

#include "model/Bar.h"
#include "model/Score.h"
#include "model/Select.h"
#include "model/System.h"
#include "model/ZelDoc.h"
#include "platform/PortLayer.h"

namespace {
constexpr int kNothingSelected = 32767;
}  // namespace

bool CJustifyTask::Perform() {
    if (!score || !document || score->GetBarCount() <= 0) return true;
    CSelect* sel = document->GetSelection();
    const bool none = !sel || sel->lower[kExtentBar] == kNothingSelected || sel->IsEmpty();
    if (none) {
        firstBar = lastBar = std::int16_t(std::clamp<int>(document->location.barIndex, 0, score->GetBarCount() - 1));
    } else {
        firstBar = std::int16_t(std::clamp<int>(sel->lower[kExtentBar], 0, score->GetBarCount() - 1));
        lastBar = std::int16_t(std::clamp<int>(sel->upper[kExtentBar], firstBar, score->GetBarCount() - 1));
        SetLayoutChanged(true);
    }
    if (!SaveTrackBarRange(0, firstBar, score->GetTrackCount() - 1, lastBar)) ThrowOutOfMemory();
    StartWaitCursor(true);
    for (int b = firstBar; b <= lastBar; ++b) {
        AnimateWaitCursor();
        CBar* bar = score->GetBar(b);
        if (!bar || bar->HasBarFlag(CBar::kSpacingLockedBit)) continue;
        if (bar->Respace())
            if (CLine* line = bar->GetLine()) line->Rejustify(true);
    }
    StartWaitCursor(false);
    return true;
}
