// The track's conversions between played MIDI keys and written staff positions on standard,
// percussion and tablature staves, the note head a key takes, and the upkeep of the drum map
// against the track's notes.
#include <algorithm>

#include "model/Bar.h"
#include "model/BarSpacing.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "platform/Theory.h"

namespace {

// Fields of notes and performance notes, and of their heads.
enum : int { kNoteFlags = 18, kHeadCount = 23, kHeads = 24, kHeadSize = 16 };
enum : int { kHeadShape = 0, kHeadAccidental = 3, kHeadPosition = 5, kHeadPitch = 7 };
enum : std::uint8_t { kBeamedBit = 0x08 };
// The beam's re-layout bits: byte 8 bit 0 and byte 16 bit 5.
enum : int { kBeamRelayoutByte = 16 };
enum : std::uint8_t { kBeamRelayoutBit = 0x20 };

int HeadCount(const CBarItem* note) {
    const int count = rec::Get<std::uint8_t>(note, kHeadCount);
    const int room = (note->RecordSizeField() - kHeads) / kHeadSize;
    return std::max(0, std::min(count, room));
}
std::uint8_t* Head(CBarItem* note, int i) { return note->Bytes() + kHeads + kHeadSize * i; }

// Calls f(bar, note) for every live note and performance note of the track's bars.
template <typename F>
void ForEachNote(CScore* score, int track, F&& f) {
    if (!score) return;
    for (int b = 0; b < score->GetBarCount(); ++b) {
        CTrkBar* bar = score->GetTrkBar(track, b);
        if (!bar || !bar->GetItems()) continue;
        bool go = true;
        trkbar::ForEachRecord(reinterpret_cast<std::uint8_t*>(bar->GetItems()), bar->GetRunLength(), [&](CBarItem* r) {
            if (!r->IsRemoved() && r->IsNoteOrRawNote()) go = f(bar, r);
            return go;
        });
        if (!go) return;
    }
}

}  // namespace

int CTrack::GetStringOfPosition(int pos) {
    int lines[8];
    const int n = GetLinePositions(lines);
    for (int i = 0; i < n; ++i)
        if (lines[i] == pos) return i;
    return 0;
}

int CTrack::PlayedToWrittenPitch(int key, int voice, int clef, int keySig) {
    if (IsPercussionStaff()) {
        int i = FindDrumByKey(key, voice);
        for (int d = 0; i < 0 && d < kDrums; ++d)
            if (GetDrumKey(d) == key) i = d;
        return i < 0 ? 0 : GetDrumPosition(i);
    }
    if (IsTablatureStaff()) {
        int lines[8];
        const int n = GetLinePositions(lines);
        if (key >= 0 && key < n) return lines[key];
    }
    return CTheory::PitchToStaffPos(key, clef, keySig);
}

int CTrack::WrittenToPlayedPitch(int pos, int voice, int clefOrFret, int keySig) {
    if (IsPercussionStaff()) {
        int i = FindDrumByPosition(pos, voice);
        if (i < 0) i = FindDrumByPosition(pos, 0);
        if (i >= 0) return GetDrumKey(i);
    } else if (IsTablatureStaff()) {
        int lines[8];
        const int n = GetLinePositions(lines);
        for (int i = 0; i < n; ++i)
            if (lines[i] == pos) return GetOpenStringKey(i) + clefOrFret + GetOpenStringOffset();
    }
    return CTheory::StaffPosToPitch(pos, clefOrFret, keySig);
}

int CTrack::GetNoteHeadForKey(int key, int voice, int string) {
    if (IsPercussionStaff()) {
        int i = FindDrumByKey(key, voice);
        if (i < 0) i = FindDrumByKey(key, 0);
        return i < 0 ? 0 : GetDrumHead(i);
    }
    if (IsTablatureStaff()) {
        const int p = key - GetOpenStringKey(string) + 32 - GetOpenStringOffset();
        return p >= 32 && p < 58 ? p : 0;
    }
    return 0;
}

int CTrack::CollectDrumMap(CScore* score) {
    int keys[kDrums];
    int n = 0;
    ForEachNote(score, GetIndex(), [&](CTrkBar*, CBarItem* note) {
        for (int h = 0; h < HeadCount(note) && n < kDrums; ++h) {
            const int key = Head(note, h)[kHeadPitch];
            if (std::find(keys, keys + n, key) == keys + n) keys[n++] = key;
        }
        return n < kDrums;
    });
    if (n == 0) return 0;
    std::sort(keys, keys + n, [](int a, int b) { return a > b; });
    bool taken[kDrums] = {};
    for (int i = 0; i < kDrums; ++i) PutByte(kDrumKeys + i, 0);
    int position[kDrums];
    for (int i = 0; i < n; ++i) {
        const DrumKey* entry = DrumLib().GetDrumEntry(std::int16_t(keys[i]));
        if (entry->name[0] != 0) {
            for (int j = 0; j < kDrums; ++j)
                if (entry->position == 6 - 2 * j) {
                    taken[j] = true;
                    break;
                }
            position[i] = entry->position;
        } else {
            position[i] = -1;
        }
        PutByte(kDrumKeys + i, std::uint8_t(keys[i]));
        PutByte(kDrumHeads + i, entry->noteHead);
        PutByte(kDrumVoices + i, entry->voice);
    }
    // Drums the library does not place go to 16, then to the free places from the top down.
    int placed = 0;
    for (int i = 0; i < n; ++i) {
        if (position[i] != -1) continue;
        position[i] = 16;
        if (std::find(taken, taken + kDrums, false) != taken + kDrums) position[i] = 6 - 2 * placed;
        ++placed;
    }
    for (int i = 0; i < n; ++i) PutByte(kDrumPositions + i, std::uint8_t(std::int8_t(position[i])));
    return n;
}

void CTrack::ApplyDrumMap(CScore* score) {
    if (!score) return;
    for (int b = 0; b < score->GetBarCount(); ++b) {
        CTrkBar* bar = score->GetTrkBar(GetIndex(), b);
        if (!bar || !bar->GetItems()) continue;
        bar->SetCurrent();
        int beams = 0;
        trkbar::ForEachRecord(reinterpret_cast<std::uint8_t*>(bar->GetItems()), bar->GetRunLength(), [&](CBarItem* note) {
            if (note->IsRemoved() || !note->IsNoteOrRawNote()) return true;
            if (rec::Get<std::uint8_t>(note, kNoteFlags) & kBeamedBit) {
                if (CBarItem* beam = bar->FindBeamOfNote(note)) {
                    beam->SetFlagsA(std::uint8_t(beam->FlagsA() | 0x01));
                    rec::Put<std::uint8_t>(beam, kBeamRelayoutByte,
                                           std::uint8_t(rec::Get<std::uint8_t>(beam, kBeamRelayoutByte) | kBeamRelayoutBit));
                    ++beams;
                }
            }
            for (int h = 0; h < HeadCount(note); ++h) {
                std::uint8_t* head = Head(note, h);
                const int i = FindDrumByKey(head[kHeadPitch], note->VoiceField());
                if (i < 0) continue;
                NoteMoveHead(*note, h, GetDrumPosition(i) - std::int8_t(head[kHeadPosition]));
                head = Head(note, h);
                head[kHeadShape] = std::uint8_t((head[kHeadShape] & 0x03) | ((GetDrumHead(i) & 63) << 2));
                head[kHeadAccidental] = std::uint8_t(head[kHeadAccidental] & 0x1F);
            }
            note->LayoutChord();
            return true;
        });
        if (beams > 0) bar->Recalc(2);
    }
}

void CTrack::ApplyDrumVoices(CScore* score) {
    ForEachNote(score, GetIndex(), [&](CTrkBar*, CBarItem* note) {
        if (note->TypeCode() != 112) return true;
        for (int h = 0; h < HeadCount(note); ++h) {
            const int key = Head(note, h)[kHeadPitch];
            for (int i = 0; i < kDrums; ++i) {
                if (GetDrumKey(i) != key) continue;
                note->SetFlagsB(std::uint8_t((note->FlagsB() & 0x1F) | ((GetDrumVoice(i) & 7) << 5)));
                return true;
            }
        }
        return true;
    });
}
