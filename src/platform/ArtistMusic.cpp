// The artist's music glyphs (through the document's font map) and music shapes.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "framework/Arith.h"
#include "framework/DC.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/FontMap.h"
#include "platform/PortLayer.h"

namespace {

int Angle(int x1, int y1, int x2, int y2) { return PointAngle(x1, y1, x2, y2); }
int Distance(int x1, int y1, int x2, int y2) { return PointDistance(x1, y1, x2, y2); }

const FontMapSlot* MapSlot(int c) {
    if (!g_draw.fontMap || c < 0 || c > 255) return nullptr;
    const FontMapSlot& s = g_draw.fontMap->slots[c];
    return s.on ? &s : nullptr;
}

}  // namespace

void SetArtistFontMap(FontMap* map) { g_draw.fontMap = map; }

void CArtist::SelectFaceTemporarily(int face) {
    if (CFontList* list = GetFontList()) list->SelectFont(face, CurrentSize(), currentFont.style, fontAngle, fontWidth);
}

void CArtist::SelectOwnFont() { SelectFaceTemporarily(CurrentFace()); }

const FontMapSlot* CArtist::SelectMappedGlyphFont(int c) {
    if (!g_draw.fontMap) return nullptr;
    const FontMapSlot* slot = MapSlot(c);
    if (slot) {
        if (int(slot->face) != CurrentFace()) SetFont(slot->face, CurrentSize(), 0);
        return slot;
    }
    if (CurrentFace() != MusicFace()) SetFont(MusicFace(), CurrentSize(), 0);
    return nullptr;
}

void CArtist::DrawGlyphMapped(int x, int y, int c, bool device) {
    const FontMapSlot* slot = MapSlot(c);
    if (slot) {
        bool changed = int(slot->face) != CurrentFace();
        if (changed) SelectFaceTemporarily(slot->face);
        int size = CurrentSize();
        if (slot->dx) x += (size * slot->dx + 24) / 96;
        if (slot->dy) y -= (size * slot->dy + 24) / 96;
        if (device)
            CArtist::DrawCharEx(x, y, slot->character);
        else
            DrawCharEx(x, y, slot->character);
        if (changed) SelectOwnFont();
        return;
    }
    if (fontAngle != 0) {
        SelectOwnFont();
        fontDirty = 1;
    }
    if (device)
        CArtist::DrawCharEx(x, y, c);
    else
        DrawCharEx(x, y, c);
}

void CArtist::DrawGlyph(int x, int y, int c) { DrawGlyphMapped(x, y, c & 0xFF, false); }

int CArtist::MappedGlyphWidth(int c, bool device) {
    const FontMapSlot* slot = MapSlot(c);
    if (!slot) return device ? CArtist::CharWidth(c) : CharWidth(c);
    bool changed = int(slot->face) != CurrentFace();
    if (changed) SelectFaceTemporarily(slot->face);
    int w = device ? CArtist::CharWidth(slot->character) : CharWidth(slot->character);
    if (changed) SelectOwnFont();
    return w;
}

int CArtist::GlyphWidth(int c) { return MappedGlyphWidth(c & 0xFF, false); }

void CArtist::DrawGlyphCentered(int x, int y, int c) { DrawGlyph(x - GlyphWidth(c) / 2, y, c); }

void CArtist::DrawGlyphAdjusted(int x, int y, int c) {
    if (glyphNudge == 1) y += (CurrentSize() + 11) / 48;
    DrawGlyph(x - GlyphWidth(c), y, c);
}

void CArtist::DrawGlyphBold(int x, int y) { DrawGlyph(x, glyphNudge != 0 ? y + 1 : y, 199); }

void CArtist::DrawGlyphPair(int x, int y, int c, bool shifted) {
    if (shifted) x += g_draw.musicCharWidth - GlyphWidth(116);
    DrawGlyph(x, y, c);
}

void CArtist::DrawGlyphInRect(const RECT& rect) {
    int h = rect.bottom - rect.top;
    int q = (h + 1) / 4;
    int mid = rect.top + 2 * q + (4 * q < h ? 1 : 0);
    SetFontSizeWidth(q, rect.right - rect.left);
    DrawGlyph(rect.left, mid - q, 62);
    DrawGlyph(rect.left, mid + q, 63);
}

int CArtist::SetMusicMetrics(int* widthOut, int* lineOut, int value, int size) {
    int previous = CurrentSize();
    bool temporary = size != 0 && size != previous;
    if (temporary) SetFontSize(size);
    int w = GlyphWidth(116);
    musicCharWidth = w;
    if (widthOut) *widthOut = w;
    int t = MulDiv(value, CurrentSize(), 24);
    int lw = std::max((t + 6) / 20, 1);
    musicLineWidth = lw;
    if (lineOut) *lineOut = lw;
    if (temporary) SetFontSize(previous);
    return t;
}

void CArtist::GetGlyphMetrics(FontMetrics16* out, int c) {
    if (!out) return;
    GetFontMetrics(out);
    out->maxWidth = std::int16_t(CharWidth(c));
    if (CurrentFace() == MusicFace() && c >= 144) {
        if (c == 178 || (c >= 220 && c <= 229) || (c >= 240 && c <= 249)) {
            out->ascent = std::int16_t(out->ascent / 4);
            out->descent = 0;
        } else if (c == 179) {
            out->descent = std::int16_t(out->ascent / 4);
            out->ascent = 0;
        } else {
            out->ascent = std::int16_t(out->ascent / 2);
        }
        return;
    }
    OUTLINETEXTMETRIC otm;
    CDC* p = Port();
    if (p && p->GetOutlineTextMetrics(&otm) && otm.otmAscent > 0)
        out->ascent = std::int16_t(otm.otmAscent);
    else
        out->ascent = std::int16_t(out->ascent - out->internalLeading);
}

// --- bar lines ---

void CArtist::DrawBarline(int x, int yTop, int yBottom, int kind, int align) {
    SetPenWidth(g_draw.thinLineWidth);
    int w = CArtist::GetPenWidth();
    int half = w / 2;
    int thick = CArtist::CharWidth(188);
    int halfThick = thick / 2;
    if (kind == 9) {
        int dx = align == 1 ? x - halfThick : x;
        DrawGlyph(dx, yTop, 59);
        DrawGlyph(dx, yBottom, 60);
        kind = 2;
    } else if (kind == 10) {
        int dx = x + (align == 1 ? halfThick : 0) + (g_draw.printingDC ? half : 0);
        SetFontAngle(180);
        DrawGlyph(dx, yTop, 60);
        DrawGlyph(dx, yBottom, 59);
        SetFontAngle(0);
        kind = 3;
    }
    bool stroke = g_draw.printJob || (!g_draw.printingDC && g_draw.thinLineWidth <= 20);
    auto thin = [&](int left) {
        if (stroke) {
            SetPenWidth(20);
            CArtist::Line(left, yTop, left, yBottom);
        } else {
            CArtist::FillRectColor(RECT{left, yTop, left + w, yBottom}, colorIndex);
        }
    };
    auto fill = [&](int left, int right) { CArtist::FillRectColor(RECT{left, yTop, right, yBottom}, colorIndex); };
    int left = x, right = x;
    switch (kind) {
    case 0:
        if (align == 1) left -= half;
        if (align == 2) left -= w;
        thin(left);
        break;
    case 8:
        if (align == 2) {
            left -= thick;
            left -= half;
            right -= half;
        } else {
            right += thick;
        }
        if (g_draw.dragInProgress)
            CArtist::InvertRect(RECT{left, yTop, right, yBottom});
        else
            fill(left, right);
        break;
    case 2:
    case 7: {
        if (align == 1) left -= halfThick;
        right = left + thick;
        fill(left, right);
        thin(right + halfThick + w);
        break;
    }
    case 3:
    case 4: {
        if (align == 1) right += halfThick;
        left = right - thick;
        fill(left, right);
        int r2 = left - halfThick - w;
        thin(r2 - w);
        break;
    }
    case 1: {
        int d = halfThick + 2 * w;
        if (align == 1) left -= d / 2;
        if (align == 2) left -= d;
        thin(left);
        thin(left + d);
        break;
    }
    default: break;
    }
    SetPenWidth(20);
}

// --- staff and ledger lines ---

void CArtist::DrawStaffLines(int x1, int yTop, int x2, int mask, int spacing, int width) {
    SetPenWidth(width);
    int w = CArtist::GetPenWidth();
    x1 += w / 2;
    x2 -= w / 2;
    for (int i = 0; i < 16; ++i)
        if (mask & (1 << i)) {
            int y = yTop + 8 * spacing - i * spacing;
            CArtist::Line(x1, y, x2, y);
        }
    SetPenWidth(20);
}

void CArtist::DrawLedgerLines(int x, int y, int position, int spacing, int width) {
    SetPenWidth(g_draw.ledgerLineWidth);
    if (!g_draw.printingDC) width -= musicLineWidth;
    int ext = (width + 1) / 3;
    int from = x - ext, to = x + width + ext + 1;
    if (position >= 6) {
        for (int yy = y - 3 * spacing; position >= 6; position -= 2, yy -= spacing) CArtist::Line(from, yy, to, yy);
    } else if (position <= -6) {
        for (int yy = y + 3 * spacing; position <= -6; position += 2, yy += spacing) CArtist::Line(from, yy, to, yy);
    }
    SetPenWidth(20);
}

// --- beams, bars and stems ---

void CArtist::DrawBeam(int x1, int, int x2, int, int clipLeft, int y1, int clipRight, int y2, int thickness, bool,
                       bool, int level, int spacing, bool upperShift, bool lowerShift) {
    if (level > 0) {
        int d = MulDiv(3, spacing, 4) * level;
        if (upperShift)
            y2 += d / 3;
        else
            y1 += d;
        if (lowerShift)
            y1 += d / 3;
        else
            y2 += d;
    }
    int h = (CArtist::GetPenWidth() + 1) / 2;
    bool clipped = clipLeft != x1 || clipRight != x2;
    if (clipped) {
        PushClip();
        CArtist::SetClipRect(RECT{clipLeft, std::min(y1, y2) - 1000, clipRight + h, std::max(y1, y2) + 1000});
    }
    x2 += (musicLineWidth + 1) / 2;
    int n = std::max(thickness - 10, 1);
    for (int t = 0; t < n; t += 20) {
        CArtist::Line(x1, y1, x2, y2);
        ++y1;
        ++y2;
    }
    if (clipped) PopClip();
}

void CArtist::DrawMultiRestBar(int x1, int, int x2, int, int clipLeft, int y1, int clipRight, int y2, int count,
                               bool shift, bool) {
    int h = CArtist::GetPenWidth() / 2;
    bool clipped = clipLeft != x1 || clipRight != x2;
    if (clipped) {
        PushClip();
        CArtist::SetClipRect(RECT{clipLeft, std::min(y1, y2) - 1000, clipRight + h, std::max(y1, y2) + 1000});
    }
    if (shift) {
        y1 += h;
        y2 += h;
    }
    x2 += (musicLineWidth + 1) / 2;
    for (int i = 0; i < count; ++i) {
        CArtist::Line(x1, y1, x2, y2);
        ++y1;
        ++y2;
    }
    if (clipped) PopClip();
}

void CArtist::DrawStem(int x, int yFrom, int yTo, bool up) {
    int h = (musicLineWidth + 1) / 2;
    x += musicLineWidth / 2;
    yTo = up ? yTo + h : yTo - h;
    LineWidth(x, yFrom, x, yTo, g_draw.stemThickness);
}

// --- placed glyphs ---

void CArtist::DrawPlacedGlyph(int x, int y, int c, int mode) {
    int previousFace = CurrentFace();
    const FontMapSlot* slot = SelectMappedGlyphFont(c);
    int size = CurrentSize();
    if (slot) {
        c = slot->character;
        if (slot->dx) x += (size * slot->dx + 24) / 96;
        if (slot->dy) y -= (size * slot->dy + 24) / 96;
    }
    if (mode == 0)
        x += musicLineWidth - CharWidth(c);
    else if (mode == 2)
        x += musicCharWidth - CharWidth(c);
    else if (mode == 3)
        x += musicCharWidth - musicLineWidth;
    if (glyphNudge == 1) y += (size + 11) / 48;
    DrawCharEx(x, y, c);
    if (CurrentFace() != previousFace) SetFont(previousFace, size, 0);
}

// --- wavy lines and glyph runs ---

void CArtist::DrawWavyLine(int x1, int y1, int x2, int y2, bool wavy) {
    if (wavy && (y1 == y2 || x1 == x2)) {
        int w = GlyphWidth(162);
        if (w <= 0) return;
        if (x1 == x2) {
            while (y1 <= y2) {
                y1 += w;
                DrawGlyph(x1, y1, 172);
            }
        } else {
            while (x1 < x2) {
                DrawGlyph(x1, y1, 162);
                x1 += w;
            }
        }
        return;
    }
    LineWidth(x1, y1, x2, y2, Scale(g_draw.thinStaffLine));
}

int CArtist::FillCharRun(char* buffer, int length, int c) {
    int w = std::max(CharWidth(c), 1);
    int n = std::min((length + 1) / w, 1023);
    if (n < 0) n = 0;
    std::memset(buffer, c, std::size_t(n));
    buffer[n] = 0;
    return TextWidth(buffer);
}

std::int32_t CArtist::DrawGlyphRun(int x1, int y1, int x2, int y2, int c) {
    if (x1 > x2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    if (c == 0) {
        LineWidth(x1, y1, x2, y2, Scale(g_draw.thinStaffLine));
        return Distance(x1, y1, x2, y2);
    }
    int angle = Angle(x1, y1, x2, y2);
    if (angle < 0) angle += 360;
    char buffer[1024];
    if (angle == 0) {
        PushFont();
        if (const FontMapSlot* slot = SelectMappedGlyphFont(c)) c = slot->character;
        int width = FillCharRun(buffer, std::abs(x2 - x1), c);
        if (x1 < x2)
            DrawText(x1, y1, buffer);
        else if (x1 == x2)
            DrawTextRight(x1, y1, buffer);
        PopFont();
        return width;
    }
    if (c == 162 && (angle == 90 || angle == 270)) {
        int w = GlyphWidth(162);
        if (w > 0) {
            if (y1 < y2) {
                do {
                    y1 += w;
                    DrawGlyph(x1, y1, 172);
                } while (y1 < y2);
            } else {
                do {
                    DrawGlyph(x1, y1, 172);
                    y1 -= w;
                } while (y1 > y2);
            }
        }
        return Distance(x1, y1, x2, y2);
    }
    PushFont();
    if (const FontMapSlot* slot = SelectMappedGlyphFont(c)) c = slot->character;
    int width = FillCharRun(buffer, Distance(x1, y1, x2, y2), c);
    DrawTextAngled(buffer, x1, y1, angle);
    PopFont();
    return width;
}

void CArtist::DrawTextAngled(const char* s, int x, int y, int degrees) {
    CDC* p = Port();
    if (!p || !s) return;
    if (CFontList* list = GetFontList()) list->SelectFont(CurrentFace(), CurrentSize(), currentFont.style, degrees * 10, 0);
    if (g_draw.feedbackDrawing)
        DrawTextEx(x, y, s, p->GetTextAlign());
    else
        p->TextOut(x, y, s, int(std::strlen(s)));
    fontDirty = 1;
}

// --- curves ---

void CArtist::DrawBezier(const POINT* points, int thickness, int, int style) {
    CDC* p = Port();
    if (!p || !points) return;
    LOGPEN before;
    GetCurrentLogPen(&before);
    SetPenWidth(g_draw.printingDC ? 5 : 20);
    SetPenStyle(style);
    int n = g_draw.dragInProgress ? (thickness + 10) / 20 : thickness / 20;
    for (int i = 0; i <= n; ++i) {
        POINT pts[4] = {points[0], points[1], points[2], points[3]};
        pts[1].y += i;
        pts[2].y += i;
        p->PolyBezier(pts, 4);
    }
    LOGPEN now;
    GetCurrentLogPen(&now);
    if (now.lopnWidth.x != before.lopnWidth.x || now.lopnStyle != PS_SOLID) {
        now.lopnWidth.x = before.lopnWidth.x;
        now.lopnStyle = PS_SOLID;
        ApplyLogPen(now);
    }
}

void CArtist::DrawCurve(const POINT* points, int thickness, int style) {
    if (!points) return;
    int half = (points[1].x - points[0].x) / 2;
    POINT pts[4] = {points[0], {points[0].x + half, points[1].y}, {points[2].x - half, points[1].y}, points[2]};
    DrawBezier(pts, thickness, 1, style);
}

// --- arrowheads, bends and graphic shapes ---

void CArtist::FillRotatedShape(int x1, int y1, int x2, int y2, int size, bool notched, bool filled) {
    CDC* p = Port();
    if (!p) return;
    int notch = notched ? 2 * size / 5 : 0;
    POINT pts[4] = {{0, size - notch}, {-size / 2, size}, {0, 0}, {size / 2, size}};
    bool turned = false;
    if (x1 == x2) {
        if (y1 < y2)
            for (auto& pt : pts) pt.y = -pt.y;
    } else if (y1 == y2) {
        for (auto& pt : pts) {
            std::swap(pt.x, pt.y);
            if (x1 < x2) pt.x = -pt.x;
        }
    } else {
        turned = true;
    }
    if (turned) {
        int angle = Angle(x2, y2, x1, y1);
        double a = (270 - angle) * 3.1415926535 / 180.0;
        for (auto& pt : pts) {
            double dx = pt.x, dy = pt.y;
            pt.x = x2 + int(dx * std::cos(a) - dy * std::sin(a));
            pt.y = y2 + int(dx * std::sin(a) + dy * std::cos(a));
        }
    } else {
        for (auto& pt : pts) {
            pt.x += x2;
            pt.y += y2;
        }
    }
    if (filled) {
        CBrush brush(p->GetTextColor());
        p->SelectObject(&brush);
        p->Polygon(pts, 4);
        p->SelectStockObject(HOLLOW_BRUSH);
    } else {
        CGdiObject* old = p->SelectStockObject(HOLLOW_BRUSH);
        p->Polygon(pts, 4);
        if (old) p->SelectObject(static_cast<CBrush*>(old));
    }
}

void CArtist::DrawArcShape(int x1, int y1, int x2, int y2, bool straight, int size) {
    int dx = x2 - x1, dy = std::abs(y2 - y1);
    int fx, fy;
    if (straight || dx == 0 || dy == 0) {
        fx = x1;
        fy = y1;
    } else {
        fx = x2 - dx / 12;
        fy = y1 > y2 ? y2 + dy / 2 : y2 - dy / 2;
    }
    CArtist::FillRotatedShape(fx, fy, x2, y2, size * 3 / 4, false, true);
    if (straight || x1 == x2) {
        CArtist::Line(x1, y1, x2, y2);
        return;
    }
    RECT r;
    POINT s, e;
    if (y1 > y2 && x2 <= x1) {
        r = RECT{x2 + 1, 2 * y2 - y1, 2 * x1 - x2, y1 + 1};
        s = {x2, y2};
        e = {x1, y1};
    } else if (y1 > y2) {
        r = RECT{2 * x1 - x2, 2 * y2 - y1, x2, y1};
        s = {x1, y1};
        e = {x2, y2};
    } else if (x2 <= x1) {
        r = RECT{x2 + 1, y1, 2 * x1 - x2, 2 * y2 - y1};
        s = {x1, y1};
        e = {x2, y2};
    } else {
        r = RECT{2 * x1 - x2, y1, x2, 2 * y2 - y1};
        s = {x2, y2};
        e = {x1, y1};
    }
    CArtist::Arc(r, s.x, s.y, e.x, e.y);
}

void CArtist::DrawGraphicShape(const RECT& rect, int kind, int penWidth, int style, int param) {
    CDC* p = Port();
    if (!p) return;
    SetPenWidth(penWidth);
    const int l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
    if (style == 0) {
        SetPenStyle(0);
        switch (kind) {
        case 0: CArtist::FrameRectangle(rect); break;
        case 1: CArtist::FrameRoundRect(rect, param, param); break;
        case 2: CArtist::FrameOvalAlt(rect); break;
        case 5: {
            POINT tri[3] = {{l, t}, {l, b}, {r, (t + b) / 2}};
            if (param != 0) {
                CBrush brush(p->GetTextColor());
                p->SelectObject(&brush);
                p->Polygon(tri, 3);
                p->SelectStockObject(HOLLOW_BRUSH);
            } else {
                CGdiObject* old = p->SelectStockObject(HOLLOW_BRUSH);
                p->Polygon(tri, 3);
                if (old) p->SelectObject(static_cast<CBrush*>(old));
            }
            break;
        }
        default: break;
        }
        SetPenStyle(0);
    } else if (kind == 0) {
        CArtist::ThickLine(l, t, r, t, style);
        CArtist::ThickLine(r, t, r, b, style);
        CArtist::ThickLine(r, b, l, b, style);
        CArtist::ThickLine(l, b, l, t, style);
    } else if (kind == 1) {
        int rr = 2 * param / 3, q = param / 4;
        CArtist::ThickLine(l + rr, t, r - rr, t, style);
        CArtist::ThickLine(r, t + rr, r, b - rr, style);
        CArtist::ThickLine(r - rr, b, l + rr, b, style);
        CArtist::ThickLine(l, b - rr, l, t + rr, style);
        POINT c1[4] = {{l, t + rr}, {l, t + rr - q}, {l + rr - q, t - 1}, {l + rr, t - 1}};
        POINT c2[4] = {{r - rr, t - 1}, {r - rr + q, t - 1}, {r, t + rr - q}, {r, t + rr}};
        POINT c3[4] = {{r, b - rr}, {r, b - rr + q}, {r - rr + q, b}, {r - rr, b}};
        POINT c4[4] = {{l + rr, b}, {l + rr - q, b}, {l, b - rr + q}, {l, b - rr}};
        p->PolyBezier(c1, 4);
        p->PolyBezier(c2, 4);
        p->PolyBezier(c3, 4);
        p->PolyBezier(c4, 4);
    } else {
        int w = (r - l) / 4, h = (b - t) / 4;
        int cx = (l + r) / 2, cy = (t + b) / 2;
        POINT pts[13] = {{cx, t},      {r - w, t}, {r, t + h}, {r, cy},    {r, cy + h}, {r - w, b}, {cx, b},
                         {l + w, b},   {l, b - h}, {l, cy},    {l, cy - h}, {l + w, t}, {cx, t}};
        SetPenStyle(style);
        p->BeginPath();
        for (int i = 0; i < 12; i += 3) p->PolyBezier(pts + i, 4);
        p->EndPath();
        p->WidenPath();
        p->StrokePath();
        if (CArtist* a = g_draw.artist) a->SetPenStyle(0);
    }
    SetPenWidth(20);
}

// --- accidentals inside text ---

void CArtist::DrawAccidentalText(int x, int y, const char* s) {
    if (!s) return;
    CArtist::MoveTo(x, y);
    POINT at{};
    int last = 0;
    for (const char* q = s; *q; ++q) {
        if (*q == '#' || *q == 'b') {
            at = GetPenPos();
            last = *q;
            POINT pos = GetPenPos();
            CArtist::MoveTo(pos.x + CharWidth(' ') + 1, pos.y);
        } else {
            DrawCharAtPen(std::uint8_t(*q));
        }
    }
    if (!last) return;
    FontRef saved = currentFont;
    int size = CurrentSize() < 12 ? 16 : 24;
    SetMusicFont(size);
    if (last == '#')
        DrawCharEx(at.x, y - size / 4, 33);
    else
        DrawCharEx(at.x, y - size / 8, 34);
    SetFontRef(saved);
}
