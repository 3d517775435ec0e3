// Drawing the score's words and single signs: tempo marks, texts and page texts' layouts, lyric
// syllables with their hyphens and extenders, and symbols. Each draws against the current bar,
// staff and artist and keeps no drawing state of its own.
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "framework/CodePage.h"
#include "model/Bar.h"
#include "model/Lyric.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Symbol.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Tempo.h"
#include "model/Text.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/FontMap.h"

namespace {

// The staff's y of a vertical offset (1/120 of a line space a unit), as every item places them.
int StaffY(CStaff* staff, int offset) { return staff->OffsetToY(offset); }

// The x of an item's bar position with its offset.
int ItemX(CBar* bar, CStaff* staff, const CBarItem& item, int offset) {
    return bar->FractionToX(item.PositionField()) + staff->ScaleOffset(offset);
}

bool Printing() { return g_draw.printingDC; }

bool ShowsHidden() {
    const CZelDoc* doc = g_model.currentDoc;
    return doc && doc->location.hiddenObjects && !Printing();
}

bool HighlightOf(const CBarItem& item) { return item.IsSelectedBit() && !g_draw.dragInProgress && !Printing(); }

// A fixed text field read raw: at most `size` bytes, ended within the field.
std::string FixedText(const CBarItem& item, int at, int size) {
    const char* p = reinterpret_cast<const char*>(item.Bytes() + at);
    return std::string(p, strnlen(p, std::size_t(size - 1)));
}

struct FontScope {
    CArtist* a;
    explicit FontScope(CArtist* a) : a(a) { a->PushFont(); }
    ~FontScope() { a->PopFont(); }
};

FontRef FontAt(const CBarItem& item, int at) {
    FontRef f;
    std::memcpy(&f, item.Bytes() + at, sizeof f);
    return f;
}

std::uint16_t MusicFace() { return g_draw.fontMap ? g_draw.fontMap->musicFace : g_draw.defaultMusicFontRef.face; }

}  // namespace

// --- tempo marks ----------------------------------------------------------------------------------

std::string FormatTempo(int tempo) {
    char text[32];
    if (tempo % 100 == 0) {
        std::snprintf(text, sizeof text, "%d", tempo / 100);
        return text;
    }
    const lconv* lc = std::localeconv();
    const char* separator = lc && lc->decimal_point && lc->decimal_point[0] ? lc->decimal_point : ".";
    std::snprintf(text, sizeof text, "%d%s%02d", tempo / 100, separator, tempo % 100);
    return text;
}

void TempoBehaviour::DrawShape(CBarItem& item) const {
    CArtist* a = g_draw.artist;
    CBar* bar = g_model.currentBar;
    CStaff* staff = g_model.currentStaff;
    if (!a || !bar || !staff || item.RecordSizeField() < CTempo::kSize) return;
    auto& t = static_cast<CTempo&>(item);
    FontScope font(a);
    const std::uint8_t flags = item.Bytes()[CTempo::kUnit];
    const std::uint8_t eq = item.Bytes()[CTempo::kEquation];
    const std::string text = FixedText(item, CTempo::kText, CTempo::kTextSize);
    if (text.empty()) item.Bytes()[CTempo::kUnit] = std::uint8_t(flags & ~CTempo::kTextShownBit);
    const bool textShown = (flags & CTempo::kTextShownBit) && !text.empty();
    const bool metronome = (flags & CTempo::kMetronomeShownBit) != 0;
    const bool swing = (eq & CTempo::kSwingBit) != 0;
    const bool selected = HighlightOf(item);
    const bool showHidden = ShowsHidden();
    const bool nothing = !textShown && !metronome && !swing;
    const bool grey = nothing || item.IsHidden();
    // A mark with nothing to show, or a hidden one, is drawn only while hidden marks show or
    // it is selected.
    if (grey && !showHidden && !item.IsSelectedBit()) return;
    item.SetDrawColor(selected);
    if (grey && !selected) a->SetRoleColor(8);
    int x = ItemX(bar, staff, item, t.GetX());
    int y = StaffY(staff, t.GetY());
    g_model.drawnPoint = POINT{x, y};
    const int space = staff->Space();
    if (textShown) {
        item.UseFont(FontAt(item, CTempo::kTextFont));
        a->DrawText(x, y, text.c_str());
        x += a->TextWidth(text.c_str()) + space / 2 + staff->ScaleOffset(rec::Get<std::int16_t>(&item, CTempo::kMetronomeX));
        y += staff->ScaleOffset(rec::Get<std::int16_t>(&item, CTempo::kMetronomeY));
    }
    const bool parens = (flags & CTempo::kParenthesesBit) != 0;
    int parenX = x;
    int h = 0;
    int glyphLine = y;
    const int glyphSize = item.ScaleToView(item.Bytes()[CTempo::kGlyphSize]);
    if (metronome || showHidden || (selected && nothing)) {
        a->SetMusicFont(glyphSize);
        if (parens && !swing) {
            parenX = x;
            x += space;
        }
        const int w = a->GlyphWidth(32);
        h = w / 2;
        glyphLine = y - h;
        const int unit = 64 + t.GetBeatUnit();
        a->DrawGlyph(x, glyphLine, unit);
        x += a->GlyphWidth(unit);
        if (t.IsDotted()) {
            x += h;
            a->DrawGlyph(x, glyphLine, 199);
            x += h / 2;
        }
        item.UseFont(FontAt(item, CTempo::kNumberFont));
        x += h;
        a->DrawCharEx(x, y, '=');
        x += a->CharWidth('=') + h;
        const int kind = item.Bytes()[CTempo::kNumberKind];
        if (kind == 1) {
            a->SetMusicFont(glyphSize);
            const int second = 64 + (eq >> 4);
            a->DrawGlyph(x, glyphLine, second);
            x += a->GlyphWidth(second);
            if (eq & CTempo::kSecondDottedBit) {
                x += h;
                a->DrawGlyph(x, glyphLine, 199);
                x += h / 2;
            }
            item.UseFont(FontAt(item, CTempo::kNumberFont));
        } else {
            std::string number;
            if (kind == 2) number = FixedText(item, CTempo::kNumberText, CTempo::kTextSize);
            else if (kind == 3) number = std::to_string(t.GetValue() / 100);
            else number = FormatTempo(t.GetValue());
            if (!number.empty()) {
                a->DrawText(x, y, number.c_str());
                x += a->TextWidth(number.c_str());
            }
        }
    }
    if (swing) {
        a->SetMusicFont(glyphSize);
        const int w = a->GlyphWidth(32);
        h = (w + 1) / 2;
        if (parens) {
            parenX = x + h;
            x = parenX + h;
        }
        const int k = a->GlyphWidth(107);
        const int stemX = a->GlyphWidth(116) - 1;
        const int top = glyphLine - 7 * w / 2;
        const auto head = [&](int hx) {
            a->DrawGlyph(hx, glyphLine, 116);
            a->Line(hx + stemX, glyphLine, hx + stemX, top);
        };
        head(x + w);
        head(x + 3 * w);
        a->LineWidth(x + w + stemX, top, x + 3 * w + stemX, top, item.ScaleToView(45));
        item.UseFont(FontAt(item, CTempo::kNumberFont));
        a->DrawCharEx(x + 5 * w - k, y, '=');
        a->SetMusicFont(glyphSize);
        head(x + 7 * w);
        head(x + 9 * w);
        a->DrawGlyph(x + 9 * w + stemX, top, 73);
        a->SetPenWidth(20);
        const int b = top - h;
        a->Line(x + 7 * w + k, b, x + 8 * w + h + k, b);
        a->Line(x + 7 * w + k, b, x + 7 * w + k, b + h);
        const FontRef number = FontAt(item, CTempo::kNumberFont);
        a->SetFont(number.face, item.ScaleToView(number.size) / 2, 3);
        const int digitX = x + 8 * w + h + 2 * k;
        a->DrawCharEx(digitX, b + item.ScaleToView(number.size) / 5, '3');
        a->SetMusicFont(glyphSize);
        const int p = digitX + a->GlyphWidth(243) + k;
        a->Line(p, b, p + w + h - k, b);
        a->Line(p + w + h - k, b, p + w + h - k, b + h);
        x = p + w + h;
        item.UseFont(FontAt(item, CTempo::kNumberFont));
    }
    if (parens && (metronome || swing || selected)) {
        const FontRef number = FontAt(item, CTempo::kNumberFont);
        a->SetFont(number.face, item.ScaleToView(number.size) * 3 / 2, 0);
        a->DrawText(parenX, y - h, "(");
        a->DrawText(x, y - h, ")");
    }
    item.ResetDrawColor();
}

RECT* TempoBehaviour::GetPartBounds(CScoreItem& scoreItem, RECT* rect, int part) const {
    *rect = RECT{};
    auto& item = static_cast<CBarItem&>(scoreItem);
    item.VerifyTrack();
    CArtist* a = g_draw.artist;
    CBar* bar = g_model.currentBar;
    CStaff* staff = g_model.currentStaff;
    if (!a || !bar || !staff || item.RecordSizeField() < CTempo::kSize) return rect;
    auto& t = static_cast<CTempo&>(item);
    FontScope font(a);
    const std::uint8_t flags = item.Bytes()[CTempo::kUnit];
    const std::uint8_t eq = item.Bytes()[CTempo::kEquation];
    const std::string text = FixedText(item, CTempo::kText, CTempo::kTextSize);
    const int x = ItemX(bar, staff, item, t.GetX());
    const int y = StaffY(staff, t.GetY());
    RECT textPart{x, y, x, y};
    if ((flags & CTempo::kTextShownBit) && !text.empty()) {
        item.UseFont(FontAt(item, CTempo::kTextFont));
        textPart = RECT{x, y - item.ScaleToView(rec::Get<std::int16_t>(&item, CTempo::kTextFont + 2)), x + a->TextWidth(text.c_str()), y};
    }
    if (part == 0) {
        if (textPart.right > textPart.left) *rect = textPart;
        return rect;
    }
    const bool swing = (eq & CTempo::kSwingBit) != 0;
    int left = textPart.right > textPart.left ? textPart.right + staff->ScaleOffset(rec::Get<std::int16_t>(&item, CTempo::kMetronomeX)) : x;
    RECT metro{left, y, left, y};
    int h = 0;
    const int glyphSize = item.ScaleToView(item.Bytes()[CTempo::kGlyphSize]);
    if ((flags & CTempo::kMetronomeShownBit) || ShowsHidden()) {
        a->SetMusicFont(glyphSize);
        h = a->GlyphWidth(32) / 2;
        metro.top = std::min<LONG>(textPart.top, y - glyphSize);
        const int unit = 64 + t.GetBeatUnit();
        int width = a->GlyphWidth(unit) + h + (t.IsDotted() ? 3 * h / 2 : 0);
        item.UseFont(FontAt(item, CTempo::kNumberFont));
        width += a->CharWidth('=') + a->TextWidth(FormatTempo(t.GetValue()).c_str());
        metro.right = left + width;
    }
    if (swing) {
        metro.top = std::min<LONG>(metro.top, y - 2 * staff->Space());
        metro.right += 8 * staff->Space();
    }
    const bool metroShown = metro.right > metro.left;
    const bool textShown = textPart.right > textPart.left;
    if (part == 1) *rect = metroShown ? metro : RECT{};
    else if (metroShown && textShown)
        *rect = RECT{std::min(textPart.left, metro.left), std::min(textPart.top, metro.top), std::max(textPart.right, metro.right), y};
    else
        *rect = metroShown ? metro : textShown ? textPart : RECT{};
    if ((flags & CTempo::kParenthesesBit) && ((flags & CTempo::kMetronomeShownBit) || swing || item.IsSelectedBit()) &&
        rect->right > rect->left) {
        const int grow = h ? h : staff->Space();
        *rect = RECT{rect->left - grow, rect->top - grow, rect->right + grow, rect->bottom + grow};
    }
    return rect;
}

RECT* TempoBehaviour::GetBounds(CScoreItem& item, RECT* rect) const { return GetPartBounds(item, rect, -32767); }

// --- texts ----------------------------------------------------------------------------------------

namespace {

// The rectangle of a bar or staff text, measuring (and storing) its size while it has none.
RECT TextBounds(CText& t, CBar* bar, CStaff* staff, CArtist* a) {
    FontScope font(a);
    RECT r{};
    r.top = StaffY(staff, t.GetY());
    r.left = ItemX(bar, staff, t, t.GetX() + g_model.itemDragX);
    const int height = std::abs(t.GetHeight());
    const int width = std::abs(t.GetWidth());
    if (height == 0) {
        r.left += staff->Space() / 2;
        if (t.IsSingleFont()) t.UseFont(t.GetSingleFont());
        else if (t.GetRunCount() > 0) t.UseFont(t.GetRunFont(0));
        r.right = r.left + a->TextWidth(t.GetText());
        FontMetrics16 m;
        a->GetFontMetrics(&m);
        const int baseline = r.top;
        r.top = baseline - m.ascent;
        r.bottom = baseline + m.descent + m.leading;
        rec::Put<std::int32_t>(&t, CText::kWidth, staff->UnscaleOffset(r.right - r.left));
        rec::Put<std::int32_t>(&t, CText::kHeight, staff->UnscaleOffset(r.bottom - r.top));
    } else {
        r.bottom = r.top + staff->ScaleOffset(height);
        r.right = r.left + staff->ScaleOffset(width);
    }
    return r;
}

// Lays a text out in its rectangle and draws it; the drawn text's top-left, right end and last
// baseline come back in `drawn`.
void LayOut(CText& t, RECT r, const std::function<int(int)>& scale, CArtist* a, RECT* drawn) {
    FontScope font(a);
    r.left += 1;
    if (t.IsOpaque() && !g_draw.dragInProgress) a->EraseRect(r);
    const char* text = t.GetText();
    const int length = int(strnlen(text, std::size_t(std::max<int>(t.GetTextLength(), 0))));
    if (t.IsSingleFont()) {
        t.UseFont(t.GetSingleFont());
        FontMetrics16 m;
        a->GetFontMetrics(&m);
        const int baseline = r.top + m.ascent;
        // A carriage return breaks a plain text's line; the characters before it are drawn.
        const std::string line(text, std::size_t(length));
        const int w = a->TextWidth(line.c_str());
        int x = r.left;
        if (t.GetAlignment() == 2) x = r.right - w;
        else if (t.GetAlignment() == 1) x = (r.left + r.right) / 2 - (w + 1) / 2;
        a->DrawText(x, baseline, line.c_str());
        *drawn = RECT{r.left, r.top, x + w, baseline};
        return;
    }
    // Styled: the walk steps over whole characters; line breaks and font changes come from the
    // tables, carriage returns and line feeds are not drawn.
    const int runs = t.GetRunCount();
    const int lines = t.GetLineCount();
    int run = 0, lineEntry = 0;
    int nextBreak = lines > 0 ? t.GetLineWord(0, 0) : 32767;
    int nextChange = runs > 0 ? t.GetRunOffset(0) : 32767;
    int lineTop = r.top, penX = r.left, baseline = r.top;
    int reportedTop = 32767, reportedRight = 0;
    std::string segment;
    const auto flush = [&] {
        if (segment.empty()) return;
        switch (t.GetAlignment()) {
            case 1: a->DrawTextCentered((r.left + r.right) / 2, baseline, segment.c_str()); break;
            case 2: a->DrawTextRight(r.right, baseline, segment.c_str()); break;
            default:
                a->DrawText(penX, baseline, segment.c_str());
                penX += a->TextWidth(segment.c_str());
        }
        reportedRight = std::max<int>(reportedRight, r.right);
        segment.clear();
    };
    // Run and line starts count characters (a double-byte character is one).
    for (int at = 0, ch = 0; at < length; ++ch) {
        if (ch >= nextBreak) {
            flush();
            if (t.GetAlignment() == 0) penX = r.left;
            baseline = lineTop + scale(t.GetLineWord(lineEntry, 3));
            lineTop += scale(t.GetLineWord(lineEntry, 2));
            ++lineEntry;
            nextBreak = lineEntry < lines ? std::max(t.GetLineWord(lineEntry, 0), ch + 1) : 32767;
        }
        if (ch >= nextChange) {
            flush();
            t.UseFont(t.GetRunFont(run));
            FontMetrics16 m;
            a->GetFontMetrics(&m);
            if (lineEntry <= 1 && baseline - m.ascent < reportedTop) reportedTop = baseline - m.ascent;
            ++run;
            nextChange = run < runs ? std::max(t.GetRunOffset(run), ch + 1) : 32767;
        }
        const int n = std::max<int>(1, std::min<int>(int(fw::CharBytes(text + at)), length - at));
        if (text[at] != '\r' && text[at] != '\n') segment.append(text + at, std::size_t(n));
        at += n;
        if (ch + 1 >= nextBreak || at >= length) flush();
    }
    flush();
    *drawn = RECT{r.left, reportedTop == 32767 ? r.top : reportedTop, reportedRight, baseline};
}

void DrawTextFrame(CText& t, const RECT& d) {
    if (!t.IsFramed()) return;
    t.DrawFrame(d.left - t.ScaleToView(1), d.top + t.ScaleToView(2), d.right + t.ScaleToView(1),
                d.bottom + t.ScaleToView(1), t.Bytes() + CText::kFrame);
}

}  // namespace

void TextBehaviour::DrawShape(CBarItem& item) const {
    CArtist* a = g_draw.artist;
    CBar* bar = g_model.currentBar;
    CStaff* staff = g_model.currentStaff;
    auto& t = static_cast<CText&>(item);
    if (!a || !bar || !staff || !t.CheckLayout()) return;
    const bool selected = HighlightOf(item);
    item.SetDrawColor(selected);
    const RECT r = TextBounds(t, bar, staff, a);
    RECT drawn{};
    LayOut(t, r, [staff](int v) { return staff->ScaleOffset(v); }, a, &drawn);
    g_model.drawnPoint = POINT{drawn.left, drawn.bottom};
    if (!item.IsSelectedBit()) DrawTextFrame(t, drawn);
    if (selected) a->FrameRectangle(r);
    item.ResetDrawColor();
}

RECT* TextBehaviour::GetBounds(CScoreItem& item, RECT* rect) const {
    CArtist* a = g_draw.artist;
    CBar* bar = g_model.currentBar;
    auto& t = static_cast<CText&>(item);
    t.VerifyTrack();
    CStaff* staff = g_model.currentStaff;
    if (!a || !bar || !staff || !t.CheckLayout()) {
        *rect = RECT{};
        return rect;
    }
    *rect = TextBounds(t, bar, staff, a);
    return rect;
}

// --- page texts -----------------------------------------------------------------------------------

namespace {

// A page text's rectangle against the page's margin rectangle, scaled through the page; a text
// not yet measured is measured in its font as a bar text is.
RECT PageTextBounds(CText& t, CPage* page, CArtist* a) {
    const auto scale = [page](int v) { return page->ScaleToView(v); };
    const RECT margin = page->GetPrintableRect();
    if (t.GetHeight() == 0) {
        FontScope font(a);
        if (t.IsSingleFont()) t.UseFont(t.GetSingleFont());
        else if (t.GetRunCount() > 0) t.UseFont(t.GetRunFont(0));
        FontMetrics16 m;
        a->GetFontMetrics(&m);
        rec::Put<std::int32_t>(&t, CText::kWidth, page->ScaleFromView(a->TextWidth(t.GetText())));
        rec::Put<std::int32_t>(&t, CText::kHeight, page->ScaleFromView(m.ascent + m.descent + m.leading));
    }
    const int w = scale(std::abs(t.GetWidth()));
    RECT r{};
    switch (t.GetPageAnchor()) {
        case 2: r.left = margin.right - w; break;
        case 1: r.left = margin.left + (margin.right - margin.left - w) / 2; break;
        default: r.left = margin.left;
    }
    r.left += scale(t.GetX() + g_model.itemDragX);
    r.right = r.left + w;
    r.top = (t.GetKind() == CText::kMarkingText ? margin.bottom : margin.top) + scale(t.GetY());
    r.bottom = r.top + scale(std::abs(t.GetHeight()));
    return r;
}

}  // namespace

void PageTextBehaviour::Draw(CScoreItem& item) const {
    CArtist* a = g_draw.artist;
    CPage* page = g_model.currentPage;
    auto& t = static_cast<CText&>(item);
    if (!a || !page || !t.CheckLayout()) return;
    item.SetDrawColor(false);
    const RECT r = PageTextBounds(t, page, a);
    RECT drawn{};
    LayOut(t, r, [page](int v) { return page->ScaleToView(v); }, a, &drawn);
    DrawTextFrame(t, drawn);
    item.ResetDrawColor();
}

RECT* PageTextBehaviour::GetBounds(CScoreItem& item, RECT* rect) const {
    CArtist* a = g_draw.artist;
    CPage* page = g_model.currentPage;
    auto& t = static_cast<CText&>(item);
    *rect = a && page && t.CheckLayout() ? PageTextBounds(t, page, a) : RECT{};
    return rect;
}

// --- symbols --------------------------------------------------------------------------------------

void SymbolBehaviour::DrawShape(CBarItem& item) const {
    CArtist* a = g_draw.artist;
    CBar* bar = g_model.currentBar;
    CStaff* staff = g_model.currentStaff;
    if (!a || !bar || !staff || item.RecordSizeField() < CSymbol::kSize) return;
    auto& s = static_cast<CSymbol&>(item);
    int x = ItemX(bar, staff, item, s.GetX());
    const int y = StaffY(staff, s.GetY());
    g_model.drawnPoint = POINT{x, y};
    if (s.IsBarLineMark()) {
        CLine* line = g_model.currentLine;
        CStaff* first = line ? line->GetStaff(CLine::kFirstShown) : staff;
        CStaff* last = line ? line->GetStaff(CLine::kLastShown) : staff;
        a->DrawBarline(x, first ? first->GetTopLine() : staff->GetTopLine(), last ? last->GetBottomLine() : staff->GetBottomLine(), 5, 0);
        return;
    }
    item.SetDrawColor(HighlightOf(item));
    FontScope font(a);
    const FontRef f = s.GetFont();
    item.UseFont(f);
    if (!s.IsMusicFont() && f.face != MusicFace()) {
        a->DrawCharEx(x, y, s.GetCharacter());
    } else {
        if (s.IsCentred()) x -= a->GlyphWidth(s.GetCharacter()) / 2;
        a->DrawGlyph(x, y, s.GetCharacter());
    }
    item.ResetDrawColor();
}

RECT* SymbolBehaviour::GetBounds(CScoreItem& scoreItem, RECT* rect) const {
    *rect = RECT{};
    auto& item = static_cast<CBarItem&>(scoreItem);
    item.VerifyTrack();
    CArtist* a = g_draw.artist;
    CBar* bar = g_model.currentBar;
    CStaff* staff = g_model.currentStaff;
    if (!a || !bar || !staff || item.RecordSizeField() < CSymbol::kSize) return rect;
    auto& s = static_cast<CSymbol&>(item);
    FontScope font(a);
    int left = ItemX(bar, staff, item, s.GetX());
    if (s.IsBarLineMark()) {
        const int h = staff->Space() / 2;
        CLine* line = g_model.currentLine;
        left -= h;
        *rect = RECT{left, (line ? line->GetTop() : staff->GetTopLine()) - h, left + 1 + 2 * h,
                     line ? line->GetBottom() : staff->GetBottomLine()};
        return rect;
    }
    if (s.IsMusicFont()) {
        FontRef f = s.GetFont();
        f.face = MusicFace();
        s.SetFont(f);
    }
    const int baseline = StaffY(staff, s.GetY());
    item.UseFont(s.GetFont());
    const int c = s.GetCharacter();
    int ascent = 0, descent = 0, width = 0;
    if (!s.IsMusicFont() && s.GetFont().face != MusicFace()) {
        FontMetrics16 m;
        a->GetFontMetrics(&m);
        ascent = m.ascent, descent = m.descent, width = a->CharWidth(c);
    } else {
        FontMetrics16 m;
        a->GetGlyphMetrics(&m, c);
        ascent = m.ascent, descent = m.descent, width = a->GlyphWidth(c);
        if (s.IsCentred()) left -= width / 2;
    }
    *rect = RECT{left, baseline - ascent, left + width, baseline + descent};
    return rect;
}

// --- lyrics ---------------------------------------------------------------------------------------

namespace {

// The x of the first note of the syllable's voice after it in its bar (or the first lyric of its
// verse, in syllable mode); -32767 when there is none.
int NextTarget(CLyric& l, CBar* bar, CStaff* staff, bool syllableMode) {
    for (CBarItem* item = l.NextItem(); item && item->TypeCode() != 255; item = item->NextItem()) {
        if (item->IsRemoved() || item->VoiceField() != l.VoiceField() || item->PositionField() <= l.PositionField()) continue;
        if (syllableMode && item->IsLyric() && item->RecordSizeField() >= CLyric::kFixedSize &&
            static_cast<CLyric*>(item)->GetVerse() == l.GetVerse())
            return ItemX(bar, staff, *item, static_cast<CLyric*>(item)->GetX());
        if (item->IsNote()) return bar->FractionToX(item->PositionField());
    }
    return -32767;
}

}  // namespace

void LyricBehaviour::DrawShape(CBarItem& item) const {
    CArtist* a = g_draw.artist;
    CBar* bar = g_model.currentBar;
    CStaff* staff = g_model.currentStaff;
    if (!a || !bar || !staff || item.RecordSizeField() < CLyric::kFixedSize) return;
    auto& l = static_cast<CLyric&>(item);
    if (!l.CheckText()) return;
    const bool selected = HighlightOf(item);
    item.SetDrawColor(selected);
    const int h = staff->Space() / 2;
    FontScope font(a);
    FontRef f = l.GetFont();
    if (f.size == 0) f.size = 12;
    item.UseFont(f);
    int x = ItemX(bar, staff, item, l.GetX());
    const int y = StaffY(staff, staff->GetLyricOffset(l.GetVerse()) + l.GetY());
    g_model.drawnPoint = POINT{x, y};
    const char* text = l.GetText();
    if (l.LyricFlags() & CLyric::kVerseNumberBit) {
        const std::string number = std::to_string(l.GetVerse() + 1) + ".";
        a->DrawTextRight(bar->GetLeft() - h, y, number.c_str());
    }
    const int width = a->TextWidth(text);
    const bool centred = !l.HasExtender() && !l.IsLeftAligned();
    if (centred) {
        x += (staff->Space() + 1) / 2;
        a->DrawTextCentered(x, y, text);
    } else if (text[0]) {
        a->DrawText(x, y, text);
    }
    l.SetLyricFlags(std::uint8_t(l.LyricFlags() & ~CLyric::kRunsOnBit));
    if (l.HasHyphen()) {
        const int end = centred ? x + width / 2 : x + width;
        const int target = NextTarget(l, bar, staff, centred);
        int hx = target == -32767 ? bar->GetRight() - h : centred ? end + (target - end + 1) / 2 : target + h;
        hx += staff->ScaleOffset(l.GetHyphenOffset());
        a->DrawTextCentered(hx, y, "-");
    }
    if (l.HasExtender()) {
        const int target = NextTarget(l, bar, staff, false);
        int end = target == -32767 ? bar->GetRight() : target + 2 * h;
        const int start = x + h / 2 + width;
        if (end < start) end = start + 2 * h;
        const int thickness = item.ScaleToView(f.style == FontRef::kBold ? 20 : 15);
        a->LineWidth(start, y, std::max(end, start + h), y, thickness);
    }
    if (selected) {
        const RECT r{x - (centred ? width / 2 : 0), y - h * 2, x + (centred ? width / 2 : width), y + h};
        a->FrameRect(r);
    }
    item.ResetDrawColor();
}

RECT* LyricBehaviour::GetBounds(CScoreItem& scoreItem, RECT* rect) const {
    *rect = RECT{};
    auto& item = static_cast<CBarItem&>(scoreItem);
    item.VerifyTrack();
    CArtist* a = g_draw.artist;
    CBar* bar = g_model.currentBar;
    CStaff* staff = g_model.currentStaff;
    if (!a || !bar || !staff || item.RecordSizeField() < CLyric::kFixedSize) return rect;
    auto& l = static_cast<CLyric&>(item);
    if (!l.HoldsText() || !l.CheckText()) return rect;
    const int h = staff->Space() / 2;
    FontScope font(a);
    FontRef f = l.GetFont();
    if (f.size == 0) f.size = 12;
    item.UseFont(f);
    const char* text = l.GetText();
    const int width = a->TextWidth(text);
    FontMetrics16 m;
    a->GetFontMetrics(&m);
    int left = ItemX(bar, staff, item, l.GetX());
    const int x = left;
    const int baseline = StaffY(staff, staff->GetLyricOffset(l.GetVerse()) + l.GetY());
    const bool centred = !l.HasExtender() && !l.IsLeftAligned();
    if (centred) left += h - width / 2;
    RECT r{left, baseline - m.ascent, left + width, baseline + m.descent + m.leading};
    l.SetLyricFlags(std::uint8_t(l.LyricFlags() & ~CLyric::kRunsOnBit));
    if (l.HasHyphen()) {
        const int cx = x + (staff->Space() + 1) / 2;
        const int end = centred ? cx + width / 2 : x + width;
        const int target = NextTarget(l, bar, staff, centred);
        int hx = target == -32767 ? bar->GetRight() - h : centred ? end + (target - end + 1) / 2 : target + h;
        hx += staff->ScaleOffset(l.GetHyphenOffset());
        r.right = std::max<LONG>(r.right, hx + h / 2);
    }
    if (l.HasExtender()) {
        const int target = NextTarget(l, bar, staff, false);
        int end = target == -32767 ? bar->GetRight() : target + 2 * h;
        const int start = x + h / 2 + width;
        if (end < start) end = start + 2 * h;
        r.right = std::max<LONG>(r.right, std::max(end, start + h));
    }
    *rect = r;
    return rect;
}
