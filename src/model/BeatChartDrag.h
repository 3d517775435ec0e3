// The drag of one column of a bar's beat chart (the handle strip under the bar): the column's
// position moves between its neighbours (8 units clear of each; the first column's left bound
// is the bar's start), the widths of it and the column before follow, and every track's part of
// the bar is spaced again.
#pragma once
#include "model/DragTask.h"

class CBar;

class CDragBeatChart : public CDragTask {
public:
    // The room a column keeps from its neighbours.
    static constexpr int kGap = 8;
    // counters[0] holds the column's x (clamped to the bounds), counters[1] the handle's y.
    void BeginItemDrag() override;
    void MoveItemDrag() override;
    void EndItemDrag() override;
    void DrawDragImage() override;

private:
    CBar* Bar() const;
    int column = 0;  // the hit column
};
