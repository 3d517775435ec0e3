#include "edit/BarlineTasks.h"

#include <algorithm>
#include <utility>

#include "model/Bar.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/ZelDoc.h"
#include "platform/Handles.h"

namespace {
// Bar-line kinds of a bar's record.
enum : int { kKindPlain = 0, kKindDouble = 1, kKindRepeatStart = 2, kKindFinal = 4, kKindDotted = 5, kKindInvisible = 6 };
// Positions within a bar: its first half lies below this.
constexpr int kHalfBar = 512;
}  // namespace

bool CBarlineTask::Perform() {
    if (!score || !document) return true;
    const int command = argument ? argument : name;
    if (!((command >= kPlain && command <= kDotted) || command == kInvisible)) {
        // No bar line of its own: nothing changes and nothing is kept for undo.
        hasSnapshot = 0;
        return true;
    }
    const int b = std::clamp<int>(document->location.barIndex, 0, score->GetBarCount() - 1);
    if (!SaveBars(b - 1, b + 1)) ThrowOutOfMemory();
    otherSingleTrack = score->singleTrack;
    otherNoFinal = score->noAutomaticFinalBarline;
    CBar* bar = score->GetBar(b);
    const int kind = command == kDouble      ? kKindDouble
                     : command == kDotted    ? kKindDotted
                     : command == kInvisible ? kKindInvisible
                     : command == kFinal     ? kKindFinal
                                             : kKindPlain;
    if (command == kRepeatEnd) {
        if (!bar->SetRepeatEnd()) ThrowOutOfMemory();
    } else {
        bool start = document->location.position < kHalfBar;
        if (command == kRepeatStart) start = true;
        if (command == kFinal) start = false;
        if (start) {
            if (command == kPlain && b == 0) {
                score->singleTrack = score->GetTrackCount() == 1 ? std::uint8_t(!score->singleTrack) : 0;
                SetLayoutChanged(true);
            }
            if (command == kRepeatStart) {
                bar->SetOpeningKind(kKindRepeatStart);
            } else if (command == kPlain) {
                bar->SetOpeningKind(kKindPlain);
                if (b > 0) score->GetBar(b - 1)->SetClosingKind(kKindPlain);
            } else if (command == kDouble || command == kDotted || command == kInvisible) {
                bar->SetOpeningKind(kind);
            }
        } else {
            bar->RemoveRepeat(false, kind);
            if (bar->IsLast()) {
                // The score's last bar line is the score's own: a final one is drawn by it.
                score->noAutomaticFinalBarline = kind != kKindFinal ? 1 : 0;
                if (kind == kKindFinal) bar->SetClosingKind(kKindPlain);
            }
        }
    }
    bar = score->GetBar(b);
    bar->Respace();
    if (CLine* line = bar->GetLine()) line->Rejustify(true);
    SetLayoutChanged(true);
    return true;
}

void CBarlineTask::SwapSnapshot() {
    if (score && hasSnapshot) {
        std::swap(score->singleTrack, otherSingleTrack);
        std::swap(score->noAutomaticFinalBarline, otherNoFinal);
    }
    CCruise::SwapSnapshot();
}

bool CBreakLineTask::Perform() {
    if (!score || !document) return true;
    if (!SaveAll()) ThrowOutOfMemory();
    const int t = document->location.trackIndex;
    for (int s = 0; s < score->GetLineCount(); ++s) {
        CLine* line = score->GetLine(s);
        if (t < 0 || t >= line->GetStaffCount()) continue;
        CStaff* staff = line->GetStaff(t);
        staff->SetStaffFlags(std::uint8_t(staff->GetStaffFlags() & ~CStaff::kGroupContinuesBit));
    }
    SetLayoutChanged(true);
    return true;
}
