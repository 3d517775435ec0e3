// The dense MIDI file the import, export and printing benchmarks share: 16 tracks of 200 bars of
// eighth and quarter notes with chords of one to three notes, random but the same on every run.
#pragma once
#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "midi/MidiFile.h"

namespace bench {

inline std::vector<std::uint8_t> DenseMidiFile() {
    CMidiFile f;
    f.WriteHeader(17);
    f.BeginTrack();
    f.WriteTempo(12000);
    f.EndTrack();
    std::mt19937 random(16);
    for (int t = 0; t < 16; ++t) {
        f.BeginTrack();
        struct Off {
            int tick, key;
        };
        std::vector<Off> offs;
        for (int tick = 0; tick < 200 * 1920; tick += 240 * (1 + int(random() % 2))) {
            const int chord = 1 + int(random() % 3);
            for (int k = 0; k < chord; ++k) {
                const int key = 40 + int(random() % 40);
                // The offs due before this tick first.
                for (auto it = offs.begin(); it != offs.end();) {
                    if (it->tick <= tick) {
                        f.currentTick = it->tick;
                        f.WriteChannel(0x80 | t % 16, it->key, 0);
                        it = offs.erase(it);
                    } else {
                        ++it;
                    }
                }
                f.currentTick = tick;
                f.WriteChannel(0x90 | t % 16, key, 80);
                offs.push_back({tick + 200 + int(random() % 200), key});
            }
        }
        for (const Off& o : offs) {
            f.currentTick = std::max(f.lastTick, o.tick);
            f.WriteChannel(0x80 | t % 16, o.key, 0);
        }
        f.EndTrack();
    }
    return f.Bytes();
}

}  // namespace bench
