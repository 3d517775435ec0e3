#include <gtest/gtest.h>

#include "DrawFixture.h"
#include "platform/PrArtist.h"

class PrArtistTest : public DrawTest {
protected:
    void SetUp() override {
        DrawTest::SetUp();
        screen = GetArtist();
        pr.SetPrinterResolution(600, 600);
        SetArtist(&pr);
        PushPort(&dc);  // the printing artist's own level
        pr.SetCopyMode();
    }
    void TearDown() override {
        PopPort();
        SetArtist(screen);
        DrawTest::TearDown();
    }
    CPrArtist pr;
    CArtist* screen = nullptr;
};

TEST_F(PrArtistTest, MapsCoordinatesWidthsAndSizes) {
    EXPECT_EQ(pr.MapX(72), 600);
    EXPECT_EQ(pr.UnmapX(600), 72);
    EXPECT_EQ(pr.MapX(1), 8);
    pr.SetPenWidth(20);
    LOGPEN lp;
    pr.GetCurrentLogPen(&lp);
    EXPECT_EQ(lp.lopnWidth.x, 8);  // (167 + 6) / 20
    EXPECT_EQ(pr.GetPenWidth(), 1);
    pr.SetFont(g_draw.standardFontRefs[1].face, 12, 0);
    FontRef f;
    pr.GetFontRef(&f);
    EXPECT_EQ(f.size, 12);
    EXPECT_EQ(pr.currentFont.size, 100);  // device size
    pr.SetMusicFont(24);
    EXPECT_EQ(pr.GlyphWidthDevice(116), 59);  // 1.18 spaces of 50 pixels
    EXPECT_EQ(pr.GlyphWidth(116), 7);         // score units
    dc.StartRecording();
    pr.Line(10, 20, 30, 40);
    EXPECT_EQ(Only(dc.TakeRecording(), {"MoveTo", "LineTo"}),
              (std::vector<std::string>{"MoveTo 83 167", "LineTo 250 333"}));
    pr.SetPenWidth(20);
    dc.StartRecording();
    pr.FrameRect(RECT{0, 0, 10, 10});
    EXPECT_EQ(Only(dc.TakeRecording(), {"Rectangle"}), std::vector<std::string>{"Rectangle 0 0 92 92"});
}

// A picture's rectangle goes to the page code's picture drawing in printer pixels; with none
// put in, nothing is drawn.
TEST_F(PrArtistTest, APicturesRectangleGoesToThePageCodeMapped) {
    static std::vector<int> handed;
    handed.clear();
    pr.DrawImageRect(RECT{72, 72, 144, 216}, 1, 2);
    PageImageDrawer() = [](const RECT& r, int a, int b) { handed = {r.left, r.top, r.right, r.bottom, a, b}; };
    pr.DrawImageRect(RECT{72, 72, 144, 216}, 1, 2);
    PageImageDrawer() = nullptr;
    EXPECT_EQ(handed, (std::vector<int>{600, 600, 1200, 1800, 1, 2}));
}

TEST_F(PrArtistTest, PatternedLinesMapEachAxis) {
    pr.SetPrinterResolution(600, 300);
    dc.StartRecording();
    pr.ThickLine(0, 36, 72, 36, 1);
    auto log = Only(dc.TakeRecording(), {"MoveTo"});
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log[0], "MoveTo 600 150");
}

TEST_F(PrArtistTest, GlyphNudgeAndBeams) {
    pr.SetMusicFont(24);
    pr.glyphNudge = -1;
    dc.StartRecording();
    pr.DrawGlyph(72, 72, 116);    // ignores the nudge
    pr.DrawGlyphBold(72, 72);     // adds MapY(-1) / 2
    auto text = Only(dc.TakeRecording(), {"TextOut"});
    ASSERT_EQ(text.size(), 2u);
    EXPECT_EQ(text[0].substr(0, 16), "TextOut 600 600 ");
    EXPECT_EQ(text[1].substr(0, 16), "TextOut 600 596 ");
    pr.glyphNudge = 0;

    pr.SetPenWidth(1);  // a 1-pixel device pen
    dc.StartRecording();
    pr.DrawBeam(10, 50, 60, 50, 10, 50, 60, 50, 40, false, false, 0, 6, false, false);
    EXPECT_EQ(Only(dc.TakeRecording(), {"MoveTo"}).size(), 16u);
    pr.SetPenWidth(20);
}
