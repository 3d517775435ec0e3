// A song position on the transport bar: a small button and three number panes for bar, beat
// and tick. Inside the program a position is a bar index and a tick offset in the bar; the
// panes show the bar and the beat counted from 1 and the tick within the beat. Beats are
// measured against the active score's bars (4 beats of 480 ticks without a score).
#pragma once
#include "platform/NumericPane.h"
#include "platform/PaneBtn.h"

class CScore;

// A number pane of a position.
class CTPNumeric : public CNumericPane {};

class TransportPosition {
public:
    enum Field : int { kBarField = 0, kBeatField = 1, kTickField = 2 };

    TransportPosition();

    // Makes the button at the rectangle's top-left and the three panes after it, each 30 pixels
    // wide and 33 apart, with ids base + 1, + 2, + 3.
    bool Create(CWnd* parent, const RECT& rect, int baseId, int buttonStyle);
    void GetPosition(int* bar, int* tick) const;
    void SetPosition(int bar, int tick);
    // The score positions are measured against (null: none); the button is enabled with one.
    void SetScore(CScore* score);
    void Show(bool show);
    // After the user changed a pane: brings the three back into range, carrying into the
    // neighbouring fields.
    void Normalize(int field);

    // The panes' values as shown.
    int BarValue() const { return barPane.field.value; }
    int BeatValue() const { return beatPane.field.value; }
    int TickValue() const { return tickPane.field.value; }
    void SetPaneValues(int bar, int beat, int tick);

    int enabled = 0;
    CScore* score = nullptr;
    CTPNumeric barPane, beatPane, tickPane;
    RECT rect{};
    CPaneBtn button;

private:
    // A bar's beat count and beat length (4 and 480 without a score, and for a bar whose meter
    // gives no beats); the index is clamped to the score's last bar.
    void BarMeter(int index, int* beats, int* beatLength) const;
    int LastBar() const;
};
