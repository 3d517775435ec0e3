// The performance note on its staff: every head a bar from its play start to its play end,
// placed by the bar's spacing (display 0) or on a linear time axis (1 and up); its rectangles,
// its hit test and the accidental drawn beside a head (which the notated note shares).
#include <algorithm>

#include "framework/Arith.h"
#include "model/Bar.h"
#include "model/EngraverSettings.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "notation/NotationGlobals.h"
#include "notation/NoteMetrics.h"
#include "notation/RawNote.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"

namespace {

constexpr int kAccidentalGlyphs[10] = {0, 33, 34, 35, 36, 37, 0, 38, 39, 40};
constexpr int kLedgerBit = 0x10;
constexpr int kNudgeBit = 0x01;
constexpr int kNoteTool = 903, kAccidentalTool = 921;

int AccidentalGlyph(const NoteHead& head) {
    const int code = head.Accidental();
    if (code < 1 || code > 5) return 0;
    return (head.Byte(NoteHead::kAccByte) & NoteHead::kAccParens) ? 37 + code : 32 + code;
}

// Head scale, else the item's, applied to v.
int HeadScaled(const CRawNote& note, const NoteHead& head, int v) {
    if (head.HeadScale()) return MulDiv(v, head.HeadScale(), 100);
    return notation::ScaledBy(note, v);
}

// The horizontal extent of a performance head: x1 where it starts, x2 where it ends; the end
// runs on through the following bars (and systems) it reaches. wrapOnce: only one bar
// boundary is crossed (the rectangles).
void HeadSpan(CRawNote& note, const NoteHead& head, bool wrapOnce, int* x1, int* x2) {
    CBar* bar = g_model.currentBar;
    const int start = note.TimeField() + head.StartOffset();
    int end = std::min(start + int(head.Duration()), 32767);
    if (!bar) {
        *x1 = start;
        *x2 = end;
        return;
    }
    CScore* score = g_model.currentScore;
    const int barCount = score ? score->GetBarCount() : bar->GetIndex() + 1;
    CBar* reached = bar;
    int correction = 0;
    for (int guard = 0; guard < 4096; ++guard) {
        const int length = reached->GetLength();
        if (length <= 0 || end < length || reached->GetIndex() + 1 >= barCount || !score) break;
        CBar* next = score->GetBar(reached->GetIndex() + 1);
        if (!next) break;
        end -= length;
        // Past a system's end the head runs on beyond that system's right edge.
        if (reached->IsLastInLine()) {
            if (CLine* line = reached->GetLine()) correction += line->GetRight() - next->GetLeft();
        }
        reached = next;
        if (wrapOnce) break;
    }
    if (g_notation.performanceDisplay == 0) {
        *x1 = bar->FractionToX(bar->TickToFraction(start, false));
        int x = reached->FractionToX(reached->TickToFraction(end, false)) + correction;
        if (reached != bar) x -= reached->GetLeadingWidth();
        *x2 = x;
    } else {
        *x1 = bar->TickToLinearX(start);
        *x2 = reached->TickToLinearX(end) + correction;
    }
}

CStaff* HeadStaffOf(const NoteHead& head) { return notation::StaffOrCurrent(head.CrossStaffOffset()); }

int HeadYOn(const CStaff* staff, const NoteHead& head) {
    if (!staff) return -head.Position() * 3;
    int y = staff->PositionToY(head.Position());
    if ((staff->GetDisplay() & kNudgeBit) && !g_draw.feedbackDrawing) y -= 1;
    return y;
}

}  // namespace

void CRawNote::DrawHeadAccidental(int x, int y, const NoteHead& head) {
    CArtist* a = g_draw.artist;
    const CStaff* staff = g_model.currentStaff;
    const int glyph = AccidentalGlyph(head);
    if (!a || glyph == 0) return;
    if (head.AccidentalOffset() != 0) {
        int units = 5 * head.AccidentalOffset();
        if (NoteValue() <= 1 && !IsStemUp()) units += 5 * 12;
        const int px = staff ? staff->ScaleOffset(units) : units / 20;
        x -= HeadScaled(*this, head, px);
    }
    const int gapUnits = CurrentEngraverSettings().GetWord(32);
    const int gap = staff ? staff->ScaleOffset(gapUnits) : 0;
    const int w = a->GlyphWidth(glyph) + std::max(a->GetPenWidth(), 1);
    a->DrawGlyph(x - gap - w, y, glyph);
}

void RawNoteBehaviour::Draw(CScoreItem& item) const {
    CArtist* a = g_draw.artist;
    if (!a) return;
    auto& note = static_cast<CRawNote&>(item);
    notation::SetNoteMetrics(note);
    const int mode = g_notation.performanceDisplay;
    const int n = note.HeadCountField();
    CScore* score = g_model.currentScore;
    for (int k = 0; k < n; ++k) {
        const NoteHead& head = *note.Head(k);
        int x1, x2;
        HeadSpan(note, head, false, &x1, &x2);
        g_notation.lastHeadX = x1;
        CStaff* staff = HeadStaffOf(head);
        const int y = HeadYOn(staff, head);
        const int h = std::max((staff ? staff->ScaleLength(3) : 3) / 2, 1);
        CStaff* saved = g_model.currentStaff;
        g_model.currentStaff = staff;
        if (head.Accidental() != 0 && head.IsAccidentalShown()) {
            if (mode >= 1) {
                a->PushColor();
                a->SetRoleColor(8);
            }
            note.DrawHeadAccidental(x1, y, head);
            if (mode >= 1) a->PopColor();
        }
        if (staff && (staff->GetDisplay() & kLedgerBit))
            a->DrawLedgerLines(x1, staff->PositionToY(0), head.Position(), staff->GetLineSpacing(), std::max(x2 - x1, 1));
        const bool selected = head.IsSelected() && !g_draw.feedbackDrawing && !g_draw.printingDC;
        const RECT bar{x1, y - h, std::max(x2, x1 + 2), y + h};
        const int playVoice = head.Byte(NoteHead::kPlayVoice) & 0x0F;
        const int voice = playVoice ? playVoice - 1 : note.VoiceField();
        if ((score && !score->IsVoiceShown(voice)) || mode > 2) {
            a->FillRectBackground(bar);
        } else {
            a->PushColor();
            if (selected) {
                a->SetRoleColor(9);
            } else {
                const int color = note.ColorField();
                a->SetPaletteColor(color ? color - 1 : g_model.voiceColors[voice & 7]);
            }
            if (mode == 2) {
                // The velocity in a small interface face above the bar's start.
                a->PushFont();
                a->SetFont(g_draw.standardFontRefs[0].face, std::max(staff ? int(staff->GetLineSpacing()) : 6, 6), 0);
                a->DrawNumber(x1, y - h - 1, head.Byte(NoteHead::kVelocity));
                a->PopFont();
            }
            if (mode == 0 && g_notation.performanceGlyph)
                a->DrawGlyph(x1, y, 116);
            else
                a->FillRectColor(bar, a->colorIndex);
            a->PopColor();
        }
        g_model.currentStaff = saved;
    }
}

RECT* RawNoteBehaviour::GetPartBounds(CScoreItem& item, RECT* rect, int part) const {
    if (!rect) return rect;
    auto& note = static_cast<CRawNote&>(item);
    const int n = note.HeadCountField();
    *rect = RECT{0, 0, 0, 0};
    bool any = false;
    const int from = part == CRawNote::kAllHeads ? 0 : part;
    const int to = part == CRawNote::kAllHeads ? n : part + 1;
    for (int k = std::max(from, 0); k < std::min(to, n); ++k) {
        const NoteHead& head = *note.Head(k);
        int x1, x2;
        HeadSpan(note, head, true, &x1, &x2);
        const CStaff* staff = HeadStaffOf(head);
        const int y = HeadYOn(staff, head);
        const int spacing = staff ? staff->GetLineSpacing() : 6;
        if (g_notation.performanceDisplay == 0 && g_notation.performanceGlyph) x2 = x1 + spacing;
        RECT r{x1, y - spacing / 2, x2, y + spacing / 2};
        if (r.right == r.left) r.right = r.left + 2;
        if (!any) {
            *rect = r;
            any = true;
        } else {
            rect->left = std::min(rect->left, r.left);
            rect->top = std::min(rect->top, r.top);
            rect->right = std::max(rect->right, r.right);
            rect->bottom = std::max(rect->bottom, r.bottom);
        }
    }
    return rect;
}

bool RawNoteBehaviour::HitTest(CScoreItem& item, int x, int y) const {
    auto& note = static_cast<CRawNote&>(item);
    return note.HitTestHeads(x, y);
}

bool CRawNote::HitTestHeads(int x, int y) {
    g_model.hitTool = kNoteTool;
    const int n = HeadCountField();
    CArtist* a = g_draw.artist;
    for (int k = 0; k < n; ++k) {
        const NoteHead& head = *Head(k);
        RECT r;
        GetPartBounds(&r, k);
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) {
            g_model.hitPart = std::int16_t(k);
            return true;
        }
        if (head.Accidental() == 0 || !head.IsAccidentalShown()) continue;
        const CStaff* staff = HeadStaffOf(head);
        int units = 5 * head.AccidentalOffset();
        if (NoteValue() <= 1) units += 30;
        const int width = HeadScaled(*this, head, staff ? staff->ScaleOffset(units) : units / 20);
        const int glyph = a ? a->GlyphWidth(33) : 6;
        const int right = r.left - width;
        if (x >= right - glyph && x < right && y >= r.top && y < r.bottom) {
            g_model.hitPart = std::int16_t(k);
            g_model.hitTool = kAccidentalTool;
            return true;
        }
    }
    return false;
}
