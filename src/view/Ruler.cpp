// The rulers' graduation and pointer mark, and the corner that switches the units.
#include "view/Ruler.h"

#include <cstdio>

#include "framework/Arith.h"
#include "model/Preferences.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/Port.h"
#include "view/ZelView.h"

namespace {
constexpr int kFirstPageStart = 6;  // the gap before the first page
constexpr int kReach = 12;          // ticks this far outside the visible range still draw
}  // namespace

std::vector<RulerTick> RulerTicks(const RulerScale& s) {
    std::vector<RulerTick> ticks;
    if (s.scoreSize <= 0 || s.pageLength <= 0) return ticks;
    const int perUnit = s.metric ? (s.zoom < 125 ? 4 : 8) : 16;
    const int a = s.metric ? 7200 : 72;
    const int b = s.metric ? perUnit * 254 : 16;
    int pageStart = kFirstPageStart;
    for (int page = 0; page < s.pages; ++page) {
        for (int i = 0;; ++i) {
            const int offset = MulDiv(MulDiv(i, a, b), s.zoom, s.scoreSize);
            if (offset > s.pageLength) break;
            const int pos = pageStart + 1 + offset - s.scroll;
            if (pos > s.length + kReach) return ticks;
            if (pos < -kReach) continue;
            RulerTick t{pos, 14, 0};
            if (!s.metric) {
                if (i % 16 == 0) {
                    t.from = 2;
                    t.number = i / 16;
                } else if (i % 8 == 0) {
                    t.from = 8;
                } else if (i % 4 == 0) {
                    t.from = 10;
                } else if (i % 2 == 0) {
                    t.from = 12;
                }
            } else {
                const int cm = i / perUnit;
                if (i % perUnit == 0 && (s.zoom >= 100 || cm % 2 == 0)) {
                    t.from = 2;
                    t.number = cm;
                } else if (i % (perUnit / 2) == 0) {
                    t.from = 12;
                }
            }
            ticks.push_back(t);
        }
        pageStart += s.pageLength + kFirstPageStart;
    }
    return ticks;
}

RulerScale CRuler::CurrentScale() const {
    RulerScale s;
    if (!document) return s;
    s.metric = g_preferences.Byte(Preferences::kMetric) != 0;
    s.zoom = document->GetZoom();
    s.scoreSize = document->GetScoreSize();
    s.pageLength = horizontal ? document->viewPageSetup.GetPaperWidth() : document->viewPageSetup.GetPaperHeight();
    const int mode = document->location.arrangementMode;
    if (auto* view = dynamic_cast<CZelView*>(document->view)) {
        const POINT scroll = view->GetScrollPosition();
        s.scroll = horizontal ? scroll.x : scroll.y;
        s.pages = (horizontal ? mode == 1 : mode == 2) ? view->pageCount : 1;
    }
    RECT client;
    GetClientRect(&client);
    s.length = horizontal ? client.right : client.bottom;
    return s;
}

void CRuler::Paint(const RECT& client) {
    CArtist* a = GetArtist();
    CDC* dc = g_draw.currentPort;
    if (!a || !dc) return;
    a->SetCopyMode();
    a->FillRectColor(client, kColor);
    if (!document) return;
    a->SetColor(0);
    if (horizontal) {
        a->MoveTo(0, 0);
        a->LineTo(client.right, 0);
    } else {
        a->MoveTo(0, 0);
        a->LineTo(0, client.bottom);
    }
    dc->SetBkMode(TRANSPARENT);
    for (const RulerTick& t : RulerTicks(CurrentScale())) {
        if (horizontal) {
            a->MoveTo(t.pos, t.from);
            a->LineTo(t.pos, kThickness);
        } else {
            a->MoveTo(t.from, t.pos);
            a->LineTo(kThickness, t.pos);
        }
        if (t.number <= 0) continue;
        char text[12];
        const int n = std::snprintf(text, sizeof text, "%d", t.number);
        if (horizontal) {
            dc->SetTextAlign(TA_LEFT | TA_BASELINE);
            dc->TextOut(t.pos + 2, 11, text, n);
        } else {
            dc->SetTextAlign(TA_RIGHT | TA_BASELINE);
            dc->TextOut(12, t.pos - 1, text, n);
        }
    }
    dc->SetTextAlign(TA_LEFT | TA_TOP);
    const int keep = mark;
    mark = -1;
    if (keep != -1) DrawMark(keep);
    mark = keep;
}

void CRuler::DrawMark(int pos) {
    CDC* dc = g_draw.currentPort;
    if (!dc) return;
    const int old = dc->SetROP2(R2_NOT);
    if (horizontal) {
        dc->MoveTo(pos, 0);
        dc->LineTo(pos, kThickness);
    } else {
        dc->MoveTo(0, pos);
        dc->LineTo(kThickness, pos);
    }
    dc->SetROP2(old == 0 ? R2_COPYPEN : old);
}

void CRuler::SetMark(int pos) {
    if (pos == mark) return;
    if (!IsWindow()) {
        mark = pos;
        return;
    }
    CClientDC dc(this);
    PushPort(&dc);
    if (mark != -1) DrawMark(mark);
    if (pos != -1) DrawMark(pos);
    PopPort();
    mark = pos;
}

// --- the corner -----------------------------------------------------------------------------------

void CCorner::Paint(const RECT& client) {
    CArtist* a = GetArtist();
    if (!a) return;
    a->SetCopyMode();
    a->FillRectColor(client, CRuler::kColor);
    a->SetColor(0);
    a->MoveTo(client.right - 1, 0);
    a->LineTo(client.right - 1, client.bottom);
    a->MoveTo(0, client.bottom - 1);
    a->LineTo(client.right, client.bottom - 1);
}

void CCorner::MouseDown(POINT, UINT) { SwitchUnits(); }

void CCorner::SwitchUnits() {
    g_preferences.SetByte(Preferences::kMetric, g_preferences.Byte(Preferences::kMetric) ? 0 : 1);
    if (!document) return;
    auto* view = dynamic_cast<CZelView*>(document->view);
    if (!view) return;
    view->RedrawRulers();
    if (g_preferences.Byte(Preferences::kGridDisplay)) view->InvalidatePanes();
}
