// The select tool's click in a page pane: Shift extends the selection, Ctrl on a bar with its
// handles shown marks bars, a double click opens the properties of what lies there, a press on
// something draggable starts its drag (the whole selection when one of several selected items
// is pressed) and a press on empty paper selects there, by a click or a rubber band.
#include <cstdint>

#include "framework/App.h"
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/DocumentStandIns.h"
#include "model/DragTask.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreItem.h"
#include "model/Select.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntryFields.h"
#include "model/ZelDoc.h"
#include "platform/PlatformGlobals.h"
#include "platform/StdDlgGlobals.h"
#include "view/DragGroup.h"
#include "view/LayoutDrags.h"
#include "view/PagePane.h"

namespace {

// What the page's hit order found, by kind.
enum : int {
    kNothing = 0, kItem = 1, kBar = 2, kBracket = 3, kHandle = 4, kTrackName = 5, kStaff = 6, kTitle = 7,
    kMeter = 8, kKeyArea = 9, kClefArea = 10, kMeterArea = 11,
};
constexpr int kDragName = 4900, kSetHeadName = 4903;
constexpr int kNoteHitTool = 903;
constexpr int kBarMarksCommand = 927;
constexpr int kKeySigCommand = 34005, kTrackCommand = 33009, kMeterCommand = 34006;
constexpr std::uint8_t kTablatureHeadsBit = 0x80;  // a note's byte 21: its heads have tablature shapes
constexpr std::uint8_t kHeadMarkBit = 0x02;

bool NoteLike(CScoreItem* it) { return it && it->IsNoteOrRawNote(); }

int MarkedHeads(CBarItem* note) {
    int n = 0;
    for (int h = 0; h < entry::HeadCount(note); ++h) n += (entry::HeadAt(note, h)[entry::kHeadShape] & kHeadMarkBit) != 0;
    return n;
}

}  // namespace

CDragTask* CPagePane::OnSelectTool(int x, int y, CScoreItem* item) {
    CSelect* sel = document ? document->GetSelection() : nullptr;
    if (!sel || !score || !location) return nullptr;
    SetCaretEnabled(false);
    sel->Recount();
    const int dataMode = g_model.dataDisplayKind;
    const int clearMode = dataMode != 0 ? CSelect::kRectNotes : CSelect::kRectAll;
    sel->SetRectMode(clearMode);
    const bool shift = g_platform.shiftDown != 0, ctrl = g_platform.ctrlDown != 0;
    const int clicks = g_ui.clickCount;
    auto* barItem = item && item->ClassTestC() ? static_cast<CBarItem*>(item) : nullptr;

    if (shift && sel->GetItemCount() > 0) {
        sel->ExtendToPoint(barItem);
        return nullptr;
    }
    // A bar hit names its bar (for a jumper of a linked bar, the bar that owns it), which the
    // located point may lie beside.
    if (hitKind == kBar && g_model.hitBar) {
        location->bar = g_model.hitBar;
        location->barIndex = std::int16_t(g_model.hitBar->GetIndex());
        if (g_model.hitTrkBar && location->trackIndex == 0) location->trkBar = g_model.hitTrkBar;
    }
    sel->SetAnchor(*location);
    bool group = sel->GetItemCount() > 1;
    int kind = hitKind;

    if (!item) {
        if (dataMode == 0 && kind == kTitle) {
            if (clicks >= 2) {
                ShowItemProperties(x, y, nullptr);
                return nullptr;
            }
            auto* title = new (std::nothrow) CDragTitleItem;
            if (title) title->BeginTitle(document, g_model.hitTitle);
            return title;
        }
        kind = kNothing;
    } else {
        if (dataMode != 0 && !NoteLike(item) && !item->IsStaff()) return nullptr;
        if (!ctrl) {
            const bool selected = barItem && barItem->IsSelectedBit();
            if (!selected) PrepareForTool();
            group = selected && group;
            if (!group && NoteLike(item) && MarkedHeads(barItem) > 1) group = true;
            if (barItem && group && !item->IsKeySig()) {
                auto* drag = new (std::nothrow) CDragGroup;
                if (drag) drag->Begin(document, item, kDragName);
                return drag;
            }
        }
        if (NoteLike(item) && ctrl && (entry::Byte(barItem, entry::kNoteFlags) & kTablatureHeadsBit)) {
            auto* drag = new (std::nothrow) CDragTask;
            if (drag) drag->Begin(document, item, kSetHeadName);
            return drag;
        }
        if (!ctrl) PrepareForTool();
    }

    if (clicks < 2) {
        const bool handlesShown = location->handles && !document->handlesHidden;
        if (kind == kBar && ctrl && handlesShown) {
            CBar* bar = location->bar ? location->bar : score->GetBar(location->barIndex);
            if (!bar) return nullptr;
            if (!shift) {
                bar->SetBarFlag(CBar::kSpacingLockedBit, !bar->HasBarFlag(CBar::kSpacingLockedBit));
                CPage* page = score->GetPage(pageNumber);
                const int grow = location->staff ? location->staff->GetLineSpacing() : 0;
                if (CLine* line = bar->GetLine(); line && page) {
                    const RECT paper = page->GetPaperRect();
                    const RECT r = line->GetRect();
                    RedrawRect(RECT{bar->GetLeft() - grow - paper.left, r.top - grow - paper.top,
                                    bar->GetRight() + grow - paper.left, r.bottom + grow - paper.top});
                }
            } else {
                const bool mark = !bar->HasBarFlag(CBar::kSpacingLockedBit);
                for (int b = 0; b <= score->GetBarCount() - 2; ++b)
                    if (CBar* each = score->GetBar(b)) each->SetBarFlag(CBar::kSpacingLockedBit, mark);
                if (CWinApp* app = AfxGetApp()) app->OnCmdMsg(UINT(kBarMarksCommand), 0);
            }
            return nullptr;
        }
    } else {
        if (ctrl && kind != kNothing) return nullptr;
        if (clicks == 2 && ShowItemProperties(x, y, item)) return nullptr;
    }

    if (!shift && !ctrl) {
        if (!item) {
            PrepareForTool();
            group = false;
        } else if (barItem && (!item->IsNoteOrRest() || g_model.hitTool == kNoteHitTool) &&
                   (!barItem->IsSelectedBit() ||
                    (NoteLike(item) && g_model.hitPart >= 0 && g_model.hitPart < entry::HeadCount(barItem) &&
                     !(entry::HeadAt(barItem, g_model.hitPart)[entry::kHeadShape] & kHeadMarkBit)))) {
            PrepareForTool();
            group = false;
        }
    }

    CPage* page = score->GetPage(location->pageIndex);
    CLine* system = score->GetLine(location->systemIndex);
    if (!page || page->GetSystemCount() <= 0 || !system || system->GetBarCount() <= 0) return nullptr;

    CBar* keptBar = score->GetBar(location->barIndex);
    CTrkBar* keptTrkBar = location->trkBar;
    g_model.currentPage = page;
    CDragTask* task = nullptr;
    switch (kind) {
        case kItem:
            if (barItem && group && !item->IsKeySig()) {
                task = new (std::nothrow) CDragGroup;
                break;
            }
            if (item->IsOttava() && barItem && keptTrkBar) {
                // An octave line over several bars is dragged from its record in the first.
                CBar* scanBar = keptBar;
                CTrkBar* scanTrkBar = keptTrkBar;
                while (scanTrkBar) {
                    CBarItem* found = scanTrkBar->FindOttava(barItem);
                    if (!found) break;
                    barItem = found;
                    item = found;
                    keptBar = scanBar;
                    keptTrkBar = scanTrkBar;
                    if (!scanBar || scanBar->GetIndex() == 0) break;
                    scanBar = score->GetBar(scanBar->GetIndex() - 1);
                    scanTrkBar = scanTrkBar->Neighbour(-1);
                }
            }
            task = item->CreateDragTask();
            if (item->IsNoteRestOrRawNote() && barItem) {
                location->time = barItem->TimeField();
                location->position = barItem->PositionField();
            }
            break;
        case kBar:
            if (item && item->IsText()) {
                auto* drag = new (std::nothrow) CDragTask;
                if (drag) drag->Begin(document, item, kDragName);
                return drag;
            }
            task = keptBar ? keptBar->CreateDrag(g_model.hitKind) : nullptr;
            break;
        case kBracket: task = new (std::nothrow) CDragBracket; break;
        case kHandle: {
            auto* drag = new (std::nothrow) CDragIndicator;
            if (drag) drag->Begin(document, item, kDragName);
            return drag;
        }
        case kTrackName:
            if (location->track) {
                item = location->track;
                task = location->track->CreateDragTask();
            }
            break;
        case kStaff:
            if (location->staff) {
                item = location->staff;
                task = location->staff->CreateDragTask();
            }
            break;
        case kMeter: task = new (std::nothrow) CDragHollywood; break;
        default:
            if (dataMode < 3) {
                sel->SetRectMode(clearMode);
                CPage* shown = score->GetPage(pageNumber);
                const RECT paper = shown ? shown->GetPaperRect() : RECT{};
                sel->TrackRubberBand(int(x - paper.left), int(y - paper.top));
            }
            return nullptr;
    }

    g_model.currentBar = keptBar;
    g_model.currentTrkBar = keptTrkBar;
    location->bar = keptBar;
    location->trkBar = keptTrkBar;
    if (keptBar) {
        location->barIndex = std::int16_t(keptBar->GetIndex());
        if (CLine* line = keptBar->GetLine()) {
            location->system = line;
            g_model.currentLine = line;
            if (CPage* p = score->GetPage(line->GetPageIndex())) {
                location->page = p;
                location->pageIndex = std::uint16_t(p->GetIndex());
                g_model.currentPage = p;
            }
        }
    }
    if (task) task->Begin(document, kind == kItem || kind == kBar || kind == kTrackName || kind == kStaff ? item : nullptr, kDragName);
    return task;
}

bool CPagePane::ShowItemProperties(int x, int y, CScoreItem* item) {
    HideCaret();
    if (!document || !score) return false;
    if (!item) {
        if (hitKind != kTitle) return false;
        if (document->EditTitles(g_model.hitTitle)) document->InvalidatePanes();
        return true;
    }
    switch (hitKind) {
        case kBar:
            if (CBar* bar = score->GetBar(location->barIndex)) static_cast<CScoreItem*>(bar)->OpenProperties(x, y);
            break;
        case kKeyArea: document->OnCommandRange(kKeySigCommand); break;
        case kClefArea: document->OnCommandRange(kTrackCommand); break;
        case kMeter:
        case kMeterArea: document->OnCommandRange(kMeterCommand); break;
        default: item->OpenProperties(x, y); break;
    }
    if (CSelect* sel = document->GetSelection()) sel->FlushDirtyRects();
    return true;
}
