// What a drag saves when it begins: the bar of the insertion point, and for a clef or a key
// signature every bar from there to the score's end (what such a drag relays out).
#include <gtest/gtest.h>

#include "EditFixture.h"
#include "model/DragTask.h"

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
