#include "app/TransportPosition.h"

#include <algorithm>

#include "model/Bar.h"
#include "model/Score.h"
#include "platform/StdDlgGlobals.h"

namespace {

constexpr int kDefaultBeats = 4;
constexpr int kDefaultBeatLength = 480;
constexpr int kMaxBar = 9999;

void Put(CTPNumeric& pane, int value) {
    pane.field.SetValueAndRange(value, pane.field.minimum, pane.field.maximum);
    pane.field.Draw();
}

}  // namespace

TransportPosition::TransportPosition() {
    barPane.field.SetValueAndRange(1, 1, kMaxBar);
    beatPane.field.SetValueAndRange(1, 1, kDefaultBeats);
    tickPane.field.SetValueAndRange(0, 0, kDefaultBeatLength);
}

bool TransportPosition::Create(CWnd* parent, const RECT& r, int baseId, int buttonStyle) {
    rect = r;
    const RECT b{r.left, r.top, r.left + 16, r.top + 12};
    if (!button.Create(parent, b, baseId, std::int16_t(buttonStyle), 16, 16)) return false;
    int x = r.left + 16;
    CTPNumeric* panes[3] = {&barPane, &beatPane, &tickPane};
    const int ranges[3][3] = {{1, 1, kMaxBar}, {1, 1, kDefaultBeats}, {0, 0, kDefaultBeatLength}};
    for (int i = 0; i < 3; ++i, x += 33) {
        const RECT p{x, r.top, x + 30, r.bottom};
        if (!panes[i]->Create(parent, p, ranges[i][0], ranges[i][1], ranges[i][2], baseId + 1 + i)) return false;
        panes[i]->SetDlgCtrlID(baseId + 1 + i);
    }
    return true;
}

int TransportPosition::LastBar() const { return score ? std::max(0, score->GetBarCount() - 1) : 0; }

void TransportPosition::BarMeter(int index, int* beats, int* beatLength) const {
    *beats = kDefaultBeats;
    *beatLength = kDefaultBeatLength;
    if (!score || score->GetBarCount() <= 0) return;
    const CBar* bar = score->GetBar(std::clamp(index, 0, LastBar()));
    if (!bar) return;
    const int length = bar->GetBeatLength();
    const int count = length > 0 ? bar->GetMeterLength() / length : 0;
    // A bar whose meter gives no beats would never let a carry end: it counts as 4 of 480.
    if (length <= 0 || count <= 0) return;
    *beats = count;
    *beatLength = length;
}

void TransportPosition::GetPosition(int* bar, int* tick) const {
    int index = BarValue() - 1;
    if (score) index = std::min(index, LastBar());
    int beats = 0, length = 0;
    BarMeter(index, &beats, &length);
    *bar = index;
    *tick = (BeatValue() - 1) * length + TickValue();
}

void TransportPosition::SetPosition(int bar, int tick) {
    int beats = 0, length = 0;
    BarMeter(bar, &beats, &length);
    SetPaneValues(bar + 1, tick / length + 1, tick % length);
}

void TransportPosition::SetPaneValues(int bar, int beat, int tick) {
    Put(barPane, bar);
    Put(beatPane, beat);
    Put(tickPane, tick);
}

void TransportPosition::SetScore(CScore* s) {
    score = s;
    enabled = s ? 1 : 0;
    if (button.IsWindow())
        button.SetEnabled(enabled != 0);
    else
        button.btnEnabled = std::uint8_t(enabled);
}

void TransportPosition::Show(bool show) {
    for (CWnd* w : {static_cast<CWnd*>(&button), static_cast<CWnd*>(&barPane), static_cast<CWnd*>(&beatPane),
                    static_cast<CWnd*>(&tickPane)})
        if (w->IsWindow()) w->ShowWindow(show ? SW_SHOW : SW_HIDE);
}

void TransportPosition::Normalize(int field) {
    int bar = BarValue();  // shown, from 1
    int beats = 0, length = 0;
    BarMeter(bar - 1, &beats, &length);
    // The next bar's meter, unless this bar's flag says its meter carries on.
    auto nextBar = [&] {
        const CBar* current = score && score->GetBarCount() > 0 ? score->GetBar(std::clamp(bar - 1, 0, LastBar())) : nullptr;
        ++bar;
        if (!current || !current->HasBarFlag(CBar::kCoveredBit)) BarMeter(bar - 1, &beats, &length);
    };
    switch (field) {
    case kBarField:
        Put(barPane, barPane.field.GetClampedValue());
        break;
    case kBeatField: {
        int beat = BeatValue();
        if (beat <= 0) {
            Put(tickPane, 0);
            if (bar > 1) {
                --bar;
                BarMeter(bar - 1, &beats, &length);
                beat = beats;
            } else {
                beat = 1;
            }
        } else {
            while (beat > beats) {
                beat -= beats;
                Put(tickPane, 0);
                nextBar();
            }
        }
        Put(barPane, bar);
        Put(beatPane, std::max(beat, 1));
        break;
    }
    case kTickField: {
        int tick = TickValue();
        int beat = BeatValue();
        while (tick >= length) {
            tick -= length;
            ++beat;
            while (beat > beats) {
                beat -= beats;
                nextBar();
            }
        }
        Put(barPane, bar);
        Put(beatPane, beat);
        Put(tickPane, tick);
        break;
    }
    default:
        return;
    }
    // A number being typed into one of the panes takes the changed field's value and range.
    if (CNumeric* numeric = g_ui.currentNumeric) {
        if (field == kBarField && numeric == &barPane.field)
            numeric->SetValueAndRange(BarValue(), 1, kMaxBar);
        else if (field == kBeatField && numeric == &beatPane.field)
            numeric->SetValueAndRange(BeatValue(), 0, beats + 1);
        else if (field == kTickField && numeric == &tickPane.field)
            numeric->SetValueAndRange(TickValue(), 0, length);
    }
}
