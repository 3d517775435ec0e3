// build/zeldump FILE: prints the chunk tree of a score file (tags, offsets, lengths, list
// counts and the header's fields), then reads the file as the program does. A damaged file (a
// chunk past the end, a chunk out of its place, anything the reader refuses, also in a file of
// the older format) is reported with the offset where reading went wrong and the reason, and
// the exit status is then 1. A Standard MIDI File is dumped and imported (MidiDump.h).
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "LayoutCommands.h"
#include "MidiDump.h"
#include "ToolScore.h"
#include "framework/Exceptions.h"
#include "framework/File.h"
#include "model/Score.h"
#include "model/Titles.h"
#include "platform/ChunkStream.h"

namespace {

struct Damage {
    std::uint64_t offset;
    std::string what;
};

class Reader {
public:
    explicit Reader(std::vector<std::uint8_t> b) : bytes(std::move(b)) {}
    std::uint64_t pos = 0;
    std::uint64_t Left() const { return bytes.size() - pos; }
    void Need(std::uint64_t n, const char* what) const {
        if (Left() < n) throw Damage{pos, std::string("file ends inside ") + what};
    }
    std::uint32_t U32(const char* what) {
        Need(4, what);
        const std::uint8_t* p = &bytes[pos];
        pos += 4;
        return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
    }
    std::uint16_t U16(const char* what) {
        Need(2, what);
        const std::uint8_t* p = &bytes[pos];
        pos += 2;
        return std::uint16_t((p[0] << 8) | p[1]);
    }
    std::uint16_t U16At(std::uint64_t at) const { return std::uint16_t((bytes[at] << 8) | bytes[at + 1]); }
    std::uint32_t U32At(std::uint64_t at) const {
        return (std::uint32_t(bytes[at]) << 24) | (std::uint32_t(bytes[at + 1]) << 16) |
               (std::uint32_t(bytes[at + 2]) << 8) | bytes[at + 3];
    }
    std::string TagAt(std::uint64_t at) const {
        std::string s;
        for (int i = 0; i < 4; ++i) {
            const char c = char(bytes[at + i]);
            s += (c >= 32 && c < 127) ? c : '?';
        }
        return s;
    }
    std::vector<std::uint8_t> bytes;
};

// The optional lists of the tail: chunks with a 32-bit length and an element count.
bool IsTailList(const std::string& tag) {
    return tag == "PGTX" || tag == "LYRC" || tag == "FNTS" || tag == "ODEV" || tag == "PACH";
}

// One chunk: tag, length, body; returns its tag.
std::string Chunk(Reader& r, int depth, const char* expected = nullptr) {
    const std::uint64_t at = r.pos;
    r.Need(8, "a chunk head");
    const std::string tag = r.TagAt(at);
    r.pos += 4;
    const std::uint32_t length = r.U32("a chunk head");
    if (length > r.Left()) throw Damage{at, "chunk " + tag + " of length " + std::to_string(length) + " runs past the end"};
    // The conductor and track-bar chunks begin with their item count, the tail's lists with
    // their element count.
    if ((tag == "COND" || tag == "BDAT") && length >= 2)
        std::printf("%*s%-4s @%llu len %u items %u\n", depth * 2, "", tag.c_str(), (unsigned long long)at, length,
                    unsigned(r.U16At(r.pos)));
    else if (IsTailList(tag) && length >= 2)
        std::printf("%*s%-4s @%llu len %u count %u\n", depth * 2, "", tag.c_str(), (unsigned long long)at, length,
                    unsigned(r.U16At(r.pos)));
    else
        std::printf("%*s%-4s @%llu len %u\n", depth * 2, "", tag.c_str(), (unsigned long long)at, length);
    if (expected && tag != expected)
        throw Damage{at, std::string("expected ") + expected + " here, found " + tag};
    r.pos += length;
    // A chunk of length 0 bounds nothing: its reader takes its fields straight from what
    // follows. A title block is read so, by the program's own reader, to find where it ends.
    if (length == 0 && tag == "TITL") {
        CMemFile file(r.bytes);
        file.Seek(std::int64_t(at), CFile::begin);
        CChunkStream stream;
        stream.SetFile(&file);
        TitleBlock block{};
        try {
            block.Read(stream);
        } catch (const CException&) {
            throw Damage{at, "title block " + tag + " runs past the end"};
        }
        std::printf("%*s(fields follow directly: %llu bytes)\n", depth * 2 + 2, "",
                    (unsigned long long)(file.GetPosition() - r.pos));
        r.pos = file.GetPosition();
    }
    return tag;
}

int List(Reader& r, const char* listTag, const char* name, const char* element, bool staves) {
    const std::uint64_t at = r.pos;
    r.Need(6, "a list head");
    const std::string tag = r.TagAt(at);
    if (tag != listTag) throw Damage{at, std::string("expected ") + listTag + " here, found " + tag};
    r.pos += 4;
    const int count = r.U16("a list head");
    std::printf("%s @%llu count %d (%s)\n", tag.c_str(), (unsigned long long)at, count, name);
    for (int i = 0; i < count; ++i) {
        Chunk(r, 1, element);
        while (staves && r.Left() >= 8 && r.TagAt(r.pos) == "STAF") Chunk(r, 2);
    }
    return count;
}

int Dump(Reader& r) {
    r.Need(4, "the magic");
    const std::string magic = r.TagAt(0);
    if (magic == "ZLP0" || magic == "ZLP1") {
        std::printf("%s: legacy raw score file, %zu bytes (no chunk tree)\n", magic.c_str(), r.bytes.size());
        return 0;
    }
    if (magic != "ZLSC") throw Damage{0, "not a score file (magic " + magic + ")"};
    r.pos = 4;
    const std::uint32_t hlen = r.U32("the header");
    if (hlen > r.Left()) throw Damage{0, "header of length " + std::to_string(hlen) + " runs past the end"};
    const std::uint64_t b = 8;
    std::printf("ZLSC @0 len %u\n", hlen);
    auto word = [&](std::uint64_t off) -> long { return off + 2 <= hlen ? long(std::int16_t(r.U16At(b + off))) : -1; };
    auto lng = [&](std::uint64_t off) -> long { return off + 4 <= hlen ? long(std::int32_t(r.U32At(b + off))) : -1; };
    std::printf("  version 0x%lx needed 0x%lx build %d option 0x%02x\n", word(0) & 0xFFFF, word(2) & 0xFFFF,
                hlen > 4 ? r.bytes[b + 4] : 0, hlen > 5 ? r.bytes[b + 5] : 0);
    std::printf("  options");
    for (int i = 0; i < 16 && 6u + i < hlen; ++i) std::printf(" %d", r.bytes[b + 6 + i]);
    std::printf("\n  zoom %ld page mode %ld size %ld maximised %ld window %ld %ld %ld %ld\n", word(22), word(24), word(26),
                word(28), word(30), word(32), word(34), word(36));
    const long tracks = word(38), pages = word(40), lines = word(42), bars = word(44);
    std::printf("  tracks %ld pages %ld systems %ld bars %ld\n", tracks, pages, lines, bars);
    std::printf("  printable %ld %ld %ld %ld paper %ld x %ld\n", lng(46), lng(50), lng(54), lng(58), lng(62), lng(66));
    r.pos = 8 + hlen;

    const int t = List(r, "TRKL", "tracks", "TRAK", false);
    List(r, "PAGL", "pages", "PAGE", false);
    List(r, "LINL", "systems", "LINE", true);
    const int n = List(r, "BARL", "bars", "MEAS", false);
    for (int i = 0; i < n; ++i) Chunk(r, 0, "COND");
    for (int k = 0; k < t; ++k) {
        std::printf("track %d\n", k + 1);
        for (int i = 0; i < n; ++i) Chunk(r, 1, "BDAT");
    }
    for (;;) {
        if (r.Left() < 4) throw Damage{r.pos, "file ends before the end mark"};
        if (r.U32At(r.pos) == 0xFFFFFFFFu) {
            std::printf("end mark @%llu\n", (unsigned long long)r.pos);
            return 0;
        }
        Chunk(r, 0);
    }
}

}  // namespace

int main(int argc, char** argv) {
    // MIDI files open as the program opens them, the import's proposal taken as it stands.
    UseMidiImport();
    const int layout = RunLayoutCommand(argc, argv);
    if (layout != -1) return layout;
    if (argc != 2) {
        std::fprintf(stderr, "usage: zeldump FILE\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "zeldump: cannot open %s\n", argv[1]);
        return 2;
    }
    Reader r(std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
    if (IsMidiFile(r.bytes)) return DumpMidi(argv[1], r.bytes);
    try {
        Dump(r);
    } catch (const Damage& d) {
        std::fprintf(stderr, "zeldump: damaged at offset %llu: %s\n", (unsigned long long)d.offset, d.what.c_str());
        return 1;
    }
    // The tree is whole; the reader must take the file too.
    try {
        auto score = tools::ReadScoreBytes(r.bytes);
        std::printf("read: %d tracks, %d bars, %d systems, %d pages\n", score->score->GetTrackCount(),
                    score->score->GetBarCount(), score->score->GetLineCount(), score->score->GetPageCount());
    } catch (const tools::ToolError& e) {
        std::fprintf(stderr, "zeldump: %s\n", e.what());
        return 1;
    }
    return 0;
}
