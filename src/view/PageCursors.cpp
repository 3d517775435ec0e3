// The marks a page pane keeps over its page without repainting it: the blinking caret and the
// note-entry preview, all drawn by inversion; and the grid.
#include <algorithm>

#include "framework/Arith.h"
#include "model/Bar.h"
#include "model/Page.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/ZelDoc.h"
#include "framework/Clock.h"
#include "framework/Screen.h"
#include "model/DocumentStandIns.h"
#include "model/Meter.h"
#include "platform/Artist.h"
#include "platform/Port.h"
#include "view/PagePane.h"
#include "view/ViewGlobals.h"
#include "view/ViewStandIns.h"
#include "view/ZelView.h"

namespace {
constexpr int kCaretReach = 4;  // the caret runs this far above and below the staff
constexpr int kGridColor = 138, kGridDarkColor = 139;
}  // namespace

void CPagePane::InvertCaret() {
    CClientDC dc(this);
    dc.SetROP2(R2_NOT);
    for (int x = int(caretRect.left); x <= int(caretRect.left) + 1; ++x) {
        dc.MoveTo(x, int(caretRect.top));
        dc.LineTo(x, int(caretRect.bottom));
    }
    dc.SetROP2(R2_COPYPEN);
}

void CPagePane::BlinkCaret() {
    if (!location || !score || !IsWindow()) return;
    CLine* system = location->system;
    CBar* bar = location->bar;
    CPage* page = score->GetPage(pageNumber);
    if (system && bar && page && location->systemIndex >= 0 && location->systemIndex < score->GetLineCount() &&
        system->GetPageIndex() == pageNumber) {
        const RECT paper = page->GetPaperRect();
        if (!location->cursorDrawn) {
            const int x = bar->FractionToX(location->position) - int(paper.left);
            CStaff* staff = system->GetStaff(location->trackIndex);
            const int top = staff ? int(staff->GetTopLine()) : int(system->GetTop());
            const int bottom = staff ? int(staff->GetBottomLine()) : top;
            caretRect = {x, top - kCaretReach - int(paper.top), x, bottom + kCaretReach - int(paper.top)};
        }
        location->cursorDrawn = location->cursorDrawn ? 0 : 1;
        InvertCaret();
    }
    if (!IsUnderPointer()) DrawPreview(false);
}

void CPagePane::HideCaret() {
    if (location && location->cursorDrawn && IsWindow()) InvertCaret();
    if (location) location->cursorDrawn = 0;
    HidePlaybackCursor();
    DrawPreview(true);
}

void CPagePane::CursorOff() { HideCaret(); }

void CPagePane::SetCaretEnabled(bool on) {
    if (!on && location && location->cursorDrawn) HideCaret();
    if (location) location->insertionPlaced = on ? 1 : 0;
}

void CPagePane::ForgetMarks() {
    if (document && document->playbackShown) {
        g_view.lastPlayBeat = -1;
        document->playbackShown = 0;
        InvalidateRect(&playbackRect, FALSE);
    }
    if (location && location->cursorDrawn) {
        location->cursorDrawn = 0;
        RECT r{caretRect.left, caretRect.top, caretRect.right + 2, caretRect.bottom + 1};
        InvalidateRect(&r, FALSE);
    }
    DrawPreview(true);
}

void CPagePane::DrawGrid(CPage& page) {
    CArtist* a = GetArtist();
    if (!a || !document) return;
    const bool metric = g_preferences.Byte(Preferences::kMetric) != 0;
    const int units = metric ? 7200 : 72;
    const int per = metric ? 4 * 254 : 8;
    const int dark = metric ? 4 : 8;
    const int zoom = document->GetZoom(), size = std::max(1, int(document->GetScoreSize()));
    const RECT paper = page.GetPaperRect();
    auto at = [&](int i) { return MulDiv(MulDiv(i, units, per), zoom, size); };
    for (int i = 0;; ++i) {
        const int y = int(paper.top) + at(i);
        if (y >= paper.bottom) break;
        a->SetColor(i % dark == 0 ? kGridDarkColor : kGridColor);
        a->MoveTo(int(paper.left), y);
        a->LineTo(int(paper.right), y);
    }
    for (int i = 0;; ++i) {
        const int x = int(paper.left) + at(i);
        if (x >= paper.right) break;
        a->SetColor(i % dark == 0 ? kGridDarkColor : kGridColor);
        a->MoveTo(x, int(paper.top));
        a->LineTo(x, int(paper.bottom));
    }
    a->SetColor(0);
}

bool CPagePane::IsUnderPointer() const {
    POINT p;
    fw::GetCursorPos(&p);
    return CWnd::WindowFromPoint(p) == this;
}

void CPagePane::DrawPreview(bool keep) {
    g_view.previewShown = 0;
    if (!keep) previewStaff = -1;
}

// --- the tick and the playback cursor ---------------------------------------------------------------

namespace {
constexpr int kTicksPerSecond = 60;
constexpr int kPastEndWait = 6;      // ticks past the end before playing stops
constexpr int kCountOffStop = 100;   // the count-off value a stop while recording sets
constexpr int kPlaybackColor = 2;

int NowTicks() { return int(std::int64_t(fw::GetTickCount()) * kTicksPerSecond / 1000); }
}  // namespace

void CPagePane::OnTick() {
    if (!location || !score || !document || !location->page || location->page->GetSystemCount() <= 0 ||
        score->GetTrackCount() <= 0)
        return;
    if (!PlaybackRunning()) {
        if (!IsUnderPointer()) DrawPreview(false);
        const int now = NowTicks();
        if (now > document->caretDeadline) {
            document->caretDeadline = now + int(fw::GetCaretBlinkTime()) * kTicksPerSecond / 1000;
            if (location->insertionPlaced && !textEditor) BlinkCaret();
        }
        return;
    }
    if (Performer::GetScore() == score) FollowPlayback();
}

void CPagePane::FollowPlayback() {
    int bar = 0, beat = 0, tick = 0;
    Performer::GetPosition(&bar, &beat, &tick);
    const int last = score->GetBarCount() - 1;
    if (bar >= 0 && bar <= last) {
        pastEndTicks = 0;
        CBar* b = score->GetBar(bar);
        if (!b) return;
        if (beat != g_view.lastPlayBeat || bar != g_view.lastPlayBar) {
            SetPlaybackCursorEnabled(false);
            g_view.lastPlayBar = std::int16_t(bar);
            g_view.lastPlayBeat = std::int16_t(beat);
            location->position = 0;
            location->time = 0;
            CLine* line = b->GetLine();
            document->ShowInsertionPoint(bar, line && line->GetFirstBarIndex() == bar);
            CPagePane* pane = dynamic_cast<CPagePane*>(document->currentPane);
            if (!pane) pane = this;
            pane->SetPlaybackCursorEnabled(true);
            pane->TogglePlaybackCursor();
        }
        const Meter* meter = b->GetMeter();
        const int perBeat = meter ? meter->GetTicksPerBeat() : 480;
        location->barIndex = std::int16_t(bar);
        location->time = double(beat) * perBeat + tick;
        return;
    }
    SetPlaybackCursorEnabled(false);
    const int state = GetTransportState();
    if (state == 2) {
        while (score->GetBarCount() <= bar) {
            if (!score->AppendBar(false)) {
                Performer::SetCountOff(kCountOffStop);
                document->RunCommand(CTransport::kStop);
                return;
            }
            document->ShowInsertionPoint(score->GetBarCount() - 1, false);
            if (auto* v = dynamic_cast<CZelView*>(document->view)) v->InvalidatePanes();
        }
    } else if (state == 1) {
        // The position may come back before the wait is over; the wait never holds the
        // interface: it is counted in ticks.
        if (++pastEndTicks >= kPastEndWait) {
            pastEndTicks = 0;
            CTransport::OnTransportCommand(CTransport::kStop);
        }
    }
}

void CPagePane::TogglePlaybackCursor() {
    if (!document || !document->playbackEnabled || !score || !IsWindow()) return;
    CBar* bar = score->GetBar(g_view.lastPlayBar);
    CLine* line = bar ? bar->GetLine() : nullptr;
    CPage* page = score->GetPage(pageNumber);
    if (!bar || !line || !page || line->GetPageIndex() != pageNumber) return;
    if (!document->playbackShown) {
        const Meter* meter = bar->GetMeter();
        const int perBeat = meter ? meter->GetTicksPerBeat() : 480;
        const int perBar = meter && meter->GetTicksPerBar() > 0 ? meter->GetTicksPerBar() : 1920;
        const int position = MulDiv(std::max<int>(0, g_view.lastPlayBeat) * perBeat, 1024, perBar);
        const RECT paper = page->GetPaperRect();
        const int x = bar->FractionToX(position) - int(paper.left);
        CStaff* staff = line->GetStaff(location ? location->trackIndex : 0);
        const int top = staff ? int(staff->GetTopLine()) : int(line->GetTop());
        const int bottom = staff ? int(staff->GetBottomLine()) : top;
        const int height = bottom - top;
        const int half = std::max(1, (staff ? int(staff->GetSpacing()) : 8) / 2);
        playbackRect = {x - half, top - height - int(paper.top), x + half + 1, bottom + height - int(paper.top) + 1};
    }
    document->playbackShown = document->playbackShown ? 0 : 1;
    CClientDC dc(this);
    CPen pen;
    pen.CreatePen(PS_SOLID, 1, ColorTable[kPlaybackColor]);
    CPen* old = dc.SelectObject(&pen);
    dc.SetROP2(R2_XORPEN);
    const int x = int(playbackRect.left + playbackRect.right - 1) / 2;
    const int top = int(playbackRect.top), bottom = int(playbackRect.bottom) - 1;
    dc.MoveTo(int(playbackRect.left), top);
    dc.LineTo(int(playbackRect.right), top);
    dc.MoveTo(x, top + 1);
    dc.LineTo(x, bottom);
    dc.MoveTo(int(playbackRect.left), bottom);
    dc.LineTo(int(playbackRect.right), bottom);
    dc.SetROP2(R2_COPYPEN);
    dc.SelectObject(old);
}

void CPagePane::SetPlaybackCursorEnabled(bool on) {
    if (!document) return;
    if (!on && document->playbackShown) TogglePlaybackCursor();
    document->playbackEnabled = on ? 1 : 0;
}

void CPagePane::HidePlaybackCursor() {
    if (document && document->playbackShown) TogglePlaybackCursor();
}
