// What a drag saves when it begins: the bar of the insertion point, and for a clef or a key
// signature every bar from there to the score's end (what such a drag relays out).
#include <gtest/gtest.h>

#include <algorithm>

#include "EditFixture.h"
#include "model/Bar.h"
#include "model/DragTask.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/System.h"
#include "model/SystemStaff.h"

namespace {

using edittest::EditScore;

TEST(DragSnapshot, AClefDragSavesEveryBarToTheScoresEnd) {
    struct Case {
        const char* name;
        int type;              // the dragged item's type: 18 clef, 128 rest
        bool lastBarRestored;  // an edit of the score's last bar goes back with the swap
    } cases[] = {{"clef", 18, true}, {"rest", 128, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EditScore s;
        const int last = s.score->GetBarCount() - 1;
        CTrkBar* tb = s.score->GetTrkBar(0, 1);
        tb->SetCurrent();
        CBarItem* item = tb->NewItem(c.type, 0);
        ASSERT_NE(item, nullptr);
        s.doc->location.trackIndex = 0;
        s.doc->location.barIndex = 1;
        const auto lastBefore = s.Run(0, last);
        CDragTask drag;
        drag.Begin(s.doc.get(), item, 4900);
        s.AddRest(0, last, 0, 1, false);
        ASSERT_NE(s.Run(0, last), lastBefore);
        drag.SwapSnapshot();
        EXPECT_EQ(s.Run(0, last) == lastBefore, c.lastBarRestored);
    }
}

}  // namespace

namespace {

// A rest of track 0's bar 1 pressed and dragged down onto track 1 of the same system, to a staff
// position there: the track the drag's location ends on.
int DraggedOntoTrack(int staffPosition, int type) {
    EditScore s;
    CTrkBar* tb = s.score->GetTrkBar(0, 1);
    tb->SetCurrent();
    CBarItem* item = tb->NewItem(type, 0);
    if (!item) return -1;
    CBar* bar = s.score->GetBar(1);
    CLine* line = bar->GetLine();
    CStaff* from = line->GetStaff(0);
    CStaff* to = line->GetStaff(1);
    const int x = bar->FractionToX(item->PositionField());
    s.doc->location.pageIndex = std::uint16_t(bar->GetPage()->GetIndex());
    s.score->LocatePoint(x, from->PositionToY(0), &s.doc->location);
    CDragTask drag;
    drag.Begin(s.doc.get(), item, 4900);
    POINT start{x, from->PositionToY(0)};
    drag.MouseDown(start);
    POINT prev = start;
    const int endY = to->PositionToY(staffPosition);
    for (int y = start.y + 3; y < endY + 3; y += 3) {
        const POINT cur{x, std::min(y, endY)};
        drag.MouseMove(cur, prev, start);
        prev = cur;
    }
    const int track = g_model.dragStart.trackIndex;
    drag.MouseUp(prev, prev, start);
    return track;
}

}  // namespace

TEST(DragFollow, ABarItemChangesTrackOnlyWellInsideTheNextStaff) {
    EXPECT_EQ(DraggedOntoTrack(2, 128), 1) << "staff position 2: the rest goes to the next track";
    EXPECT_EQ(DraggedOntoTrack(4, 128), 0) << "staff position 4: it stays";
    EXPECT_EQ(DraggedOntoTrack(2, 27), 0) << "a slur never changes staff";
}
