// The drag of a pedal line's points: with Alt a press on a change point of a notched line
// inserts a copy of that point to drag away; at the release the points are put back in order of
// their positions.
#pragma once
#include "model/DragTask.h"

class CDragPedal : public CDragTask {
public:
    void Begin(CZelDoc* doc, CScoreItem* item, int nameId) override;
    void MouseUp(POINT current, POINT previous, POINT start) override;
};
