// The edits a user makes on a note's heads: the next enharmonic spelling of the selected heads,
// their moves by an interval, by steps of the key or by semitones, the heads written again for
// a key change, and the arrow-key nudges.
#include <cstdint>
#include <cstring>

#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/Preferences.h"
#include "model/TieType.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "notation/Beam.h"
#include "notation/NoteStandIns.h"
#include "notation/RawNote.h"
#include "platform/Theory.h"

namespace {

CRawNote& Note(CScoreItem& item) { return static_cast<CRawNote&>(item); }

// The next spelling of a step class and an accidental: the step moves by `move` and takes the
// accidental; a move of 0 leaves the head as it is. A double accidental goes to the plain
// neighbour, never round the cycle of single accidentals.
struct Respelling {
    std::int8_t move;
    std::int8_t accidental;
};
constexpr Respelling kKept{0, 0};
constexpr int kSharp = CTheory::kSharp, kFlat = CTheory::kFlat, kNone = CTheory::kNone;
// Rows: C and F; D, G and A; E and B. Columns: sharp, flat, none or natural, double sharp,
// double flat.
constexpr Respelling kRespellings[3][5] = {
    {{1, kFlat}, {-1, kNone}, {-1, kSharp}, {1, kNone}, kKept},
    {{1, kFlat}, {-1, kSharp}, kKept, {1, kNone}, {-1, kNone}},
    {{1, kNone}, {-1, kSharp}, {1, kFlat}, kKept, {-1, kNone}},
};

Respelling RespellingOf(int step, int accidental) {
    constexpr int kRowOfStep[7] = {0, 1, 2, 0, 1, 1, 2};
    int column;
    switch (accidental) {
        case CTheory::kSharp: column = 0; break;
        case CTheory::kFlat: column = 1; break;
        case CTheory::kNone:
        case CTheory::kNatural: column = 2; break;
        case CTheory::kDoubleSharp: column = 3; break;
        case CTheory::kDoubleFlat: column = 4; break;
        default: return kKept;
    }
    return kRespellings[kRowOfStep[((step % 7) + 7) % 7]][column];
}

// The head's spelling under the clef and key: its step (C 0 ... B 6) and its accidental, its
// own code or else the key's on that step.
SpelledNote SpellingOf(const NoteHead& head, int clef, int key) {
    SpelledNote s;
    s.step = CTheory::StaffPosToStep(head.Position(), clef);
    s.accidental = head.Accidental() ? head.Accidental() : CTheory::GetStepAccidental(s.step, key);
    return s;
}

bool IsMidiPitch(int pitch) { return pitch >= 0 && pitch <= 127; }

// The next staff position from `position` (down for amount below 1, up otherwise) at which the
// track's drum map has a key; 0 and false when none lies within -127..127.
bool NextDrumPosition(const CTrack& track, int voice, int amount, int* position, int* key) {
    const int d = amount < 1 ? -1 : 1;
    for (int p = *position + d; p >= -127 && p <= 127; p += d) {
        if (const int k = track.GetDrumKeyAtPosition(p, voice)) {
            *position = p;
            *key = k;
            return true;
        }
    }
    return false;
}

// The pitch and staff move of one selected head on a pitched staff; false when it stays.
struct HeadMove {
    int pitch = 0;
    int accidental = 0;
    int delta = 0;
    bool shown = false;
};

bool MoveByInterval(const NoteHead& head, int interval, int clef, int key, HeadMove* out) {
    const SpelledNote from = SpellingOf(head, clef, key);
    int step = from.step, accidental = from.accidental;
    const int change = CTheory::TransposeStep(step, accidental, interval);
    if (change == 0 && step == from.step) return false;
    const int keyAccidental = CTheory::GetStepAccidental(((step % 7) + 7) % 7, key);
    if (accidental != kNone && keyAccidental != kNone) {
        if (accidental == keyAccidental)
            accidental = kNone;
        else if ((accidental == kSharp && keyAccidental == kFlat) || (accidental == kFlat && keyAccidental == kSharp))
            accidental = CTheory::kNatural;
    }
    out->pitch = head.Pitch() + change;
    out->accidental = accidental;
    out->delta = step - from.step;
    out->shown = true;
    return true;
}

bool MoveByKeySteps(const NoteHead& head, int steps, int clef, int key, HeadMove* out) {
    if (steps == 0) return false;
    const SpelledNote from = SpellingOf(head, clef, key);
    int step = from.step, accidental = from.accidental;
    CTheory::ShiftStepInKey(step, accidental, steps, key);
    int change = CTheory::StepToSemitone(step, accidental) - CTheory::StepToSemitone(from.step, from.accidental);
    // The spellings lie in one octave: the move goes the way the steps go, then by whole octaves.
    if (steps > 0 && change < 0) change += 12;
    else if (steps < 0 && change > 0) change -= 12;
    change += 12 * (steps / 7);
    out->pitch = head.Pitch() + change;
    out->accidental = accidental;
    out->delta = steps;
    out->shown = head.IsAccidentalShown();
    return true;
}

bool MoveBySemitones(const NoteHead& head, int semitones, int clef, int key, HeadMove* out) {
    if (semitones == 0 || !IsMidiPitch(head.Pitch() + semitones)) return false;
    std::uint8_t bytes[NoteHead::kSize];
    std::memcpy(bytes, head.Bytes(), sizeof bytes);
    auto* spelled = reinterpret_cast<NoteHead*>(bytes);
    spelled->SetPitch(head.Pitch() + semitones);
    CRawNote::SpellHead(*spelled, clef, key);
    out->pitch = head.Pitch() + semitones;
    out->accidental = spelled->Accidental();
    out->delta = spelled->Position() - head.Position();
    out->shown = out->accidental != kNone;
    return true;
}

}  // namespace

void RawNoteBehaviour::RespellSelected(CBarItem& item) const {
    auto& note = Note(item);
    if (note.HasFretNumbers()) return;
    for (int i = 0; i < note.HeadCountField(); ++i) {
        NoteHead* h = note.Head(i);
        int clef = 0, key = 0;
        if (!h->IsSelected() || !note.GetClefAndKeyOfHead(i, &clef, &key)) continue;
        const SpelledNote from = SpellingOf(*h, clef, key);
        const Respelling to = RespellingOf(from.step, from.accidental);
        if (to.move == 0) continue;
        h->SetAccidental(to.accidental);
        note.MoveHead(i, to.move);
    }
    note.SetFlagsA(std::uint8_t(note.FlagsA() | CBarItem::kRelayoutBit));
}

void RawNoteBehaviour::TransposeSelected(CBarItem& item, int amount, int mode) const {
    auto& note = Note(item);
    if (note.HasFretNumbers()) return;
    CTrkBar* trkBar = g_model.currentTrkBar;
    CTrack* track = g_model.currentTrack;
    const bool percussion = track && track->IsPercussionStaff();
    const int voice = note.VoiceField();
    for (int i = 0; i < note.HeadCountField(); ++i) {
        NoteHead* h = note.Head(i);
        int clef = 0, key = 0;
        if (!h->IsSelected() || !note.GetClefAndKeyOfHead(i, &clef, &key)) continue;
        // The tie from the head goes with it; a tie that is not there any more loses its flag.
        CBarItem* tie = nullptr;
        if (h->HasTieStart()) {
            tie = trkBar ? trkBar->FindTieFrom(&note, i) : nullptr;
            if (!tie) h->SetBits(NoteHead::kLinkByte, NoteHead::kTieStart, false);
        }
        const int oldPitch = h->Pitch();
        if (percussion) {
            int position = h->Position(), drumKey = 0;
            if (!NextDrumPosition(*track, voice, amount, &position, &drumKey)) continue;
            h->SetPitch(drumKey);
            note.SetHeadShape(i, track->GetNoteHeadForKey(drumKey, voice, 0));
            h = note.Head(i);
            h->SetBits(NoteHead::kAccByte, NoteHead::kAccShown, false);
            const int placed = track->PlayedToWrittenPitch(drumKey, voice, clef, key);
            note.MoveHead(i, placed - h->Position(), oldPitch);
        } else {
            HeadMove move;
            bool moved = false;
            if (mode == 0) moved = MoveByInterval(*h, amount, clef, key, &move);
            else if (mode == 1) moved = MoveByKeySteps(*h, amount, clef, key, &move);
            else if (mode == 2) moved = MoveBySemitones(*h, amount, clef, key, &move);
            // A pitch never leaves the MIDI range: such a head stays as it is.
            if (!moved || !IsMidiPitch(move.pitch)) continue;
            h->SetPitch(move.pitch);
            h->SetAccidental(move.accidental);
            h->SetBits(NoteHead::kAccByte, NoteHead::kAccShown, move.shown);
            note.MoveHead(i, move.delta, oldPitch);
        }
        if (tie) CTieType::Of(tie)->SetPitch(note.Head(i)->Pitch());
    }
    if (!note.IsSlash()) note.UpdateStem(3, true);
    if (note.IsBeamed()) {
        CTrkBar* trkBar = g_model.currentTrkBar;
        CBarItem* found = trkBar ? trkBar->FindBeamOfNote(&note) : nullptr;
        if (found && found->IsBeam()) {
            auto* beam = static_cast<CBeam*>(found);
            beam->SetFlagsA(std::uint8_t(beam->FlagsA() | CBarItem::kRelayoutBit));
            beam->SetBeamFlags(std::uint8_t(beam->BeamFlags() | CBeam::kRelayoutStems));
        }
    }
    note.LayoutChord();
    AttachedItemList list;
    note.CollectAttached(trkBar, &list, CRawNote::kAllHeads);
    for (int k = 0; k < list.count; ++k)
        if (list.items[k] && !list.items[k]->IsPedal())
            list.items[k]->SetFlagsA(std::uint8_t(list.items[k]->FlagsA() | CBarItem::kRelayoutBit));
}

void RawNoteBehaviour::TransposeAll(CBarItem& item, int fromKey, int toKey, int clef, int semitones) const {
    auto& note = Note(item);
    const int n = note.HeadCountField();
    const int octaves = semitones / 12;
    const int mode = semitones > 0 ? 1 : semitones < 0 ? -1 : 0;
    // The head farthest in the direction of the move goes first, so no head passes another.
    const bool fromLast = semitones != 0 && (semitones > 0) == note.IsStemUp();
    for (int k = 0; k < n; ++k) {
        const int i = fromLast ? n - 1 - k : k;
        NoteHead* h = note.Head(i);
        int position = h->Position(), accidental = h->Accidental();
        const int shift = CTheory::TransposeNote(position, accidental, clef, fromKey, toKey, mode);
        const int pitch = h->Pitch() + shift + 12 * octaves;
        const int delta = position - h->Position() + 7 * octaves;
        const int target = h->Position() + delta;
        // A head the change would take out of the MIDI range or off the staff positions stays.
        if (!IsMidiPitch(pitch) || target < -128 || target > 127) continue;
        const int oldPitch = h->Pitch();
        h->SetPitch(pitch);
        h->SetAccidental(accidental & 7);
        note.MoveHead(i, delta, oldPitch);
    }
    note.LayoutChord();
}

void RawNoteBehaviour::Nudge(CScoreItem& item, int dx, int dy) const {
    auto& note = Note(item);
    const bool chromatic = g_preferences.Byte(Preferences::kDragChromatic) != 0;
    if (dy != 0) {
        if (note.HasFretNumbers()) {
            int clef = 0, key = 0;
            for (int i = 0; i < note.HeadCountField(); ++i)
                if (note.Head(i)->IsSelected() && note.GetClefAndKeyOfHead(i, &clef, &key))
                    note.StepHeadPitch(i, clef, key, dy > 0, true);
        } else {
            note.TransposeSelected(dy, chromatic ? 2 : 1);
        }
    }
    if (dx == 0) return;
    if (note.IsBeamed()) {
        CTrkBar* trkBar = g_model.currentTrkBar;
        if (CBarItem* beam = trkBar ? trkBar->FindBeamOfNote(&note) : nullptr)
            beam->SetFlagsA(std::uint8_t(beam->FlagsA() | CBarItem::kRelayoutBit));
    }
    CBar* bar = g_model.currentBar;
    if (!bar) return;
    const int position = bar->StepX(note.GetPosition(), dx);
    // The column stays inside its bar.
    if (position < 0 || position > 1024) return;
    note.MoveToPosition(position);
}
