// Head spelling, accidentals, shapes and moves to other staves.
#include <algorithm>
#include <cstdlib>

#include "framework/Arith.h"
#include "model/ModelGlobals.h"
#include "model/SystemStaff.h"
#include "notation/NotationGlobals.h"
#include "notation/NoteStandIns.h"
#include "notation/RawNote.h"
#include "platform/Theory.h"

namespace {

// Semitones an accidental moves the natural pitch of a position.
int AccidentalShift(int accidental) {
    switch (accidental) {
        case CTheory::kSharp: return 1;
        case CTheory::kFlat: return -1;
        case CTheory::kDoubleSharp: return 2;
        case CTheory::kDoubleFlat: return -2;
        default: return 0;
    }
}

// The pitch of a staff position with an accidental: the key's pitch without one, else the
// natural pitch moved by it, kept to the MIDI range.
int PositionPitch(int position, int accidental, int clef, int key) {
    if (accidental == 0) return g_theory.StaffPosToPitch(position, clef, key);
    return std::clamp(g_theory.StaffPosToPitch(position, clef, 0) + AccidentalShift(accidental), 0, 127);
}

constexpr int kAccidentalColumn = 24;
constexpr int kParenthesesRoom = 12;

}  // namespace

void CRawNote::SpellHead(NoteHead& head, int clef, int key) {
    head.SetAccidental(g_theory.GetPitchAccidental(head.Pitch(), key) & 7);
    head.SetPosition(g_theory.PitchToStaffPos(head.Pitch(), clef, key));
}

void CRawNote::SetHeadFromPosition(NoteHead& head, int accidental, int clef, int key) {
    head.SetAccidental(accidental);
    head.SetPitch(PositionPitch(head.Position(), accidental, clef, key));
    if (accidental == CTheory::kDoubleFlat) head.SetAccidentalOffset(kAccidentalColumn);
}

void CRawNote::ApplyHeadAccidental(int i, int accidental, bool parenthesized, int clef, int key) {
    NoteHead* h = Head(i);
    h->SetAccidentalOffset(0);
    if (accidental < 0) {
        h->SetAccidental(0);
        h->SetBits(NoteHead::kAccByte, NoteHead::kAccForced | NoteHead::kAccParens, false);
        h->SetPitch(g_theory.StaffPosToPitch(h->Position(), clef, key));
        return;
    }
    h->SetPitch(PositionPitch(h->Position(), accidental, clef, key));
    if (accidental == CTheory::kDoubleFlat) h->SetAccidentalOffset(kAccidentalColumn);
    h->SetBits(NoteHead::kAccByte, NoteHead::kAccParens, parenthesized);
    h->SetAccidental(accidental);
    if (parenthesized) h->SetAccidentalOffset(std::uint8_t(h->AccidentalOffset() + kParenthesesRoom));
    h->SetBits(NoteHead::kAccByte, NoteHead::kAccForced, parenthesized || notation::ShowEveryAccidental());
}

void CRawNote::SetHeadAccidental(int i, int accidental, bool parenthesized) {
    int clef = 0, key = 0;
    if (!notation::ClefKeyAt(this, Head(i)->CrossStaffOffset(), &clef, &key)) return;
    ApplyHeadAccidental(i, accidental, parenthesized, clef, key);
    notation::RecalcAccidentals(this, Head(i)->CrossStaffOffset());
    notation::RelayoutVoiceFrom(this);
}

bool RawNoteBehaviour::StepHeadPitch(CRawNote& note, int i, int clef, int key, bool up, bool chromatic) const {
    NoteHead* h = note.Head(i);
    const int voice = note.VoiceField();
    int lo = 0, hi = 127;
    notation::TrackKeyRange(voice, &lo, &hi);
    const int d = up ? 1 : -1;
    auto map = [&](int position) { return notation::PositionToPitch(voice, clef, key, position); };

    auto diatonic = [&]() {
        int pitch = h->Pitch(), pos = h->Position();
        if (!up && pitch < lo - 1) {
            ++pos;
            if (map(pos) < 128) {
                ++pos;
                pitch = map(pos);
            } else {
                pitch = 127;
            }
        } else if (up && pitch > hi + 1) {
            --pos;
            if (map(pos) >= 0) {
                --pos;
                pitch = map(pos);
            } else {
                pitch = 0;
            }
        }
        const int candidate = map(pos + d);
        if ((up && candidate < pitch) || (!up && candidate > pitch) || candidate < lo || candidate > hi) return false;
        h->SetAccidental(0);
        h->SetBits(NoteHead::kAccByte, NoteHead::kAccShown, false);
        h->SetPosition(pos + d);
        h->SetPitch(candidate);
        return true;
    };

    if (!chromatic) return diatonic();
    // The chromatic steps of percussion and tablature staves follow the track's drum map and
    // strings.
    if (notation::IsPercussionStaff() || notation::IsTablatureStaff()) return false;
    const int pitch = h->Pitch();
    const int above = g_theory.StaffPosToPitch(h->Position() + 1, clef, key);
    const int below = g_theory.StaffPosToPitch(h->Position() - 1, clef, key);
    if ((up && pitch >= above) || (!up && pitch <= below)) return diatonic();
    if ((up && pitch >= hi) || (!up && pitch <= lo)) return false;
    h->SetPitch(pitch + d);
    CRawNote::SpellHead(*h, clef, key);
    h->SetBits(NoteHead::kAccByte, NoteHead::kAccShown, h->Accidental() != 0);
    return true;
}

void CRawNote::MoveHeadToStaff(int i, int delta) {
    NoteHead* h = Head(i);
    const int offset = h->CrossStaffOffset() + delta;
    if (offset < -2 || offset > 2) return;
    int clef = 0, key = 0;
    // The target track must exist in the score.
    if (!notation::ClefKeyAt(this, offset, &clef, &key)) return;
    const int position = g_theory.PitchToStaffPos(h->Pitch(), clef, key);
    const int shift = position - h->Position();
    if (h->HasTieStart()) {
        if (CBarItem* tie = notation::FindTieFrom(this, i)) {
            tie->Invalidate();
            notation::SetTieStaff(tie, offset, position);
        } else {
            h->SetBits(NoteHead::kLinkByte, NoteHead::kTieStart, false);
        }
    }
    if (i == 0) notation::MoveAttachedToStaff(this, offset, shift);
    h->SetCrossStaffOffset(offset);
    h->SetPosition(position);
    h->SetAccidental(g_theory.GetPitchAccidental(h->Pitch(), key) & 7);
}

void CRawNote::SetHeadShape(int i, int shape) {
    NoteHead* h = Head(i);
    if (shape == 1) {
        h->SetBits(NoteHead::kShapeByte, NoteHead::kInvisible, true);
        return;
    }
    SetNoteFlags(std::uint8_t(NoteFlags() & ~kFretNumbers));
    SetFlagBit(kSlashBit, false);
    h->SetBits(NoteHead::kShapeByte, NoteHead::kInvisible, false);
    h->SetShape(shape);
    const int first = Head(0)->Shape();
    if (first >= 32 && first <= 57) SetNoteFlags(std::uint8_t(NoteFlags() | kFretNumbers));
    if (!notation::IsPercussionStaff()) {
        const bool slash = first == 2 || first == 5 || first == 6 || first == 7;
        SetFlagBit(kSlashBit, slash);
        if (slash) SetStemUpBit(false);
    }
}

int CRawNote::AccidentalExtentUnits(bool withAccidentals) {
    int extent = 0;
    for (int k = 0; k < HeadCountField(); ++k) {
        const NoteHead* h = Head(k);
        if (withAccidentals && h->Accidental() != 0 && h->IsAccidentalShown()) {
            int v = 120 + 5 * h->AccidentalOffset();
            const int pct = h->HeadScale() ? h->HeadScale() : CBaseItem::Scale();
            if (pct) v = MulDiv(v, pct, 100);
            extent = std::max(extent, v);
        } else if (h->Column() < 0) {
            extent = std::max(extent, -h->Column());
        }
    }
    return extent;
}

int CRawNote::GetAccidentalExtent(bool withAccidentals) {
    const int units = AccidentalExtentUnits(withAccidentals);
    if (units == 0) return 0;
    CScoreItem* staff = g_model.currentStaff;
    return staff ? staff->ScaleToView(units) : units;
}
