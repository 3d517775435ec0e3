// What a bar item does under the mouse and the keyboard: its hit test (over every system its
// span reaches), the walk over those systems, whether its staff shows it, keyboard nudges, the
// end of a drag, the drag's feedback line, and placing a dropped item into the bar and track
// under a page point (moving it into another bar of a track when it lands there).
#include <algorithm>
#include <cstring>

#include "framework/Globals.h"
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/DragTask.h"
#include "model/EditTask.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Tempo.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/Handles.h"
#include "platform/PlatformGlobals.h"
#include "platform/PortLayer.h"

namespace {

constexpr int kMaxSpan = 1024;
constexpr int kWholeItem = -32767;

void SetRemoved(CBarItem& item, bool on) {
    item.SetFlagsB(on ? std::uint8_t(item.FlagsB() | CBarItem::kRemovedBit)
                      : std::uint8_t(item.FlagsB() & ~CBarItem::kRemovedBit));
}

int HitShapeCallback(CScoreItem* item, void* point) {
    const POINT* p = static_cast<const POINT*>(point);
    return static_cast<CBarItem*>(item)->HitTestShape(p->x, p->y) ? 1 : 0;
}

bool CtrlDown() {
    ReadModifierKeys();
    return g_platform.ctrlDown != 0;
}

}  // namespace

// --- hit testing over the span's systems -----------------------------------------------------------

bool BarItemBehaviour::HitTest(CScoreItem& scoreItem, int x, int y) const {
    auto& item = static_cast<CBarItem&>(scoreItem);
    if (!item.IsShownOnStaff() && !item.IsSelectedBit()) return false;
    CBar* bar = g_model.currentBar;
    CScore* score = bar ? bar->GetScore() : nullptr;
    CLine* line = bar ? bar->GetLine() : nullptr;
    if (!score || !line) return item.HitTestShape(x, y);
    int last = bar->GetIndex() + item.GetBarSpan();
    if (last >= score->GetBarCount()) {
        last = score->GetBarCount() - 1;
        item.SetEnd(last - bar->GetIndex(), 1023);
    }
    if (last < line->GetFirstBarIndex() + line->GetBarCount()) return item.HitTestShape(x, y);
    POINT p{x, y};
    return item.ForEachSpanSystem(&HitShapeCallback, &p);
}

bool CBarItem::ForEachSpanSystem(int (*callback)(CScoreItem*, void*), void* arg) {
    CBar* bar = g_model.currentBar;
    CScore* score = bar ? bar->GetScore() : nullptr;
    CZelDoc* doc = score ? score->GetDocument() : nullptr;
    if (!bar || !score || !callback) return false;
    const bool several = doc && doc->GetArrangementMode() != 0;
    const int insertionPage = doc ? doc->location.pageIndex : 0;
    const bool continuation = g_model.dragStart.continuation != 0;
    // The drag flag comes back however the walk ends.
    fw::ScopedGlobal<bool> keepDrag(g_draw.dragInProgress);
    const bool dragging = g_draw.dragInProgress;
    if (!continuation) g_draw.dragInProgress = false;
    bar->MakeCurrent();
    CPage* page = g_model.currentPage;
    bool answer = page && page->DrawInPane(this, callback, arg) != 0;
    if (answer) return true;
    g_draw.dragInProgress = false;
    int n = std::min(GetBarSpan(), kMaxSpan);
    if (bar->GetIndex() + n >= score->GetBarCount()) n = score->GetBarCount() - bar->GetIndex() - 1;
    CBar* last = n > 0 ? score->GetBar(bar->GetIndex() + n) : nullptr;
    if (last && last->GetLine() != bar->GetLine()) {
        CLine* lastLine = last->GetLine();
        std::int32_t shift = 0;
        CLine* home = bar->GetLine();
        const auto advance = [&](CLine* before, CLine* s) {
            shift += before == home ? before->GetRight() : before->GetRight() - before->GetFirstBar()->GetLeft();
            return shift;
        };
        answer = bar->WalkSpanSystems(n, advance, [&](CLine* s) {
            CPage* sPage = s->GetPage();
            if (!sPage || (sPage->GetIndex() != insertionPage && !several)) return false;
            if (!continuation) g_draw.dragInProgress = s == lastLine && dragging;
            const fw::ScopedGlobal<POINT> keepPoint(g_model.drawnPoint);
            return sPage->DrawInPane(this, callback, arg) != 0;
        });
    }
    bar->MakeCurrent();
    return answer;
}

// --- the staff and keyboard moves --------------------------------------------------------------------

void BarItemBehaviour::Nudge(CScoreItem& scoreItem, int dx, int dy) const {
    auto& item = static_cast<CBarItem&>(scoreItem);
    if (item.IsData()) return;
    if (dx != 0)
        if (CBar* bar = g_model.currentBar) item.SetPosition(bar->StepX(item.PositionField(), std::int16_t(dx)));
    if (dy != 0)
        if (CStaff* staff = g_model.currentStaff)
            item.SetVerticalOffset(staff->StepToNextY(item.GetVerticalOffset(), -std::int16_t(dy)));
}

// --- moving into a bar ------------------------------------------------------------------------------

CBarItem* BarItemBehaviour::AddToBar(CBarItem& item, const ScoreLocation& at) const {
    const int size = item.RecordSizeField();
    if (size < CBarItem::kHeadEnd) return nullptr;
    HandleBuffer copy;
    if (!copy.Append(&item, std::uint32_t(size))) return nullptr;
    struct FreeCopy {
        HandleBuffer& b;
        ~FreeCopy() { b.Free(); }
    } freeCopy{copy};
    CScore* score = at.bar ? at.bar->GetScore() : g_model.currentScore;
    CZelDoc* doc = score ? score->GetDocument() : nullptr;
    if (doc && doc->currentTask) {
        doc->currentTask->SaveBar(at.barIndex);
        if (at.trkBar) doc->currentTask->SaveTrackBar(at.trkBar->GetTrackIndex(), at.barIndex);
    }
    SetRemoved(item, true);
    auto* record = static_cast<CBarItem*>(copy.GetData());
    CBarItem* placed = nullptr;
    if (!item.IsTrackItem()) {
        if (at.bar) placed = at.bar->InsertItemSorted(record);
    } else if (at.trkBar) {
        placed = at.trkBar->InsertSpace(int(at.time), size);
        if (placed) std::memcpy(placed, record, std::size_t(size));
    }
    if (!placed) {
        SetRemoved(item, false);
        return nullptr;
    }
    SetRemoved(*placed, false);
    placed->SetTime(int(at.time));
    placed->SetPosition(at.position);
    placed->SetHorizontalOffset(at.xOffset);
    placed->SetVerticalOffset(at.verticalOffset);
    return placed;
}

// --- the end of a drag and placing at a point ----------------------------------------------------------

void BarItemBehaviour::EndDrag(CScoreItem& scoreItem, CDragTask* drag) const {
    auto& item = static_cast<CBarItem&>(scoreItem);
    SetRemoved(item, false);
    if (!drag || !drag->moved || item.IsPageText()) return;
    if (!item.MovesOnDrop() && !(CtrlDown() && item.MovesOnDropByOption())) return;
    CScore* score = g_model.currentScore;
    CZelDoc* doc = score ? score->GetDocument() : g_model.currentDoc;
    if (!score || !doc) return;
    ScoreLocation start = doc->location;
    ScoreLocation end = doc->location;
    if (item.IsTrackItem()) {
        start.trkBar = g_model.hitTrkBar;
        if (start.trkBar) start.barIndex = std::int16_t(start.trkBar->GetBarIndex());
    } else {
        start.trkBar = score->GetTrkBar(0, start.barIndex);
        g_model.hitTrkBar = start.trkBar;
        const ScoreLocation& origin = g_model.dragStart;
        if (origin.barIndex == start.barIndex && origin.trackIndex == start.trackIndex) {
            start.trackIndex = 0;
            start.trkBar = score->GetTrkBar(0, start.barIndex);
        }
    }
    if (!start.trkBar) return;
    start.trkBar->SetCurrent();
    start.bar = score->GetBar(start.barIndex);
    // The item's points measured in its own bar and staff.
    POINT a{}, b{};
    item.GetEndPoints(&a, &b);
    start.pointX = a.x, start.pointY = a.y;
    end.pointX = b.x, end.pointY = b.y;
    drag->result = item.PlaceAtPoint(start, end);
    if (g_model.hitKind == 0) doc->location = start;
    if (drag->result) drag->result->Invalidate();
}

void BarItemBehaviour::ShowDragFeedback(CBarItem& item, int x, int y) const {
    ScoreLocation& origin = g_model.dragStart;
    CBar* bar = origin.bar;
    CStaff* staff = origin.staff;
    CArtist* a = g_draw.artist;
    if (!bar || !staff || !a) return;
    const int x0 = bar->FractionToX(bar->TickToFraction(int(origin.time), true));
    a->ThickLine(x, y, x0, staff->GetTopLine(), 1);
    const double before = origin.time;
    origin.time = item.GetTimeWithOffset();
    CMidiDataBox::ShowEvent(origin, 0, 1);
    origin.time = double(int(before));
}

CBarItem* BarItemBehaviour::PlaceAtPoint(CBarItem& item, ScoreLocation& start, ScoreLocation& end) const {
    CScore* score = start.bar ? start.bar->GetScore() : g_model.currentScore;
    if (!score) return nullptr;
    // Clefs and key signatures: what the bar recalculation carries from bar to bar.
    const bool carried = item.IsClef() || item.IsKeySig();
    CZelDoc* doc = score->GetDocument();
    end.trackIndex = start.trackIndex;
    CTrkBar* oldTrkBar = start.trkBar;
    start.voice = std::uint16_t(item.GetVoice());
    if (start.bar && start.bar->GetLine()) start.pageIndex = std::uint16_t(start.bar->GetLine()->GetPageIndex());
    const bool ctrl = CtrlDown();
    const ScoreLocation& origin = g_model.dragStart;
    CLine* system = start.system ? start.system : start.bar ? start.bar->GetLine() : nullptr;
    if (((item.IsSlur() && !ctrl) || (start.trackIndex == origin.trackIndex && start.systemIndex == origin.systemIndex)) &&
        system) {
        system->LocatePoint(start.pointX, &start);
        start.bar = score->GetBar(start.barIndex);
        if (!start.bar) return nullptr;
        start.time = start.bar->FractionToTick(start.position);
        start.trkBar = score->GetTrkBar(start.trackIndex, start.barIndex);
        if (start.staff) start.verticalOffset = start.staff->YToOffset(start.pointY);
    } else {
        score->LocatePoint(start.pointX, start.pointY, &start);
        start.bar = score->GetBar(start.barIndex);
        if (!start.bar) return nullptr;
        start.time = start.bar->FractionToTick(start.position);
    }
    system = start.system ? start.system : start.bar->GetLine();
    if (!start.trkBar || !system) return nullptr;
    if (start.position < 0) start.position = 0;
    CStaff* staff = start.staff;
    CScoreItem* scaler = item.IsMeasuredWithoutStaff() ? nullptr : staff;
    start.xOffset = start.bar->XToItemOffset(start.pointX, start.position, scaler);

    // The end point walks along the bars of the score from the start's bar.
    CBar* endBar = start.bar;
    CTrkBar* endTrkBar = start.trkBar;
    int d = end.pointX - endBar->GetLeft();
    while (d > endBar->GetWidth() && !endBar->IsLast()) {
        CBar* next = score->GetBar(endBar->GetIndex() + 1);
        if (!next) break;
        d -= endBar->GetWidth();
        endBar = next;
        endTrkBar = score->GetTrkBar(start.trackIndex, next->GetIndex());
    }
    end.pointX = endBar->IsLast() && d > endBar->GetWidth() ? endBar->GetRight() : endBar->GetLeft() + d;
    end.bar = endBar;
    end.trkBar = endTrkBar;
    if (endBar->GetLine() == start.bar->GetLine()) {
        end.voice = std::uint16_t(item.GetVoice());
        end.pageIndex = std::uint16_t(system->GetPageIndex());
        system->LocatePoint(end.pointX, &end);
    } else {
        end.barIndex = std::int16_t(endBar->GetIndex());
        end.position = endBar->XToFraction(end.pointX);
    }
    if (staff) end.verticalOffset = staff->YToOffset(end.pointY);
    end.bar = score->GetBar(end.barIndex) ? score->GetBar(end.barIndex) : endBar;
    end.xOffset = end.bar->XToItemOffset(end.pointX, end.position, scaler);

    const bool recalc = item.IsTempo() || item.IsExpression();
    if (item.IsTempo() && item.RecordSizeField() > CTempo::kEquation) {
        std::uint8_t flags = rec::Get<std::uint8_t>(&item, CTempo::kEquation);
        if (start.trackIndex == 0)
            flags |= 0x01;
        else if (ctrl)
            flags &= std::uint8_t(~0x01);
        rec::Put<std::uint8_t>(&item, CTempo::kEquation, flags);
    }

    CBarItem* target = &item;
    if (start.trkBar == oldTrkBar) {
        item.SetTime(int(start.time));
        item.SetPosition(start.position);
    } else {
        target = item.AddToBar(start);
        if (!target) return nullptr;
        start.bar->MakeCurrent();
        if (target->IsSelectedBit() && target->IsTrackItem() && doc && doc->GetSelection())
            doc->GetSelection()->SelectItem(target, kWholeItem, start.trkBar, true);
    }
    target->SetHorizontalOffset(start.xOffset);
    target->SetVerticalOffset(start.verticalOffset);
    target->SetEnd(end.barIndex - start.barIndex, end.position);
    target->SetEndHorizontalOffset(end.xOffset);
    target->SetEndVerticalOffset(end.verticalOffset);
    if (target->CanEndOnOtherStaff()) {
        CStaff* at = system->FindStaffAt(end.pointX, end.pointY);
        target->SetEndStaffOffset(at ? at->GetIndex() - start.trackIndex : 0);
        if (at) target->SetEndVerticalOffset(at->YToOffset(end.pointY));
    } else {
        target->SetEndStaffOffset(0);
    }
    if (recalc) {
        // The document's recalculation of the bars: the current bar of a track stays.
        const fw::ScopedGlobal<CTrkBar*> keep(g_model.currentTrkBar);
        score->RecalcBars(false);
        if (doc && doc->currentTask) doc->currentTask->SetLayoutChanged();
    } else if (carried) {
        // Left for the next recalculation, which then walks the whole score rather than on
        // from what the last one carried into a later system.
        score->ForgetRecalcStarts();
    }
    return target;
}
