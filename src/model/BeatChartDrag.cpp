// The beat-chart column drag: bounds from the neighbouring columns, the clamped x while it
// moves, the new position and widths at the release with every track respaced, and the image
// of a handle with a dotted line down the system.
#include "model/BeatChartDrag.h"

#include <algorithm>

#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/TrkBar.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"

namespace {
constexpr int kBarType = 8;
constexpr int kLastPosition = 1023;
constexpr int kBarWidth = 1024;
}  // namespace

CBar* CDragBeatChart::Bar() const {
    return item && item->TypeCode() == kBarType ? static_cast<CBar*>(item) : nullptr;
}

void CDragBeatChart::BeginItemDrag() {
    CBar* bar = Bar();
    CBarItem* chart = bar ? bar->GetBeatChart() : nullptr;
    const int n = chart ? beatchart::UsableCount(chart) : 0;
    column = g_model.hitIndex;
    if (!chart || column < 0 || column >= n) {
        column = -1;
        return;
    }
    // The chart lives in the bar; the positions of every track's part of the bar follow it.
    SaveBar(bar->GetIndex());
    SaveAllTracksBars(bar->GetIndex(), bar->GetIndex());
    const int time = beatchart::Field(chart, column, beatchart::kTime);
    const int beat = bar->GetBeatLength();
    counters[0] = bar->FractionToX(beatchart::Field(chart, column, beatchart::kPosition));
    counters[1] = bar->GetBeatChartY() + (beat > 0 && time % beat == 0 ? 0 : bar->ScaleToView(6));
    bounds.left = column > 0 ? bar->FractionToX(beatchart::Field(chart, column - 1, beatchart::kPosition)) + kGap
                             : bar->FractionToX(0);
    bounds.right = column + 1 < n ? bar->FractionToX(beatchart::Field(chart, column + 1, beatchart::kPosition)) - kGap
                                  : bar->FractionToX(kLastPosition) - kGap;
    if (bounds.right < bounds.left) bounds.right = bounds.left;
}

void CDragBeatChart::MoveItemDrag() {
    if (column < 0) return;
    counters[0] = ClampX(current.x);
}

void CDragBeatChart::EndItemDrag() {
    CBar* bar = Bar();
    CBarItem* chart = bar ? bar->GetBeatChart() : nullptr;
    if (!moved || column < 0 || !chart || column >= beatchart::UsableCount(chart)) {
        undoable = 0;
        return;
    }
    const int position = beatchart::Field(chart, column, beatchart::kPosition);
    int step = bar->XToFraction(counters[0]) - bar->XToFraction(start.x);
    step = std::clamp(position + step, 0, kBarWidth) - position;
    if (step == 0) {
        undoable = 0;
        return;
    }
    beatchart::SetField(chart, column, beatchart::kPosition, position + step);
    beatchart::SetField(chart, column, beatchart::kSpan, beatchart::Field(chart, column, beatchart::kSpan) - step);
    if (column > 0)
        beatchart::SetField(chart, column - 1, beatchart::kSpan, beatchart::Field(chart, column - 1, beatchart::kSpan) + step);
    if (score) {
        for (int t = 0; t < score->GetTrackCount(); ++t)
            if (CTrkBar* tb = score->GetTrkBar(t, bar->GetIndex())) {
                tb->SetCurrent();
                tb->RecalcPositions(-1);
            }
    }
    if (CLine* line = bar->GetLine()) line->Invalidate();
}

void CDragBeatChart::DrawDragImage() {
    CBar* bar = Bar();
    CArtist* a = g_draw.artist;
    if (!bar || !a || column < 0) return;
    const int x = counters[0], y = counters[1];
    a->DrawHandle(x, y, false);
    CLine* line = bar->GetLine();
    if (!line) return;
    a->SetPenStyle(PS_DOT);
    a->Line(x, y + bar->ScaleToView(3), x, line->GetBottom());
    a->SetPenStyle(PS_SOLID);
}
