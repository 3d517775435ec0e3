// Every score the program accepts saves back as it was read: each score file under tests/data
// and each score a script there makes is opened as the program opens it, saved, opened again
// and saved again, and the second save must hold the first save's bytes. A file the program
// refuses is left out, but it must be refused, never half read.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "framework/CodePage.h"
#include "framework/File.h"
#include "framework/Globals.h"
#include "framework/MessageBox.h"
#include "model/Bar.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "notation/NotationClasses.h"
#include "platform/Port.h"
#include "support/TempHome.h"
#include "support/RunTool.h"
#include "support/TestData.h"

using testsupport::RunTool;

namespace {

class NoPrinter : public PrinterSystem {
public:
    bool GetDefaultPrinter(std::vector<std::uint8_t>*, std::string*, std::string*, std::string*) override { return false; }
};

struct Env {
    testsupport::TempHome home;
    testsupport::TempDir dir;
    NoPrinter printer;
    PrinterSystem* before = nullptr;
    fw::msgboxtest::Capture boxes;
    Env() {
        fw::ResetAllGlobals();
        before = SetPrinterSystem(&printer);
        RegisterTrackClass();
        RegisterNotationClasses();
        InitDrawing();
    }
    ~Env() {
        SetPrinterSystem(before);
        fw::ResetAllGlobals();
    }
    std::string path(const std::string& name) const { return dir.path() + "/" + name; }
};

std::string FileBytes(const std::string& path) {
    std::string s;
    fw::ReadWholeFile(path, s);
    return s;
}

long FirstDifference(const std::string& x, const std::string& y) {
    const std::size_t n = std::min(x.size(), y.size());
    for (std::size_t i = 0; i < n; ++i)
        if (x[i] != y[i]) return long(i);
    return x.size() == y.size() ? -1 : long(n);
}

std::vector<std::string> DataFiles(const std::string& ending) {
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(testsupport::TestDataPath("")))
        if (e.is_regular_file() && e.path().extension() == ending) files.push_back(e.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

struct RoundTrip {
    bool refused = false;     // the first open refused the file
    std::string problem;      // empty: the file is a fixed point (or was refused)
};

// Open, save, open the save, save again; the two saves must be equal.
RoundTrip OpenSaveOpenSave(Env& env, const std::string& file) {
    RoundTrip r;
    const std::string first = env.path("first.zel"), second = env.path("second.zel");
    {
        CZelDoc doc;
        if (!doc.OnOpenDocument(file.c_str())) {
            r.refused = true;
            if (doc.lastReadCode == 0) r.problem = "refused without a code";
            return r;
        }
        if (!doc.OnSaveDocument(first.c_str())) {
            r.problem = "the program refuses to save what it read";
            return r;
        }
    }
    CZelDoc again;
    if (!again.OnOpenDocument(first.c_str())) {
        r.problem = "its own save does not open: code " + std::to_string(again.lastReadCode);
        return r;
    }
    if (!again.OnSaveDocument(second.c_str())) {
        r.problem = "the second save failed";
        return r;
    }
    const long at = FirstDifference(FileBytes(first), FileBytes(second));
    if (at >= 0) r.problem = "the second save differs from the first at offset " + std::to_string(at);
    return r;
}

TEST(ScoreRoundTripTest, EveryScoreFileOfTheTestDataSavesBackAsItWasRead) {
    Env env;
    const std::vector<std::string> files = DataFiles(".zel");
    ASSERT_GT(files.size(), 30u);
    int accepted = 0;
    for (const std::string& f : files) {
        const RoundTrip r = OpenSaveOpenSave(env, f);
        EXPECT_TRUE(r.problem.empty()) << f << ": " << r.problem;
        if (!r.refused) ++accepted;
    }
    EXPECT_GT(accepted, 20) << "most of the test data are scores the program reads";
}

TEST(ScoreRoundTripTest, EveryScoreAScriptOfTheTestDataMakesSavesBackAsItWasRead) {
    if (!std::getenv("ZEL_BUILD_DIR")) GTEST_SKIP() << "ZEL_BUILD_DIR names the tools' folder";
    Env env;
    const std::vector<std::string> scripts = DataFiles(".zs");
    ASSERT_GT(scripts.size(), 50u);
    int made = 0;
    for (const std::string& script : scripts) {
        // Scripts that test the tool's own errors make no score; the others do.
        const std::string zel = env.path("made.zel");
        std::filesystem::remove(zel);
        std::string out;
        if (RunTool("zelscript", script + " -o " + zel, &out) != 0 || !std::filesystem::exists(zel)) continue;
        ++made;
        const RoundTrip r = OpenSaveOpenSave(env, zel);
        EXPECT_FALSE(r.refused) << script << ": the program refuses the score its script made";
        EXPECT_TRUE(r.problem.empty()) << script << ": " << r.problem;
    }
    EXPECT_GT(made, int(scripts.size()) * 3 / 4);
}

// A whole-bar note followed by more notes of its voice overfills its bar; the bar measures the
// whole-bar note at the meter's length, so what it measures does not grow with every read.
TEST(ScoreRoundTripTest, ABarOverfilledAfterAWholeBarNoteKeepsItsLengthOverOpensAndSaves) {
    Env env;
    const struct {
        const char* file;
        int bar, length;
    } cases[] = {
        // whole-bar 1920 + a quarter and an eighth, from time 240
        {"model/hostile/content-length-grows.zel", 0, 1920 + 480 + 240 - 240},
        // whole-bar 1920 + an eighth and an eighth rest
        {"model/hostile/content-length-grows-1byte.zel", 21, 1920 + 240 + 240},
    };
    for (const auto& c : cases) {
        std::string file = testsupport::TestDataPath(c.file);
        for (int round = 0; round < 3; ++round) {
            CZelDoc doc;
            ASSERT_TRUE(doc.OnOpenDocument(file.c_str())) << c.file;
            ASSERT_GT(doc.GetScore()->GetBarCount(), c.bar);
            EXPECT_EQ(doc.GetScore()->GetBar(c.bar)->GetContentLength(), c.length) << c.file << " round " << round;
            file = env.path("round" + std::to_string(round) + ".zel");
            ASSERT_TRUE(doc.OnSaveDocument(file.c_str()));
        }
    }
}

// A note at the most negative time (0x8000) makes its bar's contents run longer than the
// bar's 16-bit length holds: the bar measures the most it holds, and the save opens again.
TEST(ScoreRoundTripTest, ContentsLongerThanABarsLengthHoldsMeasureTheMostItHolds) {
    Env env;
    CZelDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(testsupport::TestDataPath("model/hostile/saved-content-length-negative.zel").c_str()));
    CScore& score = *doc.GetScore();
    ASSERT_GT(score.GetBarCount(), 23);
    EXPECT_EQ(score.GetBar(23)->GetContentLength(), 32767);
    for (int b = 0; b < score.GetBarCount(); ++b) EXPECT_GT(score.GetBar(b)->GetContentLength(), 0) << "bar " << b;
    const std::string saved = env.path("saved.zel");
    ASSERT_TRUE(doc.OnSaveDocument(saved.c_str()));
    CZelDoc again;
    ASSERT_TRUE(again.OnOpenDocument(saved.c_str())) << again.lastReadCode;
    EXPECT_EQ(again.GetScore()->GetBar(23)->GetContentLength(), 32767);
}

}  // namespace
