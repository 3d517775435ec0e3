// The marks of a note or rest on the page: where each goes (its side, kept off or outside the
// staff, centred on the head or the stem), its rectangle and hit test, and its drawing: glyphs,
// digits, turned glyphs, letters in a text font, and on notes the ornament accidentals,
// continuation lines, chord-spanning arrows and line marks.
#include <algorithm>
#include <cstdlib>

#include "framework/Arith.h"
#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "notation/NotationGlobals.h"
#include "notation/NoteBase.h"
#include "notation/NoteMetrics.h"
#include "notation/NoteStandIns.h"
#include "notation/RawNote.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/Port.h"

namespace {

constexpr int kMarkTool = 906;
constexpr int kCharacterMark = 250;
constexpr int kChordSpanning = 30;
constexpr int kContinuationBit = 0x02;
constexpr int kFlippedBit = 0x04;
constexpr int kVariantBit = 0x10;
constexpr int kRunGlyph = 162;

bool IsCharacterMark(int code) { return code == kCharacterMark || (code >= 100 && code <= 115); }
bool IsLineMark(int code) { return code >= 70 && code <= 89; }

struct Glyphs {
    int side = 0, centred = 0, stemAligned = 0, staffRule = 0, above = 0, below = 0, extentAbove = 0, extentBelow = 0;
};

Glyphs GlyphsOf(const NoteMark& mark) {
    const BYTE* g = GetMarkGlyphs(mark.Code());
    Glyphs r{g[0], g[1], g[2], g[3], g[4], g[5], g[6], g[7]};
    if (mark.Code() == kCharacterMark) r.above = r.below = mark.Character() & 0xFF;
    return r;
}

bool Flipped(const NoteMark& mark) { return (mark.Flags() & kFlippedBit) != 0; }
bool Above(const NoteMark& mark) { return (mark.Flags() & NoteMark::kPlacedAbove) != 0; }

// Extents above and below the mark's point, in quarter spaces.
void Extents(const NoteMark& mark, const Glyphs& g, int* up, int* down) {
    const bool swap = Flipped(mark) && g.above != g.below;
    *up = swap ? g.extentBelow : g.extentAbove;
    *down = swap ? g.extentAbove : g.extentBelow;
}

int Glyph(const NoteMark& mark, const Glyphs& g) {
    int glyph = Above(mark) ? g.above : g.below;
    if (mark.Flags() & kVariantBit) {
        if (glyph == 166) glyph = 167;
        if (glyph == 165) glyph = 173;
    }
    return glyph;
}

int QuarterSpaces(const CStaff* staff, int v) { return staff ? staff->ScaleQuarterSpaces(v) : v; }
int Units(const CStaff* staff, int v) { return staff ? staff->ScaleOffset(v) : v / 20; }
int Spacing(const CStaff* staff) { return staff ? staff->GetLineSpacing() : 6; }
int PositionY(const CStaff* staff, int pos) { return staff ? staff->PositionToY(pos) : -3 * pos; }

// The staff of head 0 of a note (the item's own staff for a rest), current for the scope.
class MarkStaff {
public:
    explicit MarkStaff(CRawHead& item) : saved_(g_model.currentStaff) {
        if (item.IsNoteOrRawNote()) g_model.currentStaff = notation::StaffOrCurrent(static_cast<CRawNote&>(item).Head(0)->CrossStaffOffset());
    }
    ~MarkStaff() { g_model.currentStaff = saved_; }
    MarkStaff(const MarkStaff&) = delete;
    MarkStaff& operator=(const MarkStaff&) = delete;

private:
    CStaff* saved_;
};

int ItemX(CRawHead& item) {
    return g_model.currentBar ? g_model.currentBar->FractionToX(item.PositionField()) : item.PositionField();
}

// The x where a continuation line of a mark ends: the target column in the target bar, or
// one glyph width before this system's end when the target lies in a later system.
int ContinuationEnd(const NoteMark& mark, int glyphWidth) {
    CBar* bar = g_model.currentBar;
    if (!bar) return 0;
    const int bars = std::max<int>(mark.GetWord(44), 0);
    if (rec::Get<std::int16_t>(bar, CBar::kLongestItemSpan) < bars) rec::Put(bar, CBar::kLongestItemSpan, std::int16_t(bars));
    CBar* target = bar;
    if (bars > 0 && g_model.currentScore) {
        const int index = std::min(bar->GetIndex() + bars, g_model.currentScore->GetBarCount() - 1);
        if (CBar* t = g_model.currentScore->GetBar(index)) target = t;
    }
    if (target != bar && target->GetLine() != bar->GetLine()) {
        CLine* line = bar->GetLine();
        return (line ? line->GetRight() : bar->GetRight()) - glyphWidth;
    }
    return target->FractionToX(mark.GetWord(46));
}

// The rectangle of the heads' span for a chord-spanning mark, and its x.
void ChordSpan(CRawNote& note, int x, const NoteMark& mark, int* left, int* top, int* bottom) {
    const CStaff* staff = g_model.currentStaff;
    int lo = note.GetBottomHeadPos(), hi = note.GetTopHeadPos();
    if (lo > hi) std::swap(lo, hi);
    CArtist* a = g_draw.artist;
    const int w = a ? a->GlyphWidth(172) : 4;
    *left = x - note.GetAccidentalExtent(true) - w + Units(staff, mark.XOffset());
    *top = PositionY(staff, hi + 1);
    *bottom = PositionY(staff, lo);
}

RECT Normalised(RECT r) {
    if (r.left > r.right) std::swap(r.left, r.right);
    if (r.top > r.bottom) std::swap(r.top, r.bottom);
    return r;
}

}  // namespace

// --- placement ---------------------------------------------------------------------------------

POINT RawHeadBehaviour::PlaceMark(CRawHead& item, int x, NoteMark* mark) const {
    if (!mark) return POINT{x, 0};
    const CStaff* staff = g_model.currentStaff;
    const Glyphs g = GlyphsOf(*mark);
    const int code = mark->Code();
    if (code >= 70 && code <= 75) {
        const int y = PositionY(staff, item.GetTopHeadPos()) - Units(staff, mark->YOffset());
        return POINT{x + Units(staff, mark->XOffset()), y};
    }
    const bool up = (rec::Get<std::uint8_t>(&item, CRawHead::kOwnBytes) & 1) != 0;
    const bool flipped = Flipped(*mark);
    bool above;
    int p;
    if (g.side == 1) {
        above = up != flipped;
        p = above ? item.GetTopHeadPos() + 2 : item.GetBottomHeadPos() - 2;
    } else {
        above = g.side == 0 ? !up : g.side == 2;
        if (flipped) above = !above;
        p = item.IsNote() ? static_cast<CRawNote&>(item).GetAttachY(above, false) : item.GetTopHeadPos();
    }
    int mx = x + Units(staff, mark->XOffset());
    const int clef = staff ? staff->GetClef() : 0;
    if (g.staffRule == 2 || clef == 11 || clef == 12) {
        p = above ? std::max(p, 5) : std::min(p, -6);
    } else if (g.staffRule == 1 && p % 2 == 0) {
        if (above && p <= 5) ++p;
        if (!above && p >= -5) --p;
    }
    int y = PositionY(staff, p);
    const bool swap = flipped && g.above != g.below;
    int extra = 0;
    if (code == kCharacterMark)
        extra = staff ? staff->HalfSpacesToPixels(2) : 6;
    else if (g.staffRule != 1)
        extra = QuarterSpaces(staff, (above ? (swap ? g.extentAbove : g.extentBelow) : (swap ? g.extentBelow : g.extentAbove)) - 1);
    if (above)
        y -= Units(staff, mark->YOffset()) + extra;
    else
        y += Units(staff, mark->YOffset()) + extra;
    if (g.centred) {
        CArtist* a = g_draw.artist;
        const int w = a ? a->GlyphWidth(above ? g.above : g.below) : 0;
        const int hw = notation::ScaledBy(item, notation::HeadWidth());
        if (!g.stemAligned || above != up) {
            mx += (hw - w) / 2;
        } else {
            if (above) mx += hw - notation::StemWidth();
            mx -= std::max(w / 2, 1);
        }
    }
    mark->SetFlags(above ? std::uint8_t(mark->Flags() | NoteMark::kPlacedAbove) : std::uint8_t(mark->Flags() & ~NoteMark::kPlacedAbove));
    return POINT{mx, y};
}

RECT* RawHeadBehaviour::GetMarkRect(CRawHead& item, RECT* rect, int i) const {
    if (!rect) return rect;
    item.VerifyTrack();
    NoteMark* m = item.GetMark(i);
    const POINT at = item.PlaceMark(ItemX(item), m);
    const Glyphs g = GlyphsOf(*m);
    const CStaff* staff = g_model.currentStaff;
    CArtist* a = g_draw.artist;
    int up, down;
    Extents(*m, g, &up, &down);
    *rect = RECT{at.x, at.y - QuarterSpaces(staff, up), at.x + (a ? a->GlyphWidth(g.above) : 0), at.y + QuarterSpaces(staff, down)};
    return rect;
}

bool RawHeadBehaviour::HitTestMarks(CRawHead& item, int x, int y) const { return HitTestMarksOnSide(item, x, y, 0); }

bool HitTestMarksOnSide(CRawHead& item, int x, int y, int side) {
    constexpr int kMiddle = 1440;
    const int n = item.WholeMarks(false);
    for (int i = 0; i < n; ++i) {
        if (side != 0) {
            const int v = item.GetMark(i)->GetWord(NoteMark::kYOffset);
            if (side == 1 ? v <= kMiddle : v >= kMiddle) continue;
        }
        RECT r{};
        item.GetMarkRect(&r, i);
        r = Normalised(r);
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) {
            g_model.hitPart = std::int16_t(i);
            g_model.hitTool = kMarkTool;
            return true;
        }
    }
    return false;
}

// --- drawing -----------------------------------------------------------------------------------

void RawHeadBehaviour::DrawMarks(CRawHead& item) const {
    CArtist* a = g_draw.artist;
    if (!a) return;
    const CStaff* staff = g_model.currentStaff;
    const int size = a->CurrentSize();
    const bool scaled = item.Scale() != 0 && staff;
    if (scaled) a->SetFontSize(MulDiv(staff->GetFontSize(), item.Scale(), 100));
    const int n = item.WholeMarks(false);
    for (int i = 0; i < n; ++i) {
        NoteMark* m = item.GetMark(i);
        if (m->Flags() & 0x01) continue;
        item.DrawMark(g_notation.noteX, m);
    }
    if (scaled) a->SetFontSize(size);
}

void RawHeadBehaviour::DrawMark(CRawHead& item, int x, NoteMark* mark) const {
    CArtist* a = g_draw.artist;
    if (!a || !mark) return;
    const int code = mark->Code();
    const CStaff* staff = g_model.currentStaff;
    if (IsCharacterMark(code)) {
        a->PushFont();
        item.UseFont(mark->Font());
        const POINT at = item.PlaceMark(x, mark);
        const int c = code == kCharacterMark || code <= 107 ? mark->Character() & 0xFF : GlyphsOf(*mark).above;
        if (code >= 108 && code <= 115)
            a->DrawGlyph(at.x, at.y, c);
        else if (mark->Font().face == MusicFontFace())
            a->DrawGlyph(at.x, at.y, c);
        else
            a->DrawCharEx(at.x, at.y, c);
        a->PopFont();
        return;
    }
    POINT at = item.PlaceMark(x, mark);
    const Glyphs g = GlyphsOf(*mark);
    const int glyph = Glyph(*mark, g);
    const bool above = Above(*mark);
    if (glyph >= 240 && glyph <= 249) at.x += (a->GlyphWidth(49) - a->GlyphWidth(glyph)) / 2;
    const bool inside = staff && ((above && at.y > staff->GetTopLine()) || (!above && at.y < staff->GetBottomLine()));
    if (code == 49 && inside) {
        a->DrawGlyph(at.x + (a->GlyphWidth(200) - a->GlyphWidth(199)) / 2, at.y, 199);
        a->DrawGlyph(at.x, above ? at.y - Spacing(staff) : at.y + Spacing(staff), 200);
    } else if (((code == 23 || code == 49) && !above) || code == 51) {
        a->PushFont();
        const char text[2] = {char(glyph), 0};
        int tx = at.x + a->GlyphWidth(glyph);
        int ty = code == 23 ? at.y - Spacing(staff) : at.y;
        a->DrawTextMapped(text, tx, ty, 180);
        a->PopFont();
    } else {
        a->DrawGlyph(at.x, at.y, glyph);
    }
}

// --- the note's own mark classes ------------------------------------------------------------------

void RawNoteBehaviour::DrawMark(CRawHead& item, int x, NoteMark* mark) const {
    CArtist* a = g_draw.artist;
    if (!a || !mark) return;
    auto& note = static_cast<CRawNote&>(item);
    MarkStaff markStaff(item);
    const CStaff* staff = g_model.currentStaff;
    const int code = mark->Code();
    if (code == kChordSpanning) {
        int left, top, bottom;
        ChordSpan(note, x, *mark, &left, &top, &bottom);
        a->DrawGlyphRun(left, top, left, bottom, kRunGlyph);
        const int arrows = (mark->Flags() & NoteMark::kField45) >> 4;
        const int w = a->GlyphWidth(172);
        const int size = std::max(Spacing(staff), 2);
        if (arrows == 1) a->FillRotatedShape(left + w / 2, bottom, left + w / 2, top, size, false, true);
        if (arrows == 2) a->FillRotatedShape(left + w / 2, top, left + w / 2, bottom, size, false, true);
        return;
    }
    if (IsLineMark(code)) {
        const POINT from = note.PlaceMark(x, mark);
        const POINT to{from.x + Units(staff, mark->GetWord(NoteMark::kExtentStart)), from.y + Units(staff, mark->GetWord(NoteMark::kExtentEnd))};
        const int style = mark->GetByte(NoteMark::kSetting41);
        if (style == 0) {
            const int q = (to.x - from.x) / 4;
            const int cy = code == 70 ? to.y : from.y;
            const POINT points[4] = {from, {from.x + q, cy}, {to.x - q, cy}, to};
            a->DrawBezier(points, staff ? staff->ScaleLength(15) : 15, 1, 0);
        } else if (style == 1) {
            a->LineWidth(from.x, from.y, to.x, to.y, 10);
        } else {
            int startX = from.x;
            if (code == 80) {
                a->DrawGlyph(from.x, from.y, 218);
                startX += a->GlyphWidth(218);
            }
            a->DrawGlyphRun(startX, from.y, to.x, to.y, style);
        }
        return;
    }
    RawHeadBehaviour::DrawMark(item, x, mark);
    if (IsCharacterMark(code)) return;
    const POINT at = note.PlaceMark(x, mark);
    const int glyph = Glyph(*mark, GlyphsOf(*mark));
    const int gw = a->GlyphWidth(glyph);
    const bool continuation = (mark->Flags() & kContinuationBit) != 0;
    if (code <= 2 && mark->GetByte(NoteMark::kByte52) >= 1 && mark->GetByte(NoteMark::kByte52) <= 3) {
        const int small = 42 + mark->GetByte(NoteMark::kByte52);
        const int sw = a->GlyphWidth(small);
        if (continuation)
            a->DrawGlyph(at.x + gw, at.y, small);
        else
            a->DrawGlyph(at.x + (gw - sw) / 2, at.y - (staff ? staff->HalfSpacesToPixels(5) : 15), small);
    }
    if (continuation) {
        const int rw = std::max(a->GlyphWidth(kRunGlyph), 1);
        const int sx = at.x + gw + Units(staff, mark->GetWord(40));
        const int sy = at.y + Units(staff, mark->GetWord(42));
        const int ex = std::max(ContinuationEnd(*mark, rw), sx + rw);
        a->DrawGlyphRun(sx, sy, ex, sy, kRunGlyph);
    }
}

RECT* RawNoteBehaviour::GetMarkRect(CRawHead& item, RECT* rect, int i) const {
    if (!rect) return rect;
    auto& note = static_cast<CRawNote&>(item);
    note.VerifyTrack();
    MarkStaff markStaff(item);
    const CStaff* staff = g_model.currentStaff;
    NoteMark* m = note.GetMark(i);
    const int x = ItemX(note);
    const int code = m->Code();
    CArtist* a = g_draw.artist;
    if (code == kChordSpanning) {
        int left, top, bottom;
        ChordSpan(note, x, *m, &left, &top, &bottom);
        *rect = RECT{left, top, left + (a ? a->GlyphWidth(172) : 4), bottom};
        return rect;
    }
    const POINT at = note.PlaceMark(x, m);
    if (IsLineMark(code)) {
        const int ex = at.x + Units(staff, m->GetWord(NoteMark::kExtentStart));
        const int ey = at.y + Units(staff, m->GetWord(NoteMark::kExtentEnd));
        *rect = Normalised(RECT{at.x, at.y, ex, ey});
        rect->bottom = std::max(rect->bottom, rect->top + 2);
        rect->right = std::max(rect->right, rect->left + 2);
        return rect;
    }
    const Glyphs g = GlyphsOf(*m);
    int up, down;
    Extents(*m, g, &up, &down);
    const int gw = a ? a->GlyphWidth(Glyph(*m, g)) : 0;
    *rect = RECT{at.x, at.y - QuarterSpaces(staff, up), at.x + gw, at.y + QuarterSpaces(staff, down)};
    if (m->Flags() & kContinuationBit) {
        const int rw = a ? std::max(a->GlyphWidth(kRunGlyph), 1) : 1;
        rect->right = std::max<LONG>(rect->right, ContinuationEnd(*m, rw));
    }
    return rect;
}
