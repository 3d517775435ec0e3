// Drawing a notated note with music-font glyphs: heads by shape and value, stems, flags, dots,
// accidentals, ledger lines, parentheses and fret numbers. Everything is drawn on the current
// staff and bar through the current artist; the note metrics and the note x are set afresh by
// every draw.
#include <algorithm>
#include <cstdio>

#include "framework/Arith.h"
#include "model/Bar.h"
#include "model/EngraverSettings.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "notation/NotationGlobals.h"
#include "notation/Note.h"
#include "notation/NoteMetrics.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"

namespace {

// Head glyphs of shapes 0-23, stem up and stem down (shape 0 takes the note value's glyph,
// shape 1 is the invisible head).
constexpr int kHeadGlyphs[2][24] = {
    {0, 0, 0x50, 0x51, 0x4E, 0x4F, 0x5E, 0x5F, 0x70, 0x78, 0x71, 0x79, 0x72, 0x7A, 0x73, 0x7B, 0x74, 0x7C, 0x75,
     0x7D, 0x76, 0x7E, 0x41, 0x40},
    {0, 0, 0x50, 0x51, 0x4E, 0x4F, 0x5E, 0x5F, 0x70, 0x78, 0x71, 0x79, 0x72, 0x7A, 0x77, 0x7F, 0x74, 0x7C, 0x75,
     0x7D, 0x76, 0x7E, 0x41, 0x40},
};

constexpr int kFilledHead = 0x74;
constexpr int kGraceSlash = 0x6F;
constexpr int kDot = 199;
constexpr int kParenLeft = 0xFC, kParenRight = 0xFD, kParenGap = 0xFE;
constexpr int kStaffLedgerBit = 0x10;   // staff display byte: ledger lines shown
constexpr int kStaffNudgeBit = 0x01;    // staff display byte: glyphs one pixel lower on screen
constexpr int kFretShapeFirst = 32;

CArtist* Artist() { return g_draw.artist; }

// The staff a head is drawn on, made current for the scope.
class HeadStaff {
public:
    explicit HeadStaff(int offset) : saved_(g_model.currentStaff) { g_model.currentStaff = notation::StaffOrCurrent(offset); }
    ~HeadStaff() { g_model.currentStaff = saved_; }
    HeadStaff(const HeadStaff&) = delete;
    HeadStaff& operator=(const HeadStaff&) = delete;
    CStaff* operator->() const { return g_model.currentStaff; }
    CStaff* get() const { return g_model.currentStaff; }

private:
    CStaff* saved_;
};

int Spacing(const CStaff* staff) { return staff ? staff->GetLineSpacing() : 6; }
int PositionY(const CStaff* staff, int pos) { return staff ? staff->PositionToY(pos) : -pos * 3; }
int Units(const CStaff* staff, int units) { return staff ? staff->ScaleOffset(units) : units / 20; }

// Chooses the drawing colour of a head: the selection colour, the greyed colour, the colour of
// the head's play voice (when it has one) or the note's, or black. The note's voice field is
// only read, so a performer reading the run meanwhile never sees it changed.
void ChooseHeadColor(CNote& note, const NoteHead& head, bool highlighted) {
    CArtist* a = Artist();
    if (!a) return;
    const int playVoice = head.Byte(NoteHead::kPlayVoice) & 0x0F;
    if (playVoice == 0) {
        note.SetDrawColor(highlighted);
        return;
    }
    if (highlighted) {
        a->SetRoleColor(9);
    } else if (g_model.secondColorDrawing) {
        a->SetRoleColor(8);
    } else if (g_model.currentScore && g_model.currentScore->showColors) {
        const int color = note.ColorField();
        a->SetPaletteColor(color ? color - 1 : g_model.voiceColors[(playVoice - 1) & 7]);
    } else {
        a->SetPaletteColor(0);
    }
}

bool Highlighted(const NoteHead& head) { return head.IsSelected() && !g_draw.feedbackDrawing && !g_draw.printingDC; }

}  // namespace

// --- metrics ------------------------------------------------------------------------------------

namespace notation {

int HeadWidth() { return g_draw.musicCharWidth; }
int StemWidth() { return g_draw.musicLineWidth; }
int StemPen() { return g_draw.stemThickness; }

void SetNoteMetrics(const CRawHead& item) {
    const CStaff* staff = g_model.currentStaff;
    const int size = item.IsGrace() || !staff ? 0 : staff->GetFontSize();
    ApplyMusicMetrics(CurrentEngraverSettings().GetWord(EngraverSettings::kStemWidth), size);
}

int SetNoteX(CRawHead& item) {
    int x = g_model.currentBar ? g_model.currentBar->FractionToX(item.PositionField()) : item.PositionField();
    if (item.IsNoteOrRawNote() && static_cast<CRawNote&>(item).IsShiftedRight()) x += HeadWidth();
    g_notation.noteX = x;
    return x;
}

int BeginNoteDrawing(CRawHead& item) {
    SetNoteMetrics(item);
    return SetNoteX(item);
}

int ScaledBy(const CRawHead& item, int v) { return item.Scale() ? MulDiv(v, item.Scale(), 100) : v; }

CStaff* StaffOrCurrent(int offset) {
    if (offset == 0) return g_model.currentStaff;
    CStaff* s = StaffAtOffset(offset);
    return s ? s : g_model.currentStaff;
}

void TrackFontOrDefault(FontRef* font) {
    *font = FontRef{};
    if (g_model.currentTrack) g_model.currentTrack->GetTrackFont(font);
    if (font->face == FontRef::kNoFace || font->size == 0) {
        font->face = g_draw.standardFontRefs[0].face;
        font->size = 10;
        font->style = 0;
    }
}

CStaff* StaffAboveOrCurrent() {
    CStaff* s = StaffAtOffset(-1);
    return s ? s : g_model.currentStaff;
}

}  // namespace notation

using namespace notation;

// --- glyphs, stems and flags -----------------------------------------------------------------------

int CNote::GetHeadGlyph(const NoteHead& head) const {
    const int shape = head.Shape();
    if (shape == 0) {
        if (IsGrace()) return kFilledHead;
        switch (NoteValue()) {
        case 0: return 0x40;
        case 1: return 0x41;
        case 2: return 0x7C;
        default: return kFilledHead;
        }
    }
    if (shape < 24) return kHeadGlyphs[IsStemUp() ? 0 : 1][shape];
    return kFilledHead;
}

int CNote::GetStemBaseY() {
    const CStaff* staff = g_model.currentStaff;
    const bool up = IsStemUp();
    const int n = std::max(HeadCountField(), 1);
    int y, o;
    if (HasFretNumbers()) {
        y = PositionY(staff, Head(n - 1)->Position());
        o = -90;
    } else {
        y = PositionY(staff, GetEntryStaffPos(*Head(0)));
        switch (Head(0)->Shape()) {
        case 2: o = -60; break;
        case 3:
        case 4: o = -50; break;
        case 5:
        case 12:
        case 13: o = 0; break;
        case 6:
        case 7: o = -120; break;
        case 8:
        case 9: o = up ? 50 : -60; break;
        case 10:
        case 11: o = up ? 0 : 40; break;
        case 20:
        case 21: o = up ? -20 : 25; break;
        default: return up ? y - StemWidth() : y + StemWidth();
        }
    }
    const int px = Units(staff, o);
    return up ? y + px : y - px;
}

void CNote::GetStemLine(int* x, int* yBase, int* yEnd) {
    const bool up = IsStemUp();
    int s = GetStemLength() * 30;
    if (!up) s = -s;
    int sx = g_notation.noteX;
    if (HasFretNumbers())
        sx += Spacing(StaffAboveOrCurrent()) / 2;
    else if (up)
        sx += HeadWidth() - StemWidth();
    HeadStaff staff(Head(0)->CrossStaffOffset());
    if (x) *x = sx;
    if (yBase) *yBase = GetStemBaseY();
    if (yEnd) *yEnd = PositionY(staff.get(), GetEntryStaffPos(*Head(0))) - Units(staff.get(), s);
}

void CNote::DrawStem() {
    CArtist* a = Artist();
    if (!a) return;
    int x, yBase, yEnd;
    GetStemLine(&x, &yBase, &yEnd);
    const bool up = IsStemUp();
    a->DrawStem(x, yBase, yEnd, up);
    if (!IsGrace() || IsBeamed()) return;
    const CStaff* staff = g_model.currentStaff;
    const int sx = NoteValue() <= 3 ? x - (a->GlyphWidth(kGraceSlash) + 1) / 2 : x - Units(staff, 40);
    const int spacing = Spacing(staff);
    const int dy = ScaledBy(*this, up ? 5 * spacing / 2 : -3 * spacing / 2);
    a->DrawGlyph(sx, yEnd + dy, kGraceSlash);
}

void CNote::DrawFlag() {
    CArtist* a = Artist();
    if (!a) return;
    int code = NoteValue();
    if (IsGrace()) code = std::min(code, 4);
    int x, yEnd;
    GetStemLine(&x, nullptr, &yEnd);
    const CStaff* staff = g_model.currentStaff;
    const int d = ScaledBy(*this, staff ? staff->ScaleQuarterSpaces(14) : 21);
    if (!IsStemUp()) {
        a->DrawGlyphPair(x, yEnd - d, 0x55 + code, false);
        return;
    }
    int fx = x + StemWidth() / 2;
    if (Head(0)->CrossStaffOffset() != 0) fx += HeadWidth() - a->GlyphWidth(GetHeadGlyph(*Head(0)));
    a->DrawGlyphPair(fx, yEnd + d, 0x45 + code, true);
}

// --- heads and dots -----------------------------------------------------------------------------

void CNote::DrawDots(const NoteHead& head) {
    CArtist* a = Artist();
    if (!a) return;
    const CStaff* staff = g_model.currentStaff;
    const int gw = a->GlyphWidth(GetHeadGlyph(head));
    const int gap = ScaledBy(*this, HeadWidth() / 2);
    const bool up = IsStemUp();
    int dx;
    if (NoteValue() <= 1) {
        dx = g_notation.noteX + gw + gap / 2;
    } else {
        const int h = up ? HeadWidth() : ScaledBy(*this, HeadWidth());
        dx = g_notation.noteX + h + gap - StemWidth();
    }
    if (HasHeadRightOfStem())
        dx += HeadWidth() - StemWidth();
    else if (NoteValue() > 3 && !IsBeamed() && !IsStemless() && up && (StemByte() & 0x80))
        dx += gw - gap;
    const int y = PositionY(staff, head.Position() + head.DotOffset());
    for (int k = DotCount(); k > 0; --k) {
        a->DrawGlyphBold(dx, y);
        dx += gap + StemWidth();
    }
}

void CNote::DrawHead(int x, NoteHead& head) {
    CArtist* a = Artist();
    if (!a) return;
    CStaff* staff = g_model.currentStaff;
    const int pos = GetEntryStaffPos(head);
    g_notation.headY = PositionY(staff, pos);
    const int y = g_notation.headY;
    if (HasFretNumbers()) {
        DrawFretNumber(x, y, head);
        return;
    }
    const bool ledger = (pos >= 6 || pos <= -6) && staff && (staff->GetDisplay() & kStaffLedgerBit) && !IsSlash() &&
                        !head.IsInvisible();
    const int glyph = GetHeadGlyph(head);
    const int gw = a->GlyphWidth(glyph);
    if (DotCount() > 0 && !IsGrace()) DrawDots(head);

    const bool up = IsStemUp();
    const bool beyond = (head.Byte(NoteHead::kLinkByte) & NoteHead::kBeyondBeam) != 0;
    const int column = head.Column();
    int mode;
    if (NoteValue() <= 1) {
        mode = column == 0 ? 1 : column < 0 ? 0 : 3;
        if (column > 0) x += gw - HeadWidth();
    } else if (IsSlash()) {
        mode = !up || IsStemless() ? 1 : 2;
    } else if (!up) {
        mode = column < 0 || beyond ? 0 : 1;
    } else {
        mode = column == 0 || beyond ? 2 : 3;
    }

    if (head.Accidental() != 0 && head.IsAccidentalShown() && !IsSlash()) {
        int ax = x;
        if (Scale() && up) ax = x + HeadWidth() - gw;
        if (ledger) ax -= 1;
        if (mode == 0 && beyond) ax -= HeadWidth();
        DrawHeadAccidental(ax, y, head);
    }
    const int gy = staff && (staff->GetDisplay() & kStaffNudgeBit) && !g_draw.printingDC ? y + 1 : y;
    a->DrawPlacedGlyph(x, gy, glyph, mode);

    if (!ledger) return;
    int lx = x;
    if (mode == 0)
        lx -= gw;
    else if (mode == 2)
        lx += HeadWidth() - gw;
    else if (mode == 3)
        lx += HeadWidth();
    const int w = IsGrace() ? gw - StemWidth() : gw;
    a->DrawLedgerLines(lx, PositionY(staff, 0), pos, Spacing(staff), w);
}

// --- parentheses and fret numbers --------------------------------------------------------------

namespace {

// A tall bracket from top to bottom, its open side facing the heads.
void DrawTallBracket(CArtist* a, int x, int top, int bottom, int width, bool left) {
    const int inner = left ? x + width : x;
    const int outer = left ? x : x + width;
    const int q = (bottom - top) / 4;
    const POINT points[4] = {{inner, top}, {outer, top + q}, {outer, bottom - q}, {inner, bottom}};
    a->DrawBezier(points, 20, 1, 0);
}

}  // namespace

void CNote::DrawParentheses() {
    CArtist* a = Artist();
    if (!a) return;
    const CStaff* own = g_model.currentStaff;
    const int spacing = Spacing(own);
    const int pad = ScaledBy(*this, spacing / 4);
    const int dots = DotCount();
    const int after = dots ? ScaledBy(*this, (spacing / 2 + StemWidth()) * dots) + spacing / 3 : 0;
    const int gap = a->GlyphWidth(kParenGap);
    const int x0 = g_notation.noteX;
    const int n = HeadCountField();

    if (n == 1) {
        const NoteHead& h = *Head(0);
        const int y = PositionY(own, GetEntryStaffPos(h));
        int lx = x0;
        if (h.Accidental() != 0 && h.IsAccidentalShown() && !IsSlash()) lx -= Units(own, h.AccidentalOffset() * 5 + 120);
        lx -= gap;
        a->DrawGlyph(lx - pad, y, kParenLeft);
        a->DrawGlyph(x0 + HeadWidth() + pad + after, y, kParenRight);
        return;
    }

    int runLength = 0, leftUnits = 0, rightUnits = 0, maxOffset = -1;
    int top = 0, bottom = 0, lastY = 0;
    auto finish = [&](int staffOffset) {
        if (runLength == 0) return;
        HeadStaff staff(staffOffset);
        int left = leftUnits + (maxOffset >= 0 ? (maxOffset + 24) * 5 : 0);
        const int lx = x0 - Units(staff.get(), left);
        const int rx = x0 + HeadWidth() + Units(staff.get(), rightUnits);
        if (runLength == 1) {
            a->DrawGlyph(lx - pad - gap, lastY, kParenLeft);
            a->DrawGlyph(rx + pad + after, lastY, kParenRight);
        } else {
            const int bw = std::max(gap, 2);
            DrawTallBracket(a, lx - pad - gap, top - pad, bottom + pad, bw, true);
            DrawTallBracket(a, rx + pad + after, top - pad, bottom + pad, bw, false);
        }
        runLength = 0;
        leftUnits = rightUnits = 0;
        maxOffset = -1;
    };
    int lastOffset = 0;
    for (int k = 0; k < n; ++k) {
        const NoteHead& h = *Head(k);
        if (!(h.Byte(NoteHead::kLinkByte) & NoteHead::kParenthesized)) {
            finish(lastOffset);
            continue;
        }
        HeadStaff staff(h.CrossStaffOffset());
        const int y = PositionY(staff.get(), GetEntryStaffPos(h));
        if (runLength == 0) top = bottom = y;
        top = std::min(top, y);
        bottom = std::max(bottom, y);
        lastY = y;
        lastOffset = h.CrossStaffOffset();
        if (h.Column() < 0) leftUnits = 120;
        if (h.Column() > 0) rightUnits = 120;
        if (h.Accidental() != 0 && h.IsAccidentalShown()) maxOffset = std::max(maxOffset, int(h.AccidentalOffset()));
        ++runLength;
    }
    finish(lastOffset);
}

void CNote::DrawFretNumber(int x, int y, const NoteHead& head) {
    CArtist* a = Artist();
    if (!a) return;
    const CStaff* staff = g_model.currentStaff;
    a->PushFont();
    ChooseHeadColor(*this, head, Highlighted(head));
    char text[8] = {};
    const int shape = head.Shape();
    if (shape < kFretShapeFirst) {
        text[0] = char(GetHeadGlyph(head));
    } else {
        std::snprintf(text, sizeof text, "%d", shape - kFretShapeFirst);
    }
    FontRef font;
    notation::TrackFontOrDefault(&font);
    int size = staff ? MulDiv(font.size, staff->GetScalePercent(), 100) : font.size;
    if (head.HeadScale()) size = MulDiv(size, head.HeadScale(), 100);
    a->SetFont(font.face == FontRef::kNoFace ? 0 : font.face, std::max(size, 1), font.style);
    FontMetrics16 m;
    a->GetFontMetrics(&m);
    y += (m.ascent - m.descent) / 2;
    const int s = Spacing(StaffAboveOrCurrent());
    if (head.Column() > 0) x += s;
    if (head.Column() < 0) x -= s;
    x += s / 2 + 1;
    const int w = a->TextWidth(text);
    if (!g_notation.fretNumbersUnboxed && !g_draw.feedbackDrawing) {
        const RECT box{x - w / 2 - 2, y - s, x + w / 2 + 2, y};
        if (g_draw.printingDC)
            a->EraseRect(box);
        else
            a->DrawClipped(box);
    }
    a->DrawTextCentered(x, y, text);
    a->PopFont();
    if (IsStemless()) return;
    x += w / 2 + s / 2;
    if (!IsStemUp()) y -= Spacing(staff);
    for (int k = DotCount(); k > 0; --k) {
        a->DrawGlyph(x, y, kDot);
        x += s / 2 + a->GlyphWidth(kDot);
    }
}

// --- the note ---------------------------------------------------------------------------------------

void NoteBehaviour::Draw(CScoreItem& item) const {
    if (g_notation.performanceDisplay != 0) {
        RawNoteBehaviour::Draw(item);
        return;
    }
    CArtist* a = Artist();
    if (!a) return;
    auto& note = static_cast<CNote&>(item);
    const int n = note.HeadCountField();
    if (n <= 0) return;
    const int x = BeginNoteDrawing(note);
    const bool ownStem = note.HasOwnStem();
    NoteHead& first = *note.Head(0);

    if (n == 1 && first.Shape() == 0 && (!first.IsInvisible() || first.IsSelected()) && first.CrossStaffOffset() == 0) {
        ChooseHeadColor(note, first, Highlighted(first));
        note.DrawHead(x, first);
        if (ownStem) {
            note.DrawStem();
            if (note.NoteValue() > 3) note.DrawFlag();
        }
    } else {
        a->PushFont();
        const CStaff* own = g_model.currentStaff;
        const int ownSize = own ? own->GetFontSize() : a->CurrentSize();
        for (int k = 0; k < n; ++k) {
            NoteHead& h = *note.Head(k);
            {
                HeadStaff staff(h.CrossStaffOffset());
                ChooseHeadColor(note, h, Highlighted(h));
                const int staffSize = staff.get() ? staff->GetFontSize() : ownSize;
                bool fontChanged = false;
                if (h.HeadScale()) {
                    a->SetFontSize(MulDiv(staffSize, h.HeadScale(), 100));
                    fontChanged = true;
                } else if (staffSize != ownSize) {
                    a->SetFontSize(staffSize);
                    fontChanged = true;
                }
                if (!h.IsInvisible() || h.IsSelected()) {
                    note.DrawHead(x, h);
                } else if (const CZelDoc* doc = g_model.currentDoc; doc && doc->location.hiddenObjects && !g_draw.printingDC) {
                    a->PushColor();
                    a->SetRoleColor(8);
                    note.DrawHead(x, h);
                    a->PopColor();
                }
                if (fontChanged) a->SetFontSize(ownSize);
            }
            if (k == 0 && ownStem) {
                ChooseHeadColor(note, h, Highlighted(h));
                note.DrawStem();
                if (note.NoteValue() > 3) note.DrawFlag();
            }
            if (note.IsSlash()) break;
        }
        a->PopFont();
    }
    if (note.MarkCount() > 0) note.DrawMarks();
    for (int k = 0; k < n; ++k) {
        if (note.Head(k)->Byte(NoteHead::kLinkByte) & NoteHead::kParenthesized) {
            note.DrawParentheses();
            break;
        }
    }
    a->SetColor(0);
    a->glyphNudge = 0;
}
