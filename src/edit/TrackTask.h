// Insert and delete track: 4312 inserts the tracks of the palette's chosen kind at the current
// track, 33007 (Score > Insert Track) a treble staff there, 33008 (Score > Delete Track) and 4206
// (the erase tool on a staff) delete the current track. Its undo gives back the tracks, pages,
// systems and bars of the tracks.
#pragma once

#include "model/EditTask.h"

class CTrackTask : public CCruise {
public:
    enum : int { kInsert = 4312, kInsertMenu = 33007, kDelete = 33008, kEraseStaff = 4206 };
    // The most tracks a score holds.
    static constexpr int kMaxTracks = 64;

    bool Prepare() override;
    bool Perform() override;
    // The base swap, then the bars recalculated and the windows told that the tracks changed.
    void SwapSnapshot() override;

    std::int32_t trackKind = 0;      // 0 single staff, 4 percussion, 5 tablature, 6 piano, 7 three staves
    std::int16_t insertIndex = 0;    // the track index the new track takes, or the one deleted
};
