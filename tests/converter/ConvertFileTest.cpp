// A conversion from a path to the copy beside it: the copies' names, the messages, the whole
// file read, the copy written whole or not at all with the file layer's report, and copies the
// editor reads exactly as it reads the score, but for the head shapes.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "ConverterFixtures.h"
#include "converter/Conversion.h"
#include "framework/Clock.h"
#include "framework/CodePage.h"
#include "framework/Exceptions.h"
#include "model/HostileFileSupport.h"
#include "support/TempHome.h"
#include "support/TestData.h"

namespace {

using namespace convertertest;
using zel2tqx::ConvertFile;
using zel2tqx::Mode;
using zel2tqx::Outcome;

std::string Cp(const std::string& utf8) { return fw::FromUtf8(utf8); }

// A treble and a bass track with a few notes in A major.
Bytes SmallScore() {
    ScorePlan plan;
    plan.bars = 2;
    TrackSpec upper{0, 10, {{1, 0, 3}}, {}};
    upper.notes = {{0, 0, 3, {-1}, {69}}, {0, 480, 2, {-3, 0, 2}, {66, 71, 74}}, {1, 480, 3, {-4}, {63}}};
    TrackSpec lower{1, 0, {}, {}};
    lower.notes = {{0, 0, 1, {-1, 3}, {48, 55}}, {1, 0, 3, {-8}, {36}}};
    plan.tracks = {upper, lower};
    return WriteScore(plan);
}

ScorePlan Tracks(int count) {
    ScorePlan plan;
    plan.bars = 1;
    for (int t = 0; t < count; ++t) plan.tracks.push_back({0, 0, {}, {{0, 0, 3, {-6}, {60}}}});
    return plan;
}

struct ConvertFileTest : ::testing::Test {
    testsupport::TempDir dir;
    void SetUp() override {
        SYSTEMTIME t;
        t.wYear = 2024;
        t.wMonth = 3;
        t.wDay = 9;
        t.wHour = 7;
        t.wMinute = 5;
        t.wSecond = 1;
        fw::clocktest::FixLocalTime(t);
    }
    void TearDown() override { fw::clocktest::ReleaseLocalTime(); }
    std::string Path(const std::string& name) const { return dir.path() + "/" + name; }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path())) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(ConvertFileTest, BothModesWriteTheirCopyBesideTheScoreAndAgainReplaceIt) {
    const Bytes score = SmallScore();
    ASSERT_FALSE(score.empty());
    WriteFile(Path("练习曲.zel"), score);
    const zel2tqx::Conversion movable = ConvertFile(Cp(Path("练习曲.zel")), Mode::MovableDo);
    const zel2tqx::Conversion fixed = ConvertFile(Cp(Path("练习曲.zel")), Mode::FixedDo);
    EXPECT_EQ(movable.outcome, Outcome::Converted);
    EXPECT_EQ(fixed.outcome, Outcome::Converted);
    EXPECT_EQ(movable.outputPath, Cp(Path("练习曲_首调.zel")));
    EXPECT_EQ(fixed.outputPath, Cp(Path("练习曲_固定调.zel")));
    EXPECT_EQ(Files(), (std::vector<std::string>{"练习曲.zel", "练习曲_固定调.zel", "练习曲_首调.zel"}));
    EXPECT_EQ(zel2tqx::LogLine(movable.time), Cp("2024-03-09  07:05:01  转换成功!"));
    const Bytes first = ReadFile(Path("练习曲_首调.zel"));
    EXPECT_EQ(first.size(), score.size());
    EXPECT_NE(first, ReadFile(Path("练习曲_固定调.zel")));

    // The score changes (one track more): converting again replaces the copy whole.
    ScorePlan three = Tracks(3);
    const Bytes changed = WriteScore(three);
    WriteFile(Path("练习曲.zel"), changed);
    EXPECT_EQ(ConvertFile(Cp(Path("练习曲.zel")), Mode::MovableDo).outcome, Outcome::Converted);
    const Bytes again = ReadFile(Path("练习曲_首调.zel"));
    EXPECT_EQ(again.size(), changed.size());
    EXPECT_EQ(ReadHeadShapes(again), (HeadShapes{{{12}}, {{12}}, {{12}}}));
    EXPECT_EQ(Files().size(), 3u) << "no temporary file is left";
}

TEST_F(ConvertFileTest, ABadPathOrTooManyTracksGivesItsMessageAndNoCopy) {
    WriteFile(Path("twenty.zel"), WriteScore(Tracks(20)));
    WriteFile(Path("many.zel"), WriteScore(Tracks(21)));
    WriteFile(Path("empty.zel"), {});
    WriteFile(Path("upper.ZEL"), SmallScore());
    struct Case {
        const char* what;
        std::string path;
        Outcome outcome;
        const char* message;  // UTF-8
    } cases[] = {
        {"no path", "", Outcome::EmptyPath, "zel格式曲谱为空，不能转换！"},
        {"an upper-case ending", Path("upper.ZEL"), Outcome::WrongEnding, "曲谱不是zel格式的，不能转换！"},
        {"another ending after it", Path("twenty.zel.bak"), Outcome::WrongEnding, "曲谱不是zel格式的，不能转换！"},
        {"shorter than the ending", "zel", Outcome::WrongEnding, "曲谱不是zel格式的，不能转换！"},
        {"21 tracks", Path("many.zel"), Outcome::TooManyTracks, "当前音轨数目大于最大允许音轨数目：20!"},
        {"an empty file", Path("empty.zel"), Outcome::EmptyFile, ""},
        {"20 tracks", Path("twenty.zel"), Outcome::Converted, ""},
    };
    for (const Case& c : cases) {
        const zel2tqx::Conversion got = ConvertFile(Cp(c.path), Mode::MovableDo);
        EXPECT_EQ(got.outcome, c.outcome) << c.what;
        EXPECT_EQ(zel2tqx::OutcomeMessage(got.outcome), Cp(c.message)) << c.what;
    }
    EXPECT_EQ(Files(), (std::vector<std::string>{"empty.zel", "many.zel", "twenty.zel", "twenty_首调.zel", "upper.ZEL"}));
}

TEST_F(ConvertFileTest, AFileThatCannotBeReadOrWrittenIsTheFileLayersReport) {
    try {
        ConvertFile(Cp(Path("missing.zel")), Mode::FixedDo);
        ADD_FAILURE() << "a missing file was converted";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
        std::string text;
        e.GetErrorMessage(text);
        EXPECT_EQ(text, Cp("找不到该文件。\n(" + Path("missing.zel") + ")"));
    }

    // The copy's name is taken by a folder: the write fails, nothing is left behind, and the
    // report names the copy.
    const Bytes score = SmallScore();
    WriteFile(Path("song.zel"), score);
    std::filesystem::create_directory(Path("song_固定调.zel"));
    std::filesystem::create_directory(Path("song_固定调.zel/inside"));
    try {
        ConvertFile(Cp(Path("song.zel")), Mode::FixedDo);
        ADD_FAILURE() << "the copy was written over a folder";
    } catch (const CFileException& e) {
        EXPECT_NE(e.m_cause, CFileException::none);
        EXPECT_EQ(e.m_strFileName, Cp(Path("song_固定调.zel")));
    }
    EXPECT_EQ(Files(), (std::vector<std::string>{"song.zel", "song_固定调.zel"}));
    EXPECT_TRUE(std::filesystem::is_directory(Path("song_固定调.zel/inside")));
    EXPECT_EQ(ReadFile(Path("song.zel")), score) << "the score itself is never written";
}

TEST_F(ConvertFileTest, AReadOnlyFolderKeepsTheOldCopyWhole) {
    if (::geteuid() == 0) GTEST_SKIP() << "the superuser writes into read-only folders";
    const Bytes score = SmallScore();
    WriteFile(Path("song.zel"), score);
    ASSERT_EQ(ConvertFile(Cp(Path("song.zel")), Mode::MovableDo).outcome, Outcome::Converted);
    const Bytes old = ReadFile(Path("song_首调.zel"));
    WriteFile(Path("song.zel"), WriteScore(Tracks(2)));
    ::chmod(dir.path().c_str(), 0555);
    bool reported = false;
    try {
        ConvertFile(Cp(Path("song.zel")), Mode::MovableDo);
    } catch (const CFileException& e) {
        reported = e.m_cause == CFileException::accessDenied;
    }
    ::chmod(dir.path().c_str(), 0755);
    EXPECT_TRUE(reported);
    EXPECT_EQ(ReadFile(Path("song_首调.zel")), old);
    EXPECT_EQ(Files().size(), 2u);
}

TEST_F(ConvertFileTest, AScoreLargerThanTheOldReadLimitIsConvertedWhole) {
    // 16 tracks of 300 bars, four notes a bar: well over 655,360 bytes.
    ScorePlan plan;
    plan.bars = 300;
    for (int t = 0; t < 16; ++t) {
        TrackSpec track{0, 8, {}, {}};  // G major
        for (int b = 0; b < plan.bars; ++b)
            for (int i = 0; i < 4; ++i) track.notes.push_back({b, 480 * i, 3, {-2}, {67}});
        plan.tracks.push_back(track);
    }
    const Bytes score = WriteScore(plan);
    ASSERT_GT(score.size(), 655360u);
    WriteFile(Path("long.zel"), score);
    const zel2tqx::Conversion c = ConvertFile(Cp(Path("long.zel")), Mode::MovableDo);
    ASSERT_EQ(c.outcome, Outcome::Converted);
    EXPECT_EQ(c.state.notesConverted, 16 * 300 * 4);
    const Bytes copy = ReadFile(Path("long_首调.zel"));
    ASSERT_EQ(copy.size(), score.size());
    const HeadShapes shapes = ReadHeadShapes(copy);
    ASSERT_EQ(shapes.size(), 16u);
    EXPECT_EQ(shapes[15].back(), std::vector<int>{zel2tqx::kFilledCodes[0]}) << "the last note of the last track";
    EXPECT_EQ(shapes[15].size(), 1200u);
}

TEST_F(ConvertFileTest, TheEditorReadsEveryCopyAsItReadsTheScoreButForTheHeadShapes) {
    // The scores of the tests' data that the editor reads, and one of ours.
    std::vector<std::pair<std::string, Bytes>> scores = {{"small", SmallScore()}};
    for (const auto& e : std::filesystem::recursive_directory_iterator(testsupport::TestDataPath("")))
        if (e.path().extension() == ".zel") scores.emplace_back(e.path().string(), ReadFile(e.path().string()));
    int read = 0;
    for (const auto& [name, bytes] : scores) {
        const hostile::Outcome original = hostile::ReadSaveReadSave(bytes);
        if (original.damaged || !original.sameBytes) continue;  // the editor's own refusals
        ++read;
        for (Mode mode : {Mode::MovableDo, Mode::FixedDo}) {
            Bytes copy = bytes;
            zel2tqx::ConvertScoreBytes(copy, mode);
            ASSERT_EQ(copy.size(), bytes.size()) << name;
            const hostile::Outcome converted = hostile::ReadSaveReadSave(copy);
            EXPECT_FALSE(converted.damaged) << name << ": " << converted.error;
            EXPECT_TRUE(converted.sameBytes) << name;
            EXPECT_EQ(SavedWithoutShapes(copy), SavedWithoutShapes(bytes)) << name;
            // Every byte that changed is a head's: its flags kept, its shape a degree's code
            // (or 0, a head whose position has none).
            for (std::size_t i = 0; i < copy.size(); ++i) {
                if (copy[i] == bytes[i]) continue;
                const int shape = copy[i] & 0x3F;
                const bool code = shape == 0 ||
                                  std::find(zel2tqx::kOpenCodes.begin(), zel2tqx::kOpenCodes.end(), shape) != zel2tqx::kOpenCodes.end() ||
                                  std::find(zel2tqx::kFilledCodes.begin(), zel2tqx::kFilledCodes.end(), shape) != zel2tqx::kFilledCodes.end();
                EXPECT_TRUE(code && (copy[i] & 0xC0) == (bytes[i] & 0xC0)) << name << " byte " << i << " became " << int(copy[i]);
            }
        }
    }
    EXPECT_GT(read, 5);
}

}  // namespace
