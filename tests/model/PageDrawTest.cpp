// Whole pages drawn into pictures and compared with references made by this program's own
// drawing (ZEL_UPDATE_REFERENCES=1 writes them anew); a part of a page redrawn under an update
// rectangle, and a page drawn into a window.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "DrawTestSupport.h"
#include "support/TestData.h"
#include "support/PictureCompare.h"
#include "framework/Globals.h"
#include "framework/MusicFont.h"
#include "framework/Window.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "platform/DCPort.h"
#include "platform/DrawGlobals.h"

using drawtest::ScoreDrawTest;

namespace {

void Compare(const CBitmap& picture, const char* name) {
    testsupport::ExpectPictureMatches(picture, testsupport::TestDataPath(std::string("model/drawing/") + name));
}

// Pixels of a that differ from b inside the rectangle.
long DifferencesIn(const CBitmap& a, const CBitmap& b, const RECT& r) {
    long n = 0;
    for (int y = int(r.top); y < r.bottom; ++y)
        for (int x = int(r.left); x < r.right; ++x)
            if ((a.GetPixel(x, y) & 0xFFFFFF) != (b.GetPixel(x, y) & 0xFFFFFF)) ++n;
    return n;
}

}  // namespace

TEST_F(ScoreDrawTest, BarlineKindsAndBracketsMatchTheirPicture) {
    ASSERT_TRUE(fw::MusicFontAvailable());
    Build(5, {1, 1});
    CLine* line = s->Line(0);
    ASSERT_TRUE(line->SetBracket(1, 0, 1, false));  // a brace
    ASSERT_TRUE(line->SetBracket(2, 2, 4, false));  // a bracket with hooks
    ASSERT_TRUE(line->SetBracket(3, 0, 4, false));  // around both
    line->UpdateBrackets();
    s->Line(1)->SetTopOffset(line->GetTopOffset() + 6000);
    s->Line(1)->GetStaff(3)->SetShown(false);
    Relayout();
    // Kinds 0-10 and 255 across the first system, repeat dots on every staff.
    CBar* bar = s->Bar(0);
    bar->MakeCurrent();
    const int kinds[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 255};
    int x = bar->GetLeft() + 20;
    for (int kind : kinds) {
        bar->DrawBarline(x, kind);
        x += (bar->GetRight() - bar->GetLeft() - 40) / 12;
    }
    line->Draw();
    s->Line(1)->Draw();
    s->Bar(1)->Draw();
    Compare(picture, "barlines.png");
}

TEST_F(ScoreDrawTest, SystemsWithContinuationsTimeCodesAndSeparatorsMatchTheirPicture) {
    ASSERT_TRUE(fw::MusicFontAvailable());
    drawtest::SpanningClass slurs(27);
    Build(2, {2, 2, 2});
    // The first system where the page's layout puts it on a page with titles: below them.
    for (int k = 0; k < 3; ++k) s->Line(k)->SetTopOffset(s->doc.GetPageTopSpace(0) + 3600 * k);
    Relayout();
    s->score->staffGroupSeparators = 2;
    s->score->timecode[0] = 2;  // at each system's first bar
    s->score->timecodeFrameStyle = 1;
    for (int b = 0; b < 6; ++b) s->Bar(b)->SetStartTime(b * 2000 + 500);
    // A slur that reaches from bar 1 over two system breaks into bar 5 (the placeholder shows
    // where it is drawn, clipped to each system).
    CBarItem* item = s->TrkBar(0, 1)->NewItem(27, 0);
    item->SetPositionField(900);
    rec::Put<std::int16_t>(item, 16, 4);
    // A hidden item: grey on screen while hidden items are shown.
    CBarItem* hidden = s->TrkBar(1, 2)->NewItem(22, 0);
    hidden->SetPositionField(200);
    hidden->SetFlagsB(std::uint8_t(hidden->FlagsB() | CBarItem::kHiddenBit));
    s->doc.location.hiddenObjects = 1;
    s->doc.location.allVoices = 1;
    s->Page()->Draw();
    Compare(picture, "systems.png");
    // What must be there: the time code at each system's first bar, the titles and the page
    // number; and the first time code clear of the annotation title above it.
    std::map<std::string, int> y;
    for (const auto& [text, at] : artist.textAt) y[text] = at;
    const std::string annotation = "\xD7\xA2\xBD\xE2";
    for (const std::string& text : {std::string("00:00:00:13"), std::string("00:00:04:13"), std::string("00:00:08:13"),
                                    std::string("\xB1\xEA\xCC\xE2"), annotation, std::string("\xD7\xF7\xD5\xDF"),
                                    std::string("- 1 -")})
        EXPECT_EQ(y.count(text), 1u) << text;
    artist.SetFontRef(s->score->timecodeFont);
    FontMetrics16 m;
    artist.GetFontMetrics(&m);
    EXPECT_GT(y["00:00:00:13"] - m.ascent, y[annotation]) << "the time code's top lies over the annotation";
}

TEST_F(ScoreDrawTest, APartialRedrawEqualsThatAreaOfAFullDrawing) {
    Build(2, {2, 2, 2});
    CBitmap full, part;
    ASSERT_TRUE(DrawPageToPicture(s->Page(), full));
    // The update rectangle lies over the middle system.
    const RECT area{s->Line(1)->GetLeft() - 10, s->Line(1)->GetTop() - 10, s->Line(1)->GetRight() + 10,
                    s->Line(1)->GetBottom() + 10};
    ASSERT_TRUE(DrawPageToPicture(s->Page(), part, nullptr, &area));
    const RECT paper = s->Page()->GetPaperRect();
    const RECT inPicture{area.left - paper.left, area.top - paper.top, area.right - paper.left, area.bottom - paper.top};
    EXPECT_EQ(DifferencesIn(full, part, inPicture), 0);
    // Outside the area nothing of the page was drawn.
    const RECT below{0, inPicture.bottom + 20, 40, inPicture.bottom + 40};
    CBitmap white;
    white.CreateBitmap(int(paper.right - paper.left), int(paper.bottom - paper.top));
    EXPECT_EQ(DifferencesIn(part, white, below), 0);
}

TEST_F(ScoreDrawTest, APageDrawnIntoAWindowEqualsOneDrawnIntoAPicture) {
    Build(2, {2, 2});
    CBitmap memory;
    ASSERT_TRUE(DrawPageToPicture(s->Page(), memory));
    const RECT paper = s->Page()->GetPaperRect();
    const int w = int(paper.right - paper.left), h = int(paper.bottom - paper.top);
    CFrameWnd window;
    ASSERT_TRUE(window.Create("page"));
    window.MoveWindow(0, 0, w, h, FALSE);
    CDCPort port(&window);
    artist.SetCopyMode();
    artist.SetWindowOrg(paper.left, paper.top);
    artist.FillRectColor(paper, 7);
    g_model.updateRect = paper;
    s->Page()->Draw();
    artist.SetWindowOrg(0, 0);
    long differing = 0;
    for (int y = 0; y < std::min(h, 400); y += 2)
        for (int x = 0; x < std::min(w, 400); x += 2)
            if ((port.GetPixel(x, y) & 0xFFFFFF) != (memory.GetPixel(x, y) & 0xFFFFFF)) ++differing;
    EXPECT_EQ(differing, 0);
}

// A page that prints over several sheets shows their seams on screen, one sheet's printable
// width and height apart from the printable area's corner; a score that does not tile its pages,
// and printing, show none.
TEST_F(ScoreDrawTest, APagePrintedOverSeveralSheetsShowsTheirSeams) {
    Build(1, {2});
    CPage* page = s->Page();
    page->SetColumnsAndRows(3, 2);
    const SIZE sheet = s->doc.GetSheetPrintableSize();
    ASSERT_GT(sheet.cx, 0);
    const RECT paper = page->GetPaperRect(), area = page->GetPrintableRect();
    const auto lines = [&](bool tile, bool printing) {
        s->score->tilePages = tile;
        fw::ScopedGlobal<bool> print(g_draw.printingDC, printing);
        artist.log.clear();
        page->Draw();
        return artist.Only("Line ");
    };
    const std::vector<std::string> plain = lines(false, false);
    char seam[3][96];
    std::snprintf(seam[0], 96, "Line %d %d %d %d", int(area.left + sheet.cx), int(paper.top), int(area.left + sheet.cx),
                  int(paper.bottom - 1));
    std::snprintf(seam[1], 96, "Line %d %d %d %d", int(area.left + 2 * sheet.cx), int(paper.top),
                  int(area.left + 2 * sheet.cx), int(paper.bottom - 1));
    std::snprintf(seam[2], 96, "Line %d %d %d %d", int(paper.left), int(area.top + sheet.cy), int(paper.right - 1),
                  int(area.top + sheet.cy));
    std::vector<std::string> tiled = {seam[0], seam[1], seam[2]};
    tiled.insert(tiled.end(), plain.begin(), plain.end());
    EXPECT_EQ(lines(true, false), tiled);
    EXPECT_EQ(lines(true, true), lines(false, true)) << "printing shows no seams";
    page->SetColumnsAndRows(1, 1);
    EXPECT_EQ(lines(true, false), plain) << "a page of one sheet has none";
}
