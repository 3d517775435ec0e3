// Octave lines across bars: one piece per bar, tied together by a shared identifier.
#include <cstdlib>

#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/Ottava.h"
#include "model/Score.h"
#include "model/ScoreStructureStandIns.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"

namespace {

constexpr int kIdentifiers = 256;
// Draws before the first free identifier is taken without drawing further.
constexpr int kMaxDraws = 4 * kIdentifiers;

int Draw() { return g_model.randomSource ? g_model.randomSource() : std::rand(); }

// The time of the first note or rest of voice 0 at or after the position, else the time the
// position stands for in the bar's meter.
int TimeAtOrAfter(CTrkBar* trkBar, CBar* bar, int position) {
    int time = -1;
    trkbar::ForEachRecord(reinterpret_cast<std::uint8_t*>(trkBar->GetItems()), trkBar->GetRunLength(), [&](CBarItem* r) {
        if (r->IsRemoved() || !r->IsNoteOrRest() || r->VoiceField() != 0 || r->PositionField() < position) return true;
        time = r->TimeField();
        return false;
    });
    return time >= 0 ? time : bar->FractionToMeterTick(position);
}

}  // namespace

bool CScore::ApplyOttava(int firstBar, int startPosition, int lastBar, int endPosition, int track,
                         int verticalOffset, int kind, bool option1, bool option2, bool option0, bool option3,
                         int continuationOffset) {
    CTrkBar* first = GetTrkBar(track, firstBar);
    CBar* bar = GetBar(firstBar);
    if (!first || !bar || lastBar < firstBar || !GetBar(lastBar)) return false;
    kind &= 3;
    // The identifiers the live octave lines of the first bar hold.
    bool taken[kIdentifiers] = {};
    int free = kIdentifiers;
    trkbar::ForEachLiveItem(first, [&](CBarItem* r) {
        if (!r->IsOttava() || r->RecordSizeField() <= COttava::kIdentifier) return;
        bool& t = taken[rec::Get<std::uint8_t>(r, COttava::kIdentifier)];
        if (!t) --free;
        t = true;
    });
    if (free == 0) return false;
    int identifier = Draw() & 0xFF;
    for (int draws = 1; taken[identifier]; ++draws) {
        if (draws >= kMaxDraws) {
            identifier = 0;
            while (taken[identifier]) ++identifier;
            break;
        }
        identifier = Draw() & 0xFF;
    }

    const std::uint8_t options = std::uint8_t((option0 ? 1 : 0) | (option1 ? 2 : 0) | (option2 ? 4 : 0) | (option3 ? 8 : 0));
    int time = TimeAtOrAfter(first, bar, startPosition);
    int position = startPosition;
    for (int b = firstBar; b <= lastBar; ++b) {
        CTrkBar* trkBar = GetTrkBar(track, b);
        bar = GetBar(b);
        if (!trkBar || !bar) return false;
        const int endTime = b == lastBar ? TimeAtOrAfter(trkBar, bar, endPosition) : bar->GetMeterLength();
        auto* piece = static_cast<COttava*>(trkBar->NewItem(COttava::kTypeCode, time));
        if (!piece) return false;
        piece->InitNew(0, time, position);
        std::uint8_t flags = std::uint8_t(options | (kind << COttava::kKindShift));
        if (b == firstBar) flags |= COttava::kStartPieceBit;
        if (b == lastBar) flags |= COttava::kEndPieceBit;
        rec::Put<std::uint8_t>(piece, COttava::kFlags, flags);
        rec::Put<std::uint8_t>(piece, COttava::kIdentifier, std::uint8_t(identifier));
        rec::Put<std::int16_t>(piece, COttava::kVerticalOffset, std::int16_t(verticalOffset));
        rec::Put<std::int16_t>(piece, COttava::kContinuationOffset, std::int16_t(continuationOffset));
        rec::Put<std::int16_t>(piece, COttava::kShift, std::int16_t(COttava::ShiftOfKind(kind)));
        rec::Put<std::int16_t>(piece, COttava::kEndPosition, std::int16_t(endPosition));
        rec::Put<std::int16_t>(piece, COttava::kEndTime, std::int16_t(endTime));
        time = 0;
        position = 0;
        trkBar->SortItems();
    }
    return true;
}
