// Title blocks drawn on a page: headers and footers with their page number, date and time, start
// page and mirrored sides; titles closing up their empty lines.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "DrawTestSupport.h"
#include "model/Titles.h"
#include "platform/PortLayer.h"

using drawtest::ScoreDrawTest;

namespace {

void SetText(TitleBlock& block, int line, const char* text) {
    std::memset(block.lines[line].text, 0, TitleLine::kTextSize);
    std::strncpy(block.lines[line].text, text, TitleLine::kTextSize - 1);
}

}  // namespace

TEST(TitleTextTest, HeadersPutInThePageNumberDateAndTime) {
    SetFixedNow(1700000000);  // Tuesday, November 14, 2023, 22:13 UTC
    struct Case {
        const char* text;
        int page;
        const char* want;
    } cases[] = {
        {"Page #P", 3, "Page 3"},
        {"#p of the score", 12, "12 of the score"},
        {"#x and ## stay", 1, "#x and ## stay"},
        {"ends with #", 1, "ends with #"},
    };
    for (const Case& c : cases) EXPECT_EQ(ExpandTitleText(c.text, c.page), c.want) << c.text;
    char date[64] = {}, time[16] = {};
    FormatLongDate(date);
    FormatShortTime(time);
    EXPECT_EQ(ExpandTitleText("#D", 1), date);
    EXPECT_EQ(ExpandTitleText("at #t", 1), std::string("at ") + time);
    // A line full of "#D" shows every date: the text grows past the line's 128 bytes.
    std::string many;
    for (int i = 0; i < 63; ++i) many += "#D";
    const std::string expanded = ExpandTitleText(many.c_str(), 1);
    EXPECT_EQ(expanded.size(), 63 * std::strlen(date));
    // A double-byte character whose trail byte is "#" (0x23 is no trail byte in the code page,
    // but 0x50 "P" is) is copied whole and never read as a pattern.
    EXPECT_EQ(ExpandTitleText("\x81P#P", 7), "\x81P7");
    SetFixedNow(0);
}

TEST_F(ScoreDrawTest, FootersKeepTheirStartPageAndMirrorOnEveryOtherPage) {
    Build(1, {1});
    CPage* page = s->Page();
    const RECT printable = page->GetPrintableRect();
    TitleBlock footer(TitleBlock::kFooter, 2);
    SetText(footer, 0, "#P");
    footer.flip = 1;
    footer.xOffset = -200;
    RECT area = printable;
    // Page index 0: right side, offset as given.
    artist.log.clear();
    footer.Draw(area, page);
    ASSERT_EQ(artist.Only("Text right").size(), 1u);
    EXPECT_EQ(artist.Only("Text right")[0], "Text right " + std::to_string(printable.right - 10 - 1) + " 1");
    // Page index 1: mirrored to the left with the offset's sign turned.
    page->SetIndex(1);
    artist.log.clear();
    footer.Draw(area, page);
    ASSERT_EQ(artist.Only("Text left").size(), 1u);
    EXPECT_EQ(artist.Only("Text left")[0], "Text left " + std::to_string(printable.left + 10 + 1) + " 2");
    // A start page of 2 keeps it off pages 0 and 1.
    footer.startPage = 2;
    artist.log.clear();
    footer.Draw(area, page);
    EXPECT_TRUE(artist.log.empty() || artist.Only("Text").empty());
    page->SetIndex(0);
}

TEST_F(ScoreDrawTest, TitleLinesCloseUpAndMoveTheAreaBelowThem) {
    Build(1, {1});
    CPage* page = s->Page();
    TitleBlock title(TitleBlock::kTitle, 1);
    SetText(title, 0, "Sonata");
    SetText(title, 2, "for two hands");
    RECT area = page->GetPrintableRect();
    artist.log.clear();
    title.Draw(area, page);
    EXPECT_EQ(artist.Only("Text").size(), 2u) << "the empty line between them is left out";
    // The block is a packed record: its fields are read by value, never bound by reference.
    const int top = title.bounds[1], bottom = title.bounds[3];
    EXPECT_EQ(area.bottom, bottom) << "a title's area ends where it ends";
    EXPECT_GT(bottom, top);
    TitleBlock empty(TitleBlock::kNotice, 0);
    artist.log.clear();
    RECT area2 = page->GetPrintableRect();
    empty.Draw(area2, page);
    EXPECT_TRUE(artist.Only("Text").empty());
}
