// Score files under seeded mutation, fed to the conversion: scores the editor writes and
// hand-made ones, with flipped bits, edge values in 16- and 32-bit words, inserted, dropped and
// repeated slices, and cuts. Every mutant converts without reading or writing outside its bytes
// (built with -DZEL_SANITIZE=ON the sanitizers watch), keeps its length, changes no byte into
// anything but a degree's code or 0, and converts the same way every time. The damaged files
// found so far are fixtures with the outcome each must have.
//
// ZEL_FUZZ_ITERATIONS (default 3000) and ZEL_FUZZ_SEED (default 20240917) run it longer or
// elsewhere; ZEL_FUZZ_KEEP=DIR keeps each mutant that fails as mutant-N.zel (docs/fuzzing.md).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "ConverterFixtures.h"
#include "ScoreImage.h"
#include "converter/ScoreConverter.h"
#include "model/FuzzSupport.h"
#include "support/TestData.h"

namespace {

using namespace convertertest;
using fuzztest::EnvNumber;
using fuzztest::Random;
using zel2tqx::ConvertScoreBytes;
using zel2tqx::Mode;

std::vector<Bytes> Seeds() {
    ScorePlan plan;
    plan.bars = 3;
    TrackSpec upper{0, 10, {{1, 480, 3}}, {}};
    upper.notes = {{0, 0, 3, {-1}, {69}}, {0, 480, 1, {-3, 0, 2}, {66, 71, 74}}, {1, 960, 4, {12, -13}, {91, 48}},
                   {2, 0, 9, {-6}, {60}}};
    TrackSpec lower{1, 8, {}, {}};
    lower.notes = {{0, 0, 2, {-1, 3}, {48, 55}}, {2, 480, 3, {40, -8}, {36, 36}}};
    plan.tracks = {upper, lower};
    std::vector<Bytes> seeds = {WriteScore(plan)};
    ScoreImage image(2, 2);
    image.Staff(3);
    image.Staff(12);
    image.Bar({KeyRecord(9), NoteRecord(3, {{-6, 60}, {-4, 64}}), EndRecord()});
    image.Bar({NoteRecord(2, {{0, 71}}), EndRecord()});
    image.Bar({NoteRecord(5, {{1, 52}}), EndRecord()});
    image.Bar({EndRecord()});
    seeds.push_back(image.bytes);
    return seeds;
}

constexpr std::uint32_t kEdgeValues[] = {0, 1, 2, 3, 4, 6, 7, 20, 36, 0x7F, 0x80, 0xFF, 0x100, 0x7FFF, 0x8000,
                                         0xFFFF, 0x10000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 144, 23};

Bytes Mutate(const Bytes& seed, Random& rnd) {
    Bytes b = seed;
    const int steps = 1 + int(rnd.Below(3));
    for (int s = 0; s < steps && b.size() > 4; ++s) {
        const std::uint32_t at = rnd.Below(std::uint32_t(b.size()));
        switch (rnd.Below(8)) {
            case 0: b[at] ^= std::uint8_t(1u << rnd.Below(8)); break;
            case 1: b[at] = std::uint8_t(rnd.Next()); break;
            case 2:
            case 3: {  // an edge value in a big-endian 16- or 32-bit word
                const std::uint32_t v = kEdgeValues[rnd.Below(std::size(kEdgeValues))];
                const int width = rnd.Below(2) == 0 ? 2 : 4;
                for (int i = 0; i < width && at + std::uint32_t(i) < b.size(); ++i)
                    b[at + std::uint32_t(i)] = std::uint8_t(v >> (8 * (width - 1 - i)));
                break;
            }
            case 4: {
                Bytes extra(1 + rnd.Below(16));
                for (auto& x : extra) x = std::uint8_t(rnd.Next());
                b.insert(b.begin() + at, extra.begin(), extra.end());
                break;
            }
            case 5: {
                const std::uint32_t n = std::min<std::uint32_t>(1 + rnd.Below(64), std::uint32_t(b.size()) - at);
                b.erase(b.begin() + at, b.begin() + at + n);
                break;
            }
            case 6: {  // a slice again elsewhere: a chunk twice, a tag out of place
                const std::uint32_t n = std::min<std::uint32_t>(1 + rnd.Below(128), std::uint32_t(b.size()) - at);
                const Bytes slice(b.begin() + at, b.begin() + at + n);
                const std::uint32_t to = rnd.Below(std::uint32_t(b.size()));
                b.insert(b.begin() + to, slice.begin(), slice.end());
                break;
            }
            default: b.resize(at); break;
        }
    }
    return b;
}

// A head's first byte after the conversion: its flags as they were, its shape a degree's code or
// 0 (a head whose position has no degree, first in its note).
bool IsConvertedHead(std::uint8_t before, std::uint8_t after) {
    const std::uint8_t shape = after & 0x3F;
    const auto& a = zel2tqx::kOpenCodes;
    const auto& b = zel2tqx::kFilledCodes;
    return (after & 0xC0) == (before & 0xC0) &&
           (shape == 0 || std::find(a.begin(), a.end(), shape) != a.end() || std::find(b.begin(), b.end(), shape) != b.end());
}

// What a conversion must do with any bytes; empty when it did.
std::string Check(const Bytes& input) {
    for (Mode mode : {Mode::MovableDo, Mode::FixedDo}) {
        Bytes once = input;  // a block of exactly the file's size
        once.shrink_to_fit();
        ConvertScoreBytes(once, mode);
        if (once.size() != input.size()) return "the length changed";
        for (std::size_t i = 0; i < once.size(); ++i)
            if (once[i] != input[i] && !IsConvertedHead(input[i], once[i]))
                return "byte " + std::to_string(i) + " became " + std::to_string(once[i]);
        Bytes twice = input;
        ConvertScoreBytes(twice, mode);
        if (twice != once) return "a second conversion of the same bytes differs";
    }
    return {};
}

TEST(ConverterMutation, EveryMutantConvertsInsideItsBytes) {
    const std::uint64_t iterations = EnvNumber("ZEL_FUZZ_ITERATIONS", 3000);
    const std::uint64_t seed = EnvNumber("ZEL_FUZZ_SEED", 20240917);
    const char* keep = std::getenv("ZEL_FUZZ_KEEP");
    const std::vector<Bytes> seeds = Seeds();
    for (const Bytes& s : seeds) ASSERT_FALSE(s.empty());
    Random rnd(seed);
    int failures = 0;
    for (std::uint64_t n = 0; n < iterations && failures < 10; ++n) {
        const Bytes mutant = Mutate(seeds[n % seeds.size()], rnd);
        const std::string problem = Check(mutant);
        if (problem.empty()) continue;
        ++failures;
        ADD_FAILURE() << "mutant " << n << " (seed " << seed << "): " << problem;
        if (keep) WriteFile(std::string(keep) + "/mutant-" + std::to_string(n) + ".zel", mutant);
    }
}

TEST(ConverterMutation, EveryScoreOfTheTestsDataConvertsInsideItsBytes) {
    int files = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(testsupport::TestDataPath(""))) {
        if (e.path().extension() != ".zel") continue;
        ++files;
        EXPECT_EQ(Check(ReadFile(e.path().string())), "") << e.path();
    }
    EXPECT_GT(files, 40);
}

}  // namespace
