// Re-timing a bar of a track: every item's time derived again from the durations of the notes
// and rests of its voice (tuplets by their ratio, grace notes taking no time), the run sorted,
// the bar's content length renewed, and the voice that overflows or falls short reported.
#include <algorithm>
#include <vector>

#include "model/Bar.h"
#include "model/ChordRecords.h"
#include "model/ModelGlobals.h"
#include "model/PlaybackMarks.h"
#include "model/Score.h"
#include "model/TieType.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "platform/Handles.h"

namespace {

// Fields of notes and rests, and of their 16-byte heads.
enum : int { kTupletCount = 16, kNoteFlags = 18, kHeadCount = 23, kHeads = 24, kHeadSize = 16 };
enum : int { kHeadDuration = 12, kHeadPlayOffset = 14 };
enum : std::uint8_t { kGraceBit = 0x02 };
constexpr int kChordType = CChord::kType;
constexpr int kGuitarFrameType = CGuitarFrame::kType;
constexpr int kRawNoteType = 112;
// A tempo mark that keeps its own time carries this bit in its second flag byte.
constexpr std::uint8_t kOwnTimeBit = 0x10;
constexpr int kMaxOpenTuplets = 4;

bool IsGrace(const CBarItem* r) { return r->RecordSizeField() > kNoteFlags && (rec::Get<std::uint8_t>(r, kNoteFlags) & kGraceBit); }

int HeadCount(const CBarItem* note) {
    if (note->RecordSizeField() <= kHeadCount) return 0;
    const int count = rec::Get<std::uint8_t>(note, kHeadCount);
    return std::max(0, std::min(count, (note->RecordSizeField() - kHeads) / kHeadSize));
}
std::uint8_t* HeadAt(CBarItem* note, int i) { return note->Bytes() + kHeads + kHeadSize * i; }
int PlayOffset(CBarItem* note, int i) { return rec::Get<std::int16_t>(HeadAt(note, i), kHeadPlayOffset); }
int PlayDuration(CBarItem* note, int i) { return rec::Get<std::uint16_t>(HeadAt(note, i), kHeadDuration); }
void SetPlayOffsets(CBarItem* note, int offset) {
    for (int i = 0; i < HeadCount(note); ++i) rec::Put<std::int16_t>(HeadAt(note, i), kHeadPlayOffset, std::int16_t(offset));
}

struct VoiceState {
    int notes = 0;
    int rests = 0;
    int graceRun = 0;
    int graceStart = 0;
    double time = 0;
    CBarItem* open[kMaxOpenTuplets] = {};
    int depth = 0;
};

// Closes the open tuplets that end at or before a position.
void CloseEnded(VoiceState& s, int position) {
    int kept = 0;
    for (int k = 0; k < s.depth; ++k)
        if (s.open[k]->GetEndPosition() > position) s.open[kept++] = s.open[k];
    s.depth = kept;
}

}  // namespace

void CTrkBar::SpreadGraceNotes(CBarItem** notes, int count, int mainOffset) {
    if (count <= 0) return;
    int total = HeadCount(notes[count - 1]) ? PlayDuration(notes[count - 1], 0) : 0;
    bool crowded = false;
    for (int i = 0; i < count; ++i) {
        if (i < count - 1 && HeadCount(notes[i])) total += PlayDuration(notes[i], 0);
        if (i > 0) {
            const int start = notes[i]->TimeField() + (HeadCount(notes[i]) ? PlayOffset(notes[i], 0) : 0);
            const int before = notes[i - 1]->TimeField() + (HeadCount(notes[i - 1]) ? PlayOffset(notes[i - 1], 0) : 0);
            if (start <= before) crowded = true;
        }
    }
    if (!crowded) return;
    const int step = total / count;
    for (int i = 0; i < count; ++i) {
        SetPlayOffsets(notes[i], mainOffset - total);
        total -= step;
    }
}

int CTrkBar::RecalcTimes(int* track, int* voice) {
    HGLOBAL handle = 0;
    const int count = GetItems() ? GetSortedItems(&handle) : -1;
    if (count < 0) return 0;
    CBar::ForgetContentShare(this);
    CBar* bar = GetBar();
    const int meter = GetMeterLength();
    auto* list = static_cast<CBarItem**>(LockHandle(handle));
    const bool hold = g_model.holdTiming;

    VoiceState state[kVoiceCount];
    double longest = 0;
    int barEnd = meter;
    CBarItem* lastNoteOrRest = nullptr;
    std::vector<CBarItem*> graces;

    // The live grace notes of a voice listed from `from` up to (not including) `to`.
    const auto collectGraces = [&](int v, int from, int to) {
        graces.clear();
        for (int k = from; k < to; ++k)
            if (list[k]->IsNote() && list[k]->VoiceField() == v && IsGrace(list[k])) graces.push_back(list[k]);
    };

    for (int i = 0; i < count; ++i) {
        CBarItem* r = list[i];
        VoiceState& s = state[r->VoiceField()];
        if (r->IsNoteOrRest()) {
            const int time = int(s.time);
            if (r->IsNote() && hold)
                for (int h = 0; h < HeadCount(r); ++h)
                    rec::Put<std::int16_t>(HeadAt(r, h), kHeadPlayOffset,
                                           std::int16_t(PlayOffset(r, h) - (time - r->TimeField())));
            r->SetTimeField(std::int16_t(time));
            const bool grace = IsGrace(r);
            if (r->IsNote() && !grace) {
                ++s.notes;
                if (s.graceRun > 1) {
                    collectGraces(r->VoiceField(), s.graceStart, i);
                    if (!hold && !graces.empty())
                        SpreadGraceNotes(graces.data(), int(graces.size()), HeadCount(r) ? PlayOffset(r, 0) : 0);
                }
                s.graceRun = 0;
            } else if (r->IsNote()) {
                if (s.graceRun == 0) s.graceStart = i;
                ++s.graceRun;
            } else {
                ++s.rests;
            }
            if (!grace) {
                double d = NoteDuration(*r);
                if (r->RecordSizeField() > kTupletCount && rec::Get<std::uint8_t>(r, kTupletCount) != 0) {
                    if (s.depth > 1) {
                        const auto* outer = static_cast<const CTuplet*>(s.open[s.depth - 2]);
                        const int first = outer->Number();
                        const int second = outer->SecondNumber();
                        if (first) d = d * second / first;
                    }
                    d += 0.0001;
                }
                if (s.depth > 0 && s.open[s.depth - 1]->GetEndPosition() <= r->PositionField()) --s.depth;
                s.time += r->IsRest() && d >= meter ? meter : d;
                if (s.time > longest) {
                    longest = s.time;
                    barEnd = int(longest);
                }
            }
            lastNoteOrRest = r;
        } else if (r->TypeCode() != kRawNoteType && !(r->IsTempo() && (r->FlagsB() & kOwnTimeBit))) {
            if (r->IsTuplet()) {
                if (s.depth < kMaxOpenTuplets && static_cast<CTuplet*>(r)->Holds(CTuplet::kSecondNumber, 1)) s.open[s.depth++] = r;
            } else {
                CloseEnded(s, r->PositionField());
            }
            if (r->TypeCode() != kChordType && r->TypeCode() != kGuitarFrameType) r->SetTimeField(std::int16_t(int(s.time)));
            if (r->TypeCode() == CCresc::kType && i > 0 && lastNoteOrRest)
                r->SetTimeField(std::int16_t(lastNoteOrRest->GetPlayStart(-32767) + 1));
        } else if (r->IsNoteFamily() && lastNoteOrRest && r->PositionField() == lastNoteOrRest->PositionField()) {
            r->SetTimeField(lastNoteOrRest->TimeField());
        }
    }
    for (int v = 0; v < kVoiceCount; ++v) {
        if (state[v].graceRun <= 1) continue;
        collectGraces(v, state[v].graceStart, count);
        if (!hold && !graces.empty()) SpreadGraceNotes(graces.data(), int(graces.size()), 0);
    }
    UnlockHandle(handle);
    FreeHandle(handle);
    SortItems();

    // The bars' start times follow only when the bar's length really changed: a track whose
    // voices end early leaves the bar as long as the other tracks make it.
    if (bar && barEnd != bar->GetContentLength()) {
        const int before = bar->GetLength();
        bar->MeasureContents();
        if (bar->GetLength() != before)
            if (CScore* score = g_model.currentScore) score->RecalcStartTimes();
    }
    const bool pickup = bar && bar->HasBarFlag(CBar::kShortBarBit);
    if (pickup && barEnd < meter) {
        const int shift = meter - barEnd;
        trkbar::ForEachLiveItem(this, [&](CBarItem* r) {
            if (!r->IsData() && r->TypeCode() != kRawNoteType) r->SetTimeField(std::int16_t(r->TimeField() + shift));
        });
        CBar::ForgetContentShare(this);
    }

    if (!track && !voice) return 0;
    for (int v = 0; v < kVoiceCount; ++v) {
        const VoiceState& s = state[v];
        const int time = int(s.time);
        const bool off = pickup ? time > meter
                                : s.time != 0 && time != meter && (s.notes >= 1 || s.rests > 1);
        if (!off) continue;
        if (track) *track = GetTrackIndex();
        if (voice) *voice = v;
        return time - meter;
    }
    return 0;
}
