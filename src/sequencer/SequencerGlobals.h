// The sequencer views' globals: the track list's column table (changed in place by its header,
// never stored), its one open inline field, and the operation by which the track list opens a
// track's MIDI redirect dialog (the application registers it at start-up).
#pragma once
#include <array>
#include <cstdint>
#include <functional>

class CTrack;
class CTVNumeric;

// One column of the track list: its kind (what it shows), its width in pixels and the index of
// its header label (string 6000 + index; -1 none).
struct TrackColumn {
    std::int16_t kind = 0;
    std::int16_t width = 0;
    std::int16_t label = -1;
};

struct SequencerGlobals {
    static constexpr int kColumns = 14;
    // The columns in their initial order; the first two never move.
    static constexpr std::array<TrackColumn, kColumns> kInitialColumns = {{{0, 16, -1},
                                                                           {1, 14, -1},
                                                                           {2, 100, 1},
                                                                           {3, 16, 2},
                                                                           {4, 16, 3},
                                                                           {5, 30, 4},
                                                                           {6, 30, 5},
                                                                           {7, 32, 6},
                                                                           {8, 134, 9},
                                                                           {9, 30, 10},
                                                                           {10, 100, 11},
                                                                           {11, 120, 8},
                                                                           {12, 40, 12},
                                                                           {13, 38, 13}}};
    std::array<TrackColumn, kColumns> columns = kInitialColumns;
    // The open inline field of the track list (none: null).
    CTVNumeric* currentField = nullptr;
    // Opens a track's MIDI redirect dialog; true on OK (none registered: nothing opens).
    std::function<bool(CTrack&)> redirectDialog;
};

extern SequencerGlobals g_sequencer;

void ResetSequencerGlobals();
