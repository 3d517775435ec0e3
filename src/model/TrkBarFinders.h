// What the finders of a bar of a track share: walks over the live records of a run, and the
// fields of notes, rests and heads they read.
#pragma once
#include <cstdint>

#include "model/BarItem.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"

namespace finders {

// Fields of notes and rests.
enum : int { kNoteFlags = 18, kHeadCount = 23, kHeads = 24, kHeadSize = 16 };
// Byte 18: bit 1 grace, bit 2 the note's beam began in an earlier bar, bit 3 beamed, bit 4 in a tuplet.
enum : std::uint8_t { kGraceBit = 0x02, kContinuesBeamBit = 0x04, kBeamedBit = 0x08, kTupletBit = 0x10 };
// Fields of a head: byte 1 bit 2 a tie ends at it, bit 3 one starts; byte 2 bits 5-7 the signed
// cross-staff offset; the signed staff position; the MIDI pitch; the play duration.
enum : int { kHeadLinks = 1, kHeadCross = 2, kHeadStaffPos = 5, kHeadPitch = 7, kHeadDuration = 12 };
enum : std::uint8_t { kTieEndBit = 0x04, kTieStartBit = 0x08 };

// Calls f(record) for every live record of the bar's run that `skip` does not name, in run
// order, until f returns false. f must not change the run's length.
template <typename F>
void ForEachLive(CTrkBar* bar, F&& f, const FinderSkip* skip = nullptr) {
    if (!bar || !bar->GetItems()) return;
    trkbar::ForEachRecord(reinterpret_cast<std::uint8_t*>(bar->GetItems()), bar->GetRunLength(), [&](CBarItem* r) {
        return r->IsRemoved() || (skip && skip->Has(r)) ? true : f(r);
    });
}

inline bool OfVoice(const CBarItem* r, int voice) { return voice < 0 || r->VoiceField() == voice; }

inline std::uint8_t NoteFlags(const CBarItem* r) {
    return r->RecordSizeField() > kNoteFlags ? rec::Get<std::uint8_t>(r, kNoteFlags) : std::uint8_t(0);
}

// The heads of a note that lie whole inside its record.
int HeadCount(const CBarItem* note);
// Byte `field` of head i (0 when the note has no such head).
std::uint8_t HeadByte(const CBarItem* note, int head, int field);
int HeadCross(const CBarItem* note, int head);
int HeadStaffPos(const CBarItem* note, int head);
int HeadPlayDuration(const CBarItem* note, int head);
bool HasTieEnd(const CBarItem* note, int head);
bool HasTieStart(const CBarItem* note, int head);
// True when a tie ends at any head of the note.
bool IsTiedInto(const CBarItem* note);
// The staff offset a note (its first head's) or rest stands on.
int StaffOffsetOf(CBarItem* r);
// The written duration of a note or rest in whole ticks.
int Duration(const CBarItem* r);

}  // namespace finders
