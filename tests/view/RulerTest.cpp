// The rulers: their graduation in inches and centimetres at the zooms the view uses, and the
// pointer mark drawn by inversion.
#include <gtest/gtest.h>

#include <vector>

#include "ViewFixture.h"
#include "view/Ruler.h"

namespace {

RulerScale Scale(bool metric, int zoom) {
    RulerScale s;
    s.metric = metric;
    s.zoom = zoom;
    s.scoreSize = 100;
    s.pageLength = 1000;
    s.length = 2000;
    return s;
}

}  // namespace

TEST(RulerTicks, InchesAndCentimetresAtTheViewsZooms) {
    struct Row {
        bool metric;
        int zoom;
        int index;  // the tick counted from the page's start
        RulerTick tick;
        const char* why;
    } rows[] = {
        {false, 100, 0, {7, 2, 0}, "the page's edge: a long tick, no number"},
        {false, 100, 1, {12, 14, 0}, "a sixteenth of an inch (4.5 points rounds up)"},
        {false, 100, 2, {16, 12, 0}, "an eighth"},
        {false, 100, 4, {25, 10, 0}, "a quarter"},
        {false, 100, 8, {43, 8, 0}, "half an inch"},
        {false, 100, 16, {79, 2, 1}, "one inch, numbered"},
        {false, 150, 16, {115, 2, 1}, "one inch at 150 %"},
        {false, 75, 32, {115, 2, 2}, "two inches at 75 %"},
        {true, 100, 4, {35, 2, 1}, "1 cm at 100 %: four ticks per centimetre, every one numbered"},
        {true, 100, 2, {21, 12, 0}, "half a centimetre"},
        {true, 100, 1, {14, 14, 0}, "a quarter centimetre"},
        {true, 75, 4, {28, 12, 0}, "1 cm below 100 %: odd centimetres are not numbered"},
        {true, 75, 8, {50, 2, 2}, "2 cm below 100 %: even centimetres are"},
        {true, 125, 8, {42, 2, 1}, "1 cm from 125 %: eight ticks per centimetre"},
        {true, 125, 4, {25, 12, 0}, "half a centimetre at 125 %"},
        {true, 125, 2, {16, 14, 0}, "a quarter centimetre at 125 %"},
        {true, 150, 8, {49, 2, 1}, "1 cm at 150 % (the eighths are rounded before the zoom)"},
        {true, 150, 1, {13, 14, 0}, "an eighth of a centimetre at 150 %"},
    };
    for (const Row& r : rows) {
        const std::vector<RulerTick> ticks = RulerTicks(Scale(r.metric, r.zoom));
        ASSERT_GT(int(ticks.size()), r.index) << r.why;
        const RulerTick& t = ticks[std::size_t(r.index)];
        EXPECT_EQ(t.pos, r.tick.pos) << r.why;
        EXPECT_EQ(t.from, r.tick.from) << r.why;
        EXPECT_EQ(t.number, r.tick.number) << r.why;
    }
}

TEST(RulerTicks, NumberedTicksFollowTheUnitAndPagesFollowOneAnother) {
    struct Row {
        bool metric;
        int zoom, perNumber;
    } rows[] = {{false, 100, 16}, {true, 75, 8}, {true, 100, 4}, {true, 125, 8}, {true, 150, 8}};
    for (const Row& r : rows) {
        const std::vector<RulerTick> ticks = RulerTicks(Scale(r.metric, r.zoom));
        std::vector<int> numbered;
        for (std::size_t i = 0; i < ticks.size(); ++i)
            if (ticks[i].from == 2) numbered.push_back(int(i));
        ASSERT_GE(numbered.size(), 3u);
        EXPECT_EQ(numbered[1] - numbered[0], r.perNumber) << r.metric << " at " << r.zoom;
    }
    // Two pages along the ruler: the second page starts 6 past the first page's end.
    RulerScale s = Scale(false, 100);
    s.pageLength = 100;
    s.pages = 2;
    const std::vector<RulerTick> ticks = RulerTicks(s);
    bool secondStart = false;
    for (const RulerTick& t : ticks) secondStart = secondStart || (t.pos == 6 + 100 + 6 + 1 && t.from == 2);
    EXPECT_TRUE(secondStart);
    // Scrolled: nothing more than 12 pixels before the start or past the end.
    s.scroll = 300;
    s.pages = 10;
    s.length = 200;
    for (const RulerTick& t : RulerTicks(s)) {
        EXPECT_GE(t.pos, -12);
        EXPECT_LE(t.pos, 212);
    }
}

TEST_F(ViewTest, TheMarkDrawnAgainAtItsPlaceStaysAndMovingItRestoresTheRuler) {
    Open(2, 1);
    view->ShowRulers(true);
    fw::uitest::RunUntilIdle();
    CRuler& ruler = wnd->hRuler;
    ASSERT_TRUE(ruler.IsWindowVisible());
    ruler.UpdateWindow();
    CClientDC dc(&ruler);
    const COLORREF before = dc.GetPixel(50, 8), before60 = dc.GetPixel(60, 8);
    ruler.SetMark(50);
    const COLORREF marked = dc.GetPixel(50, 8);
    EXPECT_NE(marked, before);
    ruler.SetMark(50);
    EXPECT_EQ(dc.GetPixel(50, 8), marked) << "the same place draws nothing";
    ruler.SetMark(60);
    EXPECT_EQ(dc.GetPixel(50, 8), before);
    ruler.SetMark(-1);
    EXPECT_EQ(dc.GetPixel(60, 8), before60);
    EXPECT_EQ(ruler.mark, -1);
}
