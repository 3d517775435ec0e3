// Bar recalculation: what each bar and staff inherits from the bars before it, the tempo map
// and the bars' start times in milliseconds.
#include <algorithm>
#include <cstring>
#include <vector>

#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/ScoreStandIns.h"
#include "model/ScoreStructureStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"

namespace {

struct RunningStaff {
    std::uint8_t clef = 0;
    std::uint8_t key = 0;
};

}  // namespace

void CScore::RecalcBars(bool flag) {
    (void)flag;
    CBar* bar0 = GetBar(0);
    CLine* line0 = GetLine(0);
    if (!bar0 || !line0) return;
    // Running values from bar 0 and the staves of system 0.
    std::vector<RunningStaff> running(std::size_t(std::max<int>(trackCount, 0)));
    for (int t = 0; t < trackCount; ++t)
        if (CStaff* staff = line0->GetStaffArray() && t < line0->GetStaffArray()->GetCount()
                                ? static_cast<CStaff*>(line0->GetStaffArray()->GetAt(t))
                                : nullptr) {
            running[std::size_t(t)].clef = staff->GetClef();
            running[std::size_t(t)].key = staff->GetKey();
        }
    int tempo = bar0->GetTempo();
    const int unit = 3;
    const bool dotted = false;
    tempoMap.Reset();
    tempoMap.Add({0, 0, TempoToQuarterTempo(tempo, unit, dotted), tempo});

    std::vector<std::int32_t> startTicks(std::size_t(std::max<int>(barCount, 0)) + 1, 0);
    for (int b = 0; b < barCount; ++b) {
        CBar* bar = GetBar(b);
        startTicks[std::size_t(b) + 1] = startTicks[std::size_t(b)] + (bar ? bar->GetLength() : 0);
    }

    CLine* previous = nullptr;
    int barIndex = 0;
    for (int s = 0; s < lineCount; ++s) {
        CLine* line = GetLine(s);
        if (!line) break;
        CStaffArray* staves = line->GetStaffArray();
        const int n = staves ? staves->GetCount() : 0;
        for (int t = 0; t < n && t < trackCount; ++t) {
            auto* staff = static_cast<CStaff*>(staves->GetAt(t));
            staff->SetClef(running[std::size_t(t)].clef);
            staff->SetKey(running[std::size_t(t)].key);
        }
        line->SetFirstBarIndex(barIndex);
        line->SetFirstBar(this, barIndex);
        for (int j = 0; j < line->GetBarCount() && barIndex < barCount; ++j, ++barIndex) {
            CBar* bar = GetBar(barIndex);
            if (barIndex > 0) tempoMap.Add({std::int16_t(barIndex), startTicks[std::size_t(barIndex)], 0, 0});
            bar->SetKeySigWidth(0);
            bar->SetTrailingExtra(0);
            bar->SetBarFlag(CBar::kCourtesyBit, false);
            // Tempo marks among the bar's own items.
            for (int i = 0, count = bar->GetItemCount(); i < count; ++i) {
                CItemArray* items = bar->GetItemArray();
                auto* item = items ? static_cast<CBarItem*>(items->GetAt(i)) : nullptr;
                if (!item || item->IsRemoved() || item->TypeCode() != CBar::kTempoType) continue;
                const int markTempo = rec::Get<std::uint16_t>(item, CBar::kTempoValue);
                if (markTempo <= 0) continue;
                const int time = item->TimeField();
                tempoMap.Add({std::int16_t(barIndex), startTicks[std::size_t(barIndex)] + time,
                              TempoToQuarterTempo(markTempo, unit, dotted), markTempo});
                if (time == 0) bar->SetTempo(std::uint16_t(markTempo));
            }
            bar->CalcLeadingWidths();
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

    // Timing pass.
    double elapsed = 0;
    int quarter = TempoToQuarterTempo(tempo, unit, dotted);
    int marked = tempo;
    std::int32_t lastTime = 0;
    for (int e = 0; e < tempoMap.Count(); ++e) {
        TempoMap::Entry entry = tempoMap.Get(e);
        if (entry.tempo == 0) {
            entry.tempo = quarter;
            entry.marked = marked;
        }
        if (quarter > 0) elapsed += double(entry.time - lastTime) * 12500.0 / double(quarter);
        lastTime = entry.time;
        quarter = entry.tempo > 0 ? entry.tempo : quarter;
        marked = entry.marked;
        if (entry.bar >= 0 && entry.bar < barCount && startTicks[std::size_t(entry.bar)] == entry.time) {
            CBar* bar = GetBar(entry.bar);
            bar->SetStartTime(std::int32_t(elapsed));
            bar->SetTempo(std::uint16_t(marked));
        }
    }
    if (barCount > 0 && quarter > 0) elapsed += double(startTicks[std::size_t(barCount)] - lastTime) * 12500.0 / double(quarter);
    scoreDuration = std::uint32_t(elapsed);
}
