// An item's playback edit (4102 a bend, 4111 a symbol, 4116 a slur, 4117 a graphic): the
// playback dialog on the item's 32-byte playback setting, for a slur also its playback words,
// its byte and its legato percentage, which gives every note of the slur's voice under it a
// played length of that share of its written length (0 leaves them alone). The dialog's scope
// passes the setting on to the like items of the insertion point's track (1) or of every
// track (2).
#pragma once

#include <cstdint>

#include "model/EditTask.h"

class CBarItem;

class CEditPlaybackTask : public CCruise {
public:
    static constexpr int kBlockSize = 32;
    // What the playback dialog edits.
    struct Playback {
        std::uint8_t block[kBlockSize] = {};
        int scope = 0;                // 0 the item, 1 its like items in the insertion point's track, 2 in every track
        // A slur's: the legato percentage (0 none), its two playback words and its byte.
        int legato = 0;
        std::int16_t slurWords[2] = {};
        std::uint8_t slurByte = 0;
    };
    // Where an item keeps its playback setting; -1 for an item without one.
    static int PlaybackOffset(const CBarItem* item);

    bool Prepare() override;
    bool Perform() override;

    CBarItem* edited = nullptr;
    int editedTrack = 0, editedBar = 0;
    Playback playback;

protected:
    // The playback dialog (414); false on Cancel.
    virtual bool RunDialog();

private:
    // The setting (and a slur's words, byte and percentage) into a like item.
    void CopyInto(CBarItem* item) const;
    // The legato lengths under a slur of track t that starts in bar b.
    void ApplyLegato(CBarItem* slur, int t, int b);
};
