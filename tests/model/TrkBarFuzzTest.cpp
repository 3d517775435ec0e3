// The bar reader under mutated chunks: a seeded, deterministic random-mutation driver. Every
// mutated chunk must end in a clear error (a framework exception) or in a run that ends with its
// end record inside the run's length; the run must then write, read back, compact, sort and
// walk without fault. Built with -DZEL_SANITIZE=ON, AddressSanitizer and UndefinedBehavior-
// Sanitizer watch every step.
//
// ZEL_FUZZ_ITERATIONS (default 3000) and ZEL_FUZZ_SEED (default 20261209) run it longer or
// elsewhere; docs/fuzzing.md tells more.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "TrkBarTestSupport.h"
#include "framework/Exceptions.h"
#include "framework/MessageBox.h"
#include "model/ModelGlobals.h"
#include "platform/Handles.h"

using namespace trkbartest;
using recordtest::Concat;
using recordtest::Reader;

namespace {

using fuzztest::EnvNumber;
using fuzztest::Random;

// The chunks the mutations start from.
std::vector<Bytes> Seeds() {
    const Bytes controller = StoredHead(16, 171, 0, 0x81, 0, (100 << 8) | 7);
    const Bytes mark = Concat({StoredHead(24, 100, 0x80, 0x02, 240, 512, 3, 0xFE), {0x12, 0x34, 1, 2, 3, 4, 5, 6}});
    const Bytes grows = Concat({StoredHead(20, 101), {0xAA, 0xBB, 0xCC, 0xDD}});
    const Bytes picture = Concat({StoredHead(22, 26, 0, 0, 120), {9, 9, 9, 9, 9, 9}});
    const Bytes dynamic = Concat({StoredHead(24, 20, 0, 0x40, 960), Bytes(8, 0x11)});
    Bytes many;
    for (int i = 0; i < 40; ++i) many = Concat({many, StoredHead(16, 170 + i % 6, 0, std::uint8_t(i), i * 12, i)});
    return {
        Chunk(1, StoredEnd()),
        Chunk(4, Concat({controller, mark, StoredHead(16, 174, 0, 0, 480, 0x4010), StoredEnd()})),
        Chunk(5, Concat({grows, picture, dynamic, controller, StoredEnd()})),
        Chunk(41, Concat({many, StoredEnd()})),
    };
}

// Fields a mutation likes to hit: sizes and counts at their edges.
constexpr std::uint16_t kEdgeWords[] = {0, 1, 4, 8, 15, 16, 17, 0x7FFF, 0x8000, 0xFFFF, 0x2000, 12, 24, 255};

Bytes Mutate(const Bytes& seed, Random& rnd) {
    Bytes b = seed;
    const int steps = 1 + int(rnd.Below(4));
    for (int s = 0; s < steps; ++s) {
        if (b.size() < 12) b.resize(12, 0);
        // The count word and the records; the tag and length stay mostly intact so that the
        // chunk is read at all.
        const std::uint32_t body = std::uint32_t(b.size() - 8);
        const std::uint32_t at = 8 + rnd.Below(body);
        switch (rnd.Below(8)) {
            case 0:  // flip a bit
                b[at] ^= std::uint8_t(1u << rnd.Below(8));
                break;
            case 1:  // any byte
                b[at] = std::uint8_t(rnd.Next());
                break;
            case 2:  // an edge word, often where a record's size or the count stands
                if (at + 1 < b.size()) {
                    const std::uint16_t w = kEdgeWords[rnd.Below(std::size(kEdgeWords))];
                    b[at] = std::uint8_t(w >> 8);
                    b[at + 1] = std::uint8_t(w);
                }
                break;
            case 3:  // a type code of any kind
                if (at + 2 < b.size()) b[at + 2] = std::uint8_t(rnd.Below(256));
                break;
            case 4: {  // insert bytes
                const std::uint32_t n = 1 + rnd.Below(24);
                Bytes extra(n);
                for (auto& x : extra) x = std::uint8_t(rnd.Next());
                b.insert(b.begin() + at, extra.begin(), extra.end());
                break;
            }
            case 5: {  // drop bytes
                const std::uint32_t n = std::min<std::uint32_t>(1 + rnd.Below(24), std::uint32_t(b.size()) - at);
                b.erase(b.begin() + at, b.begin() + at + n);
                break;
            }
            case 6: {  // repeat a slice
                const std::uint32_t n = std::min<std::uint32_t>(1 + rnd.Below(32), std::uint32_t(b.size()) - at);
                Bytes slice(b.begin() + at, b.begin() + at + n);
                b.insert(b.begin() + 8 + rnd.Below(std::uint32_t(b.size() - 8)), slice.begin(), slice.end());
                break;
            }
            default:  // the count word
                b[8] = std::uint8_t(rnd.Next());
                b[9] = std::uint8_t(rnd.Next());
                break;
        }
    }
    // Most inputs keep a chunk length that matches their bytes; some keep the seed's.
    if (rnd.Below(8) != 0) {
        const std::uint32_t length = std::uint32_t(b.size() - 8);
        b[4] = std::uint8_t(length >> 24);
        b[5] = std::uint8_t(length >> 16);
        b[6] = std::uint8_t(length >> 8);
        b[7] = std::uint8_t(length);
    }
    return b;
}

// Reads one input and puts the bar through its paces; returns false (with a failure recorded)
// when the run broke an invariant.
bool Exercise(const Bytes& input, std::uint64_t n, std::uint16_t version) {
    Bar bar(int(n % 64), int(n % 1000));
    SetLoadedFileVersion(version, 25);
    try {
        Reader reader(input);
        bar->Read(reader.stream, 0);
    } catch (const CException&) {
        // A clear error: the bar keeps a run that ends.
    }
    const std::vector<CBarItem*> records = Records(bar.bar);
    if (records.empty()) {
        ADD_FAILURE() << "input " << n << ": the run does not end with its end record";
        return false;
    }
    if (RecordBytes(bar.bar) > bar->GetRunLength()) {
        ADD_FAILURE() << "input " << n << ": the records run past the run's length";
        return false;
    }
    const std::vector<int> types = Types(bar.bar);

    // What is read writes (in the present format) and reads back as the same run.
    SetLoadedFileVersion(0x410, 25);
    Bar again;
    const Bytes written = WriteBar(bar.bar);
    try {
        Reader reader(written);
        again->Read(reader.stream, 0);
    } catch (const CException&) {
        ADD_FAILURE() << "input " << n << ": a written bar does not read back";
        return false;
    }
    // Records whose class grows them on reading may read back larger, never as other kinds.
    std::vector<int> live;
    for (CBarItem* r : records)
        if (!r->IsRemoved() || r->TypeCode() == 255) live.push_back(r->TypeCode());
    if (Types(again.bar) != live) {
        std::string a, b;
        for (int t : live) a += std::to_string(t) + " ";
        for (int t : Types(again.bar)) b += std::to_string(t) + " ";
        ADD_FAILURE() << "input " << n << ": the written bar reads back differently: " << a << "/ " << b;
        return false;
    }

    // The run operations stay inside the run.
    CBarItem* item = nullptr;
    int walked = 0;
    while (bar->NextItem(&item, -1)) ++walked;
    VoiceStats stats;
    bar->GetVoiceStats(&stats, false);
    bar->IsSpanFree(0, 0, 480);
    HGLOBAL sorted = 0;
    if (bar->GetSortedItems(&sorted) >= 0) FreeHandle(sorted);
    bar->SortItems();
    bar->Compact();
    if (Records(bar.bar).empty() || RecordBytes(bar.bar) > bar->GetRunLength()) {
        ADD_FAILURE() << "input " << n << ": compaction or sorting broke the run";
        return false;
    }
    return walked >= 0 && !types.empty();
}

}  // namespace

TEST(TrkBarFuzzTest, MutatedChunksNeverBreakTheRun) {
    recordtest::CleanGlobals clean;
    fw::msgboxtest::Capture boxes;
    TestMarkBehaviour markClass;
    const TestWantedBehaviour wants28(28), wantsTooMuch(30000);
    ScopedClass marks(100, "CTestMark", 24, &markClass);
    ScopedClass grows(101, "CGrows", 20, &wants28);
    ScopedClass greedy(102, "CGreedy", 20, &wantsTooMuch);

    const std::uint64_t iterations = EnvNumber("ZEL_FUZZ_ITERATIONS", 3000);
    Random rnd(EnvNumber("ZEL_FUZZ_SEED", 20261209));
    const std::vector<Bytes> seeds = Seeds();
    int failures = 0;
    for (std::uint64_t n = 0; n < iterations && failures < 5; ++n) {
        const Bytes input = Mutate(seeds[rnd.Below(std::uint32_t(seeds.size()))], rnd);
        // Older files take the other head layout.
        if (!Exercise(input, n, rnd.Below(6) == 0 ? 0x300 : 0x410)) ++failures;
    }
    EXPECT_EQ(failures, 0);
}
