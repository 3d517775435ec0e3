// The page pane under the pointer: the hover's pointer shapes by tool and place, the note-entry
// preview drawn by inversion (a second drawing restores the page, a move erases the old one), the
// tick's hover that erases the preview once the pointer leaves, the hand tool's scrolling and one
// bar of a track drawn at once.
#include <gtest/gtest.h>

#include <vector>

#include "ViewFixture.h"
#include "framework/Cursor.h"
#include "framework/Window.h"
#include "model/Bar.h"
#include "model/Page.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntry.h"
#include "model/TrkBarWalk.h"
#include "platform/PlatformGlobals.h"
#include "view/ToolState.h"
#include "view/ViewGlobals.h"

namespace {

// The smallest rectangle of the pixels that differ (client coordinates of r's pixels).
RECT Changed(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b, const RECT& r) {
    RECT out{r.right, r.bottom, r.left, r.top};
    const int w = int(r.right - r.left);
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        if (a[i] == b[i]) continue;
        const LONG x = r.left + LONG(i % std::size_t(w)), y = r.top + LONG(i / std::size_t(w));
        out = {std::min(out.left, x), std::min(out.top, y), std::max(out.right, x + 1), std::max(out.bottom, y + 1)};
    }
    return out;
}

int Ink(const std::vector<COLORREF>& a) {
    int n = 0;
    for (COLORREF c : a) n += c != RGB(255, 255, 255);
    return n;
}

}  // namespace

class PreviewTest : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        Open(1, 0);
        pane = view->GetPane(0);
        pane->Invalidate();
        pane->UpdateWindow();
        pane->GetClientRect(&client);
        g_toolState.tool = ToolState::kNote;
        g_toolState.subTool = ToolState::kNoteSub;
        g_toolState.value = 3;
    }
    // The client point over bar `bar` (at the middle of its content) at a staff position of
    // the first track; above: that many spaces above the top line instead.
    POINT At(int bar, int staffPosition) {
        CScore* score = doc->GetScore();
        CBar* b = score->GetBar(bar);
        CStaff* staff = b->GetLine()->GetStaff(0);
        const RECT paper = score->GetPage(0)->GetPaperRect();
        return POINT{LONG(b->FractionToX(512) - paper.left), LONG(staff->PositionToY(staffPosition) - paper.top)};
    }
    CPagePane* pane = nullptr;
    RECT client{};
};

TEST_F(PreviewTest, ThePreviewDrawnTwiceRestoresThePixels) {
    const std::vector<COLORREF> page = Pixels(pane, client);
    // Each sub-tool draws its ghost: a quarter note, a dotted eighth under a triplet, a
    // quarter rest, a sharp, a flat in parentheses.
    struct Case {
        const char* name;
        int subTool, value, dots, tuplet, button, courtesy;
    } cases[] = {
        {"quarter note", ToolState::kNoteSub, 3, 0, 0, 0, 0},
        {"dotted eighth in a triplet", ToolState::kNoteSub, 4, 1, 3, 0, 0},
        {"quarter rest", ToolState::kRestSub, 14, 0, 0, 0, 0},
        {"sharp", ToolState::kAccidentalSub, 22, 0, 0, 1, 0},
        {"flat in parentheses", ToolState::kAccidentalSub, 28, 0, 0, 2, 1},
    };
    for (const Case& c : cases) {
        g_toolState.subTool = std::int16_t(c.subTool);
        g_toolState.value = std::int16_t(c.value);
        g_toolState.dots = std::int16_t(c.dots);
        g_toolState.tupletNumber = std::int16_t(c.tuplet);
        g_toolState.tupletSpace = std::int16_t(c.tuplet ? 2 : 0);
        g_toolState.button = std::int16_t(c.button);
        g_toolState.courtesy = std::uint8_t(c.courtesy);
        const POINT p = At(0, 0);
        pane->Hover(int(p.x), int(p.y));
        ASSERT_EQ(g_view.previewShown, 1) << c.name;
        EXPECT_EQ(fw::CurrentCursor(), 516u) << c.name;
        EXPECT_GT(Differ(Pixels(pane, client), page), 20) << c.name << ": the ghost shows";
        EXPECT_TRUE(pane->InvertPreview()) << c.name;
        EXPECT_EQ(Differ(Pixels(pane, client), page), 0) << c.name << ": drawn a second time, it is gone";
        EXPECT_EQ(g_view.previewShown, 0) << c.name;
        pane->ShowPreview();
        EXPECT_GT(Differ(Pixels(pane, client), page), 20) << c.name << ": kept, it comes back at its place";
        pane->DrawPreview(false);
        EXPECT_EQ(Differ(Pixels(pane, client), page), 0) << c.name;
        EXPECT_EQ(pane->previewStaff, -1) << c.name << ": forgotten";
        pane->ShowPreview();
        EXPECT_EQ(g_view.previewShown, 0) << c.name << ": nothing to show once forgotten";
    }
}

TEST_F(PreviewTest, APreviewFollowsThePointerAndLeavesNothingBehind) {
    const std::vector<COLORREF> page = Pixels(pane, client);
    const POINT first = At(0, 0), second = At(1, 4);
    pane->Hover(int(first.x), int(first.y));
    const std::vector<COLORREF> atFirst = Pixels(pane, client);
    // The ghost stands at the pointer: its head within a space or two of it.
    const RECT ghost = Changed(atFirst, page, client);
    EXPECT_LE(ghost.left, first.x + 2);
    EXPECT_GE(ghost.right, first.x + 4);
    EXPECT_LE(ghost.top, first.y);
    EXPECT_GE(ghost.bottom, first.y);
    EXPECT_LT(ghost.right - ghost.left, 60);
    pane->Hover(int(second.x), int(second.y));
    EXPECT_EQ(pane->previewBar, 1);
    EXPECT_EQ(pane->previewStaffPosition, 4);
    const std::vector<COLORREF> atSecond = Pixels(pane, client);
    EXPECT_NE(Differ(atSecond, atFirst), 0);
    // The same point again changes nothing.
    pane->Hover(int(second.x), int(second.y));
    EXPECT_EQ(Differ(Pixels(pane, client), atSecond), 0);
    // The page moved under a kept preview (a full repaint): erasing still restores the page.
    pane->RedrawRect(client);
    EXPECT_EQ(g_view.previewShown, 0) << "a repaint erases the preview first";
    EXPECT_EQ(Differ(Pixels(pane, client), page), 0);
    // A select tool shows no preview.
    g_toolState.tool = ToolState::kSelect;
    pane->Hover(int(first.x), int(first.y));
    EXPECT_EQ(g_view.previewShown, 0);
    EXPECT_EQ(Differ(Pixels(pane, client), page), 0);
}

TEST_F(PreviewTest, TheHoverChoosesThePointerByToolAndPlace) {
    const POINT onStaff = At(0, 0), above = At(0, 9), below = At(0, -9);
    const RECT paper = doc->GetScore()->GetPage(0)->GetPaperRect();
    const RECT frame = doc->GetScore()->GetPage(0)->GetPrintableRect();
    const POINT margin{LONG((frame.left - paper.left) / 2), LONG(onStaff.y)};
    struct Case {
        const char* name;
        int tool;
        POINT at;
        bool ctrl;
        UINT cursor;
    } cases[] = {
        {"erase", ToolState::kErase, onStaff, false, 503},
        {"scale", ToolState::kScale, onStaff, false, 504},
        {"hand inside the page frame", ToolState::kHand, onStaff, false, 515},
        {"hand in the margin", ToolState::kHand, margin, false, 511},
        {"zoom", ToolState::kZoom, onStaff, false, 509},
        {"zoom with Ctrl", ToolState::kZoom, onStaff, true, 510},
        {"scrub", ToolState::kScrub, onStaff, false, 203},
        {"select", ToolState::kSelect, onStaff, false, IDC_ARROW},
        {"a placing tool on the staff", 904, onStaff, false, 501},
        {"a placing tool above it", 904, above, false, 508},
        {"a placing tool below it", 904, below, false, 507},
        {"the note tool", ToolState::kNote, onStaff, false, 516},
        {"the note tool in the margin", ToolState::kNote, margin, false, IDC_ARROW},
    };
    for (const Case& c : cases) {
        g_toolState.tool = std::int16_t(c.tool);
        g_platform.ctrlDown = c.ctrl ? 1 : 0;
        pane->DrawPreview(false);
        pane->Hover(int(c.at.x), int(c.at.y));
        EXPECT_EQ(fw::CurrentCursor(), c.cursor) << c.name;
        EXPECT_EQ(pane->selectInstead, 0) << c.name;
        EXPECT_EQ(g_view.previewShown, c.cursor == 516 ? 1 : 0) << c.name;
        EXPECT_EQ(doc->paneLocation.page, doc->GetScore()->GetPage(0)) << c.name << ": the hover location is kept";
    }
    g_platform.ctrlDown = 0;
}

TEST_F(PreviewTest, PointingAtANoteSelectsItInsteadOfPlacingOne) {
    CScore* score = doc->GetScore();
    CTrkBar* tb = score->GetTrkBar(0, 0);
    EntryRequest r;
    r.time = 0;
    r.position = tb->TickToFraction(0);
    r.value = 3;
    r.insertedDuration = 480;
    ASSERT_TRUE(tb->InsertNote(r, true, 0));
    pane->InvalidateAll();
    const RECT paper = score->GetPage(0)->GetPaperRect();
    CBarItem* note = nullptr;
    trkbar::ForEachLiveItem(tb, [&](CBarItem* item) {
        if (item->IsNote()) note = item;
    });
    ASSERT_NE(note, nullptr);
    // A point of the note's head that its own hit test takes.
    RECT bounds{};
    static_cast<CScoreItem*>(note)->GetBounds(&bounds);
    tb->SetCurrent();
    int x = -1, y = -1;
    for (int yy = int(bounds.bottom); yy >= int(bounds.top) && x < 0; --yy)
        for (int xx = int(bounds.left); xx <= int(bounds.right) && x < 0; ++xx)
            if (static_cast<CScoreItem*>(note)->HitTest(xx, yy)) x = xx, y = yy;
    ASSERT_GE(x, 0);
    x -= int(paper.left);
    y -= int(paper.top);
    pane->Hover(x, y);
    EXPECT_EQ(pane->hitKind, 1);
    EXPECT_EQ(doc->location.item, note);
    EXPECT_EQ(pane->selectInstead, 1) << "a note under the note tool is selected, not joined";
    EXPECT_EQ(fw::CurrentCursor(), 502u);
    EXPECT_EQ(g_view.previewShown, 0);
    // The rest sub-tool places over it.
    g_toolState.subTool = ToolState::kRestSub;
    pane->Hover(x, y - 1);
    EXPECT_EQ(pane->selectInstead, 0);
}

// The tick runs the hover where the pointer is, and erases the preview once it has left.
TEST_F(PreviewTest, TheTickErasesThePreviewWhenThePointerIsElsewhere) {
    const std::vector<COLORREF> page = Pixels(pane, client);
    doc->currentPane = pane;
    const POINT p = At(0, 0);
    POINT screen = p;
    pane->ClientToScreen(&screen);
    fw::SetCursorPos(int(screen.x), int(screen.y));
    view->OnTick();
    EXPECT_EQ(g_view.previewShown, 1) << "the pointer rests over the staff";
    EXPECT_EQ(pane->previewX, p.x);
    RECT window;
    wnd->GetWindowRect(&window);
    fw::SetCursorPos(int(window.right) + 40, int(window.bottom) + 40);
    view->OnTick();
    EXPECT_EQ(g_view.previewShown, 0);
    EXPECT_EQ(pane->previewStaff, -1);
    pane->HideCaret();  // the tick's blink aside
    EXPECT_EQ(Differ(Pixels(pane, client), page), 0);
}

TEST_F(PreviewTest, TheHandToolOutsideThePageFrameScrollsAgainstThePointer) {
    wnd.reset();
    doc.reset();
    Open(6, 1, 100, RECT{0, 0, 500, 400});
    pane = view->GetPane(0);
    g_toolState.tool = ToolState::kHand;
    view->ScrollToPosition(POINT{0, 200});
    const POINT start = view->GetScrollPosition();
    ASSERT_EQ(start.y, 200);
    const RECT paper = doc->GetScore()->GetPage(0)->GetPaperRect();
    const RECT frame = doc->GetScore()->GetPage(0)->GetPrintableRect();
    // A point in the left margin of the first page, 50 pixels down the view.
    const RECT place = PlaceOf(pane);
    const int x = int(frame.left - paper.left) / 2, y = 50 - int(place.top);
    const int vx = int(place.left) + x, vy = 50;
    pane->Hover(x, y);
    fw::uitest::Press(pane, x, y);
    fw::uitest::Move(view, vx - 30, vy - 20);
    fw::uitest::Move(view, vx - 50, vy - 20);
    fw::uitest::Release(view, vx - 50, vy - 20);
    fw::uitest::RunUntilIdle();
    const POINT end = view->GetScrollPosition();
    EXPECT_EQ(end.x, start.x + 50);
    EXPECT_EQ(end.y, start.y + 20);
    // Inside the frame the hand does not scroll.
    const int inside = int(frame.left - paper.left) + 40;
    pane->Hover(inside, y - 20);
    fw::uitest::Drag(pane, {POINT{inside, y - 20}, POINT{inside + 30, y}});
    fw::uitest::RunUntilIdle();
    EXPECT_EQ(view->GetScrollPosition().x, end.x);
}

TEST_F(PreviewTest, OneBarOfATrackIsDrawnAtOnce) {
    CScore* score = doc->GetScore();
    CTrkBar* tb = score->GetTrkBar(0, 1);
    EntryRequest r;
    r.position = tb->TickToFraction(0);
    r.value = 2;
    r.insertedDuration = 960;
    ASSERT_TRUE(tb->InsertNote(r, true, 0));
    CBar* bar = score->GetBar(1);
    const RECT paper = score->GetPage(0)->GetPaperRect();
    CStaff* staff = bar->GetLine()->GetStaff(0);
    const RECT area{bar->GetLeft() - paper.left + 2, staff->GetTopLine() - paper.top - 30, bar->GetRight() - paper.left - 2,
                    staff->GetBottomLine() - paper.top + 30};
    // The bars before, along the staff (a bar drawn on its own also draws its page's titles
    // above the systems).
    const RECT before{area.left - 200, staff->GetTopLine() - paper.top - 4, area.left - 20,
                      staff->GetBottomLine() - paper.top + 4};
    {
        CClientDC dc(pane);
        dc.FillSolidRect(&client, RGB(255, 255, 255));
    }
    pane->DrawTrackBar(tb, 0, 1);
    const int itemsOnly = Ink(Pixels(pane, area));
    EXPECT_GT(itemsOnly, 20) << "the new half note";
    EXPECT_EQ(Ink(Pixels(pane, before)), 0) << "nothing of the bars before";
    pane->DrawTrackBar(tb, 0, 0);
    EXPECT_GE(Ink(Pixels(pane, area)), itemsOnly) << "the whole bar: its items and barline";
    EXPECT_EQ(Ink(Pixels(pane, before)), 0);
}

// The click that activated the window places nothing; the next one takes the page and stops the
// caret for the tool's work.
TEST_F(PreviewTest, TheClickThatActivatedTheWindowIsIgnored) {
    const POINT p = At(0, 0);
    pane->Hover(int(p.x), int(p.y));
    ASSERT_EQ(g_view.previewShown, 1);
    doc->currentPane = nullptr;
    wnd->ignoreNextClick = 1;
    fw::uitest::Click(pane, int(p.x), int(p.y));
    fw::uitest::RunUntilIdle();
    EXPECT_EQ(wnd->ignoreNextClick, 0);
    EXPECT_EQ(doc->currentPane, nullptr) << "the ignored click changes nothing";
    EXPECT_EQ(g_view.previewShown, 1);
    EXPECT_EQ(doc->location.insertionPlaced, 1);

    fw::uitest::Click(pane, int(p.x), int(p.y));
    fw::uitest::RunUntilIdle();
    EXPECT_EQ(doc->currentPane, pane);
    EXPECT_EQ(g_view.previewShown, 0) << "the click erases the preview";
    EXPECT_EQ(doc->location.insertionPlaced, 0) << "and switches the caret off for the tool";
}
