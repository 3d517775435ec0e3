// The drawing of the chord records in the current artist: a chord definition's suffix, the
// chord symbol as the chord library draws it (root, accidental, suffix or "?", bass after a slash
// or under a line), and the guitar frame's diagram with its name (strings, frets, nut or first
// fret number, dots, open and muted marks, barres, finger labels, capo names).
#include "notation/ChordDraw.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "framework/Arith.h"
#include "model/ChordRecords.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/LibraryStandIns.h"
#include "platform/PlatformGlobals.h"
#include "platform/Theory.h"
#include "model/ScoreStandIns.h"

namespace {

// Music glyphs: sharp, flat, natural, the minus sign, the diminished circle, the half-diminished
// circle, the major triangle; the muted-string mark.
enum : int { kSharpGlyph = 33, kFlatGlyph = 34, kNaturalGlyph = 35, kMinusGlyph = 200, kCircleGlyph = 237,
             kSlashedCircleGlyph = 238, kTriangleGlyph = 239, kMutedGlyph = 78 };

// The words of the major, minor, diminished and augmented styles.
const char* const kMajorWords[] = {"MAJ", "Maj", "maj", "MA", "Ma", "M", "^"};
const char* const kMinorWords[] = {"min", "mi", "m", "-"};
const char* const kDiminishedWords[] = {"Dim", "dim", "o"};
const char* const kAugmentedWords[] = {"Aug", "aug", "+"};
// The texts of element codes 4-31 (21 draws nothing).
const char* const kElementTexts[] = {"sus", "alt", "add", "omit", "no", "o", "+", "2", "3", "4", "5", "6", "7", "9",
                                     "11", "13", "^", "", "_", "-", "/", "(", ")", "[", "]", "#", "b", "n"};

std::string StyleWord(const char* const* words, int count, int style) { return words[std::clamp(style, 0, count - 1)]; }

int WordStyle(int i) {
    const CChordLib* lib = g_platform.chordLib;
    return lib ? lib->wordStyles[i & 3] : 0;
}

bool German() { return g_platform.noteNameStyle == CTheory::kGerman; }

FontRef FontAt(const FontRef& f, int size) {
    FontRef r = f;
    r.size = std::uint16_t(std::max(1, size));
    return r;
}

void Select(CArtist* a, const FontRef& f) { a->SetFontRef(f); }

int Ascent(CArtist* a) {
    FontMetrics16 m{};
    a->GetFontMetrics(&m);
    return m.ascent;
}

int Descent(CArtist* a) {
    FontMetrics16 m{};
    a->GetFontMetrics(&m);
    return m.descent;
}

// A music glyph at a size in the current font's place.
int GlyphWidthAt(CArtist* a, int c, int size) {
    a->PushFont();
    a->SetMusicFont(std::max(1, size));
    const int w = a->GlyphWidth(c);
    a->PopFont();
    return w;
}

void GlyphAt(CArtist* a, int x, int y, int c, int size) {
    a->PushFont();
    a->SetMusicFont(std::max(1, size));
    a->DrawGlyph(x, y, c);
    a->PopFont();
}

}  // namespace

// --- fonts ------------------------------------------------------------------------------------------

FontRef chorddraw::FrameFont() {
    const FontRef& lib = GuitarLibFontRef();
    if (lib.face != FontRef::kNoFace && lib.size) return lib;
    FontRef f = g_draw.standardFontRefs[0];
    f.size = 16;
    f.style = FontRef::kBold;
    return f;
}

FontRef chorddraw::ChordFont() { return FrameFont(); }

const CSuffix* chorddraw::FindDefinition(int key) {
    const CChordLib* lib = g_platform.chordLib;
    const std::uint8_t* d = lib ? lib->FindDefinition(key) : nullptr;
    return d ? CSuffix::Of(reinterpret_cast<const CScoreItem*>(d)) : nullptr;
}

// --- the suffix ----------------------------------------------------------------------------------------

std::string CSuffix::ElementText(int code) {
    std::string t;
    if (code == 0) t = StyleWord(kMajorWords, 7, WordStyle(0));
    else if (code == 1) t = StyleWord(kMinorWords, 4, WordStyle(1));
    else if (code == 2) t = StyleWord(kDiminishedWords, 3, WordStyle(2));
    else if (code == 3) t = StyleWord(kAugmentedWords, 3, WordStyle(3));
    else if (code < 32) t = kElementTexts[code - 4];
    else t = std::string(1, char(code));
    if (t.empty()) return t;
    const unsigned char c = static_cast<unsigned char>(t[0]);
    int mapped = -1;
    if (c == '#') mapped = kSharpGlyph;
    else if (c == 'b' && t.size() == 1) mapped = kFlatGlyph;
    else if (t == "n") mapped = kNaturalGlyph;
    else if (c == '-') mapped = kMinusGlyph;
    else if (c == 176) mapped = kCircleGlyph;
    else if (c == 248 || c == '~') mapped = kSlashedCircleGlyph;
    else if (c == '^') mapped = kTriangleGlyph;
    if (mapped >= 0) t = std::string(1, char(mapped));
    return t;
}

bool CSuffix::IsGlyphText(const std::string& text) {
    if (text.empty()) return false;
    const unsigned char c = static_cast<unsigned char>(text[0]);
    return c == kSharpGlyph || c == kFlatGlyph || c == kNaturalGlyph || c == kMinusGlyph || c == kCircleGlyph ||
           c == kSlashedCircleGlyph || c == kTriangleGlyph;
}

namespace {

// The width of an element's text or glyph in its font at the artist's zoom (scaled) or not.
int ElementWidth(CArtist* a, const SuffixElement& e, const std::string& text, bool scaled, bool asText = false) {
    if (text.empty()) return 0;
    a->PushFont();
    if (scaled) a->SetFontRefScaled(e.Font());
    else a->SetFontRef(e.Font());
    const int w = CSuffix::IsGlyphText(text) && !asText ? a->GlyphWidth(static_cast<unsigned char>(text[0]))
                                                        : a->TextWidth(text.c_str());
    a->PopFont();
    return w;
}

}  // namespace

int CSuffix::Draw(int x, int y) const {
    CArtist* a = g_draw.artist;
    int right = x + 1;
    if (!a) return right;
    const int n = GetElementCount();
    for (int i = 0, run = 0; i < n; ++i) {
        const SuffixElement& e = *GetElement(i);
        // Measured unscaled, placed at the zoom.
        run += e.Dx() / 20;
        const int relX = run;
        const int relY = e.Dy() / 20;
        const std::string text = ElementText(e.Code());
        run += ElementWidth(a, e, text, false);
        if (text.empty()) continue;
        const int ex = x + a->Scale(relX), ey = y + a->Scale(relY);
        a->PushFont();
        a->SetFontRefScaled(e.Font());
        int w;
        if (IsGlyphText(text)) {
            const int c = static_cast<unsigned char>(text[0]);
            a->DrawGlyph(ex, ey, c);
            w = a->GlyphWidth(c);
        } else {
            a->DrawText(ex, ey, text.c_str());
            w = a->TextWidth(text.c_str());
        }
        a->PopFont();
        right = std::max(right, ex + w);
    }
    return right;
}

int CSuffix::GetWidth() const {
    CArtist* a = g_draw.artist;
    if (!a) return 0;
    int run = 0, widest = 0;
    for (int i = 0; i < GetElementCount(); ++i) {
        const SuffixElement& e = *GetElement(i);
        run += a->Scale(e.Dx()) / 20;
        run += ElementWidth(a, e, ElementText(e.Code()), true);
        widest = std::max(widest, run);
    }
    return widest;
}

void CSuffix::GetElementRect(RECT* out, int n) const {
    if (!out) return;
    *out = RECT{};
    CArtist* a = g_draw.artist;
    if (!a || n < 0 || n >= GetElementCount()) return;
    int left = 0;
    for (int i = 0; i < n; ++i) {
        const SuffixElement& e = *GetElement(i);
        left += a->Scale(e.Dx()) / 20 + ElementWidth(a, e, ElementText(e.Code()), true, true);
    }
    const SuffixElement& e = *GetElement(n);
    left += a->Scale(e.Dx()) / 20;
    const int size = a->Scale(e.Font().size);
    const int code = e.Code();
    int bottom = a->Scale(e.Dy()) / 20;
    if (code >= 29 && code <= 31) bottom += size / 2;
    const std::string text = ElementText(code);
    *out = RECT{left, bottom - size, left + ElementWidth(a, e, text, true), bottom};
}

// --- the chord symbol -----------------------------------------------------------------------------------

namespace {

// A note name of the chord font: the letter (German: B as "H", B flat as "B") and its raised
// accidental glyph; draws when `draw`, returns the x after it.
int NoteName(CArtist* a, int x, int y, int letter, int accidental, int size, bool draw) {
    const char* letters = "CDEFGAB";
    char name[2] = {letters[std::clamp(letter, 0, 6)], 0};
    if (German() && letter == 6) {
        if (accidental == CChord::kFlat) accidental = CChord::kNoAccidental;
        else name[0] = 'H';
    }
    if (draw) a->DrawText(x, y, name);
    x += a->TextWidth(name);
    if (accidental >= 1 && accidental <= 3) {
        const int glyph = kSharpGlyph + accidental - 1;
        if (draw) GlyphAt(a, x, y - size / 3, glyph, size);
        x += GlyphWidthAt(a, glyph, size);
    }
    return x;
}

}  // namespace

int chorddraw::DrawChordSymbol(int x, int y, int size, int rootLetter, int rootAccidental, int bassLetter,
                               int bassAccidental, bool hasBass, bool bassBelow, int key) {
    CArtist* a = g_draw.artist;
    if (!a) return x;
    a->PushFont();
    Select(a, FontAt(ChordFont(), size));
    int right = NoteName(a, x, y, rootLetter, rootAccidental, size, true);
    const CSuffix* suffix = FindDefinition(key);
    if (suffix) {
        right = suffix->Draw(right, y);
    } else {
        a->DrawText(right, y, "?");
        right += a->TextWidth("?");
    }
    if (suffix && hasBass) {
        const int unit = std::max(1, a->Scale(1));
        if (!bassBelow) {
            right += unit;
            a->DrawText(right, y, "/");
            right += a->TextWidth("/") + unit;
            right = NoteName(a, right, y, bassLetter, bassAccidental, size, true);
        } else {
            const int lineY = y + 3 * unit;
            a->FillRectRgnAt(x, lineY, right, lineY + unit, 20);
            const int w = NoteName(a, 0, 0, bassLetter, bassAccidental, size, false);
            NoteName(a, (x + right - w) / 2, y + Ascent(a) + Descent(a), bassLetter, bassAccidental, size, true);
        }
    }
    a->PopFont();
    return right;
}

int chorddraw::ChordSymbolWidth(int size, int rootAccidental, int bassAccidental, bool hasBass, bool bassBelow,
                                int key, int slashSpace) {
    CArtist* a = g_draw.artist;
    if (!a) return 0;
    a->PushFont();
    Select(a, FontAt(ChordFont(), size));
    int w = a->TextWidth("C");
    if (rootAccidental) w += a->TextWidth("#");
    if (const CSuffix* suffix = FindDefinition(key)) w += suffix->GetWidth();
    else w += a->TextWidth("?");
    if (hasBass && !bassBelow) {
        w += a->TextWidth("/") + a->TextWidth("C") + slashSpace;
        if (bassAccidental) w += a->TextWidth("#");
    }
    a->PopFont();
    return w;
}

// --- the guitar frame ---------------------------------------------------------------------------------

namespace {

struct Measures {
    int S, F, L, D, N, M, B;
};

Measures MeasuresAt(int p) {
    Measures m{5, 5, 1, 4, chorddraw::FrameFont().size, 18, 8};
    if (p != 0 && p != 100) {
        m.S = MulDiv(5, p, 100);
        m.F = MulDiv(5, p, 100);
        m.L = std::max(1, MulDiv(1, p, 100));
        m.D = MulDiv(m.D, p - 1, 100);
        m.N = MulDiv(m.N, p - 1, 100);
        m.M = MulDiv(m.M, p - 1, 100);
        m.B = MulDiv(m.B, p - 1, 100);
    }
    return m;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The frame font at a size, its style kept or plain.
void FrameFontAt(CArtist* a, int size, bool plain = false) {
    FontRef f = FontAt(chorddraw::FrameFont(), size);
    if (plain) f.style = 0;
    a->SetFontRef(f);
}

}  // namespace

int CGuitarFrame::DrawName(int cx, int y, int lineWidth, int size, const std::string& text) {
    CArtist* a = g_draw.artist;
    if (!a) return 0;
    a->PushFont();
    FrameFontAt(a, size);
    // Measure: brackets and letters other than b, o and ^ whole; everything else two thirds.
    int width = 0;
    for (char ch : text) {
        const char s[2] = {ch, 0};
        const int w = a->TextWidth(s);
        const bool letter = std::isalpha(static_cast<unsigned char>(ch)) && ch != 'b' && ch != 'o';
        width += ch == '[' || ch == ']' || letter ? w : w * 2 / 3;
    }
    int x = cx - (width + 1) / 2;
    bool small = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char ch = text[i];
        if (static_cast<unsigned char>(ch) == 198) ch = '^';
        if (ch == '/') small = false;
        // A double-byte character is drawn whole.
        if (static_cast<unsigned char>(ch) >= 0x81 && i + 1 < text.size()) {
            const char s[3] = {ch, text[i + 1], 0};
            FrameFontAt(a, size);
            a->DrawText(x, y, s);
            x += a->TextWidth(s);
            ++i;
            continue;
        }
        if (ch == 'b' || ch == '#' || ch == '^') {
            const int glyph = ch == 'b' ? kFlatGlyph : ch == '#' ? kSharpGlyph : kTriangleGlyph;
            const int gs = size * 5 / 4;
            GlyphAt(a, x, y - (size / 8 + size / 4), glyph, gs);
            x += GlyphWidthAt(a, glyph, gs) + 1;
            continue;
        }
        if (IsDigit(ch)) small = true;
        const bool bracket = ch == '(' || ch == ')' || ch == '[' || ch == ']';
        const char s[2] = {ch, 0};
        if (small || bracket) {
            FrameFontAt(a, size * 7 / 8);
            a->DrawText(x, y - size / 8, s);
        } else {
            FrameFontAt(a, size);
            a->DrawText(x, y, s);
        }
        x += a->TextWidth(s);
    }
    a->PopFont();
    (void)lineWidth;
    return width;
}

int CGuitarFrame::DrawStackedName(int cx, int y, int lineWidth, int size, const std::string& main, const std::string& bass) {
    CArtist* a = g_draw.artist;
    if (!a) return 0;
    a->PushFont();
    FrameFontAt(a, size);
    const int ascent = Ascent(a), descent = Descent(a);
    const int wb = DrawName(cx, y, lineWidth, size, bass);
    const int mainY = y - ascent - descent;
    const int wm = DrawName(cx, mainY, lineWidth, size, main);
    const int w = std::max(wb, wm);
    const int lineY = mainY + descent + (g_draw.printingDC ? 0 : 1);
    a->FillRectRgnAt(cx - w / 2, lineY, cx + w / 2, lineY, lineWidth * 10);
    a->PopFont();
    return w / 2;
}

std::string CGuitarFrame::GetDisplayName(bool german) const {
    std::string name(GetName());
    const int capo = GetCapo();
    if (capo > 0 && !name.empty()) {
        // The root's semitone moved by the capo, spelled in C major: sharps.
        static const char* const kCMajor[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
        int letter = 0, accidental = 0, semitone = 0;
        std::string out;
        if (DecodeChordRoot(GetRoot(), &letter, &accidental, &semitone)) out = kCMajor[(semitone + capo) % 12];
        else out = name.substr(0, 1);
        std::size_t rest = 1;
        if (rest < name.size() && (name[rest] == '#' || name[rest] == 'b')) ++rest;
        const std::size_t slash = name.find('/');
        out += name.substr(rest, slash == std::string::npos ? std::string::npos : slash - rest);
        if (slash != std::string::npos) {
            out += "/";
            if (DecodeChordRoot(GetBass(), &letter, &accidental, &semitone)) out += kCMajor[(semitone + capo) % 12];
            else out += name.substr(slash + 1);
        }
        name = out;
    }
    if (german && !name.empty() && name[0] == 'B') {
        if (name.size() > 1 && name[1] == 'b') name.erase(1, 1);
        else name[0] = 'H';
    }
    return name;
}

int CGuitarFrame::DrawDiagram(int x, int y, int percent, int lineSpacing, bool showName) const {
    CArtist* a = g_draw.artist;
    if (!a) return x;
    const Measures m = MeasuresAt(percent);
    a->PushFont();
    FrameFontAt(a, m.N);
    const int strings = GetStrings();
    const int frets = GetFrets();
    const bool nameOnly = IsNameOnly();
    const int gridHeight = nameOnly ? m.F : frets * m.F;
    const int top0 = nameOnly ? y + m.F + 2 * m.L : y - 4 * m.F;
    const int W = std::max(0, strings - 1) * m.S;
    a->SetPenWidth(m.L * 10);
    const int cx = x + (lineSpacing + 1) / 2;
    const int left = cx - (W + 1) / 2;
    int top = top0;
    int labelRow = 0;
    if (!nameOnly) {
        if (GetBaseFret() == 0) {
            a->FillRectRgnAt(left, top, left + W, top + m.L, m.L * 10);
            top += m.L;
        } else {
            a->PushFont();
            FrameFontAt(a, m.B, true);
            const std::string number = std::to_string(GetBaseFret() + 1 + GetCapo()) + "fr";
            a->DrawText(left + W + (m.S + 1) / 2, top + m.S, number.c_str());
            a->PopFont();
        }
        a->PushFont();
        FrameFontAt(a, m.N * 3 / 4);
        const int A = Ascent(a);
        for (int k = 0; k < strings; ++k) {
            const int xk = left + k * m.S;
            a->FillRectRgnAt(xk, top, xk, top + gridHeight, m.L * 10);
            const int finger = GetFinger(k);
            if (finger == 5) a->DrawTextCentered(xk, top + gridHeight + A, "T"), labelRow = A;
            else if (finger >= 1 && finger <= 4) a->DrawNumberCentered(xk, top + gridHeight + A, finger), labelRow = A;
        }
        a->PopFont();
        for (int f = 0; f <= frets; ++f) a->FillRectRgnAt(left, top + f * m.F, left + W, top + f * m.F, m.L * 10);
        for (int k = 0; k < strings; ++k) {
            const int xk = left + k * m.S;
            const int v = GetStringFret(strings - k - 1);
            if (v == 0) {
                a->FillOval(xk, (top0 - m.L) - m.D, m.D, m.D, false);
            } else if (v == -1) {
                GlyphAt(a, xk - (m.D + 1) / 2, (top0 - m.L) - 3 * m.L / 2, kMutedGlyph, m.M);
            } else if (v >= 1) {
                a->FillOval(xk, top + (v - 1) * m.F, m.D, m.F, true);
            }
        }
        // Barres: from a string to the last following one of the same barre fret, ending before a
        // string fretted lower.
        bool covered[kMaxStrings][kMaxStrings + 1] = {};
        for (int k = 0; k < strings; ++k) {
            const int f = GetBarreFret(strings - k - 1);
            if (f <= 0 || f > kMaxStrings || covered[k][f]) continue;
            int end = k;
            for (int j = k + 1; j < strings; ++j) {
                if (GetStringFret(strings - j - 1) < f) break;
                if (GetBarreFret(strings - j - 1) == f) end = j;
            }
            if (end == k) continue;
            for (int j = k; j <= end; ++j) covered[j][f] = true;
            const int xk = left + k * m.S, xe = left + end * m.S;
            const int yb = (top0 - m.L) + (f - 1) * m.F;
            const POINT pts[3] = {{xk, yb}, {(xk + xe) / 2, yb - m.F + (end == k + 1 ? m.L : 0)}, {xe, yb}};
            a->DrawCurve(pts, m.L * 20, 0);
        }
    }
    if (showName) {
        int yName = (top0 - m.L) - m.S - 1;
        const std::string stored(GetName());
        const std::string shown = GetDisplayName(German());
        std::string mainPart, bassPart;
        const bool stacked = IsBassBelow() && SplitSlashName(shown, &mainPart, &bassPart);
        const int capoMode = GetCapo() > 0 ? GetCapoMode() : 0;
        int half = 0;
        if (!stacked) {
            if (capoMode & 1) {
                half = DrawName(cx, yName, m.L, m.N, shown) / 2;
                DrawName(cx, yName - m.N, m.L, m.N, "[" + stored + "]");
            } else if (capoMode & 2) {
                DrawName(cx, top0 + gridHeight + m.N + labelRow, m.L, m.N, shown);
                half = DrawName(cx, yName, m.L, m.N, stored) / 2;
            } else {
                half = DrawName(cx, yName, m.L, m.N, shown) / 2;
            }
            yName += m.L;
        } else {
            half = DrawStackedName(cx, yName, m.L, m.N, mainPart, bassPart.substr(1)) + m.L;
            std::string sm, sb;
            if ((capoMode & 3) && SplitSlashName(stored, &sm, &sb)) {
                const int at = (capoMode & 1) ? yName - 2 * m.N : top0 + gridHeight + 2 * m.N + labelRow;
                DrawStackedName(cx, at, m.L, m.N, "[" + sm + "]", "[" + sb.substr(1) + "]");
            }
            yName -= m.N + m.L;
        }
        if (IsParenthesised()) {
            // The bar item's bracket pair around the name's extent, tall round a stacked name.
            a->PushFont();
            const int right = cx + half + (stacked ? 0 : m.L);
            const_cast<CGuitarFrame*>(this)->DrawEndGlyphs(cx - half, right, yName, chorddraw::FrameFont().size, stacked);
            a->PopFont();
        }
    }
    a->SetPenWidth(20);
    a->PopFont();
    return cx;
}
