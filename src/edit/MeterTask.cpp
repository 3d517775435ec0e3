#include "edit/MeterTask.h"

#include <algorithm>
#include <cstring>

#include "edit/EditStandIns.h"
#include "model/Bar.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/Handles.h"

namespace {
// The time signature's display bit that only a run's first bar keeps.
constexpr std::uint8_t kMeterDisplayBit4 = 0x10;
// The display bit of the large signature drawn across the staves, and a track's switch that
// shows the time signature.
constexpr std::uint8_t kLargeSignature = 0x80, kTrackShowsMeter = 0x04;

void PutWords(CBar* bar, const std::uint8_t* words) {
    std::memcpy(bar->Bytes() + CBar::kMeterDisplayWord, words, HollywoodStyle::kWordsSize);
}

void ClearMeterDisplay(CBar* bar, std::uint8_t bits) {
    Meter* m = bar->GetMeter();
    m->SetDisplayFlags(std::uint8_t(m->GetDisplayFlags() & ~bits));
}
}  // namespace

bool CAddMeterTask::Prepare() {
    if (!score || !document || score->GetBarCount() <= 0) return false;
    const int count = score->GetBarCount();
    const int at = std::clamp<int>(document->location.barIndex, 0, count - 1);
    CBar* bar = score->GetBar(at);
    option = bar->HasBarFlag(CBar::kShortBarBit) ? 1 : 0;
    working = *bar->GetMeter();
    first = std::int16_t(at);
    int b = at + 1;
    for (; b < count; ++b) {
        CBar* next = score->GetBar(b);
        if (next->HasBarFlag(CBar::kShowsMeterBit) || !next->GetMeter()->Matches(working)) break;
    }
    last = std::int16_t(b - 1);
    int selFirst = 0, selLast = 0;
    if (document->GetSelectedBarRange(&selFirst, &selLast) && selFirst >= 0 && selFirst < count) {
        first = std::int16_t(selFirst);
        last = std::int16_t(std::clamp(selLast, selFirst, count - 1));
    }
    std::int16_t range[2] = {std::int16_t(first + 1), std::int16_t(last + 1)};
    // The dialog's tracks, the score's font and the bar's words; the score's own words kept.
    style = HollywoodStyle{};
    style.trackCount = score->GetTrackCount();
    style.firstTrack = score->GetTrack(0);
    for (int t = 0; t < std::min<int>(style.trackCount, HollywoodStyle::kTracks); ++t)
        style.trackShown[t] = (score->GetTrack(t)->GetDisplaySwitches() & kTrackShowsMeter) ? 1 : 0;
    style.font = score->staffLabelFont;
    std::memcpy(style.words, bar->Bytes() + CBar::kMeterDisplayWord, sizeof style.words);
    keptFont = score->staffLabelFont;
    std::memcpy(keptWords, score->largeMeterWords, sizeof keptWords);
    const Meter previous = first > 0 ? *score->GetBar(first - 1)->GetMeter() : Meter{};
    CMeterDlg dlg(&working, &option, range, count, &previous, &style);
    if (!dlg.RunModal()) return false;
    first = std::int16_t(std::clamp(range[0] - 1, 0, count - 1));
    last = std::int16_t(std::clamp(range[1] - 1, int(first), count - 1));
    return true;
}

void CAddMeterTask::ApplyToRange() {
    // Every track of the run is re-timed afterwards: all of them are saved.
    if (!SaveTrackBarRange(0, first, score->GetTrackCount() - 1, std::min(last + 1, score->GetBarCount() - 1)))
        ThrowOutOfMemory();
    score->GetBar(first)->SetBarFlag(CBar::kShortBarBit, option != 0);
    PutWords(score->GetBar(first), style.words);
    for (int b = first; b <= last; ++b) {
        CBar* bar = score->GetBar(b);
        *bar->GetMeter() = working;
        bar->MeasureContents();
        bar->SetBarFlag(CBar::kFlag0, b == first);
        if (b != first) ClearMeterDisplay(bar, kMeterDisplayBit4);
    }
    if (CBar* after = score->GetBar(last + 1); after && after->GetMeter()->Matches(working)) {
        ClearMeterDisplay(after, Meter::kShown);
        after->SetBarFlag(CBar::kFlag0, false);
    }
}

void CAddMeterTask::ApplyToBar(int b) {
    // Every track of the bar is re-timed afterwards: all of them are saved.
    if (!SaveTrackBarRange(0, b, score->GetTrackCount() - 1, std::min(b + 1, score->GetBarCount() - 1)))
        ThrowOutOfMemory();
    CBar* bar = score->GetBar(b);
    bar->SetBarFlag(CBar::kShortBarBit, option != 0);
    bar->SetBarFlag(CBar::kFlag0, false);
    PutWords(bar, style.words);
    if (b > 0 && score->GetBar(b - 1)->GetMeter()->Matches(working))
        bar->SetBarFlag(CBar::kFlag0, (working.GetDisplayFlags() & Meter::kShown) != 0);
    *bar->GetMeter() = working;
    if (!bar->IsLast())
        if (CBar* after = score->GetBar(b + 1); after && after->GetMeter()->Matches(working)) {
            ClearMeterDisplay(after, Meter::kShown | kMeterDisplayBit4);
            after->SetBarFlag(CBar::kFlag0, false);
        }
}

void CAddMeterTask::ApplyStyle() {
    score->staffLabelFont = style.font;
    std::memcpy(score->largeMeterWords, style.words, sizeof style.words);
    if (!(working.GetDisplayFlags() & kLargeSignature)) return;
    for (int t = 0; t < std::min<int>(score->GetTrackCount(), HollywoodStyle::kTracks); ++t) {
        CTrack* track = score->GetTrack(t);
        const std::uint8_t was = track->GetDisplaySwitches();
        track->SetDisplaySwitches(style.trackShown[t] ? std::uint8_t(was | kTrackShowsMeter)
                                                      : std::uint8_t(was & ~kTrackShowsMeter));
    }
}

void CAddMeterTask::SwapSnapshot() {
    if (score) {
        std::swap(score->staffLabelFont, keptFont);
        std::uint8_t words[HollywoodStyle::kWordsSize];
        std::memcpy(words, score->largeMeterWords, sizeof words);
        std::memcpy(score->largeMeterWords, keptWords, sizeof words);
        std::memcpy(keptWords, words, sizeof words);
    }
    CCruise::SwapSnapshot();
}

bool CAddMeterTask::Perform() {
    if (!score || !document) return true;
    wholeScore = 1;
    curBar = first;
    if (!SaveTracks()) ThrowOutOfMemory();
    ApplyStyle();
    // The run's first bar (the insertion point's unless bars are selected).
    const int at = first;
    const Meter old = *score->GetBar(at)->GetMeter();
    working.Update();
    const bool changedMeter = working.GetNumerator() != old.GetNumerator() ||
                              working.GetDenominator() != old.GetDenominator() ||
                              working.GetGroupCount() != old.GetGroupCount() ||
                              option != (score->GetBar(at)->HasBarFlag(CBar::kShortBarBit) ? 1 : 0);
    if (last > first) ApplyToRange();
    else ApplyToBar(at);
    // What the recalculation carries from bar to bar changed: the whole score is walked.
    score->Reindex();
    score->RecalcBars(false);
    for (int b = first; b <= last; ++b) {
        CBar* bar = score->GetBar(b);
        if (!bar) break;
        if (changedMeter && bar->Respace()) {
            if (CLine* line = bar->GetLine()) line->Rejustify(true);
            for (int t = 0; t < score->GetTrackCount(); ++t) score->GetTrkBar(t, b)->RecalcPositions(-1);
        }
        for (int t = 0; t < score->GetTrackCount(); ++t) {
            CTrkBar* tb = score->GetTrkBar(t, b);
            tb->SetCurrent();
            tb->RecalcTimes(nullptr, nullptr);
        }
    }
    SetLayoutChanged(true);
    return true;
}
