// A new note placed from a location: one head at the location's staff position and pitch, its
// shape from the staff (tablature frets, the drum map's heads) or the slash and rhythm requests,
// its value, dots, tuplet ratio and play bytes, and its stem.
#include <algorithm>

#include "model/ModelGlobals.h"
#include "model/ScoreLocation.h"
#include "model/Track.h"
#include "notation/Note.h"

namespace {

constexpr int kOpenStringFret = 32;

}  // namespace

void RawNoteBehaviour::PlaceAt(CBarItem& item, const ScoreLocation& location) const {
    auto& note = static_cast<CRawNote&>(item);
    BarItemBehaviour::PlaceAt(item, location);
    note.SetType(CRawNote::kType);
    note.SetHeadCountField(1);
    NoteHead* head = note.Head(0);
    head->SetPosition(location.staffPosition);
    head->SetPitch(std::clamp<int>(location.pitch, 0, 127));
    head->SetAccidental(location.accidental);
    head->SetAccidentalOffset(0);
    note.SetNoteValue(std::clamp<int>(location.noteValue, 0, 8));
    note.SetFlagBit(CRawHead::kSlashBit, false);

    CTrack* track = location.track ? location.track : g_model.currentTrack;
    const int value = note.NoteValue();
    if (location.slashRequest) {
        note.SetFlagBit(CRawHead::kSlashBit, true);
        note.SetNoteFlags(std::uint8_t(note.NoteFlags() | CRawNote::kStemless));
        note.SetHeadShape(0, value < 3 ? 7 : 6);
    } else if (location.rhythmRequest) {
        note.SetFlagBit(CRawHead::kSlashBit, true);
        note.SetHeadShape(0, value <= 2 ? 5 : 2);
    } else if (track && track->IsTablatureStaff()) {
        note.SetNoteFlags(std::uint8_t(note.NoteFlags() | CRawNote::kStemless));
        const int string = track->GetStringOfPosition(location.staffPosition);
        head->SetPitch(std::clamp(track->GetOpenStringKey(string), 0, 127));
        const int fret = track->GetNoteHeadForKey(head->Pitch(), location.voice, string);
        note.SetHeadShape(0, fret ? fret : kOpenStringFret);
    } else if (track) {
        note.SetHeadShape(0, track->GetNoteHeadForKey(head->Pitch(), location.voice, 0));
    }

    note.SetDotCount(location.dots);
    note.SetFlagBit(CRawHead::kGraceBit, location.smallNote != 0);
    head->SetDotOffset(location.dots && location.staffPosition % 2 == 0 ? 1 : 0);
    note.SetTupletCount(std::uint8_t(location.tupletCount));
    note.SetTupletSpace(std::uint8_t(location.tupletSpace));
    head->SetColumn(0);
    head->SetByte(NoteHead::kVelocity, location.velocity);
    head->SetByte(NoteHead::kRelease, location.release);
    head->SetDuration(location.playDuration);
    note.UpdateStem(location.stemDirection, false);
    note.SetStemLength(0);
}

void NoteBehaviour::PlaceAt(CBarItem& item, const ScoreLocation& location) const {
    RawNoteBehaviour::PlaceAt(item, location);
    item.SetType(CNote::kType);
}
