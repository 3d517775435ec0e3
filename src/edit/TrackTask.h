// Insert and delete track: 33007 (Score > Insert Track) asks in the insert-track dialog for the
// kind of the new track, its instrument, its place before or after the current track and its
// device, bank, channels and patches; 4312 inserts the tracks of the palette's chosen kind at
// the current track; 33008 (Score > Delete Track) and 4206 (the erase tool on a staff) delete
// the current track. Its undo gives back the tracks, pages, systems and bars of the tracks.
#pragma once

#include <array>
#include <cstdint>

#include "model/EditTask.h"
#include "model/Track.h"

class CTrackTask : public CCruise {
public:
    enum : int { kInsert = 4312, kInsertMenu = 33007, kDelete = 33008, kEraseStaff = 4206 };
    // The most tracks a score holds.
    static constexpr int kMaxTracks = 64;
    // The instrument library entries the kinds of track are set up from.
    enum : int { kPercussionEntry = 39, kPianoEntry = 40, kTablatureEntry = 47 };

    bool Prepare() override;
    bool Perform() override;
    // The base swap, then the bars recalculated and the windows told that the tracks changed.
    void SwapSnapshot() override;

    // The track record the new track is made from: a standard five-line staff with the current
    // track's settings (not its names) and no voice definitions, edited by the dialog.
    CTrack& Template() { return *reinterpret_cast<CTrack*>(templateBytes.data()); }

    std::uint8_t dialogShown = 1;    // 0 when the dialog ran
    std::int32_t trackKind = 0;      // 0 single staff, 4 percussion, 5 tablature, 6 piano, 7 three staves
    std::int32_t instrumentIndex = 0;  // the dialog's single-staff entry: 0 treble, 1 bass, 2 on the library's
    std::int16_t insertIndex = 0;    // the track index the new track takes, or the one deleted

private:
    void BuildTemplate();
    // Sets up the inserted tracks from the template and by their kind.
    void SetUpNewTracks();

    alignas(8) std::array<std::uint8_t, CTrack::kSize> templateBytes{};
};
