// The clef and key in force at a place of a track's bar, and the accidentals of a bar worked
// out from them: an accidental holds on its staff step for the rest of the bar, across the
// voices and across the heads of neighbouring staves that cross into this one.
#include <array>
#include <vector>

#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/ScoreStructureStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "platform/Theory.h"

namespace {

// The head entries of notes and performance notes, as the model reads them.
enum : int { kHeadCount = 23, kHeads = 24, kHeadSize = 16 };
enum : int { kHeadLinks = 1, kHeadStaff = 2, kHeadAcc = 3, kHeadPosition = 5, kHeadPitch = 7 };
enum : std::uint8_t { kTieEnd = 0x04, kAccShown = 0x04, kAccForced = 0x08 };

int HeadsInRecord(const CBarItem* note) {
    const int count = rec::Get<std::uint8_t>(note, kHeadCount);
    const int room = (note->RecordSizeField() - kHeads) / kHeadSize;
    return room < 0 ? 0 : (count < room ? count : room);
}

std::uint8_t* HeadAt(CBarItem* note, int i) { return note->Bytes() + kHeads + kHeadSize * i; }

bool IsAnyNote(const CBarItem* item) { return item->IsNote() || item->IsRawNote(); }

// A key signature whose flag byte marks it as shown only at its bar's end does not change the key.
bool CountsAsKey(CBarItem* item) { return item->IsKeySig() && !static_cast<CKeySig*>(item)->IsKeyFlagged(); }

int ClefOf(CBarItem* item) { return static_cast<CClef*>(item)->GetCode(); }
int KeyOf(CBarItem* item) { return static_cast<CKeySig*>(item)->GetKey(); }

template <typename Fn>
void ForEachLive(CTrkBar* trkBar, Fn&& fn) {
    CBarItem* item = nullptr;
    while (trkBar->NextItem(&item, -1))
        if (!fn(item)) return;
}

// The accidental a head shows, from its distance in semitones to its step's pitch under the
// key (d, -3..3), the key's accidental on the step and the head's own code.
int AccidentalFor(int d, int keyAcc, int own) {
    const int column = keyAcc == CTheory::kSharp ? 0 : keyAcc == CTheory::kFlat ? 1 : 2;
    const int ownOrNatural = own ? own : CTheory::kNatural;
    switch (d) {
    case 0: return keyAcc;
    case 1: return column == 0 ? 4 : column == 1 ? ownOrNatural : 1;
    case -1: return column == 0 ? ownOrNatural : column == 1 ? 5 : 2;
    case 2: return column == 1 ? 1 : 4;
    case -2: return column == 0 ? 2 : 5;
    case 3: return 4;
    default: return 5;
    }
}

}  // namespace

void CTrkBar::GetClefAndKeyAt(int position, int* clef, int* key) {
    CScore* score = g_model.currentScore;
    const int track = GetTrackIndex();
    const int barIndex = GetBarIndex();
    int c = 0, k = 0;
    if (CTrack* t = GetTrack()) {
        c = t->GetShownClef();
        k = t->GetKey();
    }
    int first = barIndex;
    if (CLine* line = GetLine()) {
        first = line->GetFirstBarIndex();
        if (CStaff* staff = line->GetStaff(track)) {
            c = staff->GetClef();
            k = staff->GetKey();
        }
    }
    if (first < 0 || first > barIndex) first = barIndex;
    for (int b = first; b <= barIndex; ++b) {
        CTrkBar* trkBar = b == barIndex ? this : (score ? score->GetTrkBar(track, b) : nullptr);
        if (!trkBar) continue;
        bool past = false;
        ForEachLive(trkBar, [&](CBarItem* item) {
            const bool isClef = item->IsClef(), isKey = CountsAsKey(item);
            if (!isClef && !isKey) return true;
            if (b == barIndex && item->PositionField() > position) {
                past = true;
                return false;
            }
            if (isClef) c = ClefOf(item);
            else k = KeyOf(item);
            return true;
        });
        if (past) break;
    }
    *clef = c;
    *key = k;
}

void CTrkBar::RecalcAccidentals() {
    CScore* score = g_model.currentScore;
    if (!score) return;
    const int own = GetTrackIndex();
    const int barIndex = GetBarIndex();
    constexpr int kStaves = 5;
    struct Entry {
        int staff;  // 0-4: the track own - 2 + staff
        CBarItem* item;
    };
    int clefs[kStaves] = {}, keys[kStaves] = {};
    bool exists[kStaves] = {};
    // The merged list grows as it needs: a clef or key signature goes in front of the first
    // entry at its time or later, a note in front of the first one later than it.
    std::vector<Entry> list;
    for (int s = 0; s < kStaves; ++s) {
        const int t = own - 2 + s;
        if (t < 0 || t >= score->GetTrackCount()) continue;
        CTrkBar* trkBar = score->GetTrkBar(t, barIndex);
        if (!trkBar) continue;
        exists[s] = true;
        trkBar->GetClefAndKeyAt(0, &clefs[s], &keys[s]);
        ForEachLive(trkBar, [&](CBarItem* item) {
            const bool marker = item->IsClef() || item->IsKeySig();
            if (!marker && !IsAnyNote(item)) return true;
            const int time = item->TimeField();
            auto at = list.begin();
            while (at != list.end() && (marker ? at->item->TimeField() < time : at->item->TimeField() <= time)) ++at;
            list.insert(at, Entry{s, item});
            return true;
        });
    }

    struct StepState {
        bool seen = false;
        int accidental = 0;
    };
    std::vector<std::array<StepState, 256>> state(kStaves);
    SetCurrent();
    CTrack* ownTrack = GetTrack();
    const bool standard = !ownTrack || ownTrack->IsStandardStaff();

    for (const Entry& e : list) {
        CBarItem* item = e.item;
        if (item->IsClef()) {
            clefs[e.staff] = ClefOf(item);
            continue;
        }
        if (item->IsKeySig()) {
            if (CountsAsKey(item)) keys[e.staff] = KeyOf(item);
            continue;
        }
        bool relayout = false;
        const int heads = HeadsInRecord(item);
        for (int h = 0; h < heads; ++h) {
            std::uint8_t* head = HeadAt(item, h);
            const int offset = std::int8_t(head[kHeadStaff]) >> 5;
            const int s = e.staff + offset;
            if (s < 0 || s >= kStaves || !exists[s]) continue;
            const int clef = clefs[s], key = keys[s];
            int position = std::int8_t(head[kHeadPosition]);
            const int step = position - CTheory::ClefShift(clef, 0) + 128;
            // A staff position from a file may lie outside the state: such a head is passed over.
            if (step < 0 || step >= 256) continue;
            const int code = head[kHeadAcc] >> 5;
            if (s != 2) {
                state[s][step].accidental = code;
                continue;
            }
            int pitch = 0, keyAcc = 0;
            g_theory.StaffPosToPitchAcc(position, clef, key, pitch, keyAcc);
            int d = head[kHeadPitch] - pitch;
            int at = step;
            if (d > 3 || d < -3) {
                // No accidental reaches this pitch from the written step: the head is written
                // again from its pitch, so what shows is what sounds.
                const int respelled = g_theory.PitchToStaffPos(head[kHeadPitch], clef, key);
                const int newStep = respelled - CTheory::ClefShift(clef, 0) + 128;
                if (respelled < -128 || respelled > 127 || newStep < 0 || newStep >= 256) continue;
                position = respelled;
                head[kHeadPosition] = std::uint8_t(std::int8_t(position));
                g_theory.StaffPosToPitchAcc(position, clef, key, pitch, keyAcc);
                d = head[kHeadPitch] - pitch;
                at = newStep;
                relayout = true;
            }
            StepState& st = state[s][at];
            if (!st.seen) st.accidental = keyAcc;
            int a = AccidentalFor(d, keyAcc, code);
            const bool tieEnd = (head[kHeadLinks] & kTieEnd) != 0;
            bool shown;
            if (head[kHeadAcc] & kAccForced) {
                shown = standard;
                if (a == 0) a = CTheory::kNatural;
            } else {
                shown = false;
                if (a != st.accidental) {
                    shown = standard && !tieEnd;
                    if (a == 0 && st.accidental != CTheory::kNatural) a = CTheory::kNatural;
                }
            }
            const bool wasShown = (head[kHeadAcc] & kAccShown) != 0;
            if (a != code || shown != wasShown) relayout = true;
            head[kHeadAcc] = std::uint8_t((head[kHeadAcc] & 0x1B) | (a << 5) | (shown ? kAccShown : 0));
            if (!(tieEnd && item->TimeField() == 0)) st.seen = true;
            st.accidental = a;
        }
        if (relayout) {
            item->SetFlagsA(std::uint8_t(item->FlagsA() | CBarItem::kRelayoutBit));
            item->LayoutChord();
        }
    }
}
