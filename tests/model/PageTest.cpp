// Pages: the record, the chunk "PAGE" with its margins stored times 4, and the vertical
// spacing passes over a page's systems.
#include <gtest/gtest.h>

#include "FrameTestSupport.h"
#include "RecordTestSupport.h"
#include "model/EngraverSettings.h"
#include "model/Page.h"
#include "model/ScoreArrays.h"

using frametest::Chunk;
using recordtest::Bytes;

namespace {

struct LonePage {
    alignas(8) std::uint8_t bytes[CPage::kSize] = {};
    CPage* page;
    LonePage() {
        page = CPage::Construct(bytes);
        page->Init(nullptr);
    }
};


TEST(PageTest, NewPageTakesTheEngraverGapsAndThePageSetup) {
    recordtest::CleanGlobals clean;
    frametest::SmallScore s(1, {1});
    CPage* page = s.Page();
    EXPECT_EQ(page->GetGroupGap(), 840);
    EXPECT_EQ(page->GetSystemGap(), 1080);
    EXPECT_EQ(page->GetStaffGap(), 720);
    EXPECT_EQ(rec::Get<std::int16_t>(page, CPage::kLayoutWord1), 4);
    EXPECT_EQ(rec::Get<std::int16_t>(page, CPage::kLayoutWord2), 5);
    const RECT paper = page->GetPaperRect();
    const RECT printable = page->GetPrintableRect();
    EXPECT_EQ(paper.right, 612);
    EXPECT_EQ(paper.bottom, 792);
    EXPECT_EQ(printable.left, 36);
    EXPECT_EQ(printable.bottom, 756);
    EXPECT_EQ(page->GetScore(), s.score.get());
    RECT bounds;
    EXPECT_EQ(page->GetBounds(&bounds)->right, 612);
}

TEST(PageTest, PageChunkStoresMarginsAndPaperTimesFour) {
    recordtest::CleanGlobals clean;
    LonePage p;
    p.page->SetFirstSystem(1);
    p.page->SetSystemCount(2);
    rec::Put<std::uint16_t>(p.page, CPage::kColumns, 0x1234);
    rec::Put<std::uint16_t>(p.page, CPage::kRows, 0xABCD);
    p.page->SetPaperRect({0, 0, 612, 792});
    p.page->SetPrintableRect({36, 36, 576, 756});
    const Bytes body = {0, 1, 0, 2, 0x12, 0x34, 0xAB, 0xCD, 0, 168, 0, 216, 0, 144, 0, 4, 0, 5,
                        0, 0, 0, 144, 0, 0, 0, 144, 0, 0, 0, 144, 0, 0, 0, 144,
                        0, 0, 0x09, 0x90, 0, 0, 0x0C, 0x60};
    EXPECT_EQ(recordtest::Written([&](CChunkStream& s) { p.page->Write(s); }), Chunk("PAGE", body));

    // Read back, the printable rectangle's corner is the origin.
    recordtest::Reader r(Chunk("PAGE", body));
    LonePage read;
    read.page->Read(r.stream);
    EXPECT_EQ(read.page->GetFirstSystem(), 1);
    EXPECT_EQ(read.page->GetSystemCount(), 2);
    const RECT paper = read.page->GetPaperRect();
    const RECT printable = read.page->GetPrintableRect();
    EXPECT_EQ(printable.left, 0);
    EXPECT_EQ(printable.top, 0);
    EXPECT_EQ(printable.right, 540);
    EXPECT_EQ(printable.bottom, 720);
    EXPECT_EQ(paper.left, -36);
    EXPECT_EQ(paper.right, 576);
    EXPECT_EQ(recordtest::Written([&](CChunkStream& s) { read.page->Write(s); }), Chunk("PAGE", body));
}

TEST(PageTest, OddPaperSizesSurviveTheQuarterUnits) {
    recordtest::CleanGlobals clean;
    LonePage p;
    p.page->SetPaperRect({0, 0, 595, 842});
    p.page->SetPrintableRect({0, 0, 595, 842});
    const Bytes written = recordtest::Written([&](CChunkStream& s) { p.page->Write(s); });
    ASSERT_EQ(written.size(), 50u);
    EXPECT_EQ(written[42] << 24 | written[43] << 16 | written[44] << 8 | written[45], 2380);
    recordtest::Reader r(written);
    LonePage read;
    read.page->Read(r.stream);
    EXPECT_EQ(read.page->GetPaperRect().right - read.page->GetPaperRect().left, 595);
}

TEST(PageTest, PageArrayReadsItsPages) {
    recordtest::CleanGlobals clean;
    CPageArray pages;
    ASSERT_NE(pages.InsertEmpty(0), nullptr);
    static_cast<CPage*>(pages.GetAt(0))->Init(nullptr);
    static_cast<CPage*>(pages.GetAt(0))->SetSystemCount(3);
    const Bytes written = recordtest::Written([&](CChunkStream& s) { pages.Write(s, pages.GetTag()); });
    recordtest::Reader r(written);
    CPageArray read;
    read.Read(r.stream, read.GetTag());
    ASSERT_EQ(read.GetCount(), 1);
    EXPECT_EQ(static_cast<CPage*>(read.GetAt(0))->GetSystemCount(), 3);
}

TEST(PageTest, TwipsSteps) {
    recordtest::CleanGlobals clean;
    LonePage p;
    p.page->SetPrintableRect({10, 30, 500, 700});
    EXPECT_EQ(p.page->TopToPage(1440), 30 + 72);
    EXPECT_EQ(p.page->LeftFromPage(20), 200);
    EXPECT_EQ(p.page->StepTwips(0, 1), 20);
    EXPECT_EQ(p.page->StepTwips(10, -1), -20);  // toward zero, -1 to -19 still show as 0
    EXPECT_EQ(p.page->StepTwips(77, 0), 77);
}

TEST(PageTest, SpaceStavesRestoresGapsAndStacksSystems) {
    recordtest::CleanGlobals clean;
    frametest::SmallScore s(4, {1, 1});
    CPage* page = s.Page();
    page->SetGaps(0, 0, 0);
    // Staves 0 and 1 form a bracket group: the staff after the group gets the group gap.
    CStaff* first = s.Line(0)->GetStaff(0);
    first->Bracket(0)[CStaff::kBracketKind] = 2;
    first->Bracket(0)[CStaff::kBracketSpan] = 1;
    s.Line(0)->SetTopOffset(1440);
    page->SpaceStaves(false);
    EXPECT_EQ(page->GetGroupGap(), 840);
    EXPECT_EQ(page->GetSystemGap(), 1080);
    EXPECT_EQ(page->GetStaffGap(), 720);
    EXPECT_EQ(s.Line(0)->GetStaff(0)->GetSpacing(), 0);
    EXPECT_EQ(s.Line(0)->GetStaff(1)->GetSpacing(), 1200);
    EXPECT_EQ(s.Line(0)->GetStaff(2)->GetSpacing(), 1320);
    EXPECT_EQ(s.Line(0)->GetStaff(3)->GetSpacing(), 1200);  // the last staff never takes the group gap
    EXPECT_EQ(s.Line(1)->GetStaff(2)->GetSpacing(), 1200);  // no group in the second system
    EXPECT_EQ(s.Line(1)->GetTopOffset(), 1440 + 1200 + 1320 + 1200 + 1080 + 480);
    // A hidden first staff: the first shown one takes no spacing.
    s.Line(1)->GetStaff(0)->SetShown(false);
    page->SpaceStaves(false);
    EXPECT_EQ(s.Line(1)->GetStaff(1)->GetSpacing(), 0);
    EXPECT_EQ(s.Line(1)->GetStaff(2)->GetSpacing(), 1200);
}

TEST(PageTest, StretchToBottomLeavesSmallPagesAlone) {
    recordtest::CleanGlobals clean;
    frametest::SmallScore two(2, {1});
    two.Line(0)->Relayout();
    const int before = two.Line(0)->GetStaff(1)->GetSpacing();
    two.Page()->StretchToBottom();
    EXPECT_EQ(two.Line(0)->GetStaff(1)->GetSpacing(), before);

    frametest::SmallScore five(5, {1});
    five.Line(0)->Relayout();
    const int bottom = five.Line(0)->GetBottom();
    five.Page()->StretchToBottom();
    const int moved = five.Line(0)->GetBottom() - bottom;
    EXPECT_GT(moved, 0);
    EXPECT_LE(moved, 36);
}

}  // namespace
