// libFuzzer entry for the Standard MIDI File reader: each input is read as a file image, header
// first, then every track it names, event by event. An event's data must lie inside the image,
// ticks must never go back nor pass the longest score, and every track must end; a broken rule
// traps, so the fuzzer keeps the input.
#include <cstdint>
#include <vector>

#include "midi/MidiFile.h"

namespace {
void Check(bool ok) {
    if (!ok) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CMidiFile file;
    file.Attach(std::vector<std::uint8_t>(data, data + size));
    SmfHeader header;
    if (file.ReadHeader(&header) != 0) return 0;
    for (int t = 0; t < header.trackCount && t < 64; ++t) {
        SmfEvent e;
        if (!file.SeekTrack(t, &e)) break;
        std::size_t events = 0;
        int last = 0;
        while (file.ReadEvent(&e)) {
            if (e.data) Check(std::size_t(e.offset) + e.length <= size);
            Check(e.tick >= last && e.tick <= CMidiFile::kMaxTick);
            last = e.tick;
            Check(++events <= size);
        }
    }
    return 0;
}
