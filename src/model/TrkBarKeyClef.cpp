// The clef and key in force at a place of a track's bar, and the accidentals of a bar worked
// out from them: an accidental holds on its staff step for the rest of the bar, across the
// voices and across the heads of neighbouring staves that cross into this one.
#include <array>
#include <vector>

#include "model/Bar.h"
#include "model/BarSpacing.h"
#include "model/Clef.h"
#include "model/KeySig.h"
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
// Takes a replaced key out of the run: only the removed bit (the key's own removal would also
// remove its neighbours and recalculate the bars this pass is working through).
void SetRemovedBit(CBarItem* item) { item->SetFlagsB(std::uint8_t(item->FlagsB() | CBarItem::kRemovedBit)); }

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
            if ((d > 3 || d < -3) && !standard) {
                // Percussion and tablature heads stand where the track's map puts them.
                continue;
            }
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

namespace {

enum : int { kBarCodeByte = 13 };

}  // namespace

bool CTrkBar::InsertKeySig(int position, int lastBar, int key, int respellMode, bool flag2, int flags34, bool flag1,
                           int keep, int option) {
    CTrack* track = GetTrack();
    if (track && !track->IsStandardStaff()) return true;
    SetCurrent();
    int clef = 0, oldKey = 0;
    GetClefAndKeyAt(position, &clef, &oldKey);
    CBar* bar = GetBar();
    const int time = bar ? bar->FractionToTick(position) : 0;
    ForEachLive(this, [&](CBarItem* item) {
        if (item->IsKeySig() && item->TimeField() == time) {
            SetRemovedBit(item);
            if (!keep) oldKey = KeyOf(item);
        }
        return true;
    });
    CBarItem* made = NewItem(CKeySig::kTypeCode, time);
    if (!made) return false;
    made->InitNew(0, time, position);
    auto* sig = static_cast<CKeySig*>(made);
    rec::Put<std::uint8_t>(sig, 18, std::uint8_t(key));
    std::uint8_t flags = 0;
    if (flag1) flags |= 0x02;
    if (flag2) flags |= 0x04;
    flags |= std::uint8_t((flags34 & 3) << 3);
    flags |= std::uint8_t((keep & 3) << 6);
    rec::Put<std::uint8_t>(sig, CKeySig::kFlags, flags);
    sig->SetColorIndex(option);
    int shown = key;
    if (track && track->IsTransposedDisplay()) shown = CTheory::GetKeyDegreeStep(key, track->GetTransposition());
    rec::Put<std::uint8_t>(sig, CKeySig::kKey, std::uint8_t(shown));
    sig->SetClef(clef);
    if (!keep) {
        RespellForKey(position, lastBar, key, oldKey, respellMode);
        if (GetBarIndex() == 0 && time == 0 && track) track->SetKey(key);
    }
    return true;
}

void CTrkBar::RespellForKey(int position, int lastBar, int key, int oldKey, int respellMode) {
    CScore* score = g_model.currentScore;
    CTrack* track = GetTrack();
    if (!score || (track && track->IsPercussionStaff())) return;
    int clef = 0, inForce = 0;
    GetClefAndKeyAt(position, &clef, &inForce);
    const int last = lastBar < 0 || lastBar >= score->GetBarCount() ? score->GetBarCount() - 1 : lastBar;
    int from = position;
    for (int b = GetBarIndex(); b <= last; ++b) {
        CTrkBar* trkBar = b == GetBarIndex() ? this : score->GetTrkBar(GetTrackIndex(), b);
        if (!trkBar) break;
        CBar* bar = score->GetBar(b);
        CLine* line = bar ? bar->GetLine() : nullptr;
        if (line && line->GetFirstBarIndex() == b)
            if (CStaff* staff = line->GetStaff(GetTrackIndex())) staff->SetKey(std::uint8_t(inForce));
        trkBar->SetCurrent();
        VoiceStats stats;
        const bool singleVoice = trkBar->GetVoiceStats(&stats, false) <= 1;
        ForEachLive(trkBar, [&](CBarItem* item) {
            if (item->IsData()) return true;
            if (CountsAsKey(item) && from == -32767) {
                if (bar && ((rec::Get<std::uint8_t>(bar, kBarCodeByte) >> 4) == 1))
                    rec::Put<std::uint8_t>(bar, kBarCodeByte, std::uint8_t(rec::Get<std::uint8_t>(bar, kBarCodeByte) & 0x0F));
                SetRemovedBit(item);
                oldKey = KeyOf(item);
            } else if (item->IsClef()) {
                clef = ClefOf(item);
            } else if (item->PositionField() >= from) {
                if (item->TypeCode() == 16) item->SetFlagsA(std::uint8_t(item->FlagsA() | CBarItem::kRelayoutBit));
                else item->TransposeAll(oldKey, key, clef, respellMode);
            }
            return true;
        });
        ForEachLive(trkBar, [&](CBarItem* item) {
            if (!IsAnyNote(item)) return true;
            if (singleVoice) NoteUpdateStem(*item, 3);
            const int heads = HeadsInRecord(item);
            for (int h = 0; h < heads; ++h) HeadAt(item, h)[kHeadAcc] &= std::uint8_t(~kAccForced);
            return true;
        });
        trkBar->RecalcAccidentals();
        trkBar->Recalc(3);
        from = -32767;
    }
    SetCurrent();
}

void CTrkBar::RepositionForClef(int position, int clef) {
    CScore* score = g_model.currentScore;
    CTrack* ownTrack = GetTrack();
    if (!score || (ownTrack && ownTrack->IsPercussionStaff())) return;
    // The clef in force just before the column: the new clef may already stand at it.
    int oldClef = 0, key = 0;
    GetClefAndKeyAt(position - 1, &oldClef, &key);
    const int shift = CTheory::ClefShift(clef, oldClef);
    const int own = GetTrackIndex();
    // Where this staff's next clef takes over: its bar and column (none: after the last bar).
    int endBar = score->GetBarCount(), endColumn = 0;
    std::vector<CTrkBar*> walked;
    const auto walk = [&](int t) {
        int from = position;
        bool handled[256] = {};
        for (int b = GetBarIndex(); b < score->GetBarCount() && b <= endBar; ++b) {
            CTrkBar* trkBar = score->GetTrkBar(t, b);
            if (!trkBar) break;
            trkBar->SetCurrent();
            walked.push_back(trkBar);
            bool ended = false;
            bool first = true;
            ForEachLive(trkBar, [&](CBarItem* item) {
                if (t == own && item->IsClef()) {
                    if (item->PositionField() > from) {
                        ended = true;
                        endBar = b;
                        endColumn = item->PositionField();
                        return false;
                    }
                    return true;
                }
                if (t == own && item->IsKeySig()) {
                    static_cast<CKeySig*>(item)->SetClef(clef);
                    return true;
                }
                // Heads another staff draws here from the next clef's column on are that clef's.
                if (t != own && b == endBar && item->PositionField() >= endColumn) return false;
                const bool isFirst = first;
                first = false;
                if (!IsAnyNote(item) || item->PositionField() < from) return true;
                const int heads = HeadsInRecord(item);
                bool move = true, any = false;
                for (int h = 0; h < heads; ++h) {
                    std::uint8_t* head = HeadAt(item, h);
                    if (t + (std::int8_t(head[kHeadStaff]) >> 5) != own) continue;
                    any = true;
                    const int slot = std::uint8_t(head[kHeadPosition]);
                    if (handled[slot]) continue;
                    if (head[kHeadLinks] & kTieEnd) move = false;
                    else handled[slot] = true;
                }
                if (!any || !move || shift == 0) return true;
                for (int h = 0; h < heads; ++h) {
                    std::uint8_t* head = HeadAt(item, h);
                    if (t + (std::int8_t(head[kHeadStaff]) >> 5) == own) NoteMoveHead(*item, h, shift);
                }
                if (isFirst) NoteUpdateStem(*item, 3);
                return true;
            });
            if (ended) break;
            from = -32767;
            CBar* next = score->GetBar(b + 1);
            CLine* line = next ? next->GetLine() : nullptr;
            if (t == own && line && line->GetFirstBarIndex() == b + 1)
                if (CStaff* staff = line->GetStaff(own)) staff->SetClef(std::uint8_t(clef));
        }
    };
    // This staff first, which finds the next clef; then the tracks two before to two after, whose
    // heads crossing into this staff move too (those of the track two below as well).
    walk(own);
    for (int t = own - 2; t <= own + 2; ++t)
        if (t != own && t >= 0 && t < score->GetTrackCount()) walk(t);
    // Only once every head drawn on this staff stands where the new clef puts it are the bars
    // worked out again: a staff's accidentals take in the heads that cross into it, and would
    // otherwise write a head again that its own track's walk then moves a second time.
    for (CTrkBar* trkBar : walked) {
        trkBar->SetCurrent();
        trkBar->Recalc(0);
        trkBar->RecalcAccidentals();
    }
    SetCurrent();
}

void CTrkBar::RecalcAfterKeyChange() {
    if (CScore* score = g_model.currentScore) score->RecalcBars(false);
    RecalcTimes(nullptr, nullptr);
    RecalcAccidentals();
}
