// The insertion point: moving it to a bar, a track, a voice, a page or a time while its
// pointers follow the indices, scrolling the view so that it stays in sight, and converting
// between bars, beats and ticks and the score's absolute time (480 ticks to a quarter note).
#include <algorithm>

#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntryFields.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"
#include "platform/DebugLog.h"

// --- moving the insertion point -------------------------------------------------------------------

void CZelDoc::HideInsertCursor() {
    if (!currentPane || !location.cursorDrawn) return;
    currentPane->CursorOff();
    location.cursorDrawn = 0;
}

void CZelDoc::ShowInsertCursor() {
    if (currentPane) location.insertionPlaced = 1;
}

namespace {
void StatusChanged() {
    if (g_model.statusUpdate) g_model.statusUpdate();
}
}  // namespace

void CZelDoc::SetCurrentBar(int barIndex, bool findStaff) {
    HideInsertCursor();
    location.item = nullptr;
    if (!score || score->GetBarCount() <= 0) return;
    barIndex = std::clamp(barIndex, 0, score->GetBarCount() - 1);
    CBar* bar = score->GetBar(barIndex);
    location.bar = bar;
    location.barIndex = std::int16_t(barIndex);
    CLine* system = bar ? bar->GetLine() : nullptr;
    location.system = system;
    location.systemIndex = system ? system->GetIndex() : 0;
    CPage* page = system ? system->GetPage() : nullptr;
    location.page = page;
    location.pageIndex = page ? page->GetIndex() : 0;

    const int tracks = score->GetTrackCount();
    SetCurrentTrack(std::clamp<int>(location.trackIndex, 0, std::max(0, tracks - 1)));
    if (!findStaff || !system || system->GetStaffCount() <= 0) return;

    const int last = system->GetStaffCount() - 1;
    int s = std::clamp<int>(location.trackIndex, 0, last);
    auto hidden = [system](int i) {
        CStaff* staff = system->GetStaff(i);
        return !staff || !staff->IsShown();
    };
    while (hidden(s) && s > 0) --s;
    while (hidden(s) && s < last) ++s;
    if (hidden(s)) {
        LogText("No visible staves", true);
        if (CStaff* staff = system->GetStaff(s)) staff->SetShown(true);
    }
    if (s != location.trackIndex) SetCurrentTrack(s);
}

void CZelDoc::SetCurrentTrack(int track) {
    HideInsertCursor();
    if (currentPane) currentPane->CursorOff();
    location.trackIndex = track;
    location.track = score ? score->GetTrack(track) : nullptr;
    location.staff = location.system ? location.system->GetStaff(track) : nullptr;
    location.trkBar = score ? score->GetTrkBar(track, location.barIndex) : nullptr;
    NotifyWindows(1, kHintTrackChanged);
    StatusChanged();
}

void CZelDoc::SetCurrentVoice(int voice) {
    HideInsertCursor();
    if (voice < 0) {
        location.voice = 0;
        location.allVoices = 1;
    } else {
        location.voice = std::uint16_t(voice);
        location.allVoices = 0;
    }
    if (selection) selection->ClearAll();
    if (view) view->Invalidate();
    NotifyWindows(1, kHintTaskDone);
    g_model.thruChangePending = true;
    StatusChanged();
}

void CZelDoc::SetCurrentPage(int page) {
    if (!score || page < 0 || page >= score->GetPageCount()) return;
    location.pageIndex = std::uint16_t(page);
    location.page = score->GetPage(page);
    if (view) view->Invalidate();
    StatusChanged();
}

void CZelDoc::BindCurrentPane() {
    if (!view) return;
    const int page = location.arrangementMode == 0 ? 0 : location.pageIndex;
    currentPane = location.arrangementMode == 0 ? view->GetSinglePane() : view->GetPagePane(page);
    if (currentPane) currentPane->SetPage(location.pageIndex);
}

void CZelDoc::ResetInsertionPoint() {
    location.time = 0;
    location.pageIndex = 0;
    location.page = score ? score->GetPage(0) : nullptr;
    if (location.page) location.page->MakeCurrent();
    if (location.page && location.page->GetSystemCount() > 0) {
        SetCurrentBar(0, true);
        location.systemIndex = 0;
        location.system = score->GetLine(0);
        location.bar = location.system && location.system->GetBarCount() > 0 ? location.system->GetFirstBar() : nullptr;
        location.staff = location.system ? location.system->GetStaff(0) : nullptr;
    } else {
        location.bar = nullptr;
        location.system = nullptr;
        location.trkBar = nullptr;
    }
    BindCurrentPane();
}

// --- scrolling ------------------------------------------------------------------------------------

namespace {
constexpr int kPageGapInView = 6;  // pixels between the view's edge and a page, and between pages
}  // namespace

POINT CZelDoc::ChooseScroll(const ScrollScene& s) {
    constexpr int m = kEdgeMargin;
    const int visibleWidth = s.visible.right - s.visible.left;
    const int visibleHeight = s.visible.bottom - s.visible.top;
    const int barWidth = s.barRight - s.barLeft;
    const int cx = s.cursor.x, cy = s.cursor.y, h = s.staffHeight;
    const bool cursorVisible = cx >= s.visible.left && cx < s.visible.right && cy >= s.visible.top &&
                               cy < s.visible.bottom;
    POINT to = s.scroll;

    // Horizontally. A system that fits stays where it is while it is in sight, else the left edge
    // of its page (the gap before it included) comes to the window's.
    if (s.system.right - s.system.left <= visibleWidth - m) {
        const bool inSight = s.system.left >= s.visible.left && s.system.right <= s.visible.right;
        to.x = inSight ? s.scroll.x : std::max<LONG>(0, s.system.left - kPageGapInView);
    } else if (cx <= s.visible.left) {
        if (barWidth < visibleWidth)
            to.x = s.barRight < visibleWidth ? 0 : s.firstBarOfSystem ? s.system.left : s.barLeft;
        else
            to.x = cx - m;
    } else if (cx <= s.visible.right - m && (!s.transportRunning || s.barRight < s.visible.right)) {
        to.x = s.scroll.x;
    } else if (const int edge = s.system.right - visibleWidth + m; cx > edge) {
        to.x = edge;
    } else if (barWidth < visibleWidth) {
        to.x = s.barLeft;
    } else {
        to.x = cursorVisible ? s.scroll.x : cx - m;
    }

    // Vertically.
    const bool staffInView = cy - h >= s.visible.top && cy + h <= s.visible.bottom;
    const int lowestTop = s.system.bottom - visibleHeight;
    if (s.system.bottom - s.system.top + 2 * h <= visibleHeight) {
        const bool systemVisible = s.system.top >= s.visible.top && s.system.bottom <= s.visible.bottom;
        if (staffInView && (systemVisible || !s.transportRunning))
            to.y = s.scroll.y;
        else if (s.firstOnPage)
            to.y = cy < visibleHeight ? 0 : lowestTop;
        else
            to.y = s.system.top;
    } else if (staffInView) {
        to.y = s.scroll.y;
    } else if (cy <= s.visible.top) {
        to.y = cy < visibleHeight ? 0 : cy > lowestTop ? lowestTop : s.scroll.y - (s.visible.top - cy) - h;
    } else if (cy >= s.visible.bottom) {
        to.y = cy < s.system.top + visibleHeight ? s.system.top : cy > lowestTop ? lowestTop : cy - h;
    } else {
        to.y = cy - h <= s.visible.top ? cy - h : cy + h;
    }
    return to;
}

bool CZelDoc::ShowInsertionPoint(int barIndex, bool force) {
    const int oldPage = location.pageIndex;
    SetCurrentBar(barIndex, true);
    if (!view || !location.bar || !location.system) return false;
    bool pageChanged = oldPage != location.pageIndex;
    if (location.arrangementMode == 0) {
        CPagePaneBase* pane = view->GetSinglePane();
        if (pane && pane->GetPageIndex() != location.pageIndex) {
            pane->SetPage(location.pageIndex);
            pageChanged = true;
        }
        currentPane = pane;
    } else if (pageChanged) {
        currentPane = view->GetPagePane(location.pageIndex);
    }

    ScrollScene scene;
    CBar* bar = location.bar;
    CLine* system = location.system;
    // Page positions become the view's: the page's corner lies a gap in from the view's, and over
    // a row or a column of pages a whole page and a gap further on for each page before it.
    constexpr int kGap = kPageGapInView;
    const SIZE page = {viewPageSetup.GetPaperWidth() + kGap, viewPageSetup.GetPaperHeight() + kGap};
    const int n = location.pageIndex;
    const POINT origin{kGap + (location.arrangementMode == 1 ? n * page.cx : 0),
                       kGap + (location.arrangementMode == 2 ? n * page.cy : 0)};
    scene.cursor = {origin.x + bar->FractionToX(location.position),
                    origin.y + (location.staff ? location.staff->GetTopLine() : system->GetTop())};
    const POINT scroll = view->GetScrollPosition();
    const SIZE client = view->GetClientSize();
    scene.scroll = scroll;
    scene.visible = {scroll.x, scroll.y, scroll.x + client.cx - kScrollBarRoom, scroll.y + client.cy - kScrollBarRoom};
    const POINT c = scene.cursor;
    if (c.x >= scene.visible.left && c.x < scene.visible.right && c.y >= scene.visible.top &&
        c.y < scene.visible.bottom)
        force = false;
    scene.barLeft = origin.x + bar->GetLeft();
    scene.barRight = origin.x + bar->GetRight();
    scene.firstBarOfSystem = system->GetFirstBarIndex() == location.barIndex;
    scene.staffHeight = location.staff ? location.staff->GetBottomLine() - location.staff->GetTopLine() : 0;
    scene.transportRunning = PlaybackRunning();
    if (location.arrangementMode == 0) {
        // The system from its page's left edge: brought into sight, the page shows from there.
        const RECT r = system->GetRect();
        scene.system = RECT{origin.x, origin.y + r.top, origin.x + r.right, origin.y + r.bottom};
        scene.firstOnPage = (system->GetLayoutFlags() & CLine::kFirstOnPageBit) != 0;
    } else {
        // Over a row or a column of pages the whole page takes the system's place.
        scene.system = RECT{origin.x, origin.y, origin.x + page.cx - kGap, origin.y + page.cy - kGap};
        scene.firstOnPage = true;
    }
    POINT to = ChooseScroll(scene);
    if (to.x == scroll.x && to.y == scroll.y && !pageChanged) return false;

    if (pageChanged || force) view->Invalidate();
    const RECT range = view->GetScrollRange();
    to.x = std::max<LONG>(range.left, std::min<LONG>(to.x, range.right - client.cx));
    to.y = std::max<LONG>(range.top, std::min<LONG>(to.y, range.bottom - client.cy));
    view->ScrollTo(to);
    if (pageChanged || force) view->Update();
    return pageChanged || force;
}

// --- time -----------------------------------------------------------------------------------------

long CZelDoc::TimeFromBarBeat(int barNumber, int beat, int tick) {
    if (!score) return 0;
    long t = 0;
    const int index = std::clamp(barNumber - 1, 0, std::max(0, score->GetBarCount() - 1));
    for (int b = 0; b < index; ++b) t += score->GetBar(b)->GetLength();
    CBar* bar = score->GetBar(index);
    return t + long(beat - 1) * (bar ? bar->GetBeatLength() : 0) + tick;
}

void CZelDoc::BarBeatFromTime(long ticks, int* barNumber, int* beat, int* tick) {
    int b = 0;
    const int count = score ? score->GetBarCount() : 0;
    while (b < count - 1 && ticks >= score->GetBar(b)->GetLength()) ticks -= score->GetBar(b++)->GetLength();
    const int beatLength = count > 0 ? std::max(1, score->GetBar(b)->GetBeatLength()) : 1;
    *barNumber = b + 1;
    *beat = int(ticks / beatLength) + 1;
    *tick = int(ticks % beatLength);
}

long CZelDoc::GetInsertionTime() {
    long t = 0;
    for (int b = 0; score && b < location.barIndex && b < score->GetBarCount(); ++b) t += score->GetBar(b)->GetLength();
    return t + long(location.time);
}

long CZelDoc::GetScoreLength() {
    long t = 0;
    for (int b = 0; score && b < score->GetBarCount(); ++b) t += score->GetBar(b)->GetLength();
    return t;
}

void CZelDoc::MarkPlayedItems(int barIndex, int time) {
    if (!score) return;
    const auto tell = [time](CBarItem* item) {
        if (!item->IsRemoved() && item->GetTime() < time) item->MarkPlayed();
    };
    if (CBar* bar = score->GetBar(barIndex))
        if (CItemArray* own = bar->GetItemArray())
            for (int i = 0; i < own->GetCount(); ++i)
                if (CScoreItem* item = own->GetItem(i)) tell(ItemCast<CBarItem>(item));
    for (int t = 0; t < score->GetTrackCount(); ++t) trkbar::ForEachLiveItem(score->GetTrkBar(t, barIndex), tell);
}

void CZelDoc::LocateTime(long ticks) {
    HideInsertCursor();
    if (!score || score->GetBarCount() <= 0) return;
    int b = 0;
    while (b < score->GetBarCount() - 1 && ticks >= score->GetBar(b)->GetLength()) ticks -= score->GetBar(b++)->GetLength();
    location.time = double(ticks);
    location.position = score->GetBar(b)->TickToFraction(int(ticks), false);
    SetCurrentBar(b, true);
}

// --- stepping through the items ---------------------------------------------------------------------

CBaseItem* CZelDoc::StepToItem(bool forward, bool byVoicePosition, bool select) {
    const ScoreLocation saved = location;
    HideInsertCursor();
    CBarItem* item = nullptr;
    int barIndex = location.barIndex;
    int head = -1;
    if (CTrkBar* tb = location.trkBar; tb && !byVoicePosition) {
        item = tb->FindAdjacentNoteOrRest(location.position, &barIndex, forward);
    } else if (tb) {
        item = tb->FindNoteOrRestAtX(location.allVoices ? -1 : location.voice, location.position, 0);
        // The next head of the chord from the selected one: down the chord in the direction its
        // stem points, up it in the other, wrapping round.
        if (const int heads = item ? entry::HeadCount(item) : 0; heads > 0) {
            int current = -1;
            for (int h = 0; h < heads && current < 0; ++h)
                if (entry::HeadAt(item, h)[entry::kHeadShape] & kSelectedHeadBit) current = h;
            const int step = forward == entry::IsStemUp(item) ? -1 : 1;
            head = current < 0 ? (step < 0 ? heads - 1 : 0) : (current + step + heads) % heads;
        }
    }
    DeselectAll();
    location = saved;
    if (!item) {
        location.position = 0;
    } else {
        location.position = item->PositionField();
        location.time = item->TimeField();
        SetCurrentBar(barIndex, true);
        if (select && selection) {
            if (head >= 0)
                for (int h = 0; h < entry::HeadCount(item); ++h) {
                    std::uint8_t& shape = entry::HeadAt(item, h)[entry::kHeadShape];
                    shape = std::uint8_t(h == head ? shape | kSelectedHeadBit : shape & ~kSelectedHeadBit);
                }
            selection->MarkItem(item, head >= 0 ? head : CSelect::kWhole, score->GetTrkBar(location.trackIndex, barIndex));
            if (view) view->Invalidate();
        }
    }
    SetCurrentBar(location.barIndex, true);
    ShowInsertionPoint(location.barIndex, false);
    location.item = item;
    ShowInsertCursor();
    return item;
}

// --- bars of a track and the beat points --------------------------------------------------------

void CZelDoc::SetBarByte(int value, int barIndex, bool all) {
    CBar* bar = score ? score->GetBar(barIndex) : nullptr;
    if (!bar) return;
    bar->SetBeatChartStaff(value);
    const bool on = !bar->HasBarFlag(CBar::kBeatChartShownBit);
    bar->SetBarFlag(CBar::kBeatChartShownBit, on);
    if (all)
        for (int b = 0; b < score->GetBarCount(); ++b) {
            CBar* each = score->GetBar(b);
            each->SetBarFlag(CBar::kBeatChartShownBit, on);
            if (on) each->SetBeatChartStaff(value);
        }
    if (view) view->Invalidate();
}

void CZelDoc::InvalidateTrackBar(int barIndex, int track, int kind) {
    CTrkBar* trkBar = score ? score->GetTrkBar(track, barIndex) : nullptr;
    CBar* bar = score ? score->GetBar(barIndex) : nullptr;
    CLine* system = bar ? bar->GetLine() : nullptr;
    CPage* page = system ? system->GetPage() : nullptr;
    CPagePaneBase* pane = page ? GetPagePane(page->GetIndex()) : nullptr;
    if (!trkBar || !pane) return;
    RECT r{};
    if (kind == kTrackBarStaff) {
        CStaff* staff = trkBar->GetStaff();
        const RECT s = staff ? staff->GetRect() : RECT{};
        r = RECT{bar->GetLeft(), s.top, bar->GetLeft() + bar->GetWidth(), s.bottom};
    } else {
        trkBar->GetRect(&r);
    }
    pane->InvalidatePageRect(r);
}

void CZelDoc::RedrawTrackBar(int barIndex, int track, int kind) {
    CTrkBar* trkBar = score ? score->GetTrkBar(track, barIndex) : nullptr;
    if (!trkBar) return;
    if (currentPane) currentPane->CursorOff();
    location.cursorDrawn = 0;
    trkBar->SetCurrent();
    InvalidateTrackBar(barIndex, track, kind);
}
