// The rubber band of the select tool: a rectangle drawn by inversion from the press to the
// pointer while the button is down, and the selection of what lies inside it on release.
#include <algorithm>

#include "framework/DC.h"
#include "framework/Gdi.h"
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/Select.h"
#include "model/System.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntryFields.h"
#include "model/ZelDoc.h"
#include "platform/Pane.h"
#include "platform/PlatformGlobals.h"
#include "platform/Port.h"
#include "platform/PortLayer.h"
#include "platform/StdDlgGlobals.h"

namespace {

constexpr std::uint8_t kBoxedBit = 0x01;

RECT Normalised(POINT a, POINT b) {
    return RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

bool IsEmptyBand(const RECT& r) { return r.right <= r.left && r.bottom <= r.top; }

// Follows the pointer with the band, drawn and erased by inversion on the pane's port.
class BandTracker : public CMouseTask {
public:
    BandTracker(CPagePaneBase& pane) : pane(pane) {}
    void MouseDown(POINT start) override { band = Normalised(start, start); }
    void MouseMove(POINT current, POINT previous, POINT start) override {
        if (current.x == previous.x && current.y == previous.y) return;
        Erase();
        // Leaving what the view shows scrolls it.
        pane.AutoScroll(current);
        band = Normalised(start, current);
        Draw();
        // A move makes the press a single click.
        g_ui.clickCount = 1;
    }
    void MouseUp(POINT current, POINT, POINT start) override {
        Erase();
        band = Normalised(start, current);
    }
    RECT band{};

private:
    void Frame() {
        CDC* dc = GetCurrentPort();
        if (!dc) return;
        dc->SetROP2(R2_NOT);
        CGdiObject* brush = dc->SelectStockObject(NULL_BRUSH);
        dc->Rectangle(band.left, band.top, band.right + 1, band.bottom + 1);
        if (brush) dc->SelectObject(static_cast<CBrush*>(brush));
        dc->SetROP2(R2_COPYPEN);
    }
    void Draw() {
        Frame();
        drawn = true;
    }
    void Erase() {
        if (!drawn) return;
        Frame();
        drawn = false;
    }
    CPagePaneBase& pane;
    bool drawn = false;
};

}  // namespace

void CSelect::TrackRubberBand(int x, int y, bool zoomTool) {
    BindDocument();
    if (!document || !score) return;
    CPagePaneBase* pane = document->currentPane;
    if (!pane) return;
    const int pageIndex = pane->GetPageIndex();
    CPage* page = score->GetPage(pageIndex);
    if (!page) return;
    const RECT paper = page->GetPaperRect();

    BandTracker tracker(*pane);
    pane->TrackMouse(&tracker, POINT{x, y});
    const RECT band = tracker.band;
    const RECT pageBand{band.left + paper.left, band.top + paper.top, band.right + paper.left, band.bottom + paper.top};
    const bool shift = g_platform.shiftDown != 0, ctrl = g_platform.ctrlDown != 0;
    const bool emptyBand = IsEmptyBand(band);
    lastBand = emptyBand ? RECT{} : pageBand;

    if (zoomTool) {
        if (ctrl)
            document->ZoomStep(false);
        else
            document->ZoomToRect(pageBand);
        return;
    }
    const ScoreLocation& L = document->location;
    CLine* line = score->GetLine(L.systemIndex);
    bool selectRect = true;
    if (line && x + paper.left < line->GetLeft()) {
        // The track-name margin.
        invalidRect = pageBand;
        if (g_ui.clickCount == 2) {
            StartWaitCursor(true);
            SelectTracks(L.trackIndex, L.trackIndex, shift);
            StartWaitCursor(false);
            return;
        }
    } else if (g_ui.clickCount == 2 || (shift && emptyBand)) {
        SelectAtInsertionPoint();
        // A Shift click has done its work; a double click goes on to box its bar.
        if (g_ui.clickCount != 2) selectRect = false;
    }
    if (!shift && !ctrl && g_ui.clickCount == 2 && emptyBand) {
        ClearAll();
        SelectAtInsertionPoint();
        if (CTrkBar* tb = score->GetTrkBar(L.trackIndex, L.barIndex)) {
            tb->SetFlags(std::uint8_t(tb->GetFlags() | kBoxedBit));
            RECT r;
            AddDirtyRect(*tb->GetRect(&r), tb->GetPageIndex());
        }
    } else if (selectRect && rectMode != kRectNone) {
        invalidRect = pageBand;
        SelectInRect();
    }
    if (itemCount == 0) document->OnCommandRange(kNothingSelectedCommand);
    if (rectMode != kRectNone) document->OnCommandRange(kSelectionChangedCommand);
    rectMode = kRectAll;
    FlushDirtyRects();
}

void CSelect::SelectInRect() {
    BindDocument();
    if (!document || !score) return;
    const std::uint8_t routing = document->redrawIntoTask;
    document->redrawIntoTask = 0;
    const int pageIndex = document->currentPane ? document->currentPane->GetPageIndex() : document->location.pageIndex;
    lower[kExtentPage] = std::int16_t(std::min<int>(lower[kExtentPage], pageIndex));
    upper[kExtentPage] = std::int16_t(std::max<int>(upper[kExtentPage], pageIndex));
    CPage* page = score->GetPage(pageIndex);
    const bool dataShown = g_model.dataDisplayKind != 0;
    const RECT rect = invalidRect;
    for (int k = 0; page && k < page->GetSystemCount(); ++k) {
        CLine* line = score->GetLine(page->GetFirstSystem() + k);
        if (!line) break;
        const bool shown = PageShown(line->GetPageIndex());
        if (shown) g_model.currentPage = score->GetPage(line->GetPageIndex());
        const int first = line->GetFirstBarIndex(), last = first + line->GetBarCount() - 1;
        for (int t = 0; t < score->GetTrackCount(); ++t)
            for (int b = first; b <= last; ++b) {
                CTrkBar* tb = score->GetTrkBar(t, b);
                if (!tb) continue;
                tb->SetCurrent();
                if (tb->GetFlags() & kBoxedBit) {
                    ++boxedCount;
                    RECT r;
                    AddDirtyRect(*tb->GetRect(&r), tb->GetPageIndex());
                }
                for (CBarItem* item = tb->GetItems(); item && item->TypeCode() != 255; item = item->NextItem()) {
                    if (item->IsRemoved() || !score->IsItemInShownVoice(item) || !item->ClassTestC() || !shown) continue;
                    item->VerifyTrack();
                    if (item->IsNoteOrRest()) {
                        if (item->IntersectsRect(rect)) {
                            if (item->IsNote()) {
                                // The first head the rectangle marked is the part.
                                int part = kWhole;
                                for (int h = 0; h < entry::HeadCount(item) && part == kWhole; ++h)
                                    if (entry::HeadAt(item, h)[entry::kHeadShape] & 0x02) part = h;
                                MarkItem(item, part, tb);
                            } else if (!dataShown) {
                                MarkItem(item, kWhole, tb);
                            }
                        }
                    } else if (rectMode != kRectNotes && item->IntersectsRect(rect)) {
                        MarkItem(item, kWhole, tb);
                    }
                    if (!item->IsData() && item->IsSelectedBit() && !(rectMode == kRectNotes && !dataShown)) item->Invalidate();
                }
            }
    }
    Recount();
    FlushDirtyRects();
    document->redrawIntoTask = routing ? routing : 1;
}
