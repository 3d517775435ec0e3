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
#include "platform/Artist.h"
#include "platform/Port.h"
#include "view/PagePane.h"
#include "view/ViewGlobals.h"

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

void CPagePane::HidePlaybackCursor() {}
