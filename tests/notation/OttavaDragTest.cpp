// Dragging an octave line on the laid-out piano score: up and down every record of its chain
// moves (the continuation offsets with Ctrl), the glyph moves the start and the hook the end,
// the release builds the chain again between the new ends (an end let go beyond the system
// lands in the next bar, an end before the start moves after it without its line), a one-bar
// line keeps 128 between its ends, and the inverted feedback drawn twice gives the page back.
#include <gtest/gtest.h>

#include <vector>

#include "ScoreDrawSupport.h"
#include "model/DragTask.h"
#include "model/Ottava.h"
#include "model/System.h"
#include "model/TrkBarWalk.h"
#include "platform/DrawGlobals.h"
#include "platform/PlatformGlobals.h"

using namespace notedraw;

namespace {

class OttavaDrag : public ScoreDrawTest {
protected:
    void SetUp() override {
        ScoreDrawTest::SetUp();
        g_model.randomSource = [] { return 77; };
    }
    void TearDown() override {
        g_viewDrag.currentTask = nullptr;
        ScoreDrawTest::TearDown();
    }

    std::vector<COttava*> Live(int b) {
        std::vector<COttava*> out;
        trkbar::ForEachLiveItem(score->GetTrkBar(0, b), [&](CBarItem* r) {
            if (r->IsOttava()) out.push_back(static_cast<COttava*>(r));
        });
        return out;
    }
    COttava* Only(int b) {
        auto live = Live(b);
        EXPECT_EQ(live.size(), 1u) << "bar " << b;
        return live.empty() ? nullptr : live[0];
    }
    // The middle of a part of a record in its bar.
    POINT PartCentre(COttava* o, int b, int part) {
        Current(0, b);
        RECT r;
        o->GetPartBounds(&r, part);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    // Presses on a point of the record of bar b: the drag begins with that bar current.
    void Press(COttava* o, int b, POINT at) {
        drag.start = drag.current = drag.previous = at;
        g_viewDrag.currentTask = &drag;
        Current(0, b);
        o->BeginDrag();
    }
    void MoveTo(COttava* o, POINT to, bool horizontal, int positionStep = 0) {
        drag.previous = drag.current;
        drag.current = to;
        drag.horizontal = horizontal ? 1 : 0;
        drag.positionStep = positionStep;
        o->DragBy(&drag);
    }
    void Release(COttava* o) {
        drag.moved = 1;
        o->EndDrag(&drag);
    }

    CDragTask drag;
};

}  // namespace

TEST_F(OttavaDrag, UpAndDownEveryRecordOfTheChainMoves) {
    ASSERT_TRUE(score->ApplyOttava(1, 100, 3, 600, 0, -600, 0, true, true, false, false, 0));
    COttava* start = Only(1);
    ASSERT_NE(start, nullptr);
    const POINT p = PartCentre(start, 1, 0);
    Press(start, 1, p);
    for (int b = 1; b <= 3; ++b) EXPECT_TRUE(Live(b).empty()) << "hidden while dragged: bar " << b;
    const int space = Staff()->Space();
    MoveTo(start, POINT{p.x, p.y - space}, false);
    Release(start);
    for (int b = 1; b <= 3; ++b) {
        COttava* o = Only(b);
        ASSERT_NE(o, nullptr);
        EXPECT_EQ(o->GetYOffset(), -720) << b;
        EXPECT_EQ(o->GetContinuationOffset(), 0) << b;
    }
    // With Ctrl the continuation offsets move instead.
    Press(start, 1, p);
    g_platform.ctrlDown = 1;
    MoveTo(start, POINT{p.x, p.y + space}, false);
    g_platform.ctrlDown = 0;
    Release(start);
    for (int b = 1; b <= 3; ++b) {
        COttava* o = Only(b);
        ASSERT_NE(o, nullptr);
        EXPECT_EQ(o->GetYOffset(), -720) << b;
        EXPECT_EQ(o->GetContinuationOffset(), 120) << b;
    }
}

TEST_F(OttavaDrag, TheGlyphMovesTheStartAndTheHookTheEnd) {
    CLine* line = score->GetLine(0);
    ASSERT_GE(line->GetBarCount(), 4);
    ASSERT_TRUE(score->ApplyOttava(1, 100, 2, 600, 0, -600, 1, true, true, false, false, 0));
    // The glyph dragged to the middle of bar 0.
    COttava* start = Only(1);
    ASSERT_NE(start, nullptr);
    const POINT glyph = PartCentre(start, 1, COttava::kHitGlyph);
    Press(start, 1, glyph);
    const int startX = score->GetBar(1)->FractionToX(100);
    const int target = score->GetBar(0)->FractionToX(512);
    MoveTo(start, POINT{glyph.x + (target - startX), glyph.y}, true);
    Release(start);
    COttava* moved = Only(0);
    ASSERT_NE(moved, nullptr);
    EXPECT_TRUE(moved->IsStart());
    EXPECT_NEAR(moved->PositionField(), 512, 8);
    EXPECT_EQ(moved->GetKind(), 1);
    EXPECT_EQ(moved->GetYOffset(), -600);
    ASSERT_NE(Only(2), nullptr);
    EXPECT_TRUE(Only(2)->IsEnd());
    EXPECT_EQ(Only(2)->GetEndPosition(), 600);

    // The hook let go past the system's last bar: position 256 of the next bar.
    const int last = line->GetLastBar();
    ASSERT_LT(last + 1, score->GetBarCount());
    COttava* end = Only(2);
    const POINT hook = PartCentre(end, 2, COttava::kHitHook);
    Press(moved, 0, hook);
    const int right = score->GetBar(last)->GetRight();
    MoveTo(moved, POINT{right + 40, hook.y}, true);
    Release(moved);
    for (int b = 0; b <= last + 1; ++b) ASSERT_EQ(Live(b).size(), 1u) << b;
    EXPECT_TRUE(Live(last + 1)[0]->IsEnd());
    EXPECT_EQ(Live(last + 1)[0]->GetEndPosition(), 256);
    EXPECT_TRUE(Live(last + 1)[0]->GetFlags() & COttava::kLineBit);
}

TEST_F(OttavaDrag, AnEndBeforeTheStartMovesAfterItWithoutItsLine) {
    ASSERT_TRUE(score->ApplyOttava(1, 500, 2, 600, 0, -600, 0, true, true, false, false, 0));
    COttava* start = Only(1);
    COttava* end = Only(2);
    ASSERT_TRUE(start && end);
    const POINT hook = PartCentre(end, 2, COttava::kHitHook);
    Press(start, 1, hook);
    const int to = score->GetBar(1)->FractionToX(100);
    const int from = score->GetBar(2)->FractionToX(600);
    MoveTo(start, POINT{hook.x + (to - from), hook.y}, true);
    Release(start);
    EXPECT_TRUE(Live(2).empty());
    COttava* one = Only(1);
    ASSERT_NE(one, nullptr);
    EXPECT_TRUE(one->IsStart() && one->IsEnd());
    EXPECT_EQ(one->PositionField(), 500);
    EXPECT_EQ(one->GetEndPosition(), 516);
    EXPECT_FALSE(one->GetFlags() & COttava::kLineBit);
}

TEST_F(OttavaDrag, AOneBarLineKeeps128BetweenItsEnds) {
    ASSERT_TRUE(score->ApplyOttava(1, 300, 1, 700, 0, -600, 0, true, true, false, false, 0));
    COttava* o = Only(1);
    ASSERT_NE(o, nullptr);
    const POINT hook = PartCentre(o, 1, COttava::kHitHook);
    Press(o, 1, hook);
    MoveTo(o, POINT{hook.x - 5, hook.y}, true, -200);
    EXPECT_EQ(o->GetEndPosition(), 500);
    MoveTo(o, POINT{hook.x - 10, hook.y}, true, -72);
    EXPECT_EQ(o->GetEndPosition(), 500) << "428 would leave only 128";
    MoveTo(o, POINT{hook.x - 15, hook.y}, true, -71);
    EXPECT_EQ(o->GetEndPosition(), 429);
    drag.moved = 0;
    o->EndDrag(&drag);
    EXPECT_FALSE(o->IsRemoved()) << "a drag let go where it began only shows the line again";
}

TEST_F(OttavaDrag, TheInvertedFeedbackDrawnTwiceGivesThePixelsBack) {
    ASSERT_TRUE(score->ApplyOttava(0, 100, 2, 600, 0, -600, 0, true, true, false, true, 0));
    // The page as drawn, the line included.
    for (int b = 0; b <= 2; ++b) {
        Current(0, b);
        Only(b)->Draw();
    }
    const int width = 800, height = 600;
    std::vector<COLORREF> before;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) before.push_back(dc.GetPixel(x, y));
    COttava* start = Only(0);
    Press(start, 0, PartCentre(start, 0, 0));
    g_draw.feedbackDrawing = true;
    a->SetROP2(R2_NOT);
    Current(0, 0);
    start->DrawDragFeedback();
    int changed = 0;
    for (int y = 0, i = 0; y < height; ++y)
        for (int x = 0; x < width; ++x, ++i) changed += dc.GetPixel(x, y) != before[std::size_t(i)] ? 1 : 0;
    EXPECT_GT(changed, 100) << "the feedback shows the whole chain";
    start->DrawDragFeedback();
    a->SetROP2(R2_COPYPEN);
    g_draw.feedbackDrawing = false;
    int differ = 0;
    for (int y = 0, i = 0; y < height; ++y)
        for (int x = 0; x < width; ++x, ++i) differ += dc.GetPixel(x, y) != before[std::size_t(i)] ? 1 : 0;
    EXPECT_EQ(differ, 0);
    drag.moved = 0;
    start->EndDrag(&drag);
}
