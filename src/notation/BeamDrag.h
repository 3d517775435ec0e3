// The drag of a beam's handles and body: the beam is drawn only as the drag image while it
// moves; at the release it takes its new ends, is laid out again over its notes, and the tuplet
// brackets that sit on it follow it (moved with it on its side, mirrored when it changed side,
// else placed afresh).
#pragma once
#include <cstdint>

#include "model/DragTask.h"

class CBeam;
class CTrkBar;

class CDragBeam : public CDragTask {
public:
    void BeginItemDrag() override;
    void EndItemDrag() override;

    std::uint8_t startAbove = 0;          // the beam lay above its notes at the press
    std::int32_t startOffsets[2] = {};    // its end staff positions at the press
    std::int32_t startHeights[2] = {};    // its end fine offsets at the press
    CBeam* beam = nullptr;

private:
    void FollowTuplets(CTrkBar* own);
};
