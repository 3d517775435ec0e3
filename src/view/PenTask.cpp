// The pen choice applied to the selected shapes, the MIDI data click's edit, and the makers of
// the view's operations that the document's commands reach by class name.
#include "view/PenTask.h"

#include "model/BarItem.h"
#include "model/Graphic.h"
#include "model/TaskMakers.h"

namespace {
constexpr int kThinStep = 5, kWideStep = 20;
constexpr std::uint8_t kArrowBits = CGraphic::kArrowStart | CGraphic::kArrowEnd;
constexpr int kArrowShift = 1;
}  // namespace

void CPenTask::Apply(int command, CBarItem* item) {
    if (!item || !item->IsGraphic()) return;
    auto* g = CGraphic::Of(item);
    if (command >= kFirstPenWord && command <= kLastPenWord) {
        g->SetLineStyle(command - kFirstPenWord);
    } else if (command >= kFirstThinWidth && command <= kLastThinWidth) {
        g->SetLineWidth((command - kFirstThinWidth) * kThinStep);
    } else if (command >= kFirstWideWidth && command <= kLastWideWidth) {
        g->SetLineWidth((command - (kFirstWideWidth - 1)) * kWideStep);
    } else if (command == kFillOff || command == kFillOn) {
        g->SetFlag(CGraphic::kFilled, command == kFillOn);
    } else if (command >= kFirstArrows && command <= kLastArrows) {
        const int style = (command - kFirstArrows) & 3;
        g->SetFlags(std::uint8_t((g->Flags() & ~kArrowBits) | style << kArrowShift));
    }
}

bool CPenTask::Perform() {
    changed = 0;
    CCruise::Perform();
    if (!changed) undoable = 0;
    return true;
}

void CPenTask::DoItem() {
    CBarItem* item = curItem;
    if (!item || !item->IsGraphic()) return;
    // Both the old and the new extent are drawn again.
    item->Invalidate();
    Apply(argument, item);
    item->Invalidate();
    AddItemRect(item);
    changed = 1;
}

CMidiDataTask::~CMidiDataTask() { events.Free(); }

void RegisterViewOperations() {
    RegisterTaskMaker("CPenTask", [](CZelDoc&) -> CScoreTask* { return new CPenTask; });
}
