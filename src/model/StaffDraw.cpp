// How a staff draws itself: its lines, the clef and key signature that start its system, key
// signatures and time signatures wherever a bar asks for them, ledger lines, its placement
// handles and the mute and solo marks of its track.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "framework/Arith.h"
#include "model/EngraverSettings.h"
#include "model/Meter.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/FontMap.h"
#include "platform/Port.h"
#include "platform/Theory.h"

namespace {

constexpr int kNatural = 35, kSharp = 33, kFlat = 34;
constexpr int kCommonTimeGlyph = 138, kCutTimeGlyph = 139, kPlusGlyph = 203;
constexpr int kStripImages = 116, kMutedImage = 5, kSoloImage = 6;
// The score's layout words that move a text-font time signature's numerator up and its
// denominator down (each times 5 in label units).
constexpr int kMeterUpperOffsetWord = 1, kMeterLowerOffsetWord = 2;

// Key codes: 0 none, 1-7 that many flats, 8-14 (code - 7) sharps.
bool IsFlatKey(int key) { return key >= 1 && key <= 7; }
bool IsSharpKey(int key) { return key >= 8 && key <= 14; }
int AccidentalCount(int key) { return IsFlatKey(key) ? key : IsSharpKey(key) ? key - 7 : 0; }

CScore* StaffScore() { return g_model.currentScore; }

// The track of the staff (its index in the system), through the current score.
CTrack* StaffTrack(const CStaff* staff) {
    CScore* score = StaffScore();
    return score ? score->GetTrack(staff->GetIndex()) : nullptr;
}

// The system the staff belongs to: the current one when it holds the staff.
CLine* StaffLine(const CStaff* staff) {
    CLine* line = g_model.currentLine;
    if (!line || !line->GetStaffArray()) return nullptr;
    const int i = staff->GetIndex();
    return i < line->GetStaffCount() && line->GetStaff(i) == staff ? line : nullptr;
}

void SetKeyColour(CArtist* a, int colour) {
    CScore* score = StaffScore();
    if (g_model.highlightMode)
        a->SetColor(g_model.highlightColor);
    else if (score && score->showColors && colour >= 0)
        a->SetPaletteColor(colour);
    else
        a->SetColor(0);
}

}  // namespace

constexpr int kPrintedThinLine = 12;  // 1/20 point

void StaffBehaviour::Draw(CScoreItem& item) const { static_cast<CStaff&>(item).Draw(); }

int CStaff::Thickness(int which) const {
    const int size = GetFontSize() ? GetFontSize() : 24;
    const EngraverSettings& e = CurrentEngraverSettings();
    const int word = which == 0 ? EngraverSettings::kStemWidth : which == 1 ? EngraverSettings::kStaffLineWidth
                                                                            : EngraverSettings::kLedgerLineWidth;
    return MulDiv(e.GetWord(word), size, 24);
}

void CStaff::Draw() {
    CArtist* a = g_draw.artist;
    if (!a) return;
    a->PushColor();
    a->PushFont();
    if (GetFontSize() == 0) SetFontSize(24);
    a->SetMusicFont(GetFontSize());
    a->SetPenWidth(std::max(1, (Thickness(0) + 6) / 20));
    // The barlines' thin line follows the staff lines' thickness, which grows with the zoom on
    // screen; the printer's barlines keep the program's own width.
    g_draw.thinLineWidth = std::int16_t(g_draw.printingDC ? kPrintedThinLine : Thickness(1));
    // The note-head width of the screen's font is measured where it is drawn (beams measure their
    // own); the stored width stays as the file gave it, so that showing a score changes nothing
    // that a save writes.
    if (g_model.highlightMode) a->SetColor(g_model.highlightColor);
    DrawLines();
    const EngraverSettings& e = CurrentEngraverSettings();
    CLine* line = StaffLine(this);
    const int lineSpace = line ? line->GetSpace() : Space();
    int x = GetLeft() + ScaleOffset(e.GetWord(EngraverSettings::kClefMargin)) + 2 * (lineSpace - Space());
    if (GetDisplay() & kClefShownBit) {
        DrawClef(x);
        x += ScaleOffset(e.GetWord(EngraverSettings::kClefToOther));
    }
    if ((GetDisplay() & kKeyShownBit) && !(GetDisplay() & kKeySuppressedBit))
        DrawKeySignature(x, x, GetKey(), GetKey(), GetClef(), 0, 1, false, GetKeyColor());
    if (!g_draw.printingDC) {
        // The placement handle of the position display that is on.
        const CZelDoc* doc = g_model.currentDoc;
        const bool first = line && line->GetFirstShownStaff() == GetIndex();
        int which = -1;
        if (g_model.highlightMode && (g_model.highlightMode != 8 || first)) {
            which = 3;
        } else if (doc) {
            const int order[5][2] = {{0, 0}, {1, 5}, {2, 1}, {3, 2}, {4, 4}};
            for (const auto& o : order)
                if (doc->location.overlays[o[0]] && (o[1] != 4 || first)) {
                    which = o[1];
                    break;
                }
        }
        if (which >= 0) DrawHandle(false, which);
    }
    if (CTrack* track = StaffTrack(this)) {
        // The track's marks, or those of the voice being edited (of any voice while all are).
        const CZelDoc* doc = g_model.currentDoc;
        const bool all = doc && doc->location.allVoices;
        const int current = doc ? int(doc->location.voice) : 0;
        bool solo = track->IsSolo(-1), muted = track->IsMuted(-1);
        for (int v = 0; v < 8; ++v) {
            if (!all && v != current) continue;
            solo = solo || track->IsSolo(v);
            muted = muted || track->IsMuted(v);
        }
        const int image = solo ? kSoloImage : muted ? kMutedImage : -1;
        if (image >= 0) {
            a->DrawStripImage(GetLeft() - 15, GetTopLine(), kStripImages, image, 13);
            a->DrawStripImage(GetRight(), GetTopLine(), kStripImages, image, 13);
        }
    }
    a->PopFont();
    a->PopColor();
}

void CStaff::DrawLines() { DrawLinesBetween(GetLeft(), GetRight()); }

void CStaff::DrawLinesBetween(int left, int right) {
    CArtist* a = g_draw.artist;
    if (!a) return;
    std::uint16_t mask = GetLineMask();
    if (Space() < 2) mask &= 0xAAAA;
    int size = GetFontSize() ? GetFontSize() : 24;
    const bool tab = GetClef() == kTablatureClef;
    CLine* line = StaffLine(this);
    if (tab && GetIndex() > 0 && line) size = line->GetStaff(GetIndex() - 1)->GetFontSize() * 3 / 4;
    const int thickness = MulDiv(CurrentEngraverSettings().GetWord(EngraverSettings::kStaffLineWidth), size, 24);
    a->DrawStaffLines(left, GetMiddleY(), right, mask, Space(), thickness);
    if (tab && GetScalePercent() > 100) a->SetMusicFont(GetFontSize());
}

void CStaff::DrawClef(int x) {
    CArtist* a = g_draw.artist;
    const int clef = GetClef();
    // A clef byte outside the clef table (from a damaged file) draws nothing.
    if (!a || clef < 0 || clef >= CTheory::kClefCount) return;
    const int space = Space();
    const std::uint16_t mask = GetLineMask();
    if (clef == kTablatureClef) {
        x += space / 2;
        const int height = GetBottomLine() - GetTopLine();
        const int size = mask == 2016 ? 4 * space : mask == 960 ? height - space / 2 : height - space;
        a->SetMusicFont(std::max(1, size));
        // The program's music font draws the tablature clef centred on its point: it stands on
        // the middle of the lines.
        a->DrawGlyph(x, (GetTopLine() + GetBottomLine()) / 2, CTheory::GetClefGlyph(clef));
    } else {
        a->SetMusicFont(GetFontSize());
        int y = PositionToY(CTheory::GetClefSymbolPos(clef));
        if ((clef == 11 || clef == 12) && (mask == 384 || mask == 960)) y = (GetTopLine() + GetBottomLine()) / 2;
        a->DrawGlyph(x, y, CTheory::GetClefGlyph(clef));
    }
    a->SetMusicFont(GetFontSize());
}

void CStaff::DrawLedgerLines(int x, int pos) {
    CArtist* a = g_draw.artist;
    if (!a || (pos >= -5 && pos <= 5)) return;
    const int e = (Space() + 1) / 3;
    a->SetPenWidth(std::max(1, Thickness(2)));
    const int step = pos > 0 ? -2 : 2;
    // From the note toward the staff, on every line position (even) while outside the staff.
    int p = (pos % 2 == 0) ? pos : pos + (pos > 0 ? -1 : 1);
    for (; p > 5 || p < -5; p += step) {
        const int y = PositionToY(p);
        a->Line(x - e, y, x + Space() + 1 + e, y);
    }
    a->SetPenWidth(20);
}

void CStaff::DrawKeySignature(int x, int startX, int newKey, int oldKey, int clef, int cancelMode, int drawPart,
                              bool rightAligned, int colour) {
    CArtist* a = g_draw.artist;
    // Key or clef bytes past their tables (from a damaged file) draw nothing.
    if (!a || newKey < 0 || newKey > 14 || oldKey < 0 || oldKey > 14 || clef < 0 || clef >= CTheory::kClefCount) return;
    a->PushColor();
    SetKeyColour(a, colour);
    if (cancelMode == 0) oldKey = 0;
    const int space = Space();
    const auto positionOf = [&](bool flat, int i) {
        return flat ? CTheory::GetClefFlatPos(clef, i) : CTheory::GetClefSharpPos(clef, i);
    };
    // The naturals that cancel the old key: (flat side, index) pairs.
    int naturals[7];
    bool naturalFlat = false;
    int naturalCount = 0;
    const int oldCount = AccidentalCount(oldKey), newCount = AccidentalCount(newKey);
    if (newKey == 0) {
        if (oldKey == 0 || drawPart == 1) {
            a->PopColor();
            return;
        }
        naturalFlat = IsFlatKey(oldKey);
        for (int i = 0; i < oldCount; ++i) naturals[naturalCount++] = i;
    } else {
        const bool flatKey = IsFlatKey(newKey);
        const bool oldSameSide = flatKey ? IsFlatKey(oldKey) : IsSharpKey(oldKey);
        naturalFlat = IsFlatKey(oldKey);
        if (!oldSameSide) {
            for (int i = 0; i < oldCount; ++i) naturals[naturalCount++] = i;
        } else {
            for (int i = cancelMode == 1 ? 0 : newCount; i < oldCount; ++i) naturals[naturalCount++] = i;
        }
    }
    const bool drawNaturals = drawPart != 1 && naturalCount > 0;
    const bool drawNew = drawPart != 0 && newCount > 0;
    if (rightAligned) {
        const int places = (drawNaturals ? naturalCount : 0) + (drawNew ? newCount : 0);
        x = startX - (newKey == 0 ? naturalCount + 1 : places) * space - (drawNaturals && drawNew ? space / 2 : 0);
    }
    if (drawNaturals) {
        for (int i = 0; i < naturalCount; ++i) {
            a->DrawGlyph(x, PositionToY(positionOf(naturalFlat, naturals[i])), kNatural);
            x += space;
        }
        x += space / 2;
    }
    if (drawNew) {
        const bool flatKey = IsFlatKey(newKey);
        for (int i = 0; i < newCount; ++i) {
            int y = PositionToY(positionOf(flatKey, i));
            if (!flatKey && !g_draw.printingDC) y += 1;
            a->DrawGlyph(x, y, flatKey ? kFlat : kSharp);
            x += space;
        }
    }
    a->PopColor();
}

int CStaff::MeasureGlyphString(const char* text) {
    CArtist* a = g_draw.artist;
    int w = 0;
    for (const char* p = text; a && *p; ++p) w += a->GlyphWidth(*p == '+' ? kPlusGlyph : std::uint8_t(*p));
    return w;
}

void CStaff::DrawGlyphString(int x, int y, const char* text) {
    CArtist* a = g_draw.artist;
    for (const char* p = text; a && *p; ++p) {
        const int c = *p == '+' ? kPlusGlyph : std::uint8_t(*p);
        a->DrawGlyph(x, y, c);
        x += a->GlyphWidth(c);
    }
}

void CStaff::DrawItemColour(CScoreItem* item) {
    constexpr int kColourFlagByte = 12;
    constexpr std::uint8_t kColourFlag = 0x04;
    CArtist* a = g_draw.artist;
    if (!a || !item || item->RecordSizeField() <= kColourFlagByte) return;
    if (!(rec::Get<std::uint8_t>(item, kColourFlagByte) & kColourFlag)) return;
    // The document palette's colours are 0-121; the rest of the table is the interface's.
    constexpr int kDocumentColours = 122;
    const CScore* score = StaffScore();
    const int colour = score && score->showColors ? item->GetColorIndex() : -1;
    if (colour >= 0 && colour < kDocumentColours)
        a->SetPaletteColor(colour);
    else
        a->SetColor(0);
}

namespace {

// The digits of a time signature: music-font glyphs centred on their staff positions, or, in
// the text-font mode, texts in the score's time-signature font whose digits are centred on the
// same middles (the baseline half a digit below). `Fraction` draws an upper over a lower text,
// the narrower centred on the wider, and returns the x after it.
struct MeterDigits {
    CArtist* a;
    CStaff* staff;
    bool text = false;
    int lift = 0;  // baseline below a digit's middle, text-font mode

    int Width(const std::string& t) const {
        return text ? a->TextWidth(t.c_str()) : staff->MeasureGlyphString(t.c_str());
    }
    void Draw(int x, int y, const std::string& t) const {
        if (text)
            a->DrawText(x, y + lift, t.c_str());
        else
            staff->DrawGlyphString(x, y, t.c_str());
    }
    int Fraction(int x, int upperY, int lowerY, const std::string& upper, const std::string& lower) const {
        const int wu = Width(upper), wl = Width(lower), w = std::max(wu, wl);
        Draw(x + (w - wu) / 2, upperY, upper);
        Draw(x + (w - wl) / 2, lowerY, lower);
        return x + w;
    }
};

}  // namespace

int CStaff::DrawTimeSignature(int x, const Meter* meter, std::uint8_t* out) {
    CArtist* a = g_draw.artist;
    if (!a || !meter) return 0;
    a->PushColor();
    SetKeyColour(a, -1);
    const int musicSize = GetFontSize() ? GetFontSize() : 24;
    a->SetMusicFont(musicSize);
    const std::uint16_t mask = GetLineMask();
    int shift = 0;
    if (GetClef() == kTablatureClef)
        shift = (GetTopLine() + GetBottomLine()) / 2 - GetMiddleY();
    else if (mask == 384 || mask == 960)
        shift = Space() / 2;
    const std::uint8_t kind = meter->GetKindFlags(), display = meter->GetDisplayFlags();
    MeterDigits digits{a, this};
    int upperY = 0, lowerY = 0;
    if (kind & Meter::kKindDisplay) {
        // The score's time-signature font at the staff's size; a face that cannot be used
        // keeps the music font (in the default colour) and takes its spread from the digit 4.
        const CScore* score = StaffScore();
        const FontRef font = score ? score->staffLabelFont : FontRef{FontRef::kNoFace, 0, 0, 0};
        const bool usable = font.face != FontRef::kNoFace && font.size > 0;
        int quarter = 0;
        if (usable) {
            const int size = std::max(1, ScaleLength(font.size));
            a->SetFont(int(font.face), size, font.style);
            quarter = size / 4;
            FontMetrics16 fm;
            a->GetFontMetrics(&fm);
            digits.text = !IsMusicFont(int(font.face));
            if (digits.text) digits.lift = (fm.ascent - fm.internalLeading) / 2;
        } else {
            a->SetColor(0);
            FontMetrics16 fm;
            a->GetGlyphMetrics(&fm, '4');
            quarter = fm.ascent / 4;
        }
        const int up = score ? ScaleOffset(score->layoutWords[kMeterUpperOffsetWord] * 5) : 0;
        const int down = score ? ScaleOffset(score->layoutWords[kMeterLowerOffsetWord] * 5) : 0;
        upperY = GetMiddleY() + shift - quarter - up;
        lowerY = GetMiddleY() + shift + quarter + down;
    } else {
        const int pen = g_draw.printingDC ? 0 : std::max(0, a->GetPenWidth() / 2);
        upperY = PositionToY(2) + shift + pen;
        lowerY = PositionToY(-2) + shift + pen;
    }
    const int top = PositionToY(4) + shift, bottom = PositionToY(-4) + shift;
    const int start = x;
    // The enclosing marks are the music font's tall parentheses: the alternate one opens.
    if (display & Meter::kShown) {
        if (display & Meter::kWiden) x = DrawTallGlyph(x, top, bottom, true);
        if (kind & (Meter::kCommonTime | Meter::kCutTime)) {
            const int c = (kind & Meter::kCommonTime) ? kCommonTimeGlyph : kCutTimeGlyph;
            if (kind & Meter::kKindDisplay) a->SetMusicFont(musicSize);
            a->DrawGlyph(x, PositionToY(0) + shift, c);
            x += a->GlyphWidth(c);
        } else if (digits.text) {
            x = digits.Fraction(x, upperY, lowerY, std::to_string(meter->GetNumerator()),
                                std::to_string(meter->GetDenominator()));
        } else {
            x = DrawStackedNumbers(x, upperY, lowerY, meter->GetNumerator(), meter->GetDenominator());
        }
        if (display & Meter::kWiden) x = DrawTallGlyph(x, top, bottom, false);
        if (display & Meter::kAdditiveShown) x += Space() / 2;
    }
    if (display & Meter::kAdditiveShown) {
        if (display & Meter::kWidenAdditive) x = DrawTallGlyph(x, top, bottom, true);
        if (meter->GetBottomGroup(1) == 0 && meter->GetTopGroup(1) != 0) {
            // One fraction: the numerators joined by "+" over one denominator.
            std::string upper;
            for (int i = 0; i < 3; ++i)
                if (meter->GetTopGroup(i)) upper += (upper.empty() ? "" : "+") + std::to_string(meter->GetTopGroup(i));
            x = digits.Fraction(x, upperY, lowerY, upper, std::to_string(meter->GetBottomGroup(0)));
        } else {
            for (int i = 0; i < 3 && meter->GetTopGroup(i) && meter->GetBottomGroup(i); ++i) {
                if (i > 0) {
                    digits.Draw(x, digits.text ? GetMiddleY() + shift : PositionToY(0) + shift, "+");
                    x += digits.Width("+");
                }
                if (digits.text)
                    x = digits.Fraction(x, upperY, lowerY, std::to_string(meter->GetTopGroup(i)),
                                        std::to_string(meter->GetBottomGroup(i)));
                else
                    x = DrawStackedNumbers(x, upperY, lowerY, meter->GetTopGroup(i), meter->GetBottomGroup(i));
            }
        }
        if (display & Meter::kWidenAdditive) x = DrawTallGlyph(x, top, bottom, false);
    }
    if (kind & Meter::kKindDisplay) a->SetMusicFont(musicSize);
    a->PopColor();
    const int width = x - start;
    if (out) rec::Put<std::int16_t>(out, 10, std::int16_t(start + width / 2));
    return width;
}

void CStaff::DrawHandle(bool guide, int which) {
    CArtist* a = g_draw.artist;
    if (!a) return;
    if (which == 5) {
        // One handle for each lyric line the document shows.
        const CZelDoc* doc = g_model.currentDoc;
        const int lines = std::clamp(doc ? int(doc->lyricLineCount) : 1, 0, 8);
        for (int i = 0; i < lines; ++i) DrawOneHandle(guide, 5 + i);
        return;
    }
    DrawOneHandle(guide, which);
}

// A handle is an arrow pointing at the staff: a closed outline from its top left through the
// tip at the middle of its right side; the guide rules the placement line across the staff.
void CStaff::DrawOneHandle(bool guide, int which) {
    CArtist* a = g_draw.artist;
    RECT r;
    GetHandleRect(&r, which);
    const int h = (r.right - r.left) / 2, x = r.left, y = r.top;
    const POINT outline[] = {{x, y}, {x + h, y}, {x + 2 * h, y + h}, {x + h, y + 2 * h}, {x, y + 2 * h}, {x, y}};
    for (int i = 0; i + 1 < int(std::size(outline)); ++i)
        a->Line(outline[i].x, outline[i].y, outline[i + 1].x, outline[i + 1].y);
    if (guide) a->ThickLine(GetLeft() + 1, y + h, GetRight() - 1, y + h, 2);
}

void CStaff::DrawEnclosure(CScoreItem& item, const RECT& box, const std::uint8_t* record) const {
    // The item's frame operation raises a thin pen in the record it is given: a copy, so that
    // drawing never changes the item.
    std::uint8_t style[kEnclosureSize];
    std::memcpy(style, record, sizeof style);
    item.DrawFrame(int(box.left), int(box.top), int(box.right), int(box.bottom), style);
}
