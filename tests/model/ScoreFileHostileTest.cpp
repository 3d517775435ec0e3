// Score files damaged on disk, in the mail or by older programs, each kept as a small fixture in
// tests/data/model/hostile: the reader reports damage with a clear error and never crashes, and
// what it accepts it has read whole and saves back to bytes it reads again unchanged.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "HostileFileSupport.h"
#include "framework/CodePage.h"
#include "framework/MessageBox.h"
#include "model/Bar.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/System.h"

namespace {

using hostile::Outcome;

// Tracks, systems and bars the two undamaged older-format fixtures hold, with what every
// element must keep: each system a staff per track, each bar its own conductor items.
struct LegacyContent {
    int tracks, systems, bars;
    int conductorItemsPerBar;  // -1: not checked
};

TEST(ScoreFileHostileTest, EachDamagedFixtureIsReportedAndEachGoodOneReadsWhole) {
    struct Case {
        const char* file;
        bool accepted;
        const char* why;
    } cases[] = {
        {"cond-item-type0-save-overflow", false, "a page record in a bar's conductor run cannot be saved back"},
        {"cond-item-type8-saved-unreadable", false, "a bar record in a bar's conductor run saves unreadable"},
        {"dup-meas-accepted", false, "a repeated MEAS stands where the first COND belongs"},
        {"header-page-overflow", false, "page values whose arithmetic overflows"},
        {"justify-heap-overflow", false, "a system's bars run past the bar list"},
        {"legacy-conductor-items-lost", true, "an undamaged older-format file"},
        {"legacy-elemsize-ok", true, "an older-format file with the page record's own size"},
        {"legacy-elemsize", false, "an element size that is not the page record's"},
        {"legacy-short-trackbars", false, "a track with fewer bars than the score"},
        {"legacy-staves-lost", true, "an undamaged older-format file"},
        {"legacy-staff-coords-fifths-a", true, "older staff coordinates that are not multiples of 5"},
        {"legacy-staff-coords-fifths-b", true, "older staff coordinates that are not multiples of 5"},
        {"legacy-staff-coords-fifths-c", true, "older staff coordinates that are not multiples of 5"},
        {"legacy-long-end-record", true, "an older bar run whose end record is longer than its 16 bytes"},
        {"legacy-track-name-unterminated", true, "an older track name that fills its field without a terminator"},
        {"legacy-track-abbreviation-unterminated", true, "an older track abbreviation without a terminator"},
        {"legacy-tempo-above-range", true, "an older bar tempo above the range of tempo marks"},
        {"legacy-conductor-items-unordered", true, "an older bar whose own items are out of time order"},
        {"legacy-patch-size", false, "older patch records of another size than the patch record's"},
        {"legacy-zero-tick-meter", true, "older bars whose meter holds 0 ticks but whose stored length is 1920"},
        {"legacy-page-systems-past-end", true, "an older page that names more systems than follow it"},
        {"line-barcount-accepted", false, "a system holding more bars than the score has"},
        {"negative-score-size-save-overflow", false, "a negative score size"},
        {"recalc-negative-duration", false, "a tempo that gives bars a negative duration"},
        {"tail-truncated-accepted", false, "a file cut before its end mark"},
        {"truncated-abort", false, "a file cut inside the systems"},
        {"valid-lists-rejected-by-zeldump", true, "a good file with page texts, lyrics and fonts"},
        {"layout-negwidth", false, "a system's end reserve that multiplies out of 16 bits"},
        {"layout-rect-inverted", false, "a system's right indent past its left"},
        {"legacy-meter-nonsense", false, "an older bar's time signature over 0"},
        {"header-count-unchecked", false, "a header that counts 32,767 systems for a list of 8"},
        {"header-5-bytes", false, "a header cut to 5 bytes"},
        {"legacy-record-eof-reported-as-out-of-memory", false, "an older track bar whose records end early"},
        {"titl-length0-zeldump-says-damaged", true, "a title chunk of length 0, its fields following"},
        {"saved-content-length-negative", true, "a note at the most negative time"},
        {"text-length-past-record", true, "a text whose length runs past its record (the text goes)"},
        {"lyric-text-unterminated", true, "a syllable whose text has no end inside its record (the syllable goes)"},
        {"symbol-record-short", true, "a symbol record cut to 20 bytes (read as an empty symbol)"},
    };
    for (const Case& c : cases) {
        const std::vector<std::uint8_t> bytes = hostile::Fixture(c.file);
        ASSERT_FALSE(bytes.empty()) << c.file;
        const Outcome o = hostile::ReadSaveReadSave(bytes);
        if (!c.accepted) {
            EXPECT_TRUE(o.damaged) << c.file << ": " << c.why << " was accepted";
            EXPECT_FALSE(o.outOfMemory) << c.file << ": damage reported as out of memory";
            continue;
        }
        EXPECT_FALSE(o.damaged) << c.file << ": " << o.error;
        EXPECT_TRUE(o.damaged || o.sameBytes) << c.file << ": the second save differs from the first";
    }
}

// Bar 0's meter holds no ticks: it measures 0 after reading although its stored length said
// 1920, and bar 1 then starts where bar 0 does. The timing is walked again on what the bars
// measure, bar 1's start does not wipe the tempo that stands at that time, and the saved file
// reads back to the same timing.
TEST(ScoreFileHostileTest, BarsThatMeasureShorterThanStoredAreTimedOnWhatTheyMeasure) {
    hostile::Loaded a;
    ASSERT_TRUE(a.Open(hostile::Fixture("legacy-zero-tick-meter"))) << a.error;
    ASSERT_GT(a.score->GetBarCount(), 1);
    EXPECT_EQ(a.score->GetBar(0)->GetLength(), 0);
    EXPECT_EQ(a.score->GetBar(1)->GetStartTime(), 0);
    EXPECT_EQ(a.score->GetBar(0)->GetTempo(), 9600);
    for (int b = 1; b < a.score->GetBarCount(); ++b)
        EXPECT_EQ(a.score->GetBar(b)->GetTempo(), 9600) << "bar " << b;
    hostile::Loaded b;
    ASSERT_TRUE(b.Open(a.Save())) << b.error;
    for (int i = 0; i < b.score->GetBarCount(); ++i)
        EXPECT_EQ(b.score->GetBar(i)->GetTempo(), a.score->GetBar(i)->GetTempo()) << "bar " << i;
}

TEST(ScoreFileHostileTest, OlderFormatFilesKeepEverySystemsStavesAndEveryBarsConductorItems) {
    struct Case {
        const char* file;
        LegacyContent want;
    } cases[] = {
        {"legacy-staves-lost", {1, 8, 32, -1}},
        {"legacy-conductor-items-lost", {1, 8, 32, 1}},
    };
    for (const Case& c : cases) {
        hostile::Loaded loaded;
        ASSERT_TRUE(loaded.Open(hostile::Fixture(c.file))) << c.file << ": " << loaded.error;
        CScore& score = *loaded.score;
        EXPECT_EQ(score.GetTrackCount(), c.want.tracks) << c.file;
        EXPECT_EQ(score.GetLineCount(), c.want.systems) << c.file;
        EXPECT_EQ(score.GetBarCount(), c.want.bars) << c.file;
        for (int l = 0; l < score.GetLineCount(); ++l) {
            CLine* line = score.GetLine(l);
            ASSERT_NE(line->GetStaffArray(), nullptr);
            EXPECT_EQ(line->GetStaffArray()->GetCount(), score.GetTrackCount()) << c.file << " system " << l;
        }
        if (c.want.conductorItemsPerBar < 0) continue;
        for (int b = 0; b < score.GetBarCount(); ++b)
            EXPECT_GE(hostile::LiveConductorItems(*score.GetBar(b)), c.want.conductorItemsPerBar)
                << c.file << " bar " << b;
    }
}

TEST(ScoreFileHostileTest, ZeldumpEndsEveryFailureWithTheOffsetAndTheReason) {
    struct Case {
        const char* file;
        int exit;
        const char* says;  // a piece of what zeldump prints
    } cases[] = {
        {"dup-meas-accepted", 1, "damaged at offset 4446: expected COND here, found MEAS"},
        {"justify-heap-overflow", 1, "expected TRKL here"},
        {"truncated-abort", 1, "damaged at offset 4942: chunk STAF of length 92 runs past the end"},
        {"tail-truncated-accepted", 1, "file ends before the end mark"},
        {"line-barcount-accepted", 1, "a system's bars"},
        {"header-page-overflow", 1, "the page size"},
        {"cond-item-type8-saved-unreadable", 1, "a bar's conductor items"},
        {"legacy-elemsize", 1, "damaged at offset"},
        {"legacy-short-trackbars", 1, "a track's bars"},
        {"legacy-staves-lost", 0, "read: 1 tracks, 32 bars, 8 systems, 2 pages"},
        // The tail's lists are chunks with a 32-bit length.
        {"valid-lists-rejected-by-zeldump", 0, "FNTS @"},
        {"layout-negwidth", 1, "damaged at offset 1766: "},
        {"layout-rect-inverted", 1, "a system's indents"},
        {"legacy-meter-nonsense", 1, "a time signature"},
        {"header-count-unchecked", 1, "damaged at offset 4446: "},
        {"header-count-unchecked", 1, "the header's counts"},
        {"header-5-bytes", 1, "damaged at offset 13: "},
        {"legacy-record-eof-reported-as-out-of-memory", 1, "a block of records ends early"},
        // The reader's reason in UTF-8, as the terminal shows it.
        {"layout-negwidth", 1, "文件格式不正确"},
        // A chunk of length 0 has its fields follow directly, as the reader takes them.
        {"titl-length0-zeldump-says-damaged", 0, "read: 1 tracks, 32 bars, 8 systems, 2 pages"},
    };
    for (const Case& c : cases) {
        std::string out;
        EXPECT_EQ(hostile::RunZeldump(hostile::FixturePath(c.file), out), c.exit) << c.file << "\n" << out;
        EXPECT_NE(out.find(c.says), std::string::npos) << c.file << " does not say \"" << c.says << "\":\n" << out;
    }
}

}  // namespace

// A text or syllable whose record is damaged is refused, and the reader says which bar of which
// track lost it; the rest of the score opens.
TEST(ScoreFileHostileTest, ADamagedTextOrSyllableIsRefusedWithTheBarNamed) {
    for (const char* file : {"text-length-past-record", "lyric-text-unterminated"}) {
        fw::msgboxtest::Capture boxes;
        hostile::Loaded loaded;
        ASSERT_TRUE(loaded.Open(hostile::Fixture(file))) << file << ": " << loaded.error;
        bool told = false;
        for (const fw::msgboxtest::Shown& s : boxes.shown())
            told = told || fw::ToUtf8(s.text).find("已损坏") != std::string::npos;
        EXPECT_TRUE(told) << file << ": the damaged record went without a word";
    }
}
