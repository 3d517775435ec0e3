// Small scores for the converter's tests, written by the editor's own writer, and what the
// editor reads back from a converted copy: each note's head shapes, and the round trip.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace convertertest {

using Bytes = std::vector<std::uint8_t>;

struct NotePlan {
    int bar = 0;
    int time = 0;              // ticks in the bar
    int value = 3;             // note value code: 1 whole, 2 half, 3 quarter ... 8; others too
    std::vector<int> positions;  // staff positions of the heads, 0 the middle line
    std::vector<int> pitches;    // their MIDI pitches; empty: as the track's clef and key sound them
    int shape = 0;               // the heads' shape code before the conversion
};

struct KeySpec {
    int bar = 0;
    int time = 0;
    int key = 0;  // key code: 0 none, 1-7 flats, 8-14 sharps
};

struct TrackSpec {
    int clef = 0;      // 0 treble, 1 bass
    int staffKey = 0;  // the key its staves start with
    std::vector<KeySpec> keys;    // key changes inside bars
    std::vector<NotePlan> notes;
};

struct ScorePlan {
    int bars = 2;
    std::vector<TrackSpec> tracks;
};

// The score as the editor saves it.
Bytes WriteScore(const ScorePlan& plan);

// What the editor reads from a score file: for each track, each note in run order over the
// bars, its heads' shape codes. Empty when the editor refuses the file.
using HeadShapes = std::vector<std::vector<std::vector<int>>>;
HeadShapes ReadHeadShapes(const Bytes& file);

// The file as the editor saves it after reading it with every head's shape set to 0; empty when
// it refuses the file.
Bytes SavedWithoutShapes(const Bytes& file);

Bytes ReadFile(const std::string& path);
void WriteFile(const std::string& path, const Bytes& bytes);
bool FileExists(const std::string& path);

}  // namespace convertertest
