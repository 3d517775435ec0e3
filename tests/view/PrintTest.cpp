// Printing the score view into PDF files at 600 dpi: booklets, two pages per side, odd and even
// pages, tiles, the zoom put back afterwards and the duplex prompt's Cancel.
#include "framework/CodePage.h"
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ViewFixture.h"
#include "framework/MessageBox.h"
#include "view/ViewGlobals.h"
#include "view/ViewPrint.h"
#include "support/TestData.h"

namespace {

// The sheet sides a PDF file holds.
int PdfPages(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string s = ss.str();
    int n = 0;
    for (std::size_t at = s.find("/Type /Page"); at != std::string::npos; at = s.find("/Type /Page", at + 1))
        n += s.compare(at, 12, "/Type /Pages") != 0;
    return n;
}

std::vector<std::vector<int>> Sides(const std::vector<PrintedSide>& sides) {
    std::vector<std::vector<int>> out;
    for (const PrintedSide& s : sides) out.push_back(s.pages);
    return out;
}

}  // namespace

TEST(PrintLayouts, BookletSidesFoldIntoPageOrder) {
    struct Row {
        int pages;
        bool blankFirst;
        std::vector<std::vector<int>> sides;  // page numbers from 1, 0 for a blank half
        const char* why;
    } rows[] = {
        {8, false, {{8, 1}, {2, 7}, {6, 3}, {4, 5}}, "eight pages on two sheets"},
        {5, true, {{0, 0}, {1, 0}, {5, 2}, {3, 4}}, "five pages after a blank first page: eight slots"},
        {3, false, {{0, 1}, {2, 3}}, "three pages: the fourth slot blank"},
        {1, false, {{0, 1}, {0, 0}}, "one page"},
    };
    for (const Row& r : rows) {
        const int sides = BookletSides(r.pages, r.blankFirst);
        ASSERT_EQ(sides, int(r.sides.size())) << r.why;
        int blank = 0;
        for (int s = 0; s < sides; ++s) {
            int first, second;
            BookletPages(r.pages, r.blankFirst, s, first, second);
            EXPECT_EQ((std::vector<int>{first + 1, second + 1}), r.sides[std::size_t(s)]) << r.why << " side " << s;
            blank += (first < 0) + (second < 0);
        }
        if (r.pages == 5) EXPECT_EQ(blank, 3) << r.why;
    }
    // Two pages per side, all or one parity (index 0 is page 1, an odd page).
    struct TwoUp {
        bool odd, even;
        int side, first, second;
    } twoUps[] = {{false, false, 0, 0, 1}, {false, false, 2, 4, -1}, {true, false, 0, 0, -1},
                  {true, false, 1, 2, -1}, {false, true, 0, -1, 1}, {false, true, 1, -1, 3},
                  {true, true, 1, 2, 3}};  // both parities chosen: every page
    for (const TwoUp& t : twoUps) {
        int first, second;
        TwoUpPages(5, t.side, t.odd, t.even, first, second);
        EXPECT_EQ(first, t.first) << t.odd << t.even << " side " << t.side;
        EXPECT_EQ(second, t.second) << t.odd << t.even << " side " << t.side;
    }
    EXPECT_EQ(TwoUpSides(5), 3);
}

class PrintTest : public ViewTest {
protected:
    std::string Pdf(const char* name) { return dir.path() + "/" + name; }
    testsupport::TempDir dir;
};

TEST_F(PrintTest, LayoutsPrintTheirSidesIntoTheFile) {
    OpenFile(testsupport::TestDataPath("view/eight-pages.zel"), 1);
    struct Row {
        PrintOptions options;
        std::vector<std::vector<int>> sides;  // page indices, -1 blank
        const char* why;
    } rows[] = {
        {{1, 0, 0, 0, 0, 0}, {{7, 0}, {1, 6}, {5, 2}, {3, 4}}, "booklet"},
        {{0, 1, 0, 0, 0, 0}, {{0, 1}, {2, 3}, {4, 5}, {6, 7}}, "two-up"},
        {{0, 0, 0, 0, 1, 0}, {{0}, {2}, {4}, {6}}, "odd pages only"},
        {{0, 0, 0, 0, 0, 1}, {{1}, {3}, {5}, {7}}, "even pages only"},
        {{0, 0, 0, 0, 0, 0}, {{0}, {1}, {2}, {3}, {4}, {5}, {6}, {7}}, "every page"},
        {{0, 0, 0, 0, 1, 1}, {{0}, {1}, {2}, {3}, {4}, {5}, {6}, {7}}, "odd and even pages: every page"},
        {{0, 1, 0, 0, 1, 1}, {{0, 1}, {2, 3}, {4, 5}, {6, 7}}, "two-up, odd and even pages"},
    };
    for (const Row& r : rows) {
        g_view.print = r.options;
        const std::string path = Pdf("out.pdf");
        ASSERT_TRUE(view->PrintToPdf(path)) << r.why;
        EXPECT_EQ(Sides(view->printedSides), r.sides) << r.why;
        EXPECT_EQ(PdfPages(path), int(r.sides.size())) << r.why;
    }
}

TEST_F(PrintTest, ABookletWithABlankFirstPagePrintsEightSlots) {
    Open(5, 1);
    ASSERT_EQ(doc->GetScore()->GetPageCount(), 5);
    g_view.print.booklet = 1;
    g_view.print.blankFirst = 1;
    ASSERT_TRUE(view->PrintToPdf(Pdf("booklet.pdf")));
    EXPECT_EQ(Sides(view->printedSides), (std::vector<std::vector<int>>{{-1, -1}, {0, -1}, {4, 1}, {2, 3}}));
}

TEST_F(PrintTest, TilesPrintEachPageOncePerTile) {
    Open(2, 1);
    // Pages that print twice as wide as the printer does, in a score that tiles its pages.
    doc->GetScore()->tilePages = 1;
    const CPageSetup& sheet = doc->printerPageSetup;
    const CPageSetup& page = doc->unscaledPageSetup;
    doc->unscaledPageSetup.SetPaperSizePoints(
        2 * sheet.GetPrintableWidth() + page.GetLeftMargin() + page.GetRightMargin(),
        sheet.GetPrintableHeight() + page.GetTopMargin() + page.GetBottomMargin());
    doc->SetScoreSize(100);
    ASSERT_EQ(doc->pagesAcross, 2);
    ASSERT_EQ(doc->pagesDown, 1);
    ASSERT_TRUE(view->PrintToPdf(Pdf("tiles.pdf")));
    const std::vector<PrintedSide> expected{{{0}, 0, 0}, {{0}, 1, 0}, {{1}, 0, 0}, {{1}, 1, 0}};
    EXPECT_EQ(view->printedSides, expected);
    EXPECT_EQ(PdfPages(Pdf("tiles.pdf")), 4);
}

TEST_F(PrintTest, PrintingAtAViewZoomPrintsAtOneHundredAndPutsTheZoomBack) {
    Open(1, 1, 150);
    ASSERT_EQ(doc->GetZoom(), 150);
    const int width150 = doc->viewPageSetup.GetPaperWidth();
    ASSERT_TRUE(view->PrintToPdf(Pdf("zoom.pdf")));
    EXPECT_EQ(doc->savedZoom, 150);
    EXPECT_EQ(doc->GetZoom(), 150);
    EXPECT_EQ(doc->viewPageSetup.GetPaperWidth(), width150);
    EXPECT_EQ(view->pageWidth, width150) << "the panes are laid out at 150 % again";
}

TEST_F(PrintTest, CancelAtTheDuplexPromptStopsBeforeTheBackSides) {
    Open(4, 1);
    g_view.print.manualDuplex = 1;
    fw::msgboxtest::Capture boxes;
    boxes.Answer(IDCANCEL);
    ASSERT_TRUE(view->PrintToPdf(Pdf("duplex.pdf")));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(fw::ToUtf8(boxes.shown()[0].text), "第 1 张纸的正面打印完后，请将纸翻面放回打印机！");
    EXPECT_EQ(Sides(view->printedSides), (std::vector<std::vector<int>>{{0}}));
    // OK goes on with every side.
    fw::msgboxtest::Capture again;
    again.Answer(IDOK);
    again.Answer(IDOK);
    ASSERT_TRUE(view->PrintToPdf(Pdf("duplex2.pdf")));
    EXPECT_EQ(view->printedSides.size(), 4u);
}

TEST_F(PrintTest, APreviewHidesTheRulersAndBringsThemBack) {
    Open(2, 1, 125);
    view->ShowRulers(true);
    CPrintInfo info;
    info.preview = true;
    ASSERT_TRUE(view->OnPreparePrinting(info));
    CDC dc;
    dc.CreateIC();
    view->OnBeginPrinting(&dc, info);
    EXPECT_EQ(view->rulersShown, 0);
    EXPECT_EQ(g_view.printPreview, 1);
    EXPECT_EQ(view->tilesPerPage, 1) << "a preview shows whole pages";
    EXPECT_EQ(doc->GetZoom(), 100);
    view->OnEndPrinting(&dc, info);
    EXPECT_EQ(view->rulersShown, 1);
    EXPECT_EQ(g_view.printPreview, 0);
    EXPECT_EQ(doc->GetZoom(), 125);
}
