// The debug window's list of the items of a bar: times as beat:tick, the space with two
// decimals, a line per head of a note, and no line for removed items or hidden voices.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ViewFixture.h"
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/Score.h"
#include "model/TrkBar.h"
#include "notation/RawNote.h"
#include "support/TestData.h"
#include "view/DebugWnd.h"

namespace {

TEST(DebugListTest, TimesShowAsBeatAndTick) {
    struct Case {
        int time, beat;
        const char* want;
    };
    const Case cases[] = {
        {1000, 480, "003:040"}, {0, 480, "001:000"}, {479, 480, "001:479"},
        {1000, 240, "005:040"}, {480 * 1000 + 5, 480, "001:005"},  // the last three digits of beat 1001
    };
    for (const Case& c : cases) EXPECT_EQ(debuglist::BeatTick(c.time, c.beat), c.want) << c.time;
}

TEST(DebugListTest, TheSpaceShowsWithTwoDecimals) {
    struct Case {
        int space;
        const char* want;
    };
    const Case cases[] = {{1320, "11.00"}, {1380, "11.50"}, {119, "0.99"}, {121, "1.00"}, {0, "0.00"}, {150, "1.25"}};
    for (const Case& c : cases) EXPECT_EQ(debuglist::SpaceText(c.space), c.want) << c.space;
}

class DebugWndTest : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        OpenFile(testsupport::TestDataPath("edit/mixed.zel"), 0);
        score = doc->GetScore();
        bar = score->GetBar(0);
        trkBar = score->GetTrkBar(0, 0);
        ASSERT_TRUE(bar && trkBar);
    }
    std::vector<debuglist::Line> Lines() { return debuglist::Lines(*score, *bar, *trkBar, false); }

    CScore* score = nullptr;
    CBar* bar = nullptr;
    CTrkBar* trkBar = nullptr;
};

TEST_F(DebugWndTest, ANoteTakesALinePerHeadAndLinesStepDown) {
    const auto lines = Lines();
    int heads = 0;
    for (CBarItem* item = trkBar->GetItems(); item && item->Type() != 255; item = item->NextItem())
        heads += item->IsNoteOrRawNote() ? static_cast<CRawNote*>(item)->HeadCountField() : 1;
    ASSERT_EQ(int(lines.size()), heads);
    ASSERT_GE(lines.size(), 3u);
    // The first note is a chord of three heads, 12 pixels apart, each led by the type name.
    EXPECT_EQ(lines[0].typeName, "Note");
    EXPECT_EQ(lines[0].y, 11);
    EXPECT_EQ(lines[1].y, 23);
    EXPECT_EQ(lines[2].y, 35);
    EXPECT_EQ(lines[3].y, 49);  // the next item, 14 below
    EXPECT_EQ(lines[3].cells[1].text, "002:000");
    EXPECT_EQ(lines[0].cells[1].text, "001:000");
    EXPECT_EQ(lines[0].cells[1].x, 122);
    EXPECT_EQ(lines[0].cells[7].text, "G4");
    EXPECT_EQ(lines[1].cells[7].text, "E4");
    EXPECT_EQ(lines[2].cells[7].text, "C4");
}

TEST_F(DebugWndTest, RemovedItemsAndHiddenVoicesGetNoLine) {
    const std::size_t all = Lines().size();
    CBarItem* first = trkBar->GetItems();
    const int firstHeads = static_cast<CRawNote*>(first)->HeadCountField();
    first->SetFlagsB(std::uint8_t(first->FlagsB() | 0x02));
    EXPECT_EQ(Lines().size(), all - std::size_t(firstHeads));
    first->SetFlagsB(std::uint8_t(first->FlagsB() & ~0x02));
    // Only voice 2 shown: the bar's voice-1 items are left out.
    doc->location.allVoices = 0;
    doc->location.voice = 1;
    EXPECT_TRUE(Lines().empty());
    doc->location.voice = 0;
    EXPECT_EQ(Lines().size(), all);
}

TEST_F(DebugWndTest, TheHeaderShowsTheBarsNumbers) {
    const debuglist::Header h = debuglist::HeaderOf(*bar);
    EXPECT_EQ(h.pixWidth, bar->GetWidth());
    EXPECT_EQ(h.bcWidth, bar->GetContentWidth());
    EXPECT_EQ(h.totalClocks, 1920);
}

// zeldump's exit status and output for the arguments.
int RunZeldump(const std::string& args, std::string& out) {
    const char* build = std::getenv("ZEL_BUILD_DIR");
    if (!build) return -1;
    FILE* p = popen((std::string(build) + "/zeldump " + args + " 2>/dev/null").c_str(), "r");
    if (!p) return -1;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, p)) out += buffer;
    const int status = pclose(p);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(DebugDumpTest, ZeldumpPrintsTheHeaderAndALinePerListLine) {
    const std::string file = testsupport::TestDataPath("edit/mixed.zel");
    std::string out;
    ASSERT_EQ(RunZeldump("--debug 1 1 " + file, out), 0) << out;
    EXPECT_EQ(out.rfind("PixWidth ", 0), 0u) << out;
    EXPECT_NE(out.find("TotalClocks 1920 Space "), std::string::npos) << out;
    // The chord's three heads repeat the type name.
    EXPECT_NE(out.find("\nNote 001:000 0 0 0 0 -2 G4 80 0 480\nNote 001:000 0 0 0 0 -4 E4"), std::string::npos) << out;
    for (const char* args : {"--debug 1 999 ", "--debug 9 1 ", "--debug 0 1 "}) {
        std::string none;
        EXPECT_NE(RunZeldump(args + file, none), 0) << args;
    }
}

}  // namespace
