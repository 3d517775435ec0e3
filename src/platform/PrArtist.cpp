#include "platform/PrArtist.h"

#include <algorithm>

#include "framework/Arith.h"
#include "framework/DC.h"
#include "platform/DrawGlobals.h"
#include "platform/FontMap.h"
#include "platform/PortLayer.h"

PageImageDrawFn& PageImageDrawer() {
    static PageImageDrawFn drawer = nullptr;
    return drawer;
}

namespace {
int LineHeight(int x, int x1, int y1, int x2, int y2) {
    return InterpolateShort(std::int16_t(x1), std::int16_t(y1), std::int16_t(x2), std::int16_t(y2), std::int16_t(x));
}
}  // namespace

CPrArtist::CPrArtist() = default;

void CPrArtist::SetPrinterResolution(int rx, int ry) {
    resX = rx;
    resY = ry;
}

int CPrArtist::MapX(int v) { return MulDiv(v, resX, 72); }
int CPrArtist::MapY(int v) { return MulDiv(v, resY, 72); }
int CPrArtist::UnmapX(int v) const { return MulDiv(v, 72, resX); }
int CPrArtist::UnmapY(int v) const { return MulDiv(v, 72, resY); }

void CPrArtist::MapRect(RECT& r) {
    r.left = MapX(r.left);
    r.right = MapX(r.right);
    r.top = MapY(r.top);
    r.bottom = MapY(r.bottom);
}

void CPrArtist::UnmapRect(RECT& r) const {
    r.left = UnmapX(r.left);
    r.right = UnmapX(r.right);
    r.top = UnmapY(r.top);
    r.bottom = UnmapY(r.bottom);
}

void CPrArtist::MapPoint(POINT& p) {
    p.x = MapX(p.x);
    p.y = MapY(p.y);
}

void CPrArtist::UnmapPoint(POINT& p) const {
    p.x = UnmapX(p.x);
    p.y = UnmapY(p.y);
}

// --- points in ---

void CPrArtist::DrawChar(int x, int y, int c) { CArtist::DrawChar(MapX(x), MapY(y), c); }
void CPrArtist::DrawCharEx(int x, int y, int c) { CArtist::DrawCharEx(MapX(x), MapY(y), c); }
void CPrArtist::DrawText(int x, int y, const char* s) { CArtist::DrawText(MapX(x), MapY(y), s); }
void CPrArtist::DrawTextCentered(int x, int y, const char* s) { CArtist::DrawTextCentered(MapX(x), MapY(y), s); }
void CPrArtist::DrawTextRight(int x, int y, const char* s) { CArtist::DrawTextRight(MapX(x), MapY(y), s); }
void CPrArtist::MoveTo(int x, int y) { CArtist::MoveTo(MapX(x), MapY(y)); }
void CPrArtist::LineTo(int x, int y) { CArtist::LineTo(MapX(x), MapY(y)); }
void CPrArtist::SetWindowOrg(int x, int y) { CArtist::SetWindowOrg(MapX(x), MapY(y)); }

// --- lines in ---

void CPrArtist::Line(int x1, int y1, int x2, int y2) { CArtist::Line(MapX(x1), MapY(y1), MapX(x2), MapY(y2)); }

void CPrArtist::ThickLine(int x1, int y1, int x2, int y2, int style) {
    if (style == 0) {
        Line(x1, y1, x2, y2);
        return;
    }
    CArtist::ThickLine(MapX(x1), MapY(y1), MapX(x2), MapY(y2), style);
}

void CPrArtist::FillRectRgnAt(int x1, int y1, int x2, int y2, int w) {
    CArtist::FillRectRgnAt(MapX(x1), MapY(y1), MapX(x2), MapY(y2), MapX(w));
}

void CPrArtist::LineNoWidth(int x1, int y1, int x2, int y2) {
    CArtist::MoveTo(x1, y1);
    CArtist::LineTo(x2, y2);
}

// --- rectangles in (a mapped copy) ---

void CPrArtist::FrameRect(const RECT& rect) {
    RECT r = rect;
    r.right += 1;
    r.bottom += 1;
    MapRect(r);
    CArtist::FrameRectangle(r);
}

#define MAPPED_RECT_CALL(name)                 \
    void CPrArtist::name(const RECT& rect) {   \
        RECT r = rect;                         \
        MapRect(r);                            \
        CArtist::name(r);                      \
    }
MAPPED_RECT_CALL(FrameOval)
MAPPED_RECT_CALL(EraseRect)
MAPPED_RECT_CALL(FillRectRgn)
MAPPED_RECT_CALL(FrameRectangle)
MAPPED_RECT_CALL(FrameOvalAlt)
MAPPED_RECT_CALL(SetClipRect)
#undef MAPPED_RECT_CALL

void CPrArtist::FillOvalBW(const RECT& rect, bool black) {
    RECT r = rect;
    MapRect(r);
    CArtist::FillOvalBW(r, black);
}

void CPrArtist::FillRectColor(const RECT& rect, int n) {
    RECT r = rect;
    MapRect(r);
    CArtist::FillRectColor(r, n);
}

void CPrArtist::FrameRoundRect(const RECT& rect, int w, int h) {
    RECT r = rect;
    MapRect(r);
    CArtist::FrameRoundRect(r, MapX(w), MapY(h));
}

void CPrArtist::Arc(const RECT& rect, int x1, int y1, int x2, int y2) {
    RECT r = rect;
    MapRect(r);
    CArtist::Arc(r, MapX(x1), MapY(y1), MapX(x2), MapY(y2));
}

void CPrArtist::DrawImageRect(const RECT& rect, int a, int b) {
    RECT r = rect;
    MapRect(r);
    if (PageImageDrawFn draw = PageImageDrawer()) draw(r, a, b);
}

// --- measurements out ---

int CPrArtist::CharWidth(int c) { return UnmapX(CArtist::CharWidth(c)); }
int CPrArtist::TextWidth(const char* s) { return UnmapX(CArtist::TextWidth(s)); }
int CPrArtist::GetPenWidth() { return std::max(UnmapX(CArtist::GetPenWidth()), 1); }

POINT CPrArtist::GetPenPos() {
    POINT p = CArtist::GetPenPos();
    UnmapPoint(p);
    return p;
}

void CPrArtist::GetClipRect(RECT* rect) {
    CArtist::GetClipRect(rect);
    if (rect) UnmapRect(*rect);
}

void CPrArtist::GetFontRef(FontRef* out) {
    CArtist::GetFontRef(out);
    if (out) out->size = std::uint16_t(UnmapY(std::int16_t(out->size)));
}

void CPrArtist::GetFontMetrics(FontMetrics16* out) {
    CArtist::GetFontMetrics(out);
    if (!out) return;
    out->ascent = std::int16_t(UnmapY(out->ascent));
    out->descent = std::int16_t(UnmapY(out->descent));
    out->leading = std::int16_t(UnmapY(out->leading));
    out->internalLeading = std::int16_t(UnmapY(out->internalLeading));
    out->maxWidth = std::int16_t(UnmapX(out->maxWidth));
}

void CPrArtist::GetGlyphMetrics(FontMetrics16* out, int c) {
    // The base measures through the virtual slots, which already give score units.
    CArtist::GetGlyphMetrics(out, c);
}

// --- sizes in ---

void CPrArtist::SetFont(int face, int size, int style) { CArtist::SetFont(face, MapY(size), style); }

void CPrArtist::SetFontFull(int face, int size, int style, int angle, int width) {
    CArtist::SetFontFull(face, MapY(size), style, angle, MapX(width));
}

void CPrArtist::SetPenWidth(int w) {
    nominalPenWidth = w;
    CArtist::SetPenWidth(MapX(w));
}

// --- music glyphs ---

void CPrArtist::DrawGlyphDevice(int x, int y, int c) { DrawGlyphMapped(x, y, c & 0xFF, true); }

int CPrArtist::GlyphWidthDevice(int c) { return MappedGlyphWidth(c & 0xFF, true); }

void CPrArtist::DrawGlyph(int x, int y, int c) { DrawGlyphDevice(MapX(x), MapY(y), c); }

void CPrArtist::DrawGlyphCentered(int x, int y, int c) {
    DrawGlyphDevice(MapX(x) - GlyphWidthDevice(c) / 2, MapY(y) + NudgeY(), c);
}

int CPrArtist::SetMusicMetrics(int* widthOut, int* lineOut, int value, int size) {
    int previous = CArtist::CurrentSize();
    int deviceSize = size ? MapY(size) : 0;
    bool temporary = size != 0 && deviceSize != previous;
    if (temporary) CArtist::SetFontFull(CurrentFace(), deviceSize, currentFont.style, fontAngle, 0);
    musicCharWidth = std::max(GlyphWidthDevice(116), 1);
    musicLineWidth = std::max(GlyphWidthDevice(107), 1);
    if (widthOut) *widthOut = std::max(UnmapX(musicCharWidth), 1);
    if (lineOut) *lineOut = std::max(UnmapX(musicLineWidth), 1);
    int t = MulDiv(value, size ? size : UnmapY(previous), 24);
    if (temporary) CArtist::SetFontFull(CurrentFace(), previous, currentFont.style, fontAngle, 0);
    return t;
}

void CPrArtist::DrawGlyphAdjusted(int x, int y, int c) {
    DrawGlyphDevice(MapX(x) - GlyphWidthDevice(c), MapY(y) + NudgeY(), c);
}

void CPrArtist::DrawGlyphBold(int x, int y) { DrawGlyphDevice(MapX(x), MapY(y) + NudgeY(), 199); }

void CPrArtist::DrawGlyphPair(int x, int y, int c, bool shifted) {
    int dx = MapX(x), dy = MapY(y);
    if (shifted) dx += musicCharWidth - GlyphWidthDevice(116);
    DrawGlyphDevice(dx, dy, c);
}

void CPrArtist::DrawPlacedGlyph(int x, int y, int c, int mode) {
    int dx = MapX(x), dy = MapY(y) + NudgeY();
    if (mode == 0)
        dx += musicLineWidth - GlyphWidthDevice(c);
    else if (mode == 2)
        dx += musicCharWidth - GlyphWidthDevice(c);
    else if (mode == 3)
        dx += musicCharWidth - musicLineWidth;
    DrawGlyphDevice(dx, dy, c);
}

void CPrArtist::DrawBarline(int x, int yTop, int yBottom, int kind, int align) {
    int dx = MapX(x), top = MapY(yTop), bottom = MapY(yBottom);
    int w = CArtist::CharWidth(188);
    if (kind == 9) {
        int gx = align == 1 ? dx - w / 2 : dx;
        DrawGlyphDevice(gx, top, 59);
        DrawGlyphDevice(gx, bottom, 60);
        kind = 2;
    } else if (kind == 10) {
        int gx = align == 1 ? dx + (w - w / 2) : dx;
        SetFontAngle(180);
        DrawGlyphDevice(gx, top, 60);
        DrawGlyphDevice(gx, bottom, 59);
        SetFontAngle(0);
        kind = 3;
    }
    CArtist::DrawBarline(dx, top, bottom, kind, align);
}

void CPrArtist::DrawStaffLines(int x1, int yTop, int x2, int mask, int spacing, int width) {
    int a = MapX(x1), b = MapX(x2);
    SetPenWidth(width);
    int h = (CArtist::GetPenWidth() + 1) / 2;
    a += h;
    b -= h;
    for (int i = 0; i < 16; ++i)
        if (mask & (1 << i)) {
            int y = MapY(yTop + 8 * spacing - i * spacing);
            LineNoWidth(a, y, b, y);
        }
    SetPenWidth(20);
}

void CPrArtist::DrawLedgerLines(int x, int y, int position, int spacing, int width) {
    SetPenWidth(g_draw.ledgerLineWidth);
    int dx = MapX(x), w = MapX(width);
    int ext = (w + 1) / 3;
    int from = dx - ext, to = dx + w + ext - musicLineWidth / 2;
    if (position >= 6) {
        for (int yy = y - 3 * spacing; position >= 6; position -= 2, yy -= spacing) LineNoWidth(from, MapY(yy), to, MapY(yy));
    } else if (position <= -6) {
        for (int yy = y + 3 * spacing; position <= -6; position += 2, yy += spacing) LineNoWidth(from, MapY(yy), to, MapY(yy));
    }
    SetPenWidth(20);
}

void CPrArtist::DrawBezier(const POINT* points, int thickness, int mode, int style) {
    if (!points) return;
    POINT pts[4] = {points[0], points[1], points[2], points[3]};
    for (auto& p : pts) MapPoint(p);
    CArtist::DrawBezier(pts, MapY(thickness), mode, style);
}

void CPrArtist::DrawStem(int x, int yFrom, int yTo, bool up) {
    if (up) x -= g_draw.musicCharWidth - g_draw.musicLineWidth;
    int dx = MapX(x), from = MapY(yFrom) + NudgeY(), to = MapY(yTo);
    SetPenWidth(g_draw.stemThickness);
    int w = (CArtist::GetPenWidth() + 1) / 2;
    if (up) {
        dx += musicCharWidth - w;
        to += w;
    } else {
        to -= w + 2;
    }
    LineNoWidth(dx, from, dx, to);
    SetPenWidth(20);
}

void CPrArtist::DrawBeam(int x1, int ya, int x2, int yb, int clipLeft, int y1, int clipRight, int y2, int thickness,
                         bool leftEnd, bool rightEnd, int level, int spacing, bool upperShift, bool lowerShift) {
    int w0 = CArtist::GetPenWidth();
    int d = g_draw.musicCharWidth - g_draw.musicLineWidth;
    int t = MapX(g_draw.stemThickness) / 20;
    if (leftEnd && clipLeft == x1) {
        x1 -= d;
        clipLeft -= d;
    }
    if (rightEnd && clipRight == x2) {
        x2 -= d;
        clipRight -= d;
    }
    x1 = MapX(x1);
    ya = MapY(ya);
    x2 = MapX(x2);
    yb = MapY(yb);
    int cl = MapX(clipLeft), cr = MapX(clipRight);
    y1 = MapY(y1);
    y2 = MapY(y2);
    thickness = MapY(thickness) / 20;
    spacing = MapY(spacing);
    if (level != 0) {
        int s = MulDiv(3, spacing, 4) * level;
        if (upperShift)
            y2 += s / 3;
        else
            y1 += s;
        if (lowerShift)
            y1 += s / 3;
        else
            y2 += s;
    }
    if (leftEnd) {
        if (cl == x1) {
            x1 += musicCharWidth - t;
            cl += musicCharWidth - t;
        } else {
            y1 += w0 - 1;
        }
    }
    if (rightEnd) {
        if (cr == x2) {
            x2 += musicCharWidth - t;
            cr += musicCharWidth - t;
        } else {
            y2 += w0 - 1;
        }
    }
    int h = (w0 + 1) / 2;
    int ly = LineHeight(cl, x1, y1, x2, y2), ry = LineHeight(cr, x1, y1, x2, y2);
    if (leftEnd) ly += h - 1;
    if (rightEnd) ry += h - 1;
    cl += h - 1;
    cr -= h - 1;
    int n = std::max(thickness - (w0 - 1), 1);
    for (int i = 0; i < n; ++i) {
        LineNoWidth(cl, ly, cr, ry);
        ++ly;
        ++ry;
    }
    (void)ya;
    (void)yb;
}

void CPrArtist::DrawMultiRestBar(int x1, int ya, int x2, int yb, int clipLeft, int y1, int clipRight, int y2,
                                 int count, bool shift, bool rightEnd) {
    int d = g_draw.musicCharWidth - g_draw.musicLineWidth;
    int t = MapX(g_draw.stemThickness) / 20;
    if (shift && clipLeft == x1) {
        x1 -= d;
        clipLeft -= d;
    }
    if (rightEnd && clipRight == x2) {
        x2 -= d;
        clipRight -= d;
    }
    x1 = MapX(x1);
    x2 = MapX(x2);
    int cl = MapX(clipLeft), cr = MapX(clipRight);
    y1 = MapY(y1);
    y2 = MapY(y2);
    count = MapY(count);
    if (shift && cl == x1) {
        x1 += musicCharWidth - t;
        cl += musicCharWidth - t;
    }
    if (rightEnd && cr == x2) {
        x2 += musicCharWidth - t;
        cr += musicCharWidth - t;
    }
    int pw = CArtist::GetPenWidth();
    int h = (pw + 1) / 2;
    int ly = LineHeight(cl, x1, y1, x2, y2), ry = LineHeight(cr, x1, y1, x2, y2);
    cl += h;
    ly += h - 1;
    ry += h - 1;
    int n = count - (pw - 2);
    for (int i = 0; i < n; ++i) {
        LineNoWidth(cl, ly, cr, ry);
        ++ly;
        ++ry;
    }
    (void)ya;
    (void)yb;
}

void CPrArtist::FillRotatedShape(int x1, int y1, int x2, int y2, int size, bool notched, bool filled) {
    CArtist::FillRotatedShape(MapX(x1), MapY(y1), MapX(x2), MapY(y2), MapX(size), notched, filled);
}

void CPrArtist::DrawArcShape(int x1, int y1, int x2, int y2, bool straight, int size) {
    CArtist::DrawArcShape(MapX(x1), MapY(y1), MapX(x2), MapY(y2), straight, MapX(size));
}

void CPrArtist::DrawTextAngled(const char* s, int x, int y, int degrees) {
    CArtist::DrawTextAngled(s, MapX(x), MapY(y), degrees);
}

void CPrArtist::DrawGraphicShape(const RECT& rect, int kind, int penWidth, int style, int param) {
    RECT r = rect;
    MapRect(r);
    CArtist::DrawGraphicShape(r, kind, MapX(penWidth), style, MapX(param));
}

void CPrArtist::FillOval(int x, int y, int w, int h, bool filled) {
    if (!filled) {
        CArtist::FillOval(x, y, w, h, false);  // frames through the mapping FrameOval
        return;
    }
    RECT r;
    r.left = x - (w + 1) / 2;
    r.top = y + h / 2 - (w + 1) / 2;
    r.right = r.left + w;
    r.bottom = r.top + w;
    MapRect(r);
    CDC* p = Port();
    if (!p) return;
    CBrush b(p->GetTextColor());
    CBrush* old = p->SelectObject(&b);
    p->Ellipse(r.left, r.top, r.right, r.bottom);
    if (old) p->SelectObject(old);
}
