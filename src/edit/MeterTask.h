// Measure > Time Signature (34006, Ctrl+M): the time signature of a run of bars through the time
// signature dialog. Without selected bars the run is the insertion point's bar up to the bar
// before the next one with another time signature (or one marked to end the run). Undo and redo
// recalculate every bar and lay out every page again.
#pragma once

#include "model/EditTask.h"
#include "model/Meter.h"
#include "platform/FontRef.h"

class CTrack;

// What the time signature dialog edits beside the signature itself: the tracks that draw the
// large signature across their staves, the score's time-signature font and the large
// signature's words (a bar's words, the score's copy of the last ones set).
struct HollywoodStyle {
    static constexpr int kTracks = 64, kWordsSize = 12;
    std::uint8_t trackShown[kTracks] = {};  // 1: the track shows the time signature
    std::int16_t trackCount = 0;
    const CTrack* firstTrack = nullptr;     // the tracks, for their names
    FontRef font{};
    std::uint8_t words[kWordsSize] = {};
};

class CAddMeterTask : public CCruise {
public:
    bool Prepare() override;
    bool Perform() override;
    // Undo and redo also exchange the score's time-signature font and large-signature words.
    void SwapSnapshot() override;

    // The bar's short-bar (pickup) flag the dialog shows as its check box.
    std::uint16_t option = 0;
    // The time signature the bars take.
    Meter working{};
    // The run of bars, from 0.
    std::int16_t first = 0, last = 0;
    // The dialog's tracks, font and words; the score's font and words before it ran (after
    // Perform and after every redo, undo gives them back).
    HollywoodStyle style;
    FontRef keptFont{};
    std::uint8_t keptWords[HollywoodStyle::kWordsSize] = {};

private:
    // Every bar of the run takes the time signature.
    void ApplyToRange();
    // The insertion point's bar alone.
    void ApplyToBar(int b);
    // The score's font and words, and the tracks' switches, from the dialog.
    void ApplyStyle();
};
