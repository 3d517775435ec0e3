// Measure > Justify (34013): the bars of the selection (every track), or the insertion point's
// bar when nothing is selected, are spaced again and their systems justified; bars whose spacing
// is locked keep it.
#pragma once

#include "model/EditTask.h"

class CJustifyTask : public CCruise {
public:
    bool Perform() override;

    // The bars the task spaced (the extent's).
    std::int16_t firstBar = 0, lastBar = 0;
};
