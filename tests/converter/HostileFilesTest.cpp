// Damaged score files kept as fixtures (tests/data/converter/hostile, README.md there), each with
// the outcome its conversion must have: whether it converts, how many bar walks end early, how
// many notes and heads are converted, and how many bytes the copy changes. A damage that only
// changes which key a note takes is held to the copy of the undamaged score given that key.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "ConverterFixtures.h"
#include "converter/ScoreConverter.h"
#include "support/TestData.h"

namespace {

using namespace convertertest;
using zel2tqx::ConvertResult;

// The key code of the i-th staff chunk of the score (the track's staff key), by its tag.
void SetStaffKey(Bytes& score, int track, std::uint8_t key) {
    int seen = 0;
    for (std::size_t at = 0; at + 17 <= score.size(); ++at) {
        if (std::memcmp(score.data() + at, "STAF", 4) != 0) continue;
        if (seen++ == track) {
            score[at + 16] = key;
            return;
        }
    }
    ADD_FAILURE() << "no staff chunk of track " << track;
}

constexpr std::uint8_t kC = 0, kG = 8;

struct Case {
    const char* file;
    ConvertResult result;
    int walksCut, notes, heads, changed;  // in movable do
    // The undamaged score changed so that every note takes the key the damage gives it: the
    // copies agree but for the damaged bytes and the keys. None: the damage changes no key.
    std::function<void(Bytes&)> sameKeysAs;
};

const Case kCases[] = {
    // The score they were made from: A major above, G major below; two heads already had the
    // shape they are given.
    {"../notes-in-a-and-g", ConvertResult::Converted, 0, 93, 141, 139, nullptr},
    // The bar's walk ends at the broken note: its 6 notes (6 heads) stay as they were.
    {"note-size-zero", ConvertResult::Converted, 1, 87, 135, 133, nullptr},
    {"note-past-its-bar", ConvertResult::Converted, 1, 87, 135, 133, nullptr},
    {"bar-longer-than-its-records", ConvertResult::Converted, 1, 93, 141, 139, nullptr},
    {"last-bar-past-the-file", ConvertResult::Converted, 1, 93, 141, 139, nullptr},
    // The note cut inside its head (3 heads) is left alone.
    {"cut-inside-a-head", ConvertResult::Converted, 1, 92, 138, 136, nullptr},
    {"note-head-count-255", ConvertResult::Converted, 0, 93, 141, 139, nullptr},
    // No track holds a note: all in C.
    {"bar-count-zero", ConvertResult::Converted, 0, 93, 141, 139,
     [](Bytes& b) { SetStaffKey(b, 0, kC), SetStaffKey(b, 1, kC); }},
    // Every track holds every note; the last one's key wins.
    {"bar-count-65535", ConvertResult::Converted, 0, 93, 141, 141, [](Bytes& b) { SetStaffKey(b, 0, kG); }},
    {"tracks-21", ConvertResult::TooManyTracks, 0, 0, 0, 0, nullptr},
    {"header-cut", ConvertResult::Converted, 0, 0, 0, 0, nullptr},
    {"staff-key-200", ConvertResult::Converted, 0, 93, 141, 139, [](Bytes& b) { SetStaffKey(b, 0, kC); }},
};

TEST(HostileFiles, EachDamagedFileHasItsOutcome) {
    const Bytes base = ReadFile(testsupport::TestDataPath("converter/notes-in-a-and-g.zel"));
    ASSERT_FALSE(base.empty());
    for (const Case& c : kCases) {
        const Bytes input = ReadFile(testsupport::TestDataPath(std::string("converter/hostile/") + c.file + ".zel"));
        ASSERT_FALSE(input.empty()) << c.file;
        Bytes copy = input;
        zel2tqx::ConvertState state;
        EXPECT_EQ(zel2tqx::ConvertScoreBytes(copy, zel2tqx::Mode::MovableDo, &state), c.result) << c.file;
        int changed = 0;
        for (std::size_t i = 0; i < copy.size(); ++i) changed += copy[i] != input[i];
        EXPECT_EQ(state.walksCut, c.walksCut) << c.file;
        EXPECT_EQ(state.notesConverted, c.notes) << c.file;
        EXPECT_EQ(state.headsRewritten, c.heads) << c.file;
        EXPECT_EQ(changed, c.changed) << c.file;
        EXPECT_EQ(copy.size(), input.size()) << c.file;
        if (!c.sameKeysAs) continue;
        ASSERT_EQ(input.size(), base.size()) << c.file;
        Bytes keyed = base;
        c.sameKeysAs(keyed);
        Bytes keyedCopy = keyed;
        zel2tqx::ConvertScoreBytes(keyedCopy, zel2tqx::Mode::MovableDo);
        // Bytes neither the damage nor the keys touched.
        int differ = 0, damaged = 0;
        for (std::size_t i = 0; i < copy.size(); ++i) {
            if (input[i] != base[i]) ++damaged;
            else if (keyed[i] == base[i]) differ += copy[i] != keyedCopy[i];
        }
        EXPECT_GT(damaged, 0) << c.file;
        EXPECT_EQ(differ, 0) << c.file;
    }
}

}  // namespace
