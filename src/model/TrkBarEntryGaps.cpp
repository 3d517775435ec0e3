// Gaps filled with rests: after an entry, deletion or import, the empty stretches of a voice in a
// bar of a track are found and each is filled with rests that follow the meter: on-beat rests
// that never cross the middle of a beat pair, a dotted rest where one dotted value fits exactly,
// and rests on the tuplet's grid where the gap lies inside a tuplet.
#include <algorithm>
#include <cmath>
#include <vector>

#include "model/Bar.h"
#include "model/BarSpacing.h"
#include "model/Meter.h"
#include "model/NoteSize.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntry.h"
#include "model/TrkBarEntryFields.h"
#include "model/TrkBarWalk.h"

using namespace entry;

namespace {

constexpr double kTolerance = 0.0001;
using notesize::kValueTicks;

// The longest plain value (code 1-8) not longer than the ticks; 0 when none fits.
int LongestValueWithin(int ticks) {
    for (int code = 1; code <= 8; ++code)
        if (kValueTicks[code] <= ticks) return code;
    return 0;
}

struct PlannedRest {
    int time = 0;
    int value = 0;
    int dots = 0;
    int tupletCount = 0;
    int tupletSpan = 0;
    int length = 0;
};

}  // namespace

int CTrkBar::FindGaps(int voice, std::vector<RestGap>* gaps, bool removeRests) {
    gaps->clear();
    const int meterLength = GetMeterLength();
    double cursor = GetPickupOffset();
    bool overlap = false;
    CBarItem* pendingRest = nullptr;
    // The tuplet run the cursor is in: its start, one member's duration and the members so far.
    bool inRun = false;
    double runStart = 0, runDuration = 0;
    int runCount = 0, members = 0;
    GapInfo info;
    bool haveInfo = false;
    std::vector<std::size_t> openingGaps;  // gaps opened before the first item's info was known
    // A whole rest standing alone holds the whole bar, wherever it stands (gap filling puts it
    // at the bar's middle).
    int count = 0;
    CBarItem* only = nullptr;
    trkbar::ForEachLiveItem(this, [&](CBarItem* item) {
        if (item->VoiceField() == voice && item->IsNoteOrRest() && !IsGrace(item)) {
            ++count;
            only = item;
        }
    });
    if (count == 1 && !removeRests && only->IsRest() && ValueCode(only) <= 1) return 0;
    trkbar::ForEachLiveItem(this, [&](CBarItem* item) {
        if (item->VoiceField() != voice || !item->IsNoteOrRest() || IsGrace(item)) return;
        if (removeRests && item->IsRest()) {
            item->MarkRemoved();
            return;
        }
        const double time = item->TimeField();
        if (time < cursor - kTolerance) {
            overlap = true;
            if (pendingRest) {
                pendingRest->MarkRemoved();
                cursor = pendingRest->TimeField();
                pendingRest = nullptr;
            }
        }
        const int from = int(std::floor(cursor + kTolerance));
        if (time > from) {
            gaps->push_back({from, int(time), info});
            if (!haveInfo) openingGaps.push_back(gaps->size() - 1);
            if (inRun && runDuration > 0) members = int(std::lround((time - runStart) / runDuration));
        }
        const double duration = NoteDuration(*item);
        if (TupletCount(item) != 0) {
            const bool continues = inRun && std::fabs(duration - runDuration) < kTolerance &&
                                   time < runStart + runCount * runDuration - kTolerance;
            if (continues) {
                ++members;
            } else {
                inRun = true;
                runStart = time;
                runDuration = duration;
                runCount = TupletCount(item);
                members = 1;
            }
            cursor = runStart + members * runDuration;
        } else {
            inRun = false;
            cursor = time + duration;
            if (item->IsRest() && !overlap) pendingRest = item;
        }
        info = {ValueCode(item), TupletCount(item), Byte(item, kTupletSpan), int(duration)};
        if (!haveInfo) {
            for (std::size_t g : openingGaps) (*gaps)[g].info = info;
            haveInfo = true;
        }
    });
    // A voice without notes or rests gets no gap, unless it is rested from scratch: a voice
    // whose last notes went is filled over the whole bar.
    if (cursor < meterLength - kTolerance && !(gaps->empty() && cursor < kTolerance && !removeRests)) {
        int from = int(std::floor(cursor + kTolerance));
        const int beatPart = from % 480;
        if (beatPart == 479 || beatPart == 239 || beatPart == 119) ++from;
        if (from < meterLength) gaps->push_back({from, meterLength, info});
    }
    return int(gaps->size());
}

bool CTrkBar::FillGap(int voice, int start, int end, int verticalOffset, bool markHidden, const GapInfo& info) {
    const int meterLength = GetMeterLength();
    std::vector<PlannedRest> plan;
    const bool inTuplet = info.tupletCount != 0 && info.duration > 0;
    // Member codes past the 128th last as long as a 128th.
    int unitValue = std::min(info.value, 8), unit = info.duration;
    if (inTuplet && start % unit != 0) {
        // Halve the member until one of its multiples lies within a tick of the start.
        while (unitValue < 6) {
            const int nearest = int(std::lround(double(start) / unit)) * unit;
            if (std::abs(nearest - start) <= 1) break;
            ++unitValue;
            unit /= 2;
            if (unit <= 0) return true;
        }
        start = int(std::lround(double(start) / unit)) * unit;
    }
    const int span = inTuplet ? std::max(1, info.duration * info.tupletCount) : 1;
    const Meter* meter = GetBar() ? GetBar()->GetMeter() : nullptr;
    int beat = std::max(1, GetBeatLength());
    if (meter) {
        const int num = meter->GetNumerator(), den = meter->GetDenominator();
        if ((num % 3 == 0 && den > 7) || den == 8) beat *= 3;
    }
    if (start == 0 && end == meterLength) {
        plan.push_back({meterLength / 2, 1, 0, 0, 0, meterLength});
    } else {
        for (int pos = start; pos < end;) {
            const int b = pos / beat;
            const int nextBeat = (b + 1) * beat;
            const int pairEnd = (b % 2 == 0) ? (b + 2) * beat : (b + 1) * beat;
            const bool onBeat = pos % beat == 0;
            int limit;
            // A tuplet of quarters or longer crosses beats: its rests may run to the beat after
            // next, on the beat or off it.
            if (onBeat && !inTuplet)
                limit = end >= pairEnd ? pairEnd : std::min(nextBeat, end);
            else if (inTuplet && unitValue <= 3)
                limit = std::min(end, nextBeat + beat);
            else
                limit = std::min(nextBeat, end);
            PlannedRest r;
            r.time = pos;
            r.value = LongestValueWithin(limit - pos);
            r.length = r.value ? kValueTicks[r.value] : 0;
            if (r.value && r.length != limit - pos && r.length * 3 / 2 == limit - pos) {
                r.dots = 1;
                r.length = limit - pos;
            } else if (inTuplet && r.length != limit - pos) {
                // Rests on the tuplet's grid: the member's value, halved until one fits; two
                // members from an even one take one rest of the next longer value, unless that
                // crosses a group of three.
                int code = unitValue, length = unit;
                while (length > limit - pos && code < 8) {
                    ++code;
                    length /= 2;
                }
                if (length > 0 && length <= limit - pos) {
                    // Members count from the start of the tuplet's span that holds the rest.
                    const int member = (pos % span) / length;
                    const bool acrossThree = info.tupletCount % 3 == 0 && member % 3 == 2;
                    r.value = code;
                    r.length = length;
                    r.tupletCount = info.tupletCount;
                    r.tupletSpan = info.tupletSpan;
                    if (member % 2 == 0 && !acrossThree && code > 1 && pos + 2 * length <= std::min(limit, end)) {
                        r.value = code - 1;
                        r.length = 2 * length;
                    } else if (code > 1) {
                        // What the grid cannot reach: k of the next longer value in the time of 4,
                        // when they end at the limit.
                        for (int k : {5, 7, 9, 11, 13})
                            if (std::abs(pos + 8.0 * kValueTicks[code] / k - limit) <= 1) {
                                r.value = code - 1;
                                r.length = limit - pos;
                                r.tupletCount = k;
                                r.tupletSpan = 4;
                                break;
                            }
                    }
                }
            }
            if (r.value == 0 || r.length <= 0) break;
            plan.push_back(r);
            pos += r.length;
        }
    }
    for (const PlannedRest& r : plan) {
        CBarItem* rest = NewItem(kRestType, r.time);
        if (!rest) return false;
        rest->InitNew(voice, r.time, TickToFraction(r.time));
        rest->SetFlagsA(std::uint8_t(rest->FlagsA() | kNewItemBit));
        PutByte(rest, kValue, std::uint8_t((Byte(rest, kValue) & 0x0F) | (r.value << 4)));
        PutByte(rest, kTupletCount, std::uint8_t(r.tupletCount));
        PutByte(rest, kTupletSpan, std::uint8_t(r.tupletSpan));
        PutByte(rest, kBaseFlags, std::uint8_t((Byte(rest, kBaseFlags) & 0x3F) | (r.dots << 6)));
        PutByte(rest, kRestStaffPos, std::uint8_t(kRestDefaultStaffPos[r.value] + verticalOffset));
        if (markHidden && r.time < g_entry.lastEntryTime)
            rest->SetFlagsB(std::uint8_t(rest->FlagsB() | CBarItem::kHiddenBit));
    }
    return true;
}

bool CTrkBar::FillGaps(int voice, bool removeRests, bool markHidden, bool finish) {
    SetCurrent();
    SortItems();
    VoiceStats stats;
    int inUse = GetVoiceStats(&stats, false);
    if (inUse == 1 && stats.voice[voice & 7].count == 0) inUse = 2;
    std::vector<RestGap> gaps;
    FindGaps(voice, &gaps, removeRests);
    for (const RestGap& gap : gaps) {
        int offset = 0;
        if (inUse > 1 && (voice == 0 || voice == 1)) {
            const int other = 1 - voice;
            offset = stats.voice[voice].average > stats.voice[other].average ? 2 : -4;
        }
        if (!FillGap(voice, gap.start, gap.end, offset, markHidden, gap.info)) return false;
    }
    if (!gaps.empty() && finish) {
        RecalcTimes(nullptr, nullptr);
        SortItems();
        if (g_entry.autoSpacing) RecalcPositions(voice);
    }
    return true;
}
