#include "Sheets.h"

#include <cstdio>

#include "framework/MusicFont.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/Port.h"
#include "platform/Theory.h"

namespace {
constexpr int kColumns = 12, kCellW = 76, kCellH = 96, kGlyphSize = 28;
}

std::vector<int> MusicCodes() {
    std::vector<int> out;
    for (int c = 0; c < 256; ++c)
        if (*fw::MusicGlyphName(c)) out.push_back(c);
    return out;
}

void GlyphSheetSize(int* width, int* height) {
    int n = int(MusicCodes().size());
    *width = kColumns * kCellW + 20;
    *height = ((n + kColumns - 1) / kColumns) * kCellH + 20;
}

int GlyphSheetRowHeight() { return kCellH; }

void DrawGlyphSheet(CArtist& a) {
    int w, h;
    GlyphSheetSize(&w, &h);
    a.SetColor(7);
    a.FillRectColor(RECT{0, 0, w, h}, 7);
    auto codes = MusicCodes();
    for (std::size_t i = 0; i < codes.size(); ++i) {
        int c = codes[i];
        int cx = 10 + int(i % kColumns) * kCellW, cy = 10 + int(i / kColumns) * kCellH;
        a.FrameRectInColor(RECT{cx, cy, cx + kCellW - 2, cy + kCellH - 2});
        int x0 = cx + 18, y0 = cy + 56;
        // guides: the baseline, one staff space above and below, and the origin
        a.SetColor(11);
        a.Line(cx + 2, y0, cx + kCellW - 4, y0);
        a.SetColor(9);
        a.Line(cx + 2, y0 - kGlyphSize / 4, cx + kCellW - 4, y0 - kGlyphSize / 4);
        a.Line(cx + 2, y0 + kGlyphSize / 4, cx + kCellW - 4, y0 + kGlyphSize / 4);
        a.SetColor(1);
        a.Line(x0, y0 - 3, x0, y0 + 4);
        a.SetColor(0);
        a.SetMusicFont(kGlyphSize);
        int gw = a.GlyphWidth(c);
        a.DrawGlyph(x0, y0, c);
        a.SetColor(5);
        a.Line(x0 + gw, y0 - 3, x0 + gw, y0 + 4);
        a.SetColor(0);
        char label[64];
        std::snprintf(label, sizeof label, "%d", c);
        a.SetFont(g_draw.standardFontRefs[0].face, 10, 1);
        a.DrawText(cx + 3, cy + 12, label);
        a.SetFont(g_draw.standardFontRefs[0].face, 6, 0);
        std::snprintf(label, sizeof label, "%.20s", fw::MusicGlyphName(c));
        a.DrawText(cx + 3, cy + kCellH - 6, label);
    }
}

void ShapeSheetSize(int zoom, int* width, int* height) {
    *width = 900 * zoom / 100;
    *height = 760 * zoom / 100;
}

namespace {

void Label(CArtist& a, int x, int y, const char* text) {
    a.SetFont(g_draw.standardFontRefs[0].face, a.Scale(8), 0);
    a.DrawText(x, y, text);
}

void Staff(CArtist& a, int x1, int x2, int mid, int sp) { a.DrawStaffLines(x1, mid, x2, 0x7C0, sp, 20); }

}  // namespace

void DrawShapeSheet(CArtist& a, int zoom) {
    a.SetZoom(zoom);
    auto S = [&](int v) { return a.Scale(v); };
    int w, h;
    ShapeSheetSize(zoom, &w, &h);
    a.FillRectColor(RECT{0, 0, w, h}, 7);
    a.SetColor(0);
    const int sp = S(6), size = S(24);
    char buf[64];

    // Bar lines 0-10, centred on a staff.
    int y = S(50);
    std::snprintf(buf, sizeof buf, "barline kinds 0-10, zoom %d", zoom);
    Label(a, S(10), S(16), buf);
    for (int k = 0; k <= 10; ++k) {
        int x = S(20 + k * 78);
        Staff(a, x, x + S(64), y, sp);
        a.SetMusicFont(size);
        a.DrawBarline(x + S(32), y - 2 * sp, y + 2 * sp, k, 1);
        std::snprintf(buf, sizeof buf, "%d", k);
        Label(a, x, y - S(20), buf);
    }

    // Staff line masks.
    y = S(120);
    Label(a, S(10), S(92), "staff line masks 0x1F, 0x7C0, 0x100, 0x7E0, 0x3C0, 0x540");
    const int masks[6] = {0x1F, 0x7C0, 0x100, 0x7E0, 0x3C0, 0x540};
    for (int i = 0; i < 6; ++i) {
        int x = S(20 + i * 140);
        a.DrawStaffLines(x, y - S(24), x + S(120), masks[i], sp, 20);
    }

    // Brace, tall parentheses, clef and notes on a staff.
    y = S(200);
    Label(a, S(10), S(160), "brace, tall parentheses, staff with clef, key, meter, notes, rests");
    Staff(a, S(40), S(860), y, sp);
    Staff(a, S(40), S(860), y + S(60), sp);
    a.SetMusicFont(size);
    a.DrawGlyphInRect(RECT{S(24), y - 2 * sp, S(24) + size / 3, y + S(60) + 2 * sp});
    a.SetMusicFont(size);
    a.DrawBarline(S(40), y - 2 * sp, y + S(60) + 2 * sp, 0, 0);
    a.SetMusicFont(size);
    a.DrawGlyph(S(46), y + sp, 128);       // treble clef on its line
    a.DrawGlyph(S(46), y + S(60) - sp, 129);  // bass clef
    a.DrawGlyph(S(76), y - 2 * sp, 33);     // F sharp on the top line
    a.DrawGlyph(S(88), y - sp / 2 * 1, 34); // B flat
    DrawStackedNumbers(S(104), y - sp, y + sp, 3, 4);
    DrawStackedNumbers(S(104), y + S(60) - sp, y + S(60) + sp, 12, 8);
    int nw = 0, nl = 0;
    g_draw.stemThickness = a.SetMusicMetrics(&nw, &nl, 12, size);
    g_draw.musicCharWidth = nw;
    g_draw.musicLineWidth = nl;
    // notes: a quarter with a stem up, a dotted half, an eighth with a flag down, a whole
    int x = S(150);
    a.DrawGlyph(x, y + sp, 116);
    a.DrawStem(x + nw - nl, y + sp, y + sp - S(21), true);
    x = S(190);
    a.DrawGlyph(x, y, 124);
    a.DrawStem(x + nw - nl, y, y - S(21), true);
    a.DrawGlyphBold(x + nw + sp / 2, y - sp / 2);
    x = S(240);
    a.DrawGlyph(x, y - sp, 116);
    a.DrawStem(x, y - sp, y - sp + S(21), false);
    a.DrawGlyphPair(x, y - sp + S(21) - S(21), 89, false);
    x = S(280);
    a.DrawGlyph(x, y + 3 * sp, 116);
    a.DrawLedgerLines(x, y, -6, sp, nw);
    a.DrawGlyph(x - S(12), y + 3 * sp, 34);
    x = S(320);
    a.DrawGlyph(x, y - 4 * sp, 65);
    a.DrawLedgerLines(x, y, 8, sp, a.GlyphWidth(65));
    // rests at their default positions
    const int restPos[9] = {0, 0, 0, 0, 1, -1, -1, -3, -4};
    for (int i = 0; i < 9; ++i) a.DrawGlyph(S(370 + i * 26), y - restPos[i] * sp / 2, 96 + i);
    // clefs of the lower staff
    const int clefs[6] = {130, 131, 132, 135, 136, 137};
    const int clefPos[6] = {0, 0, 0, 2, 2, 0};
    for (int i = 0; i < 6; ++i) a.DrawGlyph(S(150 + i * 40), y + S(60) - clefPos[i] * sp / 2, clefs[i]);
    // dynamics and a fermata above the lower staff
    a.DrawGlyph(S(400), y + S(60) + 4 * sp, 0x99);
    a.DrawGlyph(S(440), y + S(60) - 3 * sp, 178);
    a.DrawGlyph(S(480), y + S(60) + 3 * sp, 179);
    a.DrawGlyph(S(520), y + S(60), 191);
    a.DrawBarline(S(560), y + S(60) - 2 * sp, y + S(60) + 2 * sp, 3, 0);
    // tall parentheses
    DrawTallGlyph(S(620), y + S(60) - 2 * sp, y + S(60) + 2 * sp, true);
    DrawTallGlyph(S(650), y + S(60) - 2 * sp, y + S(60) + 2 * sp, false);
    // octave sign and trill line
    a.DrawGlyph(S(700), y - 4 * sp, 180);
    a.DrawGlyph(S(760), y - 4 * sp, 161);
    a.DrawWavyLine(S(760) + a.GlyphWidth(161), y - 4 * sp, S(850), y - 4 * sp, true);

    // Ties and slurs.
    y = S(330);
    Label(a, S(10), S(300), "ties and slurs: DrawBezier thickness 0, 40, dashed; DrawCurve up and down");
    POINT b1[4] = {{S(20), y}, {S(50), y - S(20)}, {S(110), y - S(20)}, {S(140), y}};
    a.DrawBezier(b1, 0, 1, 0);
    POINT b2[4] = {{S(170), y}, {S(200), y - S(20)}, {S(260), y - S(20)}, {S(290), y}};
    a.DrawBezier(b2, S(40), 1, 0);
    POINT b3[4] = {{S(320), y}, {S(350), y - S(20)}, {S(410), y - S(20)}, {S(440), y}};
    a.DrawBezier(b3, 20, 1, PS_DOT);
    POINT c1[3] = {{S(470), y}, {S(530), y - S(24)}, {S(590), y}};
    a.DrawCurve(c1, S(40), 0);
    POINT c2[3] = {{S(620), y - S(20)}, {S(680), y + S(6)}, {S(740), y - S(20)}};
    a.DrawCurve(c2, S(40), 0);

    // Beams.
    y = S(400);
    Label(a, S(10), S(360), "beams: level 0 and 1; a slanted beam; a multi-bar rest bar");
    a.SetMusicFont(size);
    for (int i = 0; i < 4; ++i) {
        int nx = S(30 + i * 30);
        a.DrawGlyph(nx, y, 116);
        a.DrawStem(nx + nw - nl, y, y - S(22), true);
    }
    a.DrawBeam(S(30) + nw - nl, 0, S(120) + nw - nl, 0, S(30) + nw - nl, y - S(22), S(120) + nw - nl, y - S(22), 50,
               false, false, 0, sp, false, false);
    a.DrawBeam(S(30) + nw - nl, 0, S(120) + nw - nl, 0, S(30) + nw - nl, y - S(22), S(120) + nw - nl, y - S(22), 50,
               false, false, 1, sp, false, false);
    a.DrawBeam(S(180), 0, S(280), 0, S(180), y - S(30), S(280), y - S(12), 50, false, false, 0, sp, false, false);
    a.DrawMultiRestBar(S(320), 0, S(440), 0, S(320), y - S(14), S(440), y - S(14), S(5), false, false);

    // Lines.
    y = S(460);
    Label(a, S(10), S(430), "ThickLine styles 1 and 2 (horizontal, vertical, slanted), dotted pen, LineWidth 40");
    a.ThickLine(S(20), y, S(200), y, 1);
    a.ThickLine(S(20), y + S(12), S(200), y + S(12), 2);
    a.ThickLine(S(220), y - S(10), S(220), y + S(40), 1);
    a.ThickLine(S(240), y - S(10), S(240), y + S(40), 2);
    a.ThickLine(S(260), y - S(10), S(400), y + S(40), 1);
    a.ThickLine(S(280), y - S(10), S(420), y + S(40), 2);
    a.SetPenWidth(40);
    a.ThickLine(S(440), y, S(620), y, 1);
    a.SetPenWidth(20);
    a.SetPenStyle(PS_DOT);
    a.Line(S(440), y + S(20), S(620), y + S(20));
    a.SetPenStyle(PS_SOLID);
    a.LineWidth(S(640), y, S(860), y + S(30), S(40));

    // Frames and fills.
    y = S(540);
    Label(a, S(10), S(520), "frames and fills");
    a.FrameRect(RECT{S(20), y, S(80), y + S(40)});
    a.FillRectColor(RECT{S(100), y, S(160), y + S(40)}, 17);
    a.FrameRoundRect(RECT{S(180), y, S(240), y + S(40)}, S(16), S(16));
    a.FrameOval(RECT{S(260), y, S(320), y + S(40)});
    a.SetColor(21);
    a.FillOval(S(350), y + S(10), S(20), S(20), true);
    a.FillOval(S(390), y + S(10), S(20), S(20), false);
    a.SetColor(0);
    a.DrawGraphicShape(RECT{S(420), y, S(480), y + S(40)}, 1, 20, 1, S(30));
    a.DrawGraphicShape(RECT{S(500), y, S(560), y + S(40)}, 2, 40, 1, 0);
    a.DrawGraphicShape(RECT{S(580), y, S(640), y + S(40)}, 5, 20, 0, 1);
    a.DrawGraphicShape(RECT{S(660), y, S(720), y + S(40)}, 0, 20, 2, 0);
    a.FillRotatedShape(S(740), y + S(20), S(800), y + S(20), S(12), false, true);
    a.FillRotatedShape(S(740), y + S(40), S(800), y + S(10), S(12), true, false);
    a.DrawArcShape(S(820), y + S(40), S(870), y, false, sp);

    // Handles, inverted and highlighted rectangles.
    y = S(620);
    Label(a, S(10), S(605), "handles, FillRectRgnAt, accidental text");
    a.DrawHandle(S(30), y + S(10), true);
    a.DrawHandle(S(60), y + S(10), false);
    a.FillRectRgnAt(S(100), y, S(200), y + S(4), 60);
    a.SetFont(g_draw.standardFontRefs[1].face, S(14), 0);
    a.DrawAccidentalText(S(240), y + S(14), "F#m7");
    a.SetFont(g_draw.standardFontRefs[1].face, S(14), 2);
    a.DrawText(S(340), y + S(14), "Allegro \xd6\xd0\xce\xc4");
    a.SetZoom(100);
}

namespace {
constexpr int kKeySpace = 8, kKeyCellW = 66, kKeyRowH = 64, kKeyLeft = 70;
constexpr int kSharpGlyph = 33, kFlatGlyph = 34;
}  // namespace

void KeySheetSize(int* width, int* height) {
    *width = kKeyLeft + 14 * kKeyCellW + 10;
    *height = CTheory::kClefCount * kKeyRowH + 20;
}

void DrawKeySheet(CArtist& a) {
    int w, h;
    KeySheetSize(&w, &h);
    a.FillRectColor(RECT{0, 0, w, h}, 7);
    a.SetColor(0);
    char label[32];
    for (int clef = 0; clef < CTheory::kClefCount; ++clef) {
        const int mid = 20 + clef * kKeyRowH + kKeyRowH / 2;
        const auto y = [&](int pos) { return mid - pos * kKeySpace / 2; };
        Staff(a, 10, w - 10, mid, kKeySpace);
        std::snprintf(label, sizeof label, "%d", clef);
        Label(a, 2, mid - 2 * kKeySpace - 4, label);
        a.SetMusicFont(4 * kKeySpace);
        a.DrawGlyph(24, y(CTheory::GetClefSymbolPos(clef)), CTheory::GetClefGlyph(clef));
        for (int key = 1; key <= 14; ++key) {
            const int x0 = kKeyLeft + (key - 1) * kKeyCellW;
            a.SetColor(9);
            a.Line(x0 - 2, mid - 3 * kKeySpace, x0 - 2, mid + 3 * kKeySpace);
            a.SetColor(0);
            const bool sharps = key >= 8;
            const int n = sharps ? key - 7 : key;
            a.SetMusicFont(4 * kKeySpace);
            for (int i = 0; i < n; ++i) {
                const int pos = sharps ? CTheory::GetClefSharpPos(clef, i) : CTheory::GetClefFlatPos(clef, i);
                a.DrawGlyph(x0 + 2 + i * 9, y(pos), sharps ? kSharpGlyph : kFlatGlyph);
            }
        }
    }
}
