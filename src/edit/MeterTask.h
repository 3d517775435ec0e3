// Measure > Time Signature (34006, Ctrl+M): the time signature of a run of bars through the time
// signature dialog. Without selected bars the run is the insertion point's bar up to the bar
// before the next one with another time signature (or one marked to end the run). Undo and redo
// recalculate every bar and lay out every page again.
#pragma once

#include "model/EditTask.h"
#include "model/Meter.h"

class CAddMeterTask : public CCruise {
public:
    bool Prepare() override;
    bool Perform() override;

    // The bar's short-bar (pickup) flag the dialog shows as its check box.
    std::uint16_t option = 0;
    // The time signature the bars take.
    Meter working{};
    // The run of bars, from 0.
    std::int16_t first = 0, last = 0;

private:
    // Every bar of the run takes the time signature.
    void ApplyToRange();
    // The insertion point's bar alone.
    void ApplyToBar(int b);
};
