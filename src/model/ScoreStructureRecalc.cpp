// Bar recalculation: what each bar and staff inherits from the bars before it (clef, key and
// its display value, time signature, tempo), the widths that key and time signature changes
// take, the staves' display bits, the tempo map and the bars' start times in milliseconds.
#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/Clef.h"
#include "model/KeySig.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/ScoreStructureStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"

namespace {

// What one staff carries from bar to bar.
struct RunningStaff {
    std::uint8_t clef = 0;
    std::uint8_t key = 0;
    std::uint8_t keyDisplay = 0;
};

// Bits of the staff's display byte that the recalculation derives.
constexpr std::uint8_t kStaffKeySuppressed = 0x02;
constexpr std::uint8_t kStaffBit2 = 0x04;
constexpr std::uint8_t kStaffHidesMeter = 0x08;
constexpr std::uint8_t kStaffClefShown = 0x20;
constexpr std::uint8_t kStaffMeterShown = 0x40;

// Track display switches read here.
constexpr std::uint8_t kTrackShowsClef = 0x02;
constexpr std::uint8_t kTrackShowsMeter = 0x04;
constexpr std::uint8_t kTrackShowsKey = 0x08;
constexpr std::uint8_t kTrackClefOnlyAtStart = 0x80;

// Meter display flags read here: shown, additive groups shown, courtesy at a system's end.
constexpr std::uint8_t kMeterShownBits = 0x03;
constexpr std::uint8_t kMeterCourtesyBit = 0x10;

constexpr int kAccidentalWidth = 120;
constexpr int kNaturalWidth = 90;

CStaff* StaffOf(CLine* line, int t) {
    CStaffArray* staves = line ? line->GetStaffArray() : nullptr;
    return staves && t >= 0 && t < staves->GetCount() ? static_cast<CStaff*>(staves->GetAt(t)) : nullptr;
}

void SetStaffBit(CStaff* staff, std::uint8_t bit, bool on) {
    staff->SetDisplay(on ? std::uint8_t(staff->GetDisplay() | bit) : std::uint8_t(staff->GetDisplay() & ~bit));
}

void MarkRemoved(CBarItem* item) { item->SetFlagsB(std::uint8_t(item->FlagsB() | CBarItem::kRemovedBit)); }

// The display bits of a staff at the start of a system, from its track's switches.
void DeriveStaffBits(CStaff* staff, CTrack* track, bool firstSystem) {
    const std::uint8_t d = track->GetDisplaySwitches();
    SetStaffBit(staff, kStaffHidesMeter, !(d & kTrackShowsMeter));
    if (!firstSystem && (d & kTrackClefOnlyAtStart))
        SetStaffBit(staff, kStaffClefShown, false);
    else
        SetStaffBit(staff, kStaffClefShown, (d & kTrackShowsClef) && !(staff->GetDisplay() & kStaffBit2));
    if (firstSystem)
        SetStaffBit(staff, kStaffKeySuppressed, !(d & kTrackShowsKey));
    else
        SetStaffBit(staff, kStaffKeySuppressed, !((d & kTrackShowsKey) && !track->IsKeyOnlyAtStart()));
    SetStaffBit(staff, kStaffMeterShown, firstSystem && !(staff->GetDisplay() & kStaffHidesMeter));
}

std::int16_t Word16(int v) { return std::int16_t(std::clamp(v, -32768, 32767)); }

}  // namespace

void CScore::RecalcBars(bool flag) {
    // An edit recalculates the whole score when it changed what the passes carry from bar to
    // bar (a time signature, a clef or key, a tempo mark): the next bar edit's reindex starts
    // from bar 0 again.
    reindexStarts.clear();
    RecalcBarsFrom(flag, 0);
}

void CScore::RecalcBarsFromSystem(int firstSystem) { RecalcBarsFrom(false, firstSystem); }

void CScore::RecalcBarsFrom(bool flag, int firstSystem) {
    DropForgottenStarts();
    CBar* bar0 = GetBar(0);
    CLine* line0 = GetLine(0);
    if (!bar0 || !line0) return;
    const int tracksN = std::clamp<int>(trackCount, 0, kMaxTracks);

    // A walk from a later system needs what the last recalculation carried into it, with the
    // systems before it holding the bars they held then.
    const auto canStartAt = [&](int from) {
        if (flag || wholeScorePasses || from <= 0 || from >= lineCount || from >= int(recalcStarts.size())) return false;
        // The systems' records one after another, without a look-up each.
        auto* systems = static_cast<std::uint8_t*>(lines->GetData());
        if (!systems || lines->GetCount() < lineCount) return false;
        for (int s = 0; s <= from; ++s) {
            const RecalcStart& r = recalcStarts[std::size_t(s)];
            const CLine* line = ItemCast<CLine>(systems + std::size_t(s) * CLineArray::kElementSize);
            if (line->GetFirstBarIndex() != r.firstBar || r.staves.size() != std::size_t(tracksN) * 3) return false;
            if (s < from && line->GetBarCount() != r.barCount) return false;
        }
        return recalcStarts[std::size_t(from)].firstBar < barCount;
    };
    const int from = canStartAt(firstSystem) ? firstSystem : 0;
    const int fromBar = from > 0 ? recalcStarts[std::size_t(from)].firstBar : 0;
    if (from > 0) ++partialRecalcs;

    // Running values from bar 0 and the staves of system 0, or from the start of `from`.
    std::vector<RunningStaff> running(static_cast<std::size_t>(tracksN));
    if (from > 0) {
        const std::vector<std::uint8_t>& kept = recalcStarts[std::size_t(from)].staves;
        for (int t = 0; t < tracksN; ++t)
            running[std::size_t(t)] = {kept[std::size_t(t) * 3], kept[std::size_t(t) * 3 + 1], kept[std::size_t(t) * 3 + 2]};
    } else {
        for (int t = 0; t < tracksN; ++t)
            if (CStaff* staff = StaffOf(line0, t)) running[std::size_t(t)] = {staff->GetClef(), staff->GetKey(), staff->GetKeyColor()};
    }
    int tempo = bar0->GetTempo();
    int unit = 3;
    bool dotted = false;
    Meter meter = *bar0->GetMeter();

    // The tempo walk and the timing resume at `from` where the last recalculation noted how
    // they stood at its first bar: the bars before are as it left them.
    RecalcStart resume;
    const bool resumed = from > 0 && recalcStarts[std::size_t(from)].timed && recalcTicks.size() > std::size_t(fromBar);
    if (resumed) resume = recalcStarts[std::size_t(from)];

    std::vector<std::int32_t>& startTicks = recalcTicks;
    const int ticksFrom = resumed ? fromBar : 0;
    startTicks.resize(std::size_t(std::max<int>(barCount, 0)) + 1, 0);
    if (ticksFrom == 0) startTicks[0] = 0;
    for (int b = ticksFrom; b < barCount; ++b) {
        CBar* bar = GetBar(b);
        startTicks[std::size_t(b) + 1] = startTicks[std::size_t(b)] + (bar ? bar->GetLength() : 0);
    }

    // Every entry added is counted; one that lands among the entries already there (a time
    // not after the last) is noted with where it landed.
    struct Landing {
        int add;
        int index;
    };
    std::vector<Landing> landings;
    int adds = 0;
    bool addFailed = false;
    const auto addEntry = [&](const TempoMap::Entry& entry) {
        const int n = tempoMap.Count();
        if (n > 0 && tempoMap.Get(n - 1).time >= entry.time) {
            int at = n - 1;
            while (at > 0 && tempoMap.Get(at - 1).time >= entry.time) --at;
            landings.push_back({adds, at});
        }
        ++adds;
        if (!tempoMap.Add(entry)) addFailed = true;
    };

    if (resumed) {
        tempoMap.Truncate(resume.entries);
        adds = resume.adds;
        tempo = resume.tempo;
        unit = resume.unit;
        dotted = resume.dotted;
    } else {
        tempoMap.Reset();
        addEntry({0, 0, TempoToQuarterTempo(tempo, unit, dotted), tempo});
    }

    // What a bar takes from the tempo in force and its own tempo marks, and what it adds to
    // the tempo map.
    const auto conductor = [&](int barIndex, CBar* bar) {
        const std::int32_t barStart = startTicks[std::size_t(barIndex)];
        // A bar's start enters the map as an entry that inherits the tempo in force; where
        // an entry already stands at that time (a bar of no length, a mark at the bar line)
        // it keeps its own tempo instead of being overwritten with none.
        if (barIndex > 0 && !(tempoMap.Count() > 0 && tempoMap.Get(tempoMap.Count() - 1).time == barStart))
            addEntry({std::int16_t(barIndex), barStart, 0, 0});
        rec::Put<std::int32_t>(bar, CBar::kStepNoteValue, unit);
        rec::Put<std::int32_t>(bar, CBar::kStepDotted, dotted ? 1 : 0);
    };
    const auto tempoMarks = [&](int barIndex, CBar* bar) {
        const std::int32_t barStart = startTicks[std::size_t(barIndex)];
        if (CItemArray* items = bar->GetItemArray())
            for (int i = 0, count = items->GetCount(); i < count; ++i) {
                auto* item = static_cast<CBarItem*>(items->GetAt(i));
                if (!item || item->IsRemoved() || item->TypeCode() != CTempo::kTypeCode) continue;
                const auto* mark = static_cast<CTempo*>(item);
                unit = mark->GetBeatUnit();
                dotted = mark->IsDotted();
                tempo = TempoInRange(mark->GetValue());
                const int time = item->TimeField();
                addEntry({std::int16_t(barIndex), barStart + time, TempoToQuarterTempo(tempo, unit, dotted), tempo});
                if (time == 0) {
                    rec::Put<std::int32_t>(bar, CBar::kStepNoteValue, unit);
                    rec::Put<std::int32_t>(bar, CBar::kStepDotted, dotted ? 1 : 0);
                    bar->SetTempo(std::uint16_t(tempo));
                }
            }
    };
    // Without a resumed walk, the bars before `from` renew only what comes from the tempo in
    // force and their own tempo marks; the rest is as the last recalculation left it.
    for (int b = 0; b < fromBar && !resumed; ++b) {
        CBar* bar = GetBar(b);
        conductor(b, bar);
        tempoMarks(b, bar);
    }
    if (fromBar > 0) meter = *GetBar(fromBar - 1)->GetMeter();

    // The walk below notes the bars without key signatures, which the systems' justification
    // asks about; the note holds only while this recalculation runs.
    keylessBars.assign(std::size_t(std::max<int>(barCount, 0)), 0);
    struct ForgetKeyless {
        std::vector<std::uint8_t>& bars;
        ~ForgetKeyless() { bars.clear(); }
    } forget{keylessBars};
    // A recalculation that treats system starts as inside a system leaves no running values.
    recalcStarts.resize(flag ? 0 : std::size_t(from));

    CLine* previous = nullptr;
    int barIndex = fromBar;
    for (int s = from; s < lineCount && barIndex < barCount; ++s) {
        CLine* line = GetLine(s);
        if (!line) break;
        const bool firstSystem = s == 0;
        if (!flag) {
            RecalcStart kept;
            kept.firstBar = barIndex;
            kept.barCount = line->GetBarCount();
            kept.entries = tempoMap.Count();
            kept.adds = adds;
            kept.tempo = tempo;
            kept.unit = unit;
            kept.dotted = dotted;
            kept.staves.reserve(std::size_t(tracksN) * 3);
            for (const RunningStaff& r : running) kept.staves.insert(kept.staves.end(), {r.clef, r.key, r.keyDisplay});
            recalcStarts.push_back(std::move(kept));
        }
        // Staves: the running clef, key and display value; display bits; the system's space.
        int space = 0;
        int fontSize = 0;
        for (int t = 0; t < tracksN; ++t) {
            CStaff* staff = StaffOf(line, t);
            if (!staff) continue;
            const RunningStaff& r = running[std::size_t(t)];
            staff->SetClef(r.clef);
            staff->SetKey(r.key);
            staff->SetKeyColor(r.keyDisplay);
            if (CTrack* track = GetTrack(t)) DeriveStaffBits(staff, track, firstSystem);
            if (staff->GetClef() != CStaff::kTablatureClef && staff->GetLineSpacing() > space) {
                space = staff->GetLineSpacing();
                fontSize = staff->GetFontSize();
            }
        }
        if (space == 0)
            if (CStaff* staff = StaffOf(line, 0)) {
                space = staff->GetLineSpacing();
                fontSize = staff->GetFontSize();
            }
        line->SetSpace(space);
        line->SetFontSize(fontSize);
        line->SetFirstBarIndex(barIndex);
        line->SetFirstBar(this, barIndex);

        const int first = barIndex;
        for (int j = 0; j < line->GetBarCount() && barIndex < barCount; ++j, ++barIndex) {
            CBar* bar = GetBar(barIndex);
            CBar* before = barIndex > 0 ? GetBar(barIndex - 1) : nullptr;
            const bool systemStart = barIndex == first && !flag;
            conductor(barIndex, bar);
            bar->SetKeySigWidth(0);
            bar->SetTrailingExtra(0);
            bar->SetBarFlag(CBar::kCourtesyBit, false);
            bar->SetBarFlag(CBar::kShowsMeterBit, false);
            int itemMaximum = 0;

            // Tempo marks among the bar's own items.
            tempoMarks(barIndex, bar);

            // Clefs and key signatures of every track.
            bool keySeen = false;
            for (int t = 0; t < tracksN; ++t) {
                CTrkBar* tb = GetTrkBar(t, barIndex);
                if (!tb || !tb->GetItems()) continue;
                RunningStaff& r = running[std::size_t(t)];
                CStaff* staff = StaffOf(line, t);
                trkbar::ForEachRecord(reinterpret_cast<std::uint8_t*>(tb->GetItems()), tb->GetRunLength(), [&](CBarItem* item) {
                    if (item->IsRemoved()) return true;
                    itemMaximum = std::max(itemMaximum, item->GetBarSpan());
                    if (item->TypeCode() == CClef::kTypeCode) {
                        r.clef = static_cast<CClef*>(item)->GetCode();
                        return true;
                    }
                    if (item->TypeCode() != CKeySig::kTypeCode) return true;
                    keySeen = true;
                    auto* key = static_cast<CKeySig*>(item);
                    key->SetClef(r.clef);
                    key->SetPreviousKey(r.key);
                    const int places = key->CountPlaces();
                    if (key->IsKeyFlagged()) {
                        bar->SetBarFlag(CBar::kCourtesyBit, true);
                        bar->SetTrailingExtra(Word16(kAccidentalWidth * places));
                        return true;
                    }
                    key->SetFlag(CKeySig::kHiddenBit, false);
                    if (item->TimeField() == 0 && key->GetKey() == r.key) {
                        MarkRemoved(item);
                        if (staff) staff->SetKeyColor(std::uint8_t(item->GetColor()));
                    } else if (systemStart) {
                        key->SetFlag(CKeySig::kHiddenBit, true);
                        if (staff) {
                            staff->SetKey(key->GetKey());
                            staff->SetKeyColor(std::uint8_t(item->GetColor()));
                        }
                        if (firstSystem)
                            MarkRemoved(item);
                        else if ((key->GetFlags() & CKeySig::kCautionaryBit) && before)
                            before->SetBarFlag(CBar::kCourtesyBit, true);
                    } else {
                        const bool naturalsBefore = (key->GetFlags() & CKeySig::kNoNaturalsBit) != 0;
                        const int naturals = naturalsBefore ? key->CountNaturals() : 0;
                        bar->SetKeySigWidth(std::max<int>(bar->GetKeySigWidth(), Word16(kAccidentalWidth * (places - naturals))));
                        if (naturalsBefore && before) {
                            before->SetTrailingExtra(std::max<int>(before->GetTrailingExtra(), Word16(kNaturalWidth * naturals)));
                            before->SetBarFlag(CBar::kCourtesyBit, true);
                        }
                    }
                    r.key = key->GetKey();
                    r.keyDisplay = std::uint8_t(item->GetColor());
                    return true;
                });
            }
            rec::Put<std::int16_t>(bar, CBar::kLongestItemSpan, Word16(itemMaximum));
            keylessBars[std::size_t(barIndex)] = keySeen ? 0 : 1;

            // Time signature.
            const Meter* own = bar->GetMeter();
            if (bar->HasBarFlag(CBar::kFlag0) || ((own->GetDisplayFlags() & kMeterShownBits) && !own->Matches(meter))) {
                if (systemStart) {
                    for (int t = 0; t < tracksN; ++t)
                        if (CStaff* staff = StaffOf(line, t))
                            if (CTrack* track = GetTrack(t))
                                SetStaffBit(staff, kStaffMeterShown,
                                            (track->GetDisplaySwitches() & kTrackShowsMeter) && !(staff->GetDisplay() & kStaffHidesMeter));
                    if ((own->GetDisplayFlags() & kMeterCourtesyBit) && before) before->SetBarFlag(CBar::kCourtesyBit, true);
                } else {
                    bar->SetBarFlag(CBar::kShowsMeterBit, true);
                }
            }
            bar->CalcLeadingWidths();
            meter = *bar->GetMeter();
        }
        if (previous) {
            previous->MeasureHeader();
            previous->Justify();
        }
        previous = line;
    }
    if (previous) {
        previous->MeasureHeader();
        previous->Justify();
    }
    keylessBars.clear();

    // An entry of the walk from `from` that went among the entries kept from before: the map is
    // built again from bar 0 (the bars' own writes come out the same).
    bool fromStart = !resumed;
    for (const Landing& l : landings)
        if (resumed && l.index < resume.entries) fromStart = true;
    if (resumed && fromStart) {
        tempoMap.Reset();
        landings.clear();
        tempo = bar0->GetTempo();
        unit = 3;
        dotted = false;
        addEntry({0, 0, TempoToQuarterTempo(tempo, unit, dotted), tempo});
        for (int k = 0; k < barCount; ++k) {
            CBar* bar = GetBar(k);
            conductor(k, bar);
            tempoMarks(k, bar);
        }
        // What the systems before noted no longer matches this walk's count of entries.
        for (RecalcStart& r : recalcStarts) r.timed = false;
    }
    // The systems whose entries this timing pass walks (every system when it walks the whole
    // map) note how it stands at their first bar, unless an entry added after them went among
    // the entries before it.
    const std::size_t noteFrom = resumed ? std::size_t(from) : 0;
    std::vector<bool> noteTiming(recalcStarts.size(), false);
    if (!addFailed && (!resumed || !fromStart)) {
        int lowest = INT_MAX;
        std::size_t l = landings.size();
        for (std::size_t k = recalcStarts.size(); k-- > noteFrom;) {
            RecalcStart& r = recalcStarts[k];
            while (l > 0 && landings[l - 1].add >= r.adds) lowest = std::min(lowest, landings[--l].index);
            noteTiming[k] = lowest >= r.entries;
        }
    }
    for (std::size_t k = noteFrom; k < recalcStarts.size(); ++k) recalcStarts[k].timed = false;

    // Timing: walk the tempo map from bar 0 (or from where the resumed walk stood), filling
    // bar marks from the entry before them.
    double elapsed = 0;
    int quarter = 0;
    // Bars of no length before the first entry's time take the tempo the walk starts with.
    int marked = tempoMap.Count() > 0 ? tempoMap.Get(0).marked : 0;
    std::int32_t lastTime = 0;
    int b = 0;
    int firstEntry = 0;
    bool cursorStamped = false;
    if (!fromStart) {
        elapsed = resume.elapsed;
        quarter = resume.quarter;
        marked = resume.marked;
        lastTime = resume.lastTime;
        b = resume.cursor;
        cursorStamped = resume.cursorStamped;
        firstEntry = resume.entries;
    }
    // Bars whose start an entry gave its tempo; a bar passed over without one (its entry could
    // not be added) takes the tempo in force, so it never keeps a stale one. Only bars from
    // where the walk starts are looked at.
    const int firstStamped = b;
    std::vector<bool> stamped(std::size_t(std::max<int>(barCount - firstStamped, 0)), false);
    if (cursorStamped && !stamped.empty()) stamped[0] = true;
    std::size_t nextStart = noteFrom;
    for (int e = firstEntry; e < tempoMap.Count(); ++e) {
        // The systems whose first entries start here note how the pass stands, if it has not
        // passed over their first bar.
        for (; nextStart < recalcStarts.size() && recalcStarts[nextStart].entries <= e; ++nextStart) {
            RecalcStart& r = recalcStarts[nextStart];
            if (r.entries != e || !noteTiming[nextStart] || b >= r.firstBar) continue;
            r.timed = true;
            r.elapsed = elapsed;
            r.quarter = quarter;
            r.marked = marked;
            r.lastTime = lastTime;
            r.cursor = b;
            r.cursorStamped = stamped[std::size_t(b - firstStamped)];
        }
        TempoMap::Entry entry = tempoMap.Get(e);
        while (b < barCount - 1 && startTicks[std::size_t(b) + 1] <= entry.time) {
            if (!stamped[std::size_t(b - firstStamped)]) GetBar(b)->SetTempo(std::uint16_t(marked));
            ++b;
        }
        if (e > 0 && entry.tempo == 0) {
            entry.tempo = quarter;
            entry.marked = marked;
        }
        if (e > 0 && quarter > 0) elapsed += double(entry.time - lastTime) * 12500.0 / double(quarter);
        lastTime = entry.time;
        quarter = entry.tempo;
        marked = entry.marked;
        tempoMap.SetTempos(e, entry.tempo, entry.marked);
        if (b < barCount && startTicks[std::size_t(b)] == entry.time) {
            CBar* bar = GetBar(b);
            bar->SetStartTime(std::int32_t(elapsed));
            bar->SetTempo(std::uint16_t(marked));
            stamped[std::size_t(b - firstStamped)] = true;
        }
    }
    if (barCount > 0 && quarter > 0) elapsed += double(startTicks[std::size_t(barCount)] - lastTime) * 12500.0 / double(quarter);
    scoreDuration = std::uint32_t(elapsed);
}
