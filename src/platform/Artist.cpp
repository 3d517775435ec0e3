// The artist's state, colours, pens, fonts and text.
#include "platform/Artist.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "framework/Arith.h"
#include "framework/DC.h"
#include "platform/DrawGlobals.h"
#include "platform/FontMap.h"
#include "platform/Offscreen.h"
#include "platform/PortLayer.h"

// Stored as 0xRRGGBB; turned into device colours once at start-up.
COLORREF ColorTable[144] = {
    0x000000, 0xff0000, 0xffff00, 0x00ff00, 0x00ffff, 0x0000ff, 0xff00ff, 0xffffff,  // 0
    0xe6e6e6, 0xdadada, 0xcdcdcd, 0xc1c1c1, 0xb4b4b4, 0xa7a7a7, 0x9a9a9a, 0x8e8e8e,  // 8
    0x818181, 0xed1c24, 0xfff200, 0x00a651, 0x00aeef, 0x2e3192, 0xec008c, 0x737373,  // 16
    0x666666, 0x595959, 0x4b4b4b, 0x3d3d3d, 0x303030, 0x212121, 0x131313, 0x0a0a0a,  // 24
    0xf69679, 0xf9ad81, 0xfdc689, 0xfff799, 0xc4df9b, 0xa3d39c, 0x82ca9c, 0x7accc8,  // 32
    0x6dcff6, 0x7da7d9, 0x8393ca, 0x8781bd, 0xa186be, 0xbd8cbf, 0xf49ac1, 0xf5989d,  // 40
    0xf26c4f, 0xf68e56, 0xfbaf5d, 0xfff568, 0xacd373, 0x7cc576, 0x3cb878, 0x1cbbb4,  // 48
    0x00bff3, 0x448ccb, 0x5674b9, 0x605ca8, 0x8560a8, 0xa864a8, 0xf06eaa, 0xf26d7d,  // 56
    0xed1c24, 0xf26522, 0xf7941d, 0xfff200, 0x8dc63f, 0x39b54a, 0x00a651, 0x00a99d,  // 64
    0x00aeef, 0x0072bc, 0x0054a6, 0x2e3192, 0x662d91, 0x92278f, 0xec008c, 0xed145b,  // 72
    0x9e0b0e, 0xa0410d, 0xa36209, 0xaba000, 0x598527, 0x197b30, 0x007236, 0x00746b,  // 80
    0x0076a3, 0x004a80, 0x003471, 0x1b1464, 0x440e62, 0x630460, 0x9e005d, 0x9e0039,  // 88
    0x790000, 0x7b2e00, 0x7d4900, 0x827b00, 0x406618, 0x005e20, 0x005826, 0x005952,  // 96
    0x005b7f, 0x003663, 0x002157, 0x0d004c, 0x32004b, 0x4b0049, 0x7b0046, 0x7a0026,  // 104
    0xc7b29a, 0x998675, 0x736357, 0x534741, 0x362f2d, 0xc69c6d, 0xa67c52, 0x8c6239,  // 112
    0x754c24, 0x603913,                                                              // 120
};

void ConvertColorTable() {
    for (COLORREF& c : ColorTable) c = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

CArtist::CArtist() = default;

CArtist::~CArtist() {
    // The port is not touched; the pen object goes.
    pen.DeleteObject();
}

CDC* CArtist::Port() const { return g_draw.currentPort; }

void CArtist::InitColorTable() {
    static bool converted = false;
    if (!converted) {
        ConvertColorTable();
        converted = true;
    }
    ColorTable[128] = RGB(250, 250, 250);
    ColorTable[129] = RGB(0, 0, 128);
    ColorTable[130] = fw::GetSysColor(fw::COLOR_BTNFACE);
    ColorTable[131] = fw::GetSysColor(fw::COLOR_BTNTEXT);
    ColorTable[132] = fw::GetSysColor(fw::COLOR_BTNHIGHLIGHT);
    ColorTable[133] = fw::GetSysColor(fw::COLOR_BTNSHADOW);
    ColorTable[134] = fw::GetSysColor(fw::COLOR_WINDOW);
    ColorTable[135] = fw::GetSysColor(fw::COLOR_WINDOWTEXT);
    ColorTable[136] = RGB(0, 128, 128);
    ColorTable[137] = RGB(0, 0, 255);
    ColorTable[138] = RGB(221, 221, 221);
    ColorTable[139] = RGB(192, 192, 192);
    ColorTable[140] = RGB(225, 225, 234);
    ColorTable[141] = fw::GetSysColor(fw::COLOR_HIGHLIGHTTEXT);
    ColorTable[142] = fw::GetSysColor(fw::COLOR_HIGHLIGHT);
}

// --- slots 0-6 ---

void CArtist::SetFrameRect(const RECT& rect) { frameRect = rect; }
void CArtist::NoOp(int) {}

void CArtist::PushFont() { fontStack.push_back(currentFont); }

void CArtist::PopFont() {
    if (fontStack.empty()) return;
    FontRef f = fontStack.back();
    fontStack.pop_back();
    if (f.face != FontRef::kNoFace) CArtist::SetFont(int(f.face), std::int16_t(f.size), f.style);
}

void CArtist::SetBackColor(int n) {
    if (CDC* p = Port(); p && n >= 0 && n < 144) p->SetBkColor(ColorTable[n]);
}

void CArtist::SetColor(int n) {
    colorIndex = n;
    if (n >= 0 && n < 144) SetTextAndPenColor(ColorTable[n]);
}

void CArtist::SetColorIndirect(int n) { SetColor(n); }

COLORREF CArtist::GetColorValue(int n) const { return n >= 0 && n < 144 ? ColorTable[n] : 0; }

void CArtist::SetTextAndPenColor(COLORREF c) {
    CDC* p = Port();
    if (!p) return;
    p->SetTextColor(c);
    LOGPEN lp;
    GetCurrentLogPen(&lp);
    if (lp.lopnColor != c) {
        lp.lopnColor = c;
        ApplyLogPen(lp);
    }
}

void CArtist::PushColor() { colorStack.push_back(colorIndex); }

void CArtist::PopColor() {
    if (colorStack.empty()) return;
    int n = colorStack.back();
    colorStack.pop_back();
    SetColor(n);
}

void CArtist::PushBackColor() {
    CDC* p = Port();
    if (backColorDepth >= 7) return;
    backColorStack[backColorDepth++] = p ? p->GetBkColor() : RGB(255, 255, 255);
}

void CArtist::PopBackColor() {
    if (backColorDepth <= 0) return;
    COLORREF c = backColorStack[--backColorDepth];
    if (CDC* p = Port()) p->SetBkColor(c);
}

bool CArtist::SetPaletteColor(int n) {
    if (n < 0 || n >= 144) return false;
    SetColor(n);
    return n < 122;
}

void CArtist::SetRoleColor(int role) {
    if (role < 0 || role > 9) return;
    SetPaletteColor(g_draw.roleColors[role]);
}

// --- pens ---

bool CArtist::GetCurrentLogPen(LOGPEN* out) {
    CDC* p = Port();
    if (!p || !out || !p->GetCurrentPen()) return false;
    return p->GetCurrentPen()->GetLogPen(out);
}

void CArtist::ApplyLogPen(const LOGPEN& lp) {
    CDC* p = Port();
    if (!p) return;
    if (savedPen) p->SelectObject(savedPen);
    pen.DeleteObject();
    if (!pen.CreatePenIndirect(lp)) return;
    CPen* old = p->SelectObject(&pen);
    savedPen = old;
}

void CArtist::SetPenBlack() {
    LOGPEN lp;
    GetCurrentLogPen(&lp);
    if (lp.lopnColor != 0) {
        lp.lopnColor = 0;
        ApplyLogPen(lp);
    }
}

void CArtist::SetPenGrey() {
    LOGPEN lp;
    GetCurrentLogPen(&lp);
    if (lp.lopnColor != 0xC0C0C0) {
        lp.lopnColor = 0xC0C0C0;
        ApplyLogPen(lp);
    }
}

void CArtist::SetPenStyle(int style) {
    LOGPEN lp;
    GetCurrentLogPen(&lp);
    if (int(lp.lopnStyle) != style) {
        lp.lopnStyle = UINT(style);
        ApplyLogPen(lp);
    }
}

void CArtist::SetPenWidth(int w) {
    int px = std::max(1, (w + 6) / 20);
    LOGPEN lp;
    GetCurrentLogPen(&lp);
    if (lp.lopnWidth.x != px) {
        lp.lopnWidth.x = px;
        ApplyLogPen(lp);
    }
}

void CArtist::SetCopyMode() {
    if (CDC* p = Port()) p->SetROP2(R2_COPYPEN);
    LOGPEN lp;
    lp.lopnStyle = PS_SOLID;
    lp.lopnWidth.x = 1;
    lp.lopnColor = 0;
    ApplyLogPen(lp);
}

int CArtist::GetPenWidth() {
    LOGPEN lp;
    if (!GetCurrentLogPen(&lp)) return 1;
    return std::max<int>(1, lp.lopnWidth.x);
}

void CArtist::DoNothing() {}

void CArtist::SetROP2(int mode) {
    if (CDC* p = Port()) p->SetROP2(mode);
}

// --- zoom ---

int CArtist::Scale(int v) { return MulDiv(v, zoom, 100); }
int CArtist::GetZoom() { return zoom; }
int CArtist::SetZoom(int z) {
    int old = zoom;
    zoom = z;
    return old;
}
int CArtist::MapX(int v) { return v; }
int CArtist::MapY(int v) { return v; }

// --- fonts ---

void CArtist::SetFont(int face, int size, int style) {
    if (!g_draw.feedbackDrawing && !fontDirty && face == CurrentFace() && size == CurrentSize() &&
        style == currentFont.style && fontWidth == 0)
        return;
    fontAngle = 0;
    fontWidth = 0;
    fontDirty = 0;
    if (CFontList* list = GetFontList()) list->SelectFont(face, size, style, 0, 0);
    currentFont.face = face < 0 ? FontRef::kNoFace : std::uint16_t(face);
    currentFont.size = std::uint16_t(size);
    currentFont.style = std::uint8_t(style);
}

void CArtist::SetFontFull(int face, int size, int style, int angle, int width) {
    if (!g_draw.feedbackDrawing && !fontDirty && face == CurrentFace() && size == CurrentSize() &&
        style == currentFont.style && angle == fontAngle && width == fontWidth)
        return;
    fontAngle = angle;
    fontWidth = width;
    fontDirty = 0;
    if (CFontList* list = GetFontList()) list->SelectFont(face, size, style, angle, width);
    currentFont.face = face < 0 ? FontRef::kNoFace : std::uint16_t(face);
    currentFont.size = std::uint16_t(size);
    currentFont.style = std::uint8_t(style);
}

void CArtist::SetFontFace(int face) { SetFontFull(face, CurrentSize(), currentFont.style, fontAngle, fontWidth); }
void CArtist::SetFontStyle(int style) { SetFontFull(CurrentFace(), CurrentSize(), style, fontAngle, fontWidth); }
void CArtist::SetFontSize(int size) {
    fontWidth = 0;
    SetFontFull(CurrentFace(), size, currentFont.style, fontAngle, 0);
}
void CArtist::SetFontSizeWidth(int size, int width) {
    SetFontFull(CurrentFace(), size, currentFont.style, fontAngle, width);
}

void CArtist::SetFontAngle(int degrees) {
    fontAngle = degrees * 10;
    fontDirty = 1;
}

void CArtist::SetFontRef(const FontRef& ref) {
    SetFont(ref.face == FontRef::kNoFace ? -1 : int(ref.face), std::int16_t(ref.size), ref.style);
}

void CArtist::SetFontRefScaled(const FontRef& ref) {
    SetFont(ref.face == FontRef::kNoFace ? -1 : int(ref.face), Scale(std::int16_t(ref.size)), ref.style);
}

void CArtist::SetFontSizePct(int pct, int size) {
    if (pct == 0) pct = 100;
    SetFontSize(MulDiv(size, pct, 100));
}

int CArtist::MusicFace() const {
    const FontRef& m = g_draw.standardFontRefs[4];
    return m.face == FontRef::kNoFace ? -1 : int(m.face);
}

void CArtist::SetMusicFont(int size) { SetFont(MusicFace(), size, 0); }

void CArtist::UseFontA() { SetFontRef(g_draw.standardFontRefs[0]); }
void CArtist::UseFontB() { SetFontRef(g_draw.standardFontRefs[2]); }

void CArtist::GetFontRef(FontRef* out) {
    if (out) *out = currentFont;
}

void CArtist::SetBkMode(int mode) {
    CDC* p = Port();
    if (!p) return;
    if (mode == 13)
        p->SetBkMode(TRANSPARENT);
    else if (mode == 2)
        p->SetBkMode(OPAQUE);
}

// --- text ---

void CArtist::TextOutAt(int x, int y, const char* s) {
    if (CDC* p = Port(); p && s) p->TextOut(x, y, s, int(std::strlen(s)));
}

void CArtist::DrawTextAligned(int x, int y, const char* s, UINT align) {
    CDC* p = Port();
    if (!p || !s) return;
    p->SetTextAlign(align | TA_BASELINE);
    p->TextOut(x, y, s, int(std::strlen(s)));
    p->SetTextAlign(TA_BASELINE);
}

void CArtist::DrawText(int x, int y, const char* s) {
    if (g_draw.feedbackDrawing)
        DrawTextEx(x, y, s, 0);
    else
        TextOutAt(x, y, s);
}

void CArtist::DrawTextCentered(int x, int y, const char* s) {
    if (g_draw.feedbackDrawing)
        DrawTextEx(x, y, s, TA_CENTER);
    else
        DrawTextAligned(x, y, s, TA_CENTER);
}

void CArtist::DrawTextRight(int x, int y, const char* s) {
    if (g_draw.feedbackDrawing)
        DrawTextEx(x, y, s, TA_RIGHT);
    else
        DrawTextAligned(x, y, s, TA_RIGHT);
}

void CArtist::DrawNumber(int x, int y, int n) {
    char buf[16];
    IntToStr(std::int16_t(n), buf, sizeof buf);
    DrawText(x, y, buf);
}

void CArtist::DrawNumberCentered(int x, int y, int n) {
    char buf[16];
    IntToStr(std::int16_t(n), buf, sizeof buf);
    DrawTextCentered(x, y, buf);
}

void CArtist::DrawNumberRight(int x, int y, int n) {
    char buf[16];
    IntToStr(std::int16_t(n), buf, sizeof buf);
    DrawTextRight(x, y, buf);
}

void CArtist::DrawCharAtPen(int c) {
    CDC* p = Port();
    if (!p) return;
    char s[2] = {char(c), 0};
    UINT align = p->GetTextAlign();
    if (!g_draw.feedbackDrawing) {
        p->SetTextAlign(align | TA_UPDATECP);
        p->TextOut(0, 0, s, 1);
        p->SetTextAlign(align);
    } else {
        POINT pos = p->GetCurrentPosition();
        DrawTextEx(pos.x, pos.y, s, align | TA_UPDATECP);
    }
}

void CArtist::DrawTextAtPen(const char* s) {
    CDC* p = Port();
    if (!p || !s) return;
    UINT align = p->GetTextAlign();
    if (!g_draw.feedbackDrawing) {
        p->SetTextAlign(align | TA_UPDATECP);
        p->TextOut(0, 0, s, int(std::strlen(s)));
        p->SetTextAlign(align);
    } else {
        POINT pos = p->GetCurrentPosition();
        DrawTextEx(pos.x, pos.y, s, align | TA_UPDATECP);
    }
}

void CArtist::DrawChar(int x, int y, int c) { CArtist::DrawCharEx(x, y, c); }

void CArtist::DrawCharEx(int x, int y, int c) {
    CDC* p = Port();
    if (!p) return;
    char s[2] = {char(c), 0};
    int mode = p->GetROP2();
    COLORREF color = p->GetTextColor();
    if (!g_draw.feedbackDrawing) {
        p->TextOut(x, y, s, 1);
        return;
    }
    SIZE ext = p->GetTextExtent(s, 1);
    int hw = 3 * ext.cx / 2, hh = 3 * ext.cy / 2;
    RECT r{x - hw, y - hh, x + hw, y + hh};
    COffscreen off;
    if (!off.Begin(r, false)) {
        p->TextOut(x, y, s, 1);
        return;
    }
    Port()->SetTextColor(color);
    Port()->TextOut(x, y, s, 1);
    off.End(mode == R2_NOT ? 1 : 2);
}

void CArtist::DrawTextEx(int x, int y, const char* s, UINT align) {
    CDC* p = Port();
    if (!p || !s) return;
    int mode = p->GetROP2();
    int len = int(std::strlen(s));
    if (mode == R2_NOT || mode == R2_WHITE) {
        fontDirty = 1;
        SIZE ext = p->GetTextExtent(s, len);
        RECT r;
        if ((align & 6) == 0) {
            r.left = x;
            r.right = x + ext.cx;
        } else if ((align & 6) == 6) {
            r.left = x - ext.cx / 2;
            r.right = x + ext.cx / 2;
        } else {
            r.left = x - ext.cx;
            r.right = x;
        }
        r.top = y - ext.cy;
        r.bottom = y + ext.cy;
        r.left -= 2;
        r.top -= 2;
        r.right += 2;
        r.bottom += 2;
        COffscreen off;
        if (off.Begin(r, false)) {
            CDC* m = Port();
            m->SetTextAlign(align | TA_BASELINE);
            m->TextOut(x, y, s, len);
            off.End(mode == R2_NOT ? 1 : 2);
            return;
        }
    }
    UINT old = p->GetTextAlign();
    p->SetTextAlign(align | TA_BASELINE);
    p->TextOut(x, y, s, len);
    p->SetTextAlign(old);
}

// --- measuring ---

int CArtist::CharWidth(int c) {
    CDC* p = Port();
    if (!p) return 1;
    return std::max(1, p->GetCharWidth(UINT(std::uint8_t(c))));
}

int CArtist::TextWidth(const char* s) {
    CDC* p = Port();
    if (!p || !s) return 0;
    return p->GetTextExtent(s, int(std::strlen(s))).cx;
}

void CArtist::GetFontMetrics(FontMetrics16* out) {
    CDC* p = Port();
    if (!p || !out) return;
    TEXTMETRIC tm;
    p->GetTextMetrics(&tm);
    int size = CurrentSize();
    int h = tm.tmHeight ? tm.tmHeight : 1;
    out->ascent = std::int16_t(MulDiv(size, tm.tmAscent + tm.tmInternalLeading, h));
    out->descent = std::int16_t(MulDiv(size, tm.tmDescent, h));
    out->maxWidth = std::int16_t(MulDiv(size, tm.tmMaxCharWidth, h));
    out->leading = std::int16_t(MulDiv(size, tm.tmExternalLeading, h));
    out->internalLeading = std::int16_t(MulDiv(size, tm.tmInternalLeading, h));
}

// --- selection handles ---

void CArtist::DrawHandle(int x, int y, bool filled) {
    if (g_draw.printingDC) return;
    int d = Scale(2);
    RECT r{x - d, y - d, x + d, y + d};
    if (!g_draw.dragInProgress) EraseRect(r);
    if (filled) {
        RECT f{r.left, r.top, r.right + 1, r.bottom + 1};
        FillRectColor(f, 0);
    } else {
        FrameRect(r);
    }
}
