// Head spelling, accidentals, shapes and moves to other staves.
#include <algorithm>
#include <cstdlib>

#include "framework/Arith.h"
#include "model/TieType.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/TrkBar.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "notation/NotationGlobals.h"
#include "notation/NoteStandIns.h"
#include "notation/RawNote.h"
#include "platform/Theory.h"

namespace {

// The track bar of the same bar `staffOffset` tracks from the current one (null outside the
// score).
CTrkBar* TrkBarAtOffset(int staffOffset) {
    CTrkBar* here = g_model.currentTrkBar;
    CScore* score = g_model.currentScore;
    if (!here || !score) return nullptr;
    const int t = here->GetTrackIndex() + staffOffset;
    if (t < 0 || t >= score->GetTrackCount()) return nullptr;
    return score->GetTrkBar(t, here->GetBarIndex());
}

// The clef and key in force at the note's column on the staff `staffOffset` from its own;
// false when that track does not exist.
bool ClefKeyAtNote(const CRawNote* note, int staffOffset, int* clef, int* key) {
    CTrkBar* trkBar = TrkBarAtOffset(staffOffset);
    if (!trkBar) return false;
    trkBar->GetClefAndKeyAt(note->PositionField(), clef, key);
    return true;
}

// The column of the last note of the voice before the note (in its own track bar `own`) that has
// a head on which a tie begins, with the bar it stands in; for a note at time 0 of any bar but
// the first, the search runs over the whole previous bar instead. False when there is none.
bool TieStartColumn(CTrkBar* own, const CRawNote* note, CTrkBar** where, int* column) {
    CTrkBar* bar = own;
    int limit = note->PositionField();
    bool strictlyBefore = true;
    if (note->TimeField() == 0 && own->GetBarIndex() > 0) {
        bar = own->Neighbour(-1);
        limit = 1024;
        strictlyBefore = false;
    }
    if (!bar) return false;
    const int voice = note->VoiceField();
    bool found = false;
    CBarItem* item = nullptr;
    while (bar->NextNote(&item, voice)) {
        if (item == note) break;
        const int at = item->PositionField();
        if (strictlyBefore ? at >= limit : at > limit) continue;
        if (!item->IsNoteOrRawNote()) continue;
        const CRawNote* earlier = static_cast<const CRawNote*>(item);
        for (int k = 0; k < earlier->HeadCountField(); ++k) {
            if (earlier->Head(k)->HasTieStart()) {
                *column = at;
                found = true;
                break;
            }
        }
    }
    if (found) *where = bar;
    return found;
}

// The clef and key a head moving to the staff `staffOffset` from its own is written under: those
// at the note's column there, except that a head on which a tie ends, when that staff's clef at
// the note differs from its clef where the tie began, keeps the clef and key of the tie's start
// so both ends are written alike. False when that track does not exist.
bool ClefKeyForMove(const CRawNote* note, const NoteHead* head, int staffOffset, int* clef, int* key) {
    if (!ClefKeyAtNote(note, staffOffset, clef, key)) return false;
    if (!head->HasTieEnd()) return true;
    CTrkBar* own = g_model.currentTrkBar;
    CScore* score = g_model.currentScore;
    CTrkBar* startBar = nullptr;
    int column = 0;
    if (!own || !score || !TieStartColumn(own, note, &startBar, &column)) return true;
    CTrkBar* target = score->GetTrkBar(own->GetTrackIndex() + staffOffset, startBar->GetBarIndex());
    if (!target) return true;
    int startClef = 0, startKey = 0;
    target->GetClefAndKeyAt(column, &startClef, &startKey);
    if (startClef != *clef) {
        *clef = startClef;
        *key = startKey;
    }
    return true;
}

// The accidentals of the bar on the staff `staffOffset` from the current one worked out again;
// the current track bar stays current.
void RecalcAccidentalsAt(int staffOffset) {
    CTrkBar* here = g_model.currentTrkBar;
    CTrkBar* trkBar = TrkBarAtOffset(staffOffset);
    if (!trkBar) return;
    trkBar->RecalcAccidentals();
    here->SetCurrent();
}

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

bool CRawNote::GetClefAndKeyOfHead(int i, int* clef, int* key) const {
    return ClefKeyAtNote(this, Head(i)->CrossStaffOffset(), clef, key);
}

void CRawNote::SetHeadAccidental(int i, int accidental, bool parenthesized) {
    int clef = 0, key = 0;
    if (!GetClefAndKeyOfHead(i, &clef, &key)) return;
    ApplyHeadAccidental(i, accidental, parenthesized, clef, key);
    RecalcAccidentalsAt(Head(i)->CrossStaffOffset());
    if (CTrkBar* trkBar = g_model.currentTrkBar) trkBar->ArrangeNotesFrom(VoiceField(), PositionField());
}

namespace {

// A chromatic step on a tablature staff: while a head is dragged and the note shows fret
// numbers, the pitch moves on its string while the string has a fret for it (the last string
// going down, the first going up, are the boundaries); otherwise the head goes to the next
// string that can play its pitch, keeping the pitch. Always true.
bool StepOnStrings(CRawNote& note, int i, CTrack& track, bool up) {
    NoteHead* h = note.Head(i);
    const int voice = note.VoiceField();
    int lines[8];
    const int strings = track.GetLinePositions(lines);
    const int s = track.GetStringOfPosition(h->Position());
    const bool frets = (note.NoteFlags() & CRawNote::kFretNumbers) != 0;
    const int d = up ? 1 : -1;
    if (g_notation.headDragActive && frets) {
        const int oldPitch = h->Pitch(), oldShape = h->Shape();
        h->SetPitch(oldPitch + d);
        const int code = track.GetNoteHeadForKey(h->Pitch(), voice, s);
        h->SetShape(code);
        if (code != 0) return true;
        if (s == (up ? 0 : strings - 1)) {
            h->SetPitch(oldPitch);
            h->SetShape(oldShape);
            return true;
        }
    }
    const int next = up ? s - 1 : s + 1;
    if (next < 0 || next >= strings || !frets) return true;
    const int open = track.GetOpenStringKey(next);
    if (up ? open > h->Pitch() : h->Pitch() > open + 25) return true;
    note.MoveHead(i, lines[next] - h->Position());
    h = note.Head(i);
    h->SetShape(track.GetNoteHeadForKey(h->Pitch(), voice, next));
    return true;
}

}  // namespace

bool RawNoteBehaviour::StepHeadPitch(CRawNote& note, int i, int clef, int key, bool up, bool chromatic) const {
    NoteHead* h = note.Head(i);
    const int voice = note.VoiceField();
    // The track's playable range less the voice's transposition, and its mapping of positions
    // to keys (the drum map or the strings where the staff has them).
    CTrack* track = g_model.currentTrack;
    int lo = 0, hi = 127;
    if (track) {
        lo = track->GetLowRange() - track->GetVoiceTranspose(voice);
        hi = track->GetHighRange() - track->GetVoiceTranspose(voice);
    }
    const int d = up ? 1 : -1;
    auto map = [&](int position) {
        return track ? track->WrittenToPlayedPitch(position, voice, clef, key) : g_theory.StaffPosToPitch(position, clef, key);
    };

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
    if (track && track->IsPercussionStaff()) {
        // The key moves by a semitone and the drum map places it.
        const int next = h->Pitch() + d;
        if (next < lo || next > hi) return false;
        h->SetPitch(next);
        h->SetPosition(track->PlayedToWrittenPitch(next, voice, clef, key));
        h->SetBits(NoteHead::kAccByte, NoteHead::kAccShown, false);
        return true;
    }
    if (track && track->IsTablatureStaff()) return StepOnStrings(note, i, *track, up);
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
    if (!ClefKeyForMove(this, h, offset, &clef, &key)) return;
    const int position = g_theory.PitchToStaffPos(h->Pitch(), clef, key);
    const int shift = position - h->Position();
    // A tie is judged missing only in the note's own bar of a track.
    if (CTrkBar* bar = g_model.currentTrkBar; bar && h->HasTieStart()) {
        if (CBarItem* found = bar->FindTieFrom(this, i)) {
            found->Invalidate();
            auto* tie = CTieType::Of(found);
            tie->SetStartStaffOffset(offset);
            tie->SetEndStaffOffset(offset);
            tie->SetStartY(position);
            tie->SetEndY(position);
        } else {
            h->SetBits(NoteHead::kLinkByte, NoteHead::kTieStart, false);
        }
    }
    if (i == 0) MoveAttachedToStaff(offset, shift);
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
    if (const CTrack* track = g_model.currentTrack; !track || !track->IsPercussionStaff()) {
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
