// The artist's lines, shapes, fills, regions, clipping and interface drawing.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "framework/CodePage.h"
#include "framework/DC.h"
#include "framework/Strips.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/Offscreen.h"
#include "platform/Port.h"

namespace {
// Sizes of window edges and the vertical scroll bar, in pixels.
constexpr int kEdgeX = 2, kEdgeY = 2, kScrollBarX = 17;
}  // namespace

void CArtist::MoveTo(int x, int y) {
    if (CDC* p = Port()) p->MoveTo(x, y);
}

void CArtist::LineTo(int x, int y) {
    if (CDC* p = Port()) p->LineTo(x, y);
}

POINT CArtist::GetPenPos() {
    CDC* p = Port();
    return p ? p->GetCurrentPosition() : POINT{};
}

void CArtist::Line(int x1, int y1, int x2, int y2) {
    LOGPEN lp;
    GetCurrentLogPen(&lp);
    if (lp.lopnStyle == PS_SOLID) {
        CArtist::MoveTo(x1, y1);
        CArtist::LineTo(x2, y2);
    } else {
        CArtist::ThickLine(x1, y1, x2, y2, int(lp.lopnStyle));
    }
}

void CArtist::LineAlt(int x1, int y1, int x2, int y2) { Line(x1, y1, x2, y2); }
void CArtist::ThickLineAlt(int x1, int y1, int x2, int y2, int style) { ThickLine(x1, y1, x2, y2, style); }

void CArtist::LineWidth(int x1, int y1, int x2, int y2, int w) {
    SetPenWidth(w);
    Line(x1, y1, x2, y2);
    SetPenWidth(20);
}

void CArtist::LineKeepWidth(int x1, int y1, int x2, int y2, int w) {
    LOGPEN before;
    bool had = GetCurrentLogPen(&before);
    SetPenWidth(w);
    Line(x1, y1, x2, y2);
    if (had) {
        LOGPEN now;
        GetCurrentLogPen(&now);
        if (now.lopnWidth.x != before.lopnWidth.x) {
            now.lopnWidth.x = before.lopnWidth.x;
            ApplyLogPen(now);
        }
    }
}

void CArtist::LineInColor(int x1, int y1, int x2, int y2) {
    PushColor();
    SetColor(16);
    Line(x1, y1, x2, y2);
    PopColor();
}

void CArtist::ThickLine(int x1, int y1, int x2, int y2, int style) {
    // Dashes are drawn with the solid pen already selected, so they keep its width.
    int w = std::max(1, CArtist::GetPenWidth());
    if (style == 0) {
        CArtist::MoveTo(x1, y1);
        CArtist::LineTo(x2, y2);
        return;
    }
    if (y1 == y2) {
        int dash = (style == 1 ? 7 : 2) * w, gap = (style == 1 ? 5 : 4) * w;
        if (x1 > x2) std::swap(x1, x2);
        int x = x2;
        do {
            CArtist::MoveTo(x, y1);
            CArtist::LineTo(std::max(x - dash, x1), y1);
            x -= dash + gap;
        } while (x > x1);
        return;
    }
    if (x1 == x2) {
        int dash = (style == 1 ? 7 : 2) * w, gap = (style == 1 ? 5 : 4) * w;
        if (y1 > y2) std::swap(y1, y2);
        int y = y2;
        do {
            CArtist::MoveTo(x1, y);
            CArtist::LineTo(x1, std::max(y - dash, y1));
            y -= dash + gap;
        } while (y > y1);
        return;
    }
    int dx = x2 - x1, dy = y2 - y1;
    int len = int(std::sqrt(double(dx) * dx + double(dy) * dy));
    int dash = (style == 1 ? 8 : 2) * w, gap = (style == 1 ? 6 : 4) * w;
    int period = dash + gap;
    if (period <= 0) return;
    int t0 = x1 - (x1 % period);
    int tEnd = x1 + len;
    if (tEnd % period != 0) tEnd += period - (tEnd % period);
    if (x1 >= t0 + dash) t0 += period;
    for (int t = t0; t < tEnd; t += period) {
        int a = std::max(t, x1) - x1;
        int b = std::min(t + dash, x1 + len) - x1;
        if (len == 0) {
            CArtist::MoveTo(x1, y1);
            CArtist::LineTo(x1, y1);
            continue;
        }
        CArtist::MoveTo(x1 + a * dx / len, y1 + a * dy / len);
        CArtist::LineTo(x1 + b * dx / len, y1 + b * dy / len);
    }
}

void CArtist::SetWindowOrg(int x, int y) {
    if (CDC* p = Port()) p->SetWindowOrg(x, y);
}

void CArtist::Arc(const RECT& r, int x1, int y1, int x2, int y2) {
    if (CDC* p = Port()) p->Arc(r.left, r.top, r.right, r.bottom, x1, y1, x2, y2);
}

// --- rectangles and ovals ---

void CArtist::FrameRectangle(const RECT& r) {
    CDC* p = Port();
    if (!p) return;
    CGdiObject* old = p->SelectStockObject(HOLLOW_BRUSH);
    p->Rectangle(r.left, r.top, r.right, r.bottom);
    if (old) p->SelectObject(static_cast<CBrush*>(old));
}

void CArtist::FrameRect(const RECT& rect) {
    RECT r = rect;
    r.right += 1;
    r.bottom += 1;
    FrameRectangle(r);
}

void CArtist::FrameRectInColor(const RECT& rect) {
    PushColor();
    SetColor(10);
    FrameRect(rect);
    PopColor();
}

void CArtist::FrameRoundRect(const RECT& r, int w, int h) {
    CDC* p = Port();
    if (!p) return;
    CGdiObject* old = p->SelectStockObject(HOLLOW_BRUSH);
    p->RoundRect(r.left, r.top, r.right, r.bottom, w, h);
    if (old) p->SelectObject(static_cast<CBrush*>(old));
}

void CArtist::FrameOval(const RECT& r) {
    CDC* p = Port();
    if (!p) return;
    CGdiObject* old = p->SelectStockObject(HOLLOW_BRUSH);
    p->Ellipse(r.left, r.top, r.right, r.bottom);
    if (old) p->SelectObject(static_cast<CBrush*>(old));
}

void CArtist::FrameOvalAlt(const RECT& r) { FrameOval(r); }

void CArtist::PaintOval(const RECT& r) {
    CDC* p = Port();
    if (!p) return;
    CGdiObject* old = p->SelectStockObject(NULL_PEN);
    p->Ellipse(r.left, r.top, r.right, r.bottom);
    if (old) p->SelectObject(static_cast<CPen*>(old));
}

void CArtist::PaintRoundRect(const RECT& r, int w, int h) {
    CDC* p = Port();
    if (!p) return;
    CGdiObject* old = p->SelectStockObject(NULL_PEN);
    p->RoundRect(r.left, r.top, r.right, r.bottom, w, h);
    if (old) p->SelectObject(static_cast<CPen*>(old));
}

void CArtist::FillOvalBW(const RECT& r, bool black) {
    CDC* p = Port();
    if (!p) return;
    CGdiObject* oldPen = p->SelectStockObject(black ? BLACK_PEN : WHITE_PEN);
    CGdiObject* oldBrush = p->SelectStockObject(black ? BLACK_BRUSH : WHITE_BRUSH);
    p->Ellipse(r.left, r.top, r.right, r.bottom);
    if (oldPen) p->SelectObject(static_cast<CPen*>(oldPen));
    if (oldBrush) p->SelectObject(static_cast<CBrush*>(oldBrush));
}

void CArtist::FillOval(int x, int y, int w, int h, bool filled) {
    RECT r;
    r.left = x - (w + 1) / 2;
    r.top = y + h / 2 - (w + 1) / 2;
    r.right = r.left + w;
    r.bottom = r.top + w;
    CDC* p = Port();
    if (!p) return;
    if (filled) {
        CBrush b(p->GetTextColor());
        CBrush* old = p->SelectObject(&b);
        p->Ellipse(r.left, r.top, r.right, r.bottom);
        if (old) p->SelectObject(old);
    } else {
        FrameOval(r);
    }
}

// --- fills ---

void CArtist::EraseRect(const RECT& r) {
    if (CDC* p = Port()) p->FillSolidRect(&r, p->GetBkColor());
}

void CArtist::FillRectColor(const RECT& r, int n) {
    CDC* p = Port();
    if (!p || n < 0 || n >= 144) return;
    p->FillSolidRect(&r, ColorTable[n]);
    if (g_draw.laserJetQuirk) {
        SetPenWidth(1);
        CArtist::MoveTo(r.left, r.top);
        CArtist::LineTo(r.left, r.top + 1);
        SetPenWidth(20);
    }
}

void CArtist::FillRectRGB(const RECT& r, COLORREF c) {
    if (CDC* p = Port()) p->FillSolidRect(&r, c);
}

void CArtist::FillRectSysColor(const RECT& r) {
    if (CDC* p = Port()) p->FillSolidRect(&r, fw::GetSysColor(fw::COLOR_HIGHLIGHT));
}

void CArtist::FillHighlight(const RECT& r) {
    PushBackColor();
    if (CDC* p = Port()) p->SetBkColor(fw::GetSysColor(fw::COLOR_HIGHLIGHT));
    EraseRect(r);
    PopBackColor();
}

void CArtist::InvertRect(const RECT& r) {
    if (CDC* p = Port()) p->InvertRect(&r);
}

void CArtist::InvertHighlight(const RECT& r) {
    PushBackColor();
    if (CDC* p = Port()) p->SetBkColor(fw::GetSysColor(fw::COLOR_HIGHLIGHT));
    if (CDC* p = Port()) p->InvertRect(&r);
    PopBackColor();
}

void CArtist::FillRectRgn(const RECT& r) {
    CDC* p = Port();
    if (!p) return;
    LOGPEN lp;
    GetCurrentLogPen(&lp);
    CRgn rgn;
    rgn.CreateRectRgnIndirect(r);
    CBrush b(lp.lopnColor);
    p->FillRgn(&rgn, &b);
}

void CArtist::FillRectRgnAt(int x1, int y1, int x2, int y2, int w) {
    int h = (w / 20) / 2;
    RECT r;
    if (h == 0)
        r = RECT{x1 - 1, y1 - 1, x2, y2};
    else
        r = RECT{x1 - h, y1 - h, x2 + h, y2 + h};
    FillRectRgn(r);
}

void CArtist::FillRectPattern(const RECT& r, const CBitmap& bitmap) {
    CDC* p = Port();
    if (!p) return;
    CBrush b;
    if (!b.CreatePatternBrush(bitmap)) return;
    p->FillRect(&r, &b);
}

void CArtist::FillRectBitmapRes(const RECT& r, int id) {
    CBitmap bmp;
    if (bmp.LoadBitmap(UINT(id))) FillRectPattern(r, bmp);
}

void CArtist::FillRectBackground(const RECT& r) {
    // The theme's first bitmap: the first background pattern bitmap of the program.
    FillRectBitmapRes(r, GetBackgroundPatterns().bitmapIds[0]);
}

void CArtist::DrawImageRect(const RECT&, int, int) {}

// --- clipping ---

void CArtist::GetClipRect(RECT* r) {
    if (CDC* p = Port(); p && r) p->GetClipBox(r);
}

void CArtist::SetClipRect(const RECT& rect) {
    CDC* p = Port();
    if (!p) return;
    POINT org = p->GetWindowOrg();
    CRgn rgn;
    rgn.CreateRectRgn(rect.left - org.x, rect.top - org.y, rect.right - org.x, rect.bottom - org.y);
    p->SelectClipRgn(&rgn);
}

void CArtist::PushClip() {
    RECT r{};
    if (CDC* p = Port()) p->GetClipBox(&r);
    clipStack.push_back(r);
}

void CArtist::PopClip() {
    if (!clipStack.empty()) clipStack.pop_back();
    if (CDC* p = Port()) p->SelectClipRgn(nullptr);
}

void CArtist::DrawClipped(const RECT& r) {
    PushClip();
    SetClipRect(r);
    DrawBackgroundPattern(Port(), r, -1);
    PopClip();
}

void CArtist::ScrollRect(const RECT& r, int dx, int dy, RECT* update) {
    CDC* p = Port();
    if (!p) return;
    RECT u{};
    p->ScrollDC(dx, dy, &r, &r, &u);
    if (update) *update = u;
    EraseRect(u);
}

// --- interface drawing ---

void CArtist::DrawButtonEdge(const RECT& rect, bool pressed) {
    RECT r = rect;
    if (CDC* p = Port()) p->DrawEdge(&r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
}

void CArtist::DrawFieldFrame(const RECT& rect, bool scroll) {
    RECT r{rect.left - 1, rect.top - 1, rect.right + kEdgeX + (scroll ? kScrollBarX : 0), rect.bottom + kEdgeY};
    if (CDC* p = Port()) p->DrawEdge(&r, EDGE_SUNKEN, BF_RECT);
}

void CArtist::DrawTabEdge(const RECT& rect) {
    RECT r = rect;
    if (CDC* p = Port()) p->DrawEdge(&r, EDGE_RAISED, BF_LEFT | BF_TOP | BF_BOTTOM);
    Line(rect.left, rect.top, rect.right, rect.top);
    Line(rect.left, rect.top, rect.left, rect.bottom);
}

void CArtist::DrawTickMark(int x, int y) {
    Line(x - 1, y - 5, x + 1, y - 5);
    Line(x - 1, y - 4, x + 1, y - 4);
}

void CArtist::DrawStripImage(int x, int y, int id, int index, int mode) {
    CDC* p = Port();
    CBitmap bmp;
    if (!p || !bmp.LoadBitmap(UINT(id))) return;
    SIZE s = bmp.GetSize();
    // A strip of the table knows its cell width; a picture file has 16-pixel cells.
    const fw::StripDef* strip = fw::FindStrip(id);
    const int cell = strip ? strip->cellWidth : 16;
    if (index < 0 || (index + 1) * cell > s.cx) return;
    if (mode != 13) {
        RECT r{x, y, x + cell, y + s.cy};
        p->FillSolidRect(&r, fw::GetSysColor(fw::COLOR_BTNFACE));
    }
    p->DrawBitmapTransparent(x, y, bmp, index * cell, 0, cell, s.cy, RGB(192, 192, 192));
}

void CArtist::DrawPaletteIcon(int x, int y) { DrawStripImage(x - 7, y - 7, 107, 17, 13); }

void CArtist::DrawBitmapRes(int x, int y, int id) {
    CBitmap bmp;
    if (CDC* p = Port(); p && bmp.LoadBitmap(UINT(id))) p->DrawBitmap(x, y, bmp);
}

void CArtist::DrawColorSwatch(const RECT& rect, int kind, bool arrow) {
    CDC* p = Port();
    if (!p) return;
    int a = g_draw.themeColorA, b = g_draw.themeColorB;
    int fill;
    COLORREF mark;
    if (kind == 0) {
        fill = a;
        mark = GetColorValue(b);
    } else if (kind == 1) {
        fill = b;
        mark = GetColorValue(a);
    } else {
        fill = 10;
        mark = ColorTable[16];
    }
    FillRectColor(rect, fill);
    RECT e = rect;
    p->DrawEdge(&e, EDGE_SUNKEN, BF_RECT);
    if (arrow && kind != 1) {
        DrawStripImage(rect.right - 18, rect.top + 1, 107, 14, 13);
        for (int y = rect.top; y < rect.bottom; ++y)
            for (int x = rect.right - 18; x <= rect.right - 2; ++x)
                if (p->GetPixel(x, y) == RGB(0, 255, 0)) p->SetPixel(x, y, mark);
    }
}

void CArtist::DrawSwatchLabel(const RECT& rect, const char* text, int kind, int style, bool centred) {
    PushColor();
    SetColor(kind == 0 ? g_draw.themeColorB : kind == 1 ? g_draw.themeColorA : 16);
    UseFontA();
    char buf[260] = {};
    fw::CopyText(buf, 256, text ? text : "");
    FitTextToWidth(buf, rect.right - rect.left, false);
    SetFontStyle(style);
    int cy = (rect.top + rect.bottom) / 2 + 3;
    if (centred)
        DrawTextCentered((rect.left + rect.right) / 2, cy, buf);
    else
        DrawText(rect.left + 4, cy, buf);
    SetFontStyle(0);
    PopColor();
}
