// Time and position within a bar: ticks, positions in 1/1024 of the bar's content width and
// page x, converted through the bar's beat chart.
#include <algorithm>
#include <cstdlib>

#include "framework/Arith.h"
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"

namespace {

// The longest walk of the offset searches: a scaling that never reaches x stops here.
constexpr int kSearchLimit = 1 << 16;

int Pos(const void* chart, int i) { return beatchart::Field(chart, i, beatchart::kPosition); }
int Time(const void* chart, int i) { return beatchart::Field(chart, i, beatchart::kTime); }

// The item offset of the current staff scaled to the page (the bar's own scaling without one).
int ScaleOffset(CBar* bar, int offset) {
    if (offset == 0) return 0;
    if (CStaff* staff = g_model.currentStaff) return staff->TwentiethsToView(offset);
    return bar->TwentiethsToView(offset);
}

}  // namespace

namespace beatchart {

int UsableCount(const void* chart) {
    const int size = rec::Get<std::int16_t>(chart, rec::kSize);
    const int room = size >= kColumns ? (size - kColumns) / kColumnSize : 0;
    return std::clamp(Count(chart), 0, room);
}

int PositionToTick(const void* chart, int p, int barLength) {
    const int n = UsableCount(chart);
    if (n == 0) return 0;
    if (p <= Pos(chart, 0)) return Time(chart, 0);
    for (int i = 0; i < n; ++i)
        if (std::abs(p - Pos(chart, i)) < 65) return Time(chart, i);
    for (int i = 0; i < n; ++i) {
        const int pos = Pos(chart, i);
        const int next = i + 1 < n ? Pos(chart, i + 1) : 1024;
        if (p < pos || p > next) continue;
        const int t1 = i + 1 < n ? Time(chart, i + 1) : barLength;
        int span = t1 - Time(chart, i);
        // A segment of no width maps to its own start.
        int t = next > pos ? Time(chart, i) + MulDiv(p - pos, span, next - pos) : Time(chart, i);
        span = std::min(span, 480);
        if (span <= 0) return t;
        t = t - 1 + span / 2;
        t -= t % span;
        return std::min(t, barLength - span);
    }
    return Time(chart, n - 1);
}

void BuildUniform(void* chart, int durationClass, int ticksPerBeat) {
    const int n = UsableCount(chart);
    if (n < 1) return;
    const int space = GetAllotSpace(durationClass, 0, 0);
    const int step = 1024 / n;
    for (int i = 0; i < n; ++i) {
        SetField(chart, i, kPosition, i * step);
        SetField(chart, i, kSpan, step);
        SetField(chart, i, kTime, i * ticksPerBeat);
        SetField(chart, i, kSpace, space);
    }
    SetField(chart, n - 1, kSpan, 1024 - (n - 1) * step);
}

}  // namespace beatchart

std::int16_t CBar::TickToFraction(int tick, bool snap) {
    CBarItem* chart = GetBeatChart();
    const int n = chart ? beatchart::UsableCount(chart) : 0;
    const int length = GetLength();
    if (tick < 0 || n == 0) return std::int16_t(MulDiv(tick, 1024, length) + (n ? Pos(chart, 0) : 0));
    // The plain mapping: linear between the columns, the last one running to 1024.
    const auto plain = [&](int t) {
        int i = 1;
        while (i < n && Time(chart, i) <= t) ++i;
        int span, duration;
        if (i >= n) {
            span = 1024 - Pos(chart, n - 1);
            duration = length - Time(chart, n - 1);
            if (duration <= 0) return 1023;
        } else {
            span = Pos(chart, i) - Pos(chart, i - 1);
            duration = Time(chart, i) - Time(chart, i - 1);
            // Columns must rise in time; one that does not is a segment of no duration.
            if (duration <= 0) return Pos(chart, i - 1);
        }
        return Pos(chart, i - 1) + MulDiv(t - Time(chart, i - 1), span, duration);
    };
    if (!snap) return std::int16_t(plain(tick));
    const int meterLength = GetMeterLength();
    const int numerator = GetMeter()->GetNumerator();
    const int beat = numerator ? meterLength / numerator : 0;
    if (n == 1) {
        int t = tick;
        if (beat > 0) {
            t = tick - 1 + beat / 2;
            t -= t % beat;
        }
        return std::int16_t(std::max(MulDiv(t, 1024, meterLength), Pos(chart, 0)));
    }
    for (int i = 0; i < n; ++i)
        if (std::abs(tick - Time(chart, i)) < 16) return std::int16_t(Pos(chart, i));
    for (int i = 0; i < n; ++i) {
        const int t0 = Time(chart, i);
        const int t1 = i + 1 < n ? Time(chart, i + 1) : meterLength;
        if (tick < t0 || tick > t1) continue;
        const int p0 = Pos(chart, i);
        const int p1 = i + 1 < n ? Pos(chart, i + 1) : 1024;
        if (t1 <= t0) return std::int16_t(p0);
        return std::int16_t(p0 + MulDiv(tick - t0, p1 - p0, t1 - t0));
    }
    return std::int16_t(Pos(chart, 0));
}

std::int16_t CBar::FractionToTick(int position) {
    CBarItem* chart = GetBeatChart();
    if (!chart || beatchart::UsableCount(chart) == 0) return std::int16_t(MulDiv(position, GetLength(), 1024));
    return std::int16_t(beatchart::PositionToTick(chart, position, GetLength()));
}

std::int16_t CBar::XToFraction(int x) {
    CBarItem* chart = GetBeatChart();
    const int c0 = (chart && beatchart::UsableCount(chart)) ? Pos(chart, 0) : 0;
    const int leadIn = GetLeadInWidth();
    const int w = GetContentWidth();
    const int x0 = GetLeft() + GetLeadingWidth();
    if (c0 == 0 || leadIn == 0) return std::int16_t(MulDiv(x - x0, 1024, w));
    if (x < x0 + leadIn) return std::int16_t(MulDiv(x - x0, c0, leadIn));
    return std::int16_t(c0 + MulDiv(x - (x0 + leadIn), 1024 - c0, w - leadIn));
}

std::int32_t CBar::FractionToX(int position) {
    CBarItem* chart = GetBeatChart();
    const int c0 = (chart && beatchart::UsableCount(chart)) ? Pos(chart, 0) : 0;
    const int leadIn = GetLeadInWidth();
    const int w = GetContentWidth();
    const int x0 = GetLeft() + GetLeadingWidth();
    if (c0 == 0 || leadIn == 0) return x0 + MulDiv(position, w, 1024);
    if (position < c0) return x0 + MulDiv(position, leadIn, c0);
    return x0 + leadIn + MulDiv(position - c0, w - leadIn, 1024 - c0);
}

std::int32_t CBar::PositionToItemX(int position, int offset) { return FractionToX(position) + ScaleOffset(this, offset); }

int CBar::XToItemOffset(int x, int position, CScoreItem* context) {
    CScoreItem* scaler = context;
    if (!scaler) scaler = GetPage();
    if (!scaler) scaler = this;
    const int x0 = FractionToX(position);
    int offset = scaler->ViewToTwentieths(x - x0);
    for (int i = 0; i < kSearchLimit && x0 + scaler->TwentiethsToView(offset) > x; ++i) --offset;
    for (int i = 0; i < kSearchLimit && x0 + scaler->TwentiethsToView(offset) < x; ++i) ++offset;
    return offset;
}

std::int16_t CBar::WidthToFraction(int d) const { return std::int16_t(MulDiv(d, 1024, GetContentWidth())); }

std::int16_t CBar::FractionToMeterTick(int position) const {
    return std::int16_t(MulDiv(position, GetMeterLength(), 1024));
}

std::int16_t CBar::TickToLinearFraction(int tick) const { return std::int16_t(MulDiv(tick, 1024, GetLength())); }

std::int32_t CBar::FractionToLinearX(int position) const { return GetLeft() + MulDiv(position, GetWidth(), 1024); }

std::int16_t CBar::LinearXToFraction(int x) const { return std::int16_t(MulDiv(x - GetLeft(), 1024, GetWidth())); }

std::int32_t CBar::SpanPositionToX(int n, int position, int offset, bool acrossSystems) {
    CBar* bar = this;
    for (int i = 0; i < n && !bar->IsLast(); ++i) bar = static_cast<CBar*>(bar->NextRecord());
    int shift = 0;
    while (position >= 1024 && !bar->IsLast()) {
        position -= 1024;
        bar = static_cast<CBar*>(bar->NextRecord());
        shift = bar->FractionToX(0) - bar->GetLeft() + bar->GetLeadingWidth();
    }
    int x = bar->FractionToX(position) - shift + ScaleOffset(this, offset);
    CLine* mine = GetLine();
    CLine* theirs = bar->GetLine();
    if (acrossSystems && mine && theirs && theirs != mine) {
        CBar* theirFirst = theirs->GetFirstBar();
        x = x - (theirFirst ? theirFirst->GetLeft() : 0) + mine->GetRight();
        if (CScore* score = GetScore()) {
            for (int s = mine->GetIndex() + 1; s < theirs->GetIndex(); ++s) {
                CLine* between = score->GetLine(s);
                CBar* first = between ? between->GetFirstBar() : nullptr;
                if (between) x += between->GetRight() - (first ? first->GetLeft() : 0);
            }
        }
    }
    return x;
}

std::int16_t CBar::StepX(int position, int step) {
    if (step == 0) return std::int16_t(position);
    const int x0 = FractionToX(position);
    // Positions run from 0 to 1024: a bar without width never gives another x, so the walk
    // ends at the bar's edge and the position moves by one step.
    for (int p = position + step; p >= 0 && p <= 1024; p += step)
        if (FractionToX(p) != x0) return std::int16_t(p);
    return std::int16_t(position + step);
}

int CBar::GetVoiceTimeBefore(int track, int voice, int limit) {
    CScore* score = GetScore();
    CTrkBar* tb = score ? score->GetTrkBar(track, GetIndex()) : nullptr;
    if (!tb || !tb->GetItems()) return 0;
    int time = 0;
    trkbar::ForEachRecord(reinterpret_cast<std::uint8_t*>(tb->GetItems()), tb->GetRunLength(), [&](CBarItem* item) {
        if (item->IsRemoved() || item->VoiceField() != voice || !item->IsNoteOrRest()) return true;
        if (rec::Get<std::uint8_t>(item, 18) & 0x02) return true;  // a grace item
        if (item->PositionField() >= limit) return false;
        time = int(NoteOnsetTime(*item));
        return true;
    });
    return time;
}
