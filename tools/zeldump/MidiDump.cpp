// zeldump FILE.mid: a Standard MIDI File's header and track chunks, each track's events read as
// the importer reads them, then the import as the program opens the file (the options
// dialog's proposal taken as it stands). A refusal names the reader's reason, the track and
// the byte, in the tool's words; the exit status is then 1.
#include "MidiDump.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "ToolScore.h"
#include "app/MidiFileHooks.h"
#include "midi/MidiFile.h"
#include "midi/MidiImport.h"
#include "model/Score.h"

namespace {

std::uint32_t Be32At(const std::vector<std::uint8_t>& b, std::size_t at) {
    return std::uint32_t(b[at]) << 24 | std::uint32_t(b[at + 1]) << 16 | std::uint32_t(b[at + 2]) << 8 | b[at + 3];
}

int Refused(const CMidiFile& file, int track) {
    std::string where = track >= 0 ? "track " + std::to_string(track) + ": " : std::string();
    std::fprintf(stderr, "zeldump: damaged at offset %zu: %s%s\n", file.errorOffset(), where.c_str(), file.error().c_str());
    return 1;
}

}  // namespace

void UseMidiImport() {
    RegisterMidiFileHooks();
    g_midiImport.optionsDialog = nullptr;
}

bool IsMidiFile(const std::vector<std::uint8_t>& bytes) {
    return bytes.size() >= 4 && bytes[0] == 'M' && bytes[1] == 'T' && bytes[2] == 'h' && bytes[3] == 'd';
}

int DumpMidi(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    CMidiFile file;
    file.Attach(bytes);
    SmfHeader h;
    const int code = file.ReadHeader(&h);
    if (bytes.size() >= 14)
        std::printf("MThd @0 len %u format %u tracks %u division %d\n", h.length, unsigned(h.format),
                    unsigned(h.trackCount), int(h.division));
    if (code != 0) return Refused(file, -1);
    // The chunks by position, as the reader finds them; each track's events counted.
    std::size_t at = 8 + std::size_t(h.length);
    const int tracks = std::min<int>(h.trackCount, 64);
    for (int t = 0; t < tracks; ++t) {
        SmfEvent e;
        if (!file.SeekTrack(t, &e)) return Refused(file, t);
        const std::uint32_t length = Be32At(bytes, at + 4);
        int events = 0, notes = 0;
        while (file.ReadEvent(&e)) {
            ++events;
            if ((e.status & 0xF0) == 0x90 && CMidiFile::Data2(e) > 0) ++notes;
        }
        if (!file.error().empty()) return Refused(file, t);
        std::printf("MTrk %d @%zu len %u: %d events, %d notes, ends at tick %d", t, at, length, events, notes, e.tick);
        if (file.chunkOverrun()) std::printf(" (claims %u bytes past the end; read to the end)", file.chunkOverrun());
        std::printf("\n");
        at += 8 + std::size_t(length);
    }
    // The import, as the program opens the file.
    try {
        auto score = tools::ReadScore(path);
        std::printf("read: %d tracks, %d bars, %d systems, %d pages\n", score->score->GetTrackCount(),
                    score->score->GetBarCount(), score->score->GetLineCount(), score->score->GetPageCount());
    } catch (const tools::ToolError& e) {
        std::fprintf(stderr, "zeldump: %s\n", e.what());
        return 1;
    }
    return 0;
}
