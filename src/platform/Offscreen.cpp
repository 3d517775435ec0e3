#include "platform/Offscreen.h"

#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/FontMap.h"
#include "platform/Port.h"

COffscreen::COffscreen() = default;

COffscreen::~COffscreen() {
    if (active) End(0);
}

bool COffscreen::Begin(const RECT& r, bool pattern) {
    CDC* port = g_draw.currentPort;
    if (!port || active) return false;
    int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return false;
    if (!memDC.CreateCompatibleDC(port)) return false;
    bitmap.DeleteObject();
    if (!bitmap.CreateCompatibleBitmap(port, w, h)) {
        memDC.DeleteDC();
        return false;
    }
    active = true;
    zoom = 100;
    rect = r;
    oldBitmap = memDC.SelectObject(&bitmap);
    memDC.SetTextAlign(TA_BASELINE);
    memDC.SetBkMode(TRANSPARENT);
    if (CFontList* list = GetFontList(); list && list->SharedFont()->IsValid())
        oldFont = memDC.SelectObject(list->SharedFont());
    memDC.SetWindowOrg(r.left, r.top);
    savedPort = port;
    g_draw.currentPort = &memDC;
    if (pattern) {
        DrawBackgroundPattern(&memDC, r, -1);
    } else {
        memDC.FillSolidRect(&r, port->GetBkColor());
    }
    return true;
}

void COffscreen::End(int mode) {
    if (!active) return;
    active = false;
    CDC* port = savedPort;
    int w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (port) {
        DWORD rop = MERGECOPY;
        if (mode == 1) {
            memDC.PatBlt(rect.left, rect.top, w, h, DSTINVERT);
            rop = SRCINVERT;
        } else if (mode == 2) {
            rop = MERGEPAINT;
        }
        if (zoom == 100) {
            port->BitBlt(rect.left, rect.top, w, h, &memDC, rect.left, rect.top, rop);
        } else {
            port->SetStretchBltMode(HALFTONE);
            port->StretchBlt(rect.left, rect.top, w * zoom / 100, h * zoom / 100, &memDC, rect.left, rect.top, w, h, rop);
        }
    }
    if (oldFont) memDC.SelectObject(oldFont);
    if (oldBitmap) memDC.SelectObject(oldBitmap);
    oldFont = nullptr;
    oldBitmap = nullptr;
    memDC.DeleteDC();
    bitmap.DeleteObject();
    g_draw.currentPort = port;
    savedPort = nullptr;
}

BackgroundPatterns& GetBackgroundPatterns() {
    static BackgroundPatterns patterns;
    return patterns;
}

void DrawBackgroundPattern(CDC* port, const RECT& rect, int index) {
    BackgroundPatterns& bp = GetBackgroundPatterns();
    if (index == -1) index = bp.current;
    if (!port || index < 0 || index >= bp.count) return;
    if (index < 3) {
        CArtist* a = GetArtist();
        if (!a) return;
        bool pushed = port != g_draw.currentPort;
        if (pushed) PushPort(port);
        a->FillRectColor(rect, bp.colors[index]);
        if (pushed) PopPort();
        return;
    }
    CBitmap bmp;
    if (!bmp.LoadBitmap(UINT(bp.bitmapIds[index - 3]))) return;
    SIZE s = bmp.GetSize();
    if (s.cx <= 0 || s.cy <= 0) return;
    CDC src;
    src.CreateCompatibleDC(port);
    src.SelectObject(&bmp);
    for (int y = rect.top; y < rect.bottom; y += s.cy)
        for (int x = rect.left; x < rect.right; x += s.cx)
            port->BitBlt(x, y, std::min<int>(s.cx, rect.right - x), std::min<int>(s.cy, rect.bottom - y), &src, 0, 0, SRCCOPY);
}

void SelectPattern(int index) {
    CDC* port = g_draw.currentPort;
    BackgroundPatterns& bp = GetBackgroundPatterns();
    if (!port || index < 0 || index >= bp.count) return;
    bp.brush.DeleteObject();
    bp.brushBitmap.DeleteObject();
    if (index < 3) {
        bp.brush.CreateSolidBrush(ColorTable[bp.colors[index]]);
    } else if (bp.brushBitmap.LoadBitmap(UINT(bp.bitmapIds[index - 3]))) {
        bp.brush.CreatePatternBrush(bp.brushBitmap);
    }
    if (!bp.brush.IsValid()) return;
    CBrush* old = port->SelectObject(&bp.brush);
    if (!bp.oldBrush) bp.oldBrush = old;
}

void RestorePatternBrush() {
    BackgroundPatterns& bp = GetBackgroundPatterns();
    if (g_draw.currentPort && bp.oldBrush) g_draw.currentPort->SelectObject(bp.oldBrush);
    bp.oldBrush = nullptr;
}
