// The note-head palette's shapes (4903, 4904): every selected head of the selected notes takes
// the chosen shape. On a percussion staff a head whose staff position a drum of that shape
// stands at plays that drum's key; one without such a drum keeps its key.
#pragma once

#include "model/EditTask.h"

class CHeadTask : public CCruise {
public:
    bool Perform() override;
    void DoItem() override;

    // Heads whose key a drum of the new shape changed.
    int keysChanged = 0;
};
