// Whole score files under seeded mutation: scores our writer makes (new scores of several
// arrangements with items, titles, devices and patches; a file with page texts, lyrics and
// fonts; two files of the older format) are damaged byte by byte, cut, stretched and spliced.
// Every mutant must be reported as damage (an exception with a code) or be read whole: then
// read, save, read, save gives the first save's bytes again. Built with -DZEL_SANITIZE=ON the
// sanitizers watch every step.
//
// ZEL_FUZZ_ITERATIONS (default 2000) and ZEL_FUZZ_SEED (default 20261210) run it longer or
// elsewhere, ZEL_FUZZ_KEEP=DIR keeps failing mutants; docs/fuzzing.md tells more.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "HostileFileSupport.h"
#include "RecordTestSupport.h"
#include "TrkBarTestSupport.h"
#include "framework/MessageBox.h"
#include "model/NewScore.h"
#include "model/Score.h"
#include "model/ScoreFile.h"
#include "model/TrkBar.h"
#include "platform/StdArray.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using fuzztest::EnvNumber;
using fuzztest::Random;

// A new score of an arrangement with a title, items in every bar of every track, and a device
// and a patch for each track, as our writer saves it.
Bytes NewScoreFile(int arrangement, const char* title) {
    CZelDoc doc;
    CScore score(&doc);
    ScoreFileDoc fileDoc;
    NewScoreSettings settings;
    settings.arrangement = arrangement;
    std::strncpy(settings.title, title, sizeof settings.title - 1);
    if (!BuildNewScore(score, settings, &fileDoc)) return {};
    for (int t = 0; t < score.GetTrackCount(); ++t) {
        for (int b = 0; b < score.GetBarCount(); ++b)
            trkbartest::Append(score.GetTrkBar(t, b), {trkbartest::Item(171, 16, 0, t % 8),
                                                       trkbartest::Item(174, 16, 240 * (b % 4 + 1), 1)});
        std::uint8_t device[CDeviceArray::kElementSize] = {};
        device[0] = std::uint8_t(t);
        std::snprintf(reinterpret_cast<char*>(device + CDeviceArray::kNameOffset), 32, "Port %d", t + 1);
        score.GetDeviceArray()->Add(device);
        std::uint8_t patch[CPatchArray::kElementSize] = {};
        patch[0] = std::uint8_t(40 + t);
        std::snprintf(reinterpret_cast<char*>(patch + CPatchArray::kNameOffset), 32, "Strings %d", t);
        patch[CPatchArray::kDataLengthOffset] = 3;
        patch[CPatchArray::kDataOffset] = 0xF0;
        score.GetPatchArray()->Add(patch);
    }
    std::strcpy(fileDoc.titles[1].lines[0].text, "Composer");
    return ScoreFile::WriteToBytes(score, fileDoc);
}

std::vector<Bytes> Seeds() {
    std::vector<Bytes> seeds = {NewScoreFile(0, "Air"), NewScoreFile(1, "Prelude"), NewScoreFile(3, "Study")};
    for (const char* name : {"valid-lists-rejected-by-zeldump", "legacy-staves-lost", "legacy-conductor-items-lost"})
        seeds.push_back(hostile::Fixture(name));
    return seeds;
}

constexpr std::uint32_t kEdgeValues[] = {0,      1,      2,      5,          8,          0x7F,       0x80,      0xFF,
                                         0x100,  0x7FFF, 0x8000, 0xFFFF,     0x10000,    0x7FFFFFFF, 0x80000000,
                                         0xFFFFFFFF, 144, 3, 32767};

Bytes Mutate(const Bytes& seed, Random& rnd) {
    Bytes b = seed;
    const int steps = 1 + int(rnd.Below(3));
    for (int s = 0; s < steps && b.size() > 8; ++s) {
        // Mostly past the magic, so that the reader goes deep.
        const std::uint32_t at = 4 + rnd.Below(std::uint32_t(b.size() - 4));
        switch (rnd.Below(9)) {
            case 0:  // flip a bit
                b[at] ^= std::uint8_t(1u << rnd.Below(8));
                break;
            case 1:  // any byte
                b[at] = std::uint8_t(rnd.Next());
                break;
            case 2:  // an edge value in a 16-bit word, either byte order
            case 3: {  // ... or in a 32-bit one
                const std::uint32_t v = kEdgeValues[rnd.Below(std::size(kEdgeValues))];
                const int width = rnd.Below(9) < 4 ? 2 : 4;
                const bool little = rnd.Below(2) == 0;
                for (int i = 0; i < width && at + std::uint32_t(i) < b.size(); ++i) {
                    const int shift = little ? 8 * i : 8 * (width - 1 - i);
                    b[at + std::uint32_t(i)] = std::uint8_t(v >> shift);
                }
                break;
            }
            case 4: {  // insert bytes
                Bytes extra(1 + rnd.Below(16));
                for (auto& x : extra) x = std::uint8_t(rnd.Next());
                b.insert(b.begin() + at, extra.begin(), extra.end());
                break;
            }
            case 5: {  // drop bytes
                const std::uint32_t n = std::min<std::uint32_t>(1 + rnd.Below(64), std::uint32_t(b.size()) - at);
                b.erase(b.begin() + at, b.begin() + at + n);
                break;
            }
            case 6: {  // a slice repeated elsewhere (a chunk twice, a chunk out of place)
                const std::uint32_t n = std::min<std::uint32_t>(1 + rnd.Below(128), std::uint32_t(b.size()) - at);
                const Bytes slice(b.begin() + at, b.begin() + at + n);
                const std::uint32_t to = 4 + rnd.Below(std::uint32_t(b.size() - 4));
                b.insert(b.begin() + to, slice.begin(), slice.end());
                break;
            }
            case 7:  // cut short
                b.resize(at);
                break;
            default:  // a small change of a number
                b[at] = std::uint8_t(b[at] + (rnd.Below(2) ? 1 : -1));
                break;
        }
    }
    return b;
}

// With ZEL_FUZZ_KEEP set to a folder, a failing mutant is written there as mutant-N.zel.
void Keep(const Bytes& input, std::uint64_t n) {
    const char* folder = std::getenv("ZEL_FUZZ_KEEP");
    if (!folder || !*folder) return;
    const std::string path = std::string(folder) + "/mutant-" + std::to_string(n) + ".zel";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(input.data(), 1, input.size(), f);
        std::fclose(f);
    }
}

}  // namespace

TEST(ScoreFileMutationTest, EveryMutantIsDamageOrReadsWholeAndSavesBackTheSame) {
    recordtest::CleanGlobals clean;
    fw::msgboxtest::Capture boxes;
    const std::vector<Bytes> seeds = Seeds();
    for (const Bytes& seed : seeds) {
        ASSERT_FALSE(seed.empty());
        const hostile::Outcome o = hostile::ReadSaveReadSave(seed);
        ASSERT_TRUE(o.sameBytes) << "a seed itself does not round-trip: " << o.error;
    }

    const std::uint64_t iterations = EnvNumber("ZEL_FUZZ_ITERATIONS", 2000);
    const std::uint64_t seedValue = EnvNumber("ZEL_FUZZ_SEED", 20261210);
    Random rnd(seedValue);
    int failures = 0, accepted = 0;
    for (std::uint64_t n = 0; n < iterations && failures < 5; ++n) {
        const Bytes input = Mutate(seeds[rnd.Below(std::uint32_t(seeds.size()))], rnd);
        hostile::Outcome o;
        try {
            o = hostile::ReadSaveReadSave(input);
        } catch (const std::exception& e) {
            Keep(input, n);
            ADD_FAILURE() << "mutant " << n << " (seed " << seedValue << "): " << e.what() << " escaped";
            ++failures;
            continue;
        }
        if (o.damaged) continue;
        ++accepted;
        if (!o.reread || !o.sameBytes) {
            Keep(input, n);
            ADD_FAILURE() << "mutant " << n << " (seed " << seedValue << ") was accepted but "
                          << (o.reread ? "saves back differently" : o.error);
            ++failures;
        }
    }
    EXPECT_EQ(failures, 0);
    // Most mutants touch bytes the reader accepts (names, positions, flags): both paths run.
    EXPECT_GT(accepted, 0);
}
