// The drags of a note's stem end (its length, up to 63 half steps more; through the note its
// side) and of a head's accidental (sideways, a fifth of a staff unit step at a time).
#include <algorithm>
#include <cstdlib>

#include "framework/Arith.h"
#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/Note.h"
#include "notation/NoteDrags.h"
#include "notation/NoteMetrics.h"
#include "notation/RawNote.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"

namespace {
// The half steps of a stem that points the default way.
constexpr int kDefaultStemLength = 14;

CRawNote* NoteOf(CScoreItem* item) {
    auto* bi = static_cast<CBarItem*>(item);
    return item && bi->IsNoteOrRawNote() ? static_cast<CRawNote*>(bi) : nullptr;
}

CStaff* HeadStaff(CScore* score, const ScoreLocation& at, const CRawNote& note, int head) {
    if (!score) return nullptr;
    const int track = at.trackIndex + note.Head(head)->CrossStaffOffset();
    CTrkBar* tb = score->GetTrkBar(track, at.barIndex);
    return tb ? tb->GetStaff() : nullptr;
}
}  // namespace

void CDragStem::MoveItemDrag() {
    CRawNote* note = NoteOf(item);
    if (!note || !document || note->HeadCountField() < 1) return;
    const int last = note->HeadCountField() - 1;
    CStaff* staff = HeadStaff(score, document->location, *note, last);
    if (!staff) return;
    const int y = staff->PositionToY(note->Head(last)->Position());
    // Half staff steps: four to a line space.
    int length = MulDiv(y - current.y, 4, staff->Space());
    if (!note->IsStemUp()) length = -length;
    length -= kDefaultStemLength;
    note->Invalidate();
    if (length > 63) length = 63;
    if (length < -kDefaultStemLength) {
        note->SetStemUpBit(!note->IsStemUp());
        note->MoveToPosition(note->PositionField());
    }
    note->SetStemLength(std::max(length, -64));
}

void CDragStem::DrawDragImage() {
    CRawNote* note = NoteOf(item);
    if (!note) return;
    note->VerifyTrack();
    const bool beamed = note->IsBeamed();
    note->SetFlagBit(CRawHead::kBeamedBit, false);
    note->Draw();
    note->SetFlagBit(CRawHead::kBeamedBit, beamed);
}

void CDragAcc::MoveItemDrag() {
    CRawNote* note = NoteOf(item);
    if (!note || !document) return;
    const int head = std::clamp<int>(g_model.hitPart, 0, std::max(0, note->HeadCountField() - 1));
    CStaff* staff = HeadStaff(score, document->location, *note, head);
    const int per100 = staff ? std::max(1, staff->ScaleOffset(100)) : 5;
    // The horizontal move in staff units, its remainder kept for the next move.
    counters[0] += dx * 100;
    const int units = counters[0] / per100;
    const int steps = units / 5;
    counters[0] -= steps * 5 * per100;
    if (steps == 0) return;
    NoteHead* h = note->Head(head);
    note->Invalidate();
    h->SetAccidentalOffset(std::uint8_t(std::clamp(h->AccidentalOffset() - steps, 0, 255)));
}

void CDragAcc::EndItemDrag() {
    CDragTask::EndItemDrag();
    if (!moved || !g_preferences.Byte(Preferences::kSpace) || !score || !document) return;
    if (CBar* bar = score->GetBar(document->location.barIndex)) {
        bar->Respace();
        if (CLine* line = document->location.system) line->Rejustify(true);
    }
}

void CDragAcc::DrawDragImage() {
    CRawNote* note = NoteOf(item);
    if (!note || !document || !score) return;
    const int head = std::clamp<int>(g_model.hitPart, 0, std::max(0, note->HeadCountField() - 1));
    CStaff* staff = HeadStaff(score, document->location, *note, head);
    CBar* bar = score->GetBar(document->location.barIndex);
    if (!staff || !bar) return;
    CStaff* was = g_model.currentStaff;
    g_model.currentStaff = staff;
    const NoteHead& h = *note->Head(head);
    notation::SetNoteMetrics(*note);
    int x = bar->PositionToItemX(note->PositionField(), 0);
    // At the head's x: a head's width further right for a note shifted right; for the longest
    // values left by a quarter of what their head glyph is wider than the standard head.
    if (note->IsShiftedRight()) x += notation::HeadWidth();
    if (note->NoteValue() < 2 && note->TypeCode() == CNote::kType)
        if (CArtist* a = g_draw.artist) {
            int w = a->GlyphWidth(static_cast<CNote*>(note)->GetHeadGlyph(h));
            if (h.HeadScale()) w = MulDiv(w, h.HeadScale(), 100);
            x -= (w - notation::HeadWidth()) / 4;
        }
    note->DrawHeadAccidental(x, staff->PositionToY(h.Position()), h);
    g_model.currentStaff = was;
}
