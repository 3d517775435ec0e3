// Title blocks drawn on a page: headers and footers with their page number, date and time, start
// page and mirrored sides; titles closing up their empty lines.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "DrawTestSupport.h"
#include "model/TitlePage.h"
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

// A confirmed title sheet moves a notice with text and y offset 0 up by one and a half times
// the size of each footer with text, y offset 0 and the notice's alignment.
TEST(TitleSheetTest, ANoticeOverAFooterOfItsAlignmentMovesUp) {
    struct Case {
        const char* why;
        const char* noticeText;
        int noticeY, noticeAlign;
        const char* footerText;
        int footerY, footerAlign, footerSize;
        int expected;
    } const cases[] = {
        {"centred over a centred 12-point footer", "Notice", 0, 1, "- #P -", 0, 1, 12, -360},
        {"a 10-point footer", "Notice", 0, 1, "- #P -", 0, 1, 10, -300},
        {"the footer right-aligned", "Notice", 0, 1, "- #P -", 0, 2, 12, 0},
        {"the notice already placed", "Notice", -100, 1, "- #P -", 0, 1, 12, -100},
        {"the footer moved", "Notice", 0, 1, "- #P -", 40, 1, 12, 0},
        {"the footer empty", "Notice", 0, 1, "", 0, 1, 12, 0},
        {"the notice empty", "", 0, 1, "- #P -", 0, 1, 12, 0},
    };
    for (const Case& c : cases) {
        TitleBlock blocks[TitleBlock::kBlocks];
        InitTitleBlocks(blocks);
        for (TitleBlock& b : blocks)
            for (TitleLine& l : b.lines) l.text[0] = 0;
        std::strcpy(blocks[3].lines[2].text, c.noticeText);
        blocks[3].yOffset = std::int16_t(c.noticeY);
        blocks[3].alignment = std::uint16_t(c.noticeAlign);
        std::strcpy(blocks[6].lines[0].text, c.footerText);
        blocks[6].yOffset = std::int16_t(c.footerY);
        blocks[6].alignment = std::uint16_t(c.footerAlign);
        blocks[6].lines[0].font.size = std::uint16_t(c.footerSize);
        KeepNoticeOffFooters(blocks);
        EXPECT_EQ(blocks[3].yOffset, c.expected) << c.why;
        EXPECT_EQ(blocks[6].yOffset, c.footerY) << c.why;
    }
}
