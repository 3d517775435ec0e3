// The drag of a volta ending over a run of bars: a new ending made on the bar pressed (its end
// handle then follows the pointer), or a hit ending whose start or end handle moves it to other
// bars. The release snaps the end to a bar (the next system's first, the bar before, never
// before the start bar nor past the score's last) and the start to the bar it lies over.
#pragma once
#include <cstdint>

#include "model/DragTask.h"

class CBar;

class CDragEnding : public CDragTask {
public:
    // The ending's own words that a new one takes unless palette button 8 made it.
    static constexpr int kStyleBytes = 3;

    void Begin(CZelDoc* doc, CScoreItem* item, int nameId) override;
    void EndItemDrag() override;

    std::int32_t lastBar = 0;        // the ending's last bar
    CBar* startBar = nullptr;        // the bar that holds the ending
    CBarItem* ending = nullptr;      // the ending in its bar
    alignas(8) std::uint8_t scratch[256] = {};  // a new ending, or a copy of the dragged one

private:
    void EndStart();
    void EndEnd();
};
