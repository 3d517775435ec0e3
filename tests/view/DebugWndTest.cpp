// The debug window's list of the items of a bar: times as beat:tick, the space with two
// decimals, a line per head of a note, and no line for removed items or hidden voices.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ViewFixture.h"
#include "model/Bar.h"
#include "model/Data.h"
#include "model/Meter.h"
#include "model/Record.h"
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

// A cut-time bar counts its beats in halves.
TEST_F(DebugWndTest, ACutTimeBarCountsHalfBeats) {
    ASSERT_GE(Lines().size(), 4u);
    EXPECT_EQ(Lines()[3].cells[1].text, "002:000");
    Meter* meter = bar->GetMeter();
    const std::uint8_t kind = meter->bytes[Meter::kKindFlags];
    meter->bytes[Meter::kKindFlags] = std::uint8_t(kind | Meter::kCutTime);
    EXPECT_EQ(Lines()[3].cells[1].text, "003:000");
    meter->bytes[Meter::kKindFlags] = kind;
}

// The text of the cell at x of the line led by the item (none: "-").
std::string CellAt(const std::vector<debuglist::Line>& lines, int y, int x) {
    for (const debuglist::Line& l : lines)
        if (l.y == y)
            for (const debuglist::Cell& c : l.cells)
                if (c.x == x) return c.text;
    return "-";
}

// Each kind of item shows the values of its record where the window puts them; MIDI data only
// while the preference leaves it shown.
TEST_F(DebugWndTest, ItemsShowTheValuesOfTheirKind) {
    // An item of the score's with a record long enough for every field the table reads (a
    // chord); its type and fields are set for each row and put back after.
    CBarItem* item = nullptr;
    for (int b = 0; b < score->GetBarCount() && !item; ++b)
        for (int t = 0; t < score->GetTrackCount() && !item; ++t)
            if (CTrkBar* tb = score->GetTrkBar(t, b))
                for (CBarItem* i = tb->GetItems(); i && i->Type() != 255; i = i->NextItem())
                    if (!i->IsRemoved() && i->RecordSizeField() >= 32) {
                        item = i;
                        trkBar = tb;
                        bar = score->GetBar(b);
                        break;
                    }
    ASSERT_NE(item, nullptr);
    auto* bytes = reinterpret_cast<std::uint8_t*>(item);
    const std::vector<std::uint8_t> saved(bytes, bytes + item->RecordSizeField());
    const auto lineY = [&] {
        int y = debuglist::kFirstLine;
        for (CBarItem* i = trkBar->GetItems(); i && i != item; i = i->NextItem()) {
            if (i->IsRemoved() || !score->IsVoiceShown(i->VoiceField())) continue;
            y += i->IsNoteOrRawNote() ? 12 * static_cast<CRawNote*>(i)->HeadCountField() + 2 : debuglist::kLineHeight;
        }
        return y;
    };
    struct Row {
        const char* what;
        int type;
        std::vector<std::pair<int, std::int16_t>> words;  // offset, value
        std::vector<std::pair<int, const char*>> cells;    // x, text
    } rows[] = {
        {"rest: the signed byte at 20", 128, {{20, std::int16_t(0x00FD)}}, {{320, "-3"}}},
        {"tempo: the unsigned word at 20", 28, {{20, std::int16_t(40000)}}, {{438, "40000"}}},
        {"tie: the words at 18, 26 and 30", 30, {{18, 5}, {26, -6}, {30, 7}}, {{320, "5"}, {336, "-6"}, {380, "7"}}},
        {"hairpin: word 24 x 1024 + word 26", 19, {{24, 2}, {26, 3}}, {{336, "2051"}}},
        {"symbol: the offset byte", 22, {{14, std::int16_t(0xFC00)}}, {{170, "-4"}}},
        {"key signature: the byte at 16", 23, {{16, 9}}, {{336, "9"}}},
        {"ottava: the word at 22", 25, {{22, -12}}, {{336, "-12"}}},
        {"group: its two points", 36, {{36, 5}}, {{320, "2"}}},
    };
    for (const Row& r : rows) {
        std::copy(saved.begin(), saved.end(), bytes);
        bytes[6] = std::uint8_t(r.type);
        for (const auto& [offset, value] : r.words) rec::Put(item, std::size_t(offset), value);
        const auto lines = Lines();
        for (const auto& [x, text] : r.cells) EXPECT_EQ(CellAt(lines, lineY(), x), text) << r.what;
    }
    // A controller: listed unless MIDI data is hidden; its value at 438.
    std::copy(saved.begin(), saved.end(), bytes);
    bytes[6] = 171;
    const std::size_t shown = Lines().size();
    EXPECT_NE(CellAt(Lines(), lineY(), 438), "-");
    // Its name from the string table: controller 7 is "Volume", 10 "Pan".
    bytes[CData::kDataByte1] = 7;
    EXPECT_EQ(CellAt(Lines(), lineY(), 336), "Volume");
    bytes[CData::kDataByte1] = 10;
    EXPECT_EQ(CellAt(Lines(), lineY(), 336), "Pan");
    EXPECT_EQ(debuglist::Lines(*score, *bar, *trkBar, true).size(), shown - 1);
    std::copy(saved.begin(), saved.end(), bytes);
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
