// Track labels dragged with the mouse in a page pane: a press on a label moves it with the
// pointer in label units of its staff, as one step that undo takes back; a click on it, or a
// press beside it, changes nothing.
#include <gtest/gtest.h>

#include <algorithm>

#include "ViewFixture.h"
#include "model/EditTask.h"
#include "model/Page.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "platform/Port.h"

namespace {

class LabelDrag : public ViewTest {
protected:
    // A one-page score whose first track shows its full name, the pane of its page, and the
    // label's middle in the pane's client coordinates.
    void OpenWithLabel() {
        Open(1, 1);
        score = doc->GetScore();
        track = score->GetTrack(0);
        track->SetName("Flute");
        track->SetTrackFlags(std::uint8_t(track->GetTrackFlags() | 0x01));
        score->textFont2.size = score->textFont3.size = 12;
        {
            // The systems make room for the name.
            CDC measure;
            measure.CreateIC();
            PushPort(&measure);
            for (int k = 0; k < score->GetLineCount(); ++k) score->GetLine(k)->UpdateBrackets();
            PopPort();
        }
        pane = view->GetPane(0);
        ASSERT_NE(pane, nullptr);
        const RECT r = LabelRect();
        ASSERT_GT(r.right, r.left);
        const RECT paper = score->GetPage(0)->GetPaperRect();
        middle = POINT{(r.left + r.right) / 2 - paper.left, (r.top + r.bottom) / 2 - paper.top};
    }
    RECT LabelRect() {
        CDC measure;
        measure.CreateIC();
        PushPort(&measure);
        score->GetLine(0)->MakeCurrent();
        RECT r;
        track->GetLabelRect(&r, true);
        PopPort();
        return r;
    }
    CStaff* Staff() { return score->GetLine(0)->GetStaff(0); }

    CScore* score = nullptr;
    CTrack* track = nullptr;
    CPagePane* pane = nullptr;
    POINT middle{};
};

}  // namespace

TEST_F(LabelDrag, APressOnALabelMovesItWithThePointerAsOneUndoableStep) {
    struct Case {
        int dx, dy;
        bool onLabel;
        bool moves;
        const char* why;
    } cases[] = {
        {30, 12, true, true, "down and to the right"},
        {-18, -24, true, true, "up and to the left"},
        {1, 1, true, false, "a click: the pointer stays within the threshold"},
        {30, 12, false, false, "a press on the staff beside the label takes nothing"},
    };
    for (const Case& c : cases) {
        OpenWithLabel();
        const int x0 = track->GetLabelOffsetX(true), y0 = track->GetLabelOffsetY(true);
        const int abbrX = track->GetLabelOffsetX(false);
        const RECT was = LabelRect();
        const POINT from = c.onLabel ? middle : POINT{middle.x + 150, middle.y};
        const POINT to{from.x + c.dx, from.y + c.dy};
        fw::uitest::Move(pane, from.x, from.y);
        fw::uitest::Drag(pane, {from, POINT{(from.x + to.x) / 2, (from.y + to.y) / 2}, to});
        fw::uitest::RunUntilIdle();
        const int wantX = c.moves ? x0 + Staff()->UnscaleOffset(c.dx) : x0;
        const int wantY = c.moves ? y0 + Staff()->UnscaleOffset(c.dy) : y0;
        EXPECT_EQ(track->GetLabelOffsetX(true), wantX) << c.why;
        EXPECT_EQ(track->GetLabelOffsetY(true), wantY) << c.why;
        EXPECT_EQ(track->GetLabelOffsetX(false), abbrX) << c.why << ": the abbreviation stays";
        EXPECT_EQ(doc->GetUndoCount(), c.moves ? 1 : 0) << c.why;
        EXPECT_EQ(doc->currentTask == nullptr, !c.moves) << c.why << ": no operation is left behind";
        if (c.moves) {
            // The step repaints where the label was and where it is now.
            const RECT now = LabelRect();
            bool covered = false;
            for (const PageDirtyRect& d : doc->GetUndoEntry(0)->DirtyRects())
                covered |= d.page == 0 && d.rect.left <= std::min(was.left, now.left) &&
                           d.rect.top <= std::min(was.top, now.top) && d.rect.right >= std::max(was.right, now.right) &&
                           d.rect.bottom >= std::max(was.bottom, now.bottom);
            EXPECT_TRUE(covered) << c.why;
            doc->Undo();
            EXPECT_EQ(score->GetTrack(0)->GetLabelOffsetX(true), x0) << c.why << ": undone";
            EXPECT_EQ(score->GetTrack(0)->GetLabelOffsetY(true), y0) << c.why << ": undone";
        }
        wnd.reset();
        doc.reset();
    }
}
