// The bracket, placement-handle and title-block drags of the select tool.
#include "view/LayoutDrags.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/Meter.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"
#include "platform/Handles.h"
#include "platform/PlatformGlobals.h"

namespace {

constexpr int kDragName = 4900;
constexpr int kTitleName = 6410;
constexpr int kPlacementLines = 100;  // the staff's placement words A-E
constexpr int kLyricLines = 84;       // the staff's eight lyric line offsets
constexpr int kLowestD = -240;

void InvalidatePage(CZelDoc* doc, int page) {
    if (!doc) return;
    if (CPagePaneBase* pane = doc->GetPagePane(page)) pane->Invalidate();
}

}  // namespace

int LayoutDragRange(CScore& score, int line) {
    if (g_platform.ctrlDown) return score.GetLineCount() - line;
    if (g_platform.altDown) {
        CLine* l = score.GetLine(line);
        CPage* page = l ? score.GetPage(l->GetPageIndex()) : nullptr;
        if (page) return page->GetFirstSystem() + page->GetSystemCount() - line;
    }
    return 1;
}

// --- the bracket -----------------------------------------------------------------------------------

void CDragBracket::Begin(CZelDoc* doc, CScoreItem* hit, int nameId) {
    CDragTask::Begin(doc, nullptr, nameId);
    if (!doc || !score) return;
    line = doc->location.systemIndex;
    staff = doc->location.trackIndex;
    slot = std::clamp(g_model.currentBracketSlot, 0, CStaff::kBracketSlots - 1);
    SaveAll();
}

void CDragBracket::BeginItemDrag() {}

void CDragBracket::MoveItemDrag() {
    CLine* l = score ? score->GetLine(line) : nullptr;
    CStaff* s = l && staff < l->GetStaffCount() ? l->GetStaff(staff) : nullptr;
    if (!s) return;
    std::uint8_t* b = s->Bracket(slot);
    const int width = rec::Get<std::int16_t>(b, CStaff::kBracketWidth);
    const int x = std::min(rec::Get<std::int16_t>(b, CStaff::kBracketX) + unitDx, -width);
    rec::Put<std::int16_t>(b, CStaff::kBracketX, std::int16_t(x));
    InvalidatePage(document, l->GetPageIndex());
}

void CDragBracket::EndItemDrag() {
    if (!moved || !score) return;
    CLine* l = score->GetLine(line);
    CStaff* s = l && staff < l->GetStaffCount() ? l->GetStaff(staff) : nullptr;
    if (!s) return;
    const std::int16_t x = rec::Get<std::int16_t>(s->Bracket(slot), CStaff::kBracketX);
    const int n = LayoutDragRange(*score, line);
    for (int k = line; k < line + n && k < score->GetLineCount(); ++k) {
        CLine* each = score->GetLine(k);
        if (!each || staff >= each->GetStaffCount()) continue;
        rec::Put<std::int16_t>(each->GetStaff(staff)->Bracket(slot), CStaff::kBracketX, x);
        each->UpdateBrackets();
        InvalidatePage(document, each->GetPageIndex());
    }
    SetLayoutChanged();
}

// --- the placement handles ---------------------------------------------------------------------------

std::int16_t CDragIndicator::Word(const CStaff& s, int h) {
    if (h >= 5 && h <= 12) return rec::Get<std::int16_t>(&s, std::size_t(kLyricLines + 2 * (h - 5)));
    return rec::Get<std::int16_t>(&s, std::size_t(kPlacementLines + 2 * std::clamp(h, 0, 4)));
}

void CDragIndicator::SetWord(CStaff& s, int h, int v) {
    if (h >= 5 && h <= 12)
        rec::Put<std::int16_t>(&s, std::size_t(kLyricLines + 2 * (h - 5)), std::int16_t(v));
    else
        rec::Put<std::int16_t>(&s, std::size_t(kPlacementLines + 2 * std::clamp(h, 0, 4)), std::int16_t(v));
}

CStaff* CDragIndicator::Staff() const {
    CLine* l = score ? score->GetLine(line) : nullptr;
    return l && staff < l->GetStaffCount() ? l->GetStaff(staff) : nullptr;
}

void CDragIndicator::Begin(CZelDoc* doc, CScoreItem* hit, int nameId) {
    handle = g_model.hitHandleKind;
    CDragTask::Begin(doc, nullptr, nameId);
    if (!doc || !score) return;
    line = doc->location.systemIndex;
    staff = doc->location.trackIndex;
    if (handle == 1 && !SaveTrackBars(0, score->GetTrackCount() - 1)) {
        handle = -1;
        return;
    }
    SaveLines();
}

void CDragIndicator::SetContext() {
    CDragTask::SetContext();
    if (CLine* l = score ? score->GetLine(line) : nullptr) l->MakeCurrent();
}

void CDragIndicator::MoveItemDrag() {
    CStaff* s = Staff();
    if (!s || handle < 0) return;
    const int step = unitDy;
    switch (handle) {
        case 0:
        case 2:
        case 4: SetWord(*s, handle, Word(*s, handle) + step); break;
        case 3: SetWord(*s, handle, std::min(Word(*s, handle) + step, kLowestD)); break;
        case 1:
            if (step != 0) SetWord(*s, 1, std::clamp(s->YToPosition(current.y), -32, 32));
            break;
        default: {
            // The hit lyric line and every later one move, until one would come closer than
            // the gap to the one before it.
            for (int h = handle; h <= 12; ++h) {
                const int want = Word(*s, h) + step;
                if (h > handle && std::abs(want - Word(*s, h - 1)) < kLyricGap) break;
                SetWord(*s, h, want);
            }
            break;
        }
    }
    if (CLine* l = score->GetLine(line)) InvalidatePage(document, l->GetPageIndex());
}

void CDragIndicator::EndItemDrag() {
    if (g_platform.shiftDown) undoable = 1;
    if ((!moved && !g_platform.shiftDown) || handle < 0 || !score) return;
    CStaff* s = Staff();
    if (!s) return;
    const int n = LayoutDragRange(*score, line);
    const int lo = handle, hi = handle >= 5 ? 12 : handle;
    for (int k = line; k < line + n && k < score->GetLineCount(); ++k) {
        CLine* each = score->GetLine(k);
        if (!each || staff >= each->GetStaffCount()) continue;
        CStaff* target = each->GetStaff(staff);
        for (int h = lo; h <= hi; ++h) SetWord(*target, h, Word(*s, h));
        document->AddDirtyRect(each->GetRect(), each->GetPageIndex());
        // The items that hang on the moved line are drawn again where it now lies.
        for (int b = each->GetFirstBarIndex(); b < each->GetFirstBarIndex() + each->GetBarCount(); ++b) {
            CTrkBar* tb = score->GetTrkBar(staff, b);
            if (!tb) continue;
            tb->SetCurrent();
            trkbar::ForEachLiveItem(tb, [&](CBarItem* it) {
                const bool hangs = (handle == 0 && (it->IsChord() || it->IsGuitarFrame())) ||
                                   (handle == 2 && (it->IsDynamic() || it->IsCresc())) || (handle >= 5 && it->IsLyric());
                if (hangs) it->Invalidate();
            });
        }
    }
    SetLayoutChanged();
}

// --- the large time signature ------------------------------------------------------------------

int CDragHollywood::Word(const CBar& b, int which) {
    return rec::Get<std::int16_t>(&b, std::size_t(CBar::kMeterDisplayWords + 2 * which));
}

void CDragHollywood::SetWord(CBar& b, int which, int value) {
    rec::Put<std::int16_t>(&b, std::size_t(CBar::kMeterDisplayWords + 2 * which), std::int16_t(value));
}

CBar* CDragHollywood::Bar() const { return score ? score->GetBar(bar) : nullptr; }

void CDragHollywood::Begin(CZelDoc* doc, CScoreItem* hit, int nameId) {
    handle = std::clamp(g_model.currentMeterPart, 0, 3);
    CDragTask::Begin(doc, nullptr, nameId);
    axisLockAllowed = 0;  // Shift widens the signature here
    if (!doc || !score) return;
    bar = doc->location.barIndex;
    SetLayoutChanged();
    // A bar array that cannot be saved is the out-of-memory error of the first move, inside
    // the pane's mouse loop, which gives the score back.
    noSnapshot = !SaveBarArray();
}

void CDragHollywood::MoveItemDrag() {
    if (noSnapshot) ThrowOutOfMemory();
    CBar* b = Bar();
    CLine* line = b ? b->GetLine() : nullptr;
    if (!b || !line) return;
    const int k = std::max(1, 4 / std::max(1, line->ScaleToView(1)));
    const int mx = k * (current.x - previous.x);
    int my = k * (current.y - previous.y);
    if (handle == 0 || handle == 2) my = -my;
    const bool shift = g_platform.shiftDown != 0;
    if (handle <= 1) {
        if (!shift) {
            SetWord(*b, kHorizontal, std::clamp(Word(*b, kHorizontal) + mx, -72, 72));
            SetWord(*b, kVertical, std::clamp(Word(*b, kVertical) + my, 0, 72));
        } else {
            SetWord(*b, kWidth, std::clamp(Word(*b, kWidth) + mx, 1, 72));
        }
    } else if (b->GetMeter() && (rec::Get<std::uint8_t>(b->GetMeter(), Meter::kKindFlags) & Meter::kKindDisplay)) {
        const int own = handle == 2 ? kUpperSpacing : kLowerSpacing, other = handle == 2 ? kLowerSpacing : kUpperSpacing;
        const int v = std::clamp(Word(*b, own) + my, -36, 36);
        SetWord(*b, own, v);
        if (shift) SetWord(*b, other, v);
    }
    if (CPage* page = b->GetPage()) InvalidatePage(document, page->GetIndex());
}

void CDragHollywood::EndItemDrag() {
    CBar* b = Bar();
    if (!moved || !b || !score || !g_platform.ctrlDown) return;
    // Every bar takes the dragged bar's words: the placement and width, or the spacing word.
    for (int i = 0; i < score->GetBarCount(); ++i) {
        CBar* each = score->GetBar(i);
        if (!each || each == b) continue;
        if (handle <= 1) {
            for (const int w : {kWidth, kHorizontal, kVertical}) SetWord(*each, w, Word(*b, w));
        } else {
            const int own = handle == 2 ? kUpperSpacing : kLowerSpacing;
            SetWord(*each, own, Word(*b, own));
        }
    }
}

// --- the title blocks ------------------------------------------------------------------------------

void CDragTitleItem::BeginTitle(CZelDoc* doc, int i) {
    CDragTask::Begin(doc, nullptr, kTitleName);
    index = std::clamp(i, 0, TitleBlock::kBlocks - 1);
    if (doc) std::memcpy(static_cast<void*>(&copy), &doc->titles[index], sizeof(TitleBlock));
}

void CDragTitleItem::MoveItemDrag() {
    if (!document) return;
    TitleBlock& t = document->titles[index];
    t.yOffset = std::int16_t(t.yOffset + unitDy);
    const int page = g_model.dragStart.pageIndex;
    const bool mirrored = t.flip != 0 && (page % 2) != (t.startPage % 2);
    t.xOffset = std::int16_t(mirrored ? t.xOffset - unitDx : t.xOffset + unitDx);
}

void CDragTitleItem::EndItemDrag() {
    if (document) document->InvalidatePanes();
}

void CDragTitleItem::SwapSnapshot() {
    if (!document) return;
    TitleBlock live;
    std::memcpy(static_cast<void*>(&live), &document->titles[index], sizeof(TitleBlock));
    std::memcpy(static_cast<void*>(&document->titles[index]), &copy, sizeof(TitleBlock));
    std::memcpy(static_cast<void*>(&copy), &live, sizeof(TitleBlock));
    document->InvalidatePanes();
}
