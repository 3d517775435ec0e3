// Removing the selection (Clear and Cut) or stripping something from the selected notes (their
// marks, their beams, their duplicate heads): a walk over the selection that deletes or strips
// each selected item, fills an emptied voice with rests and recalculates each changed bar.
#pragma once
#include <cstdint>

#include "model/EditTask.h"

class CDeleteTask : public CCruise {
public:
    // The commands the operation serves.
    enum : int { kClear = 57632, kCut = 57635, kDeleteMarks = 35100, kDeleteBeams = 35101, kDeleteDuplicates = 35102 };
    static bool Serves(int id) {
        return id == kClear || id == kCut || id == kDeleteMarks || id == kDeleteBeams || id == kDeleteDuplicates;
    }

    // The selection's range widened by one track and one bar on each side; the page texts too
    // when one of them is selected.
    bool SaveTrackBarRange(int track1, int bar1, int track2, int bar2) override;
    bool Perform() override;
    void DoTrackBar() override;
    void DoItem() override;
    void EndTrackBar() override;

    std::uint8_t fillGaps = 0;    // a note left the current track bar: its voice gets rests
    std::uint8_t emptiedVoices = 0;   // bit v: a note of voice v left the current track bar
    std::uint8_t tempoGone = 0;   // a tempo mark went: every bar's running state is rebuilt
    std::uint8_t carriedGone = 0; // a clef or key signature went (see Perform)

private:
    void DeleteDuplicateHeads();
    void StripMarks();
    bool endDone = false;
};
