// The select tool's rubber band in a page pane: the band is drawn by inversion while the button
// is down and leaves the pane as it was; release selects what lies inside (notes by their heads,
// rests only while no data kind is shown, only notes and rests in rectangle mode 1); leaving the
// view scrolls it; under the zoom tool the band zooms. The Edit > Select commands reach the
// selection through the score window.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "ViewFixture.h"
#include "framework/Cursor.h"
#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Select.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntry.h"
#include "model/TrkBarWalk.h"
#include "view/ToolState.h"

namespace {

namespace ui = fw::uitest;

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

class BandTest : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        Open(1, 0);
        pane = view->GetPane(0);
        pane->Invalidate();
        pane->UpdateWindow();
        pane->GetClientRect(&client);
        g_toolState.tool = ToolState::kSelect;
    }
    // A quarter note at the start of track 0's bar; the record.
    CBarItem* AddNote(int bar) {
        CTrkBar* tb = doc->GetScore()->GetTrkBar(0, bar);
        EntryRequest r;
        r.time = 0;
        r.position = tb->TickToFraction(0);
        r.value = 3;
        r.insertedDuration = 480;
        EXPECT_TRUE(tb->InsertNote(r, true, 0));
        CBarItem* note = nullptr;
        trkbar::ForEachLiveItem(tb, [&](CBarItem* item) {
            if (item->IsNote()) note = item;
        });
        return note;
    }
    // An item's rectangle in the pane's client coordinates.
    RECT InPane(CBarItem* item, int bar) {
        CScore* score = doc->GetScore();
        score->GetTrkBar(0, bar)->SetCurrent();
        RECT r{};
        static_cast<CScoreItem*>(item)->GetBounds(&r);
        const RECT paper = score->GetPage(0)->GetPaperRect();
        return RECT{r.left - paper.left, r.top - paper.top, r.right - paper.left, r.bottom - paper.top};
    }
    // A band dragged from a to b, with the pixels looked at while the button is still down.
    std::vector<COLORREF> Drag(POINT a, POINT b, UINT mods = ui::kNone) {
        std::vector<COLORREF> during;
        ui::Move(pane, a.x, a.y);
        ui::Press(pane, a.x, a.y, ui::kLeft, mods);
        ui::Move(pane, (a.x + b.x) / 2, (a.y + b.y) / 2, mods);
        ui::Move(pane, b.x, b.y, mods);
        ui::Call([&] { during = Pixels(pane, client); });
        ui::Release(pane, b.x, b.y, ui::kLeft, mods);
        ui::RunUntilIdle();
        return during;
    }
    CPagePane* pane = nullptr;
    RECT client{};
};

TEST_F(BandTest, TheBandIsDrawnByInversionAndErasingItLeavesThePaneAsItWas) {
    // Empty paper below the systems, right of the track-name margin.
    CScore* score = doc->GetScore();
    CLine* last = score->GetLine(score->GetLineCount() - 1);
    const RECT paper = score->GetPage(0)->GetPaperRect();
    const int left = int(last->GetLeft() - paper.left) + 40;
    const int top = int(client.bottom) - 120;
    ASSERT_GT(top, 0);
    // The bottom of the page in the window.
    view->ScrollTo(POINT{0, 10000});
    ui::RunUntilIdle();
    const RECT place = PlaceOf(pane);
    ASSERT_GE(place.top + top, 0);
    ASSERT_LT(place.top + top + 60, 620);
    // The first click on a page only makes it current.
    ui::Click(pane, left, top);
    ui::RunUntilIdle();
    std::vector<int> heard;
    DocumentHintTargets()[1] = [&heard](int code) { heard.push_back(code); };
    fw::SetCursor(IDC_WAIT);
    pane->HideCaret();
    const std::vector<COLORREF> before = Pixels(pane, client);
    const std::vector<COLORREF> during = Drag(POINT{left, top}, POINT{left + 90, top + 60});
    ASSERT_FALSE(during.empty());
    EXPECT_GT(Differ(during, before), 2 * 90) << "the frame shows while the button is down";
    const RECT drawn = Changed(during, before, client);
    EXPECT_EQ(drawn.left, left);
    EXPECT_EQ(drawn.top, top);
    EXPECT_EQ(drawn.right, left + 91);
    EXPECT_EQ(drawn.bottom, top + 61);
    pane->HideCaret();
    EXPECT_EQ(Differ(Pixels(pane, client), before), 0) << "erased by drawing it again";
    EXPECT_EQ(doc->GetSelection()->GetItemCount(), 0);
    // An empty band tells the document that nothing is selected, which brings the arrow back.
    EXPECT_EQ(fw::CurrentCursor(), UINT(IDC_ARROW));
}

TEST_F(BandTest, ReleaseSelectsWhatLiesInsideTheBand) {
    std::vector<int> heard;
    DocumentHintTargets()[1] = [&heard](int code) { heard.push_back(code); };
    CBarItem* first = AddNote(1);
    ASSERT_NE(first, nullptr);
    CBarItem* second = AddNote(2);
    ASSERT_NE(second, nullptr);
    pane->InvalidateAll();
    ui::RunUntilIdle();
    const RECT r = InPane(second, 2);
    ASSERT_GT(r.right, r.left);
    Drag(POINT{r.left - 6, r.top - 6}, POINT{r.right + 6, r.bottom + 6});
    CScore* score = doc->GetScore();
    std::vector<bool> selected;
    for (int b : {1, 2})
        trkbar::ForEachLiveItem(score->GetTrkBar(0, b), [&](CBarItem* item) {
            if (item->IsNote()) selected.push_back(item->IsSelectedBit());
        });
    EXPECT_EQ(selected, (std::vector<bool>{false, true}));
    CSelect* sel = doc->GetSelection();
    EXPECT_EQ(sel->GetItemCount(), 1);
    EXPECT_EQ(sel->lower[kExtentBar], 2);
    // The graphic window hears that the selection changed.
    EXPECT_NE(std::find(heard.begin(), heard.end(), int(CSelect::kSelectionChangedCommand)), heard.end());
    EXPECT_EQ(sel->rectMode, CSelect::kRectAll) << "set back after the band";

    // A click on the other note takes it alone.
    const RECT f = InPane(first, 1);
    int x = -1, y = -1;
    CScore* sc = doc->GetScore();
    const RECT paper = sc->GetPage(0)->GetPaperRect();
    sc->GetTrkBar(0, 1)->SetCurrent();
    for (int yy = int(f.bottom); yy >= int(f.top) && x < 0; --yy)
        for (int xx = int(f.left); xx <= int(f.right) && x < 0; ++xx)
            if (static_cast<CScoreItem*>(first)->HitTest(xx + int(paper.left), yy + int(paper.top))) x = xx, y = yy;
    ASSERT_GE(x, 0);
    ui::Move(pane, x, y);
    ui::Click(pane, x, y);
    ui::RunUntilIdle();
    selected.clear();
    for (int b : {1, 2})
        trkbar::ForEachLiveItem(score->GetTrkBar(0, b), [&](CBarItem* item) {
            if (item->IsNote()) selected.push_back(item->IsSelectedBit());
        });
    EXPECT_EQ(selected, (std::vector<bool>{true, false}));
    EXPECT_EQ(sel->GetItemCount(), 1);
}

TEST_F(BandTest, TheRectangleTakesRestsOnlyWithoutADataKindAndOnlyNotesAndRestsInMode1) {
    CScore* score = doc->GetScore();
    CBarItem* note = AddNote(1);
    ASSERT_NE(note, nullptr);
    struct Case {
        const char* why;
        int dataKind, mode;
        bool rest, symbol;  // symbol: the performance note
    };
    const Case cases[] = {
        {"every kind", 0, CSelect::kRectAll, true, true},
        {"notes and rests only", 0, CSelect::kRectNotes, true, false},
        {"a data kind shown: no rests", 2, CSelect::kRectAll, false, true},
    };
    for (const Case& c : cases) {
        CSelect* sel = doc->GetSelection();
        sel->ClearAll();
        CTrkBar* tb = score->GetTrkBar(0, 3);
        tb->SetCurrent();
        for (CBarItem* i = tb->GetItems(); i && i->TypeCode() != 255; i = i->NextItem()) i->MarkRemoved();
        tb->Compact();
        CBarItem* rest = tb->NewItem(128, 0);
        ASSERT_NE(rest, nullptr);
        rest->SetPositionField(100);
        // A performance note: a copy of the note of bar 1 under its type code.
        CBarItem* symbol = tb->InsertCopy(note);
        ASSERT_NE(symbol, nullptr);
        rec::Put<std::uint8_t>(symbol, rec::kType, 112);
        note = nullptr;
        trkbar::ForEachLiveItem(score->GetTrkBar(0, 1), [&](CBarItem* i) {
            if (i->IsNote()) note = i;
        });
        doc->currentPane = pane;
        g_model.dataDisplayKind = std::uint8_t(c.dataKind);
        sel->SetRectMode(c.mode);
        // The whole of bar 3's area on the page.
        RECT bar{};
        score->GetTrkBar(0, 3)->GetRect(&bar);
        sel->invalidRect = RECT{bar.left, bar.top - 200, bar.right, bar.bottom + 200};
        sel->SelectInRect();
        g_model.dataDisplayKind = 0;
        bool restIn = false, symbolIn = false;
        trkbar::ForEachLiveItem(score->GetTrkBar(0, 3), [&](CBarItem* item) {
            if (item->IsRest()) restIn = item->IsSelectedBit();
            if (item->IsRawNote()) symbolIn = item->IsSelectedBit();
        });
        EXPECT_EQ(restIn, c.rest) << c.why;
        EXPECT_EQ(symbolIn, c.symbol) << c.why;
        EXPECT_EQ(sel->GetItemCount(), int(c.rest) + int(c.symbol)) << c.why;
        EXPECT_FALSE(note->IsSelectedBit()) << c.why << ": outside the rectangle";
    }
}

TEST_F(BandTest, LeavingTheViewScrollsIt) {
    wnd.reset();
    doc.reset();
    Open(6, 1, 100, RECT{0, 0, 500, 400});
    pane = view->GetPane(0);
    g_toolState.tool = ToolState::kSelect;
    ASSERT_EQ(view->GetScrollPosition().y, 0);
    const RECT place = PlaceOf(pane);
    const int x = 200 - int(place.left), y = 150 - int(place.top);
    ui::Move(pane, x, y);
    ui::Press(pane, x, y);
    for (int k = 1; k <= 6; ++k) ui::Move(pane, x + k, y + 300 + k);
    ui::Release(pane, x + 6, y + 306);
    ui::RunUntilIdle();
    EXPECT_GT(view->GetScrollPosition().y, 0) << "dragged below the window";
}

TEST_F(BandTest, UnderTheZoomToolTheBandZoomsAndWithCtrlZoomsOut) {
    g_toolState.tool = ToolState::kZoom;
    ASSERT_EQ(doc->GetZoom(), 100);
    const int x = int(client.right) / 3, y = int(client.bottom) / 3;
    Drag(POINT{x, y}, POINT{x + 120, y + 80});
    EXPECT_GT(doc->GetZoom(), 100) << "zoomed to the band";
    doc->SetZoom(200, true);
    view->PositionPanes();
    view->ScrollTo(POINT{0, 0});
    ui::RunUntilIdle();
    pane = view->GetPane(0);
    Drag(POINT{60, 60}, POINT{60, 60}, ui::kCtrl);
    EXPECT_LT(doc->GetZoom(), 200) << "Ctrl zooms out";
    EXPECT_EQ(doc->GetSelection()->GetItemCount(), 0);
}

TEST_F(BandTest, TheEditSelectCommandsReachTheSelectionThroughTheScoreWindow) {
    CBarItem* note = AddNote(1);
    ASSERT_NE(note, nullptr);
    CScore* score = doc->GetScore();
    CTrkBar* tb = score->GetTrkBar(0, 4);
    tb->SetCurrent();
    CBarItem* rest = tb->NewItem(128, 0);
    ASSERT_NE(rest, nullptr);
    CSelect* sel = doc->GetSelection();
    sel->ClearAll();
    // Nothing selected: the rests filter takes the whole score.
    EXPECT_TRUE(wnd->OnCmdMsg(32905, 0));
    int rests = 0;
    for (int t = 0; t < score->GetTrackCount(); ++t)
        for (int b = 0; b < score->GetBarCount(); ++b)
            trkbar::ForEachLiveItem(score->GetTrkBar(t, b), [&](CBarItem* i) {
                if (i->IsRest()) {
                    ++rests;
                    EXPECT_TRUE(i->IsSelectedBit()) << t << " " << b;
                }
            });
    EXPECT_EQ(sel->GetItemCount(), rests);
    bool restSelected = false, noteSelected = false;
    trkbar::ForEachLiveItem(score->GetTrkBar(0, 4), [&](CBarItem* i) { restSelected |= i->IsRest() && i->IsSelectedBit(); });
    trkbar::ForEachLiveItem(score->GetTrkBar(0, 1), [&](CBarItem* i) { noteSelected |= i->IsNote() && i->IsSelectedBit(); });
    EXPECT_TRUE(restSelected);
    EXPECT_FALSE(noteSelected);
    // Find: notes of any pitch from the start.
    SelectCriteria() = SelectionCriteria{};
    SelectCriteria().find.notesOn = 1;
    sel->ClearAll();
    doc->location.trackIndex = 0, doc->location.barIndex = 0, doc->location.time = 0;
    EXPECT_TRUE(wnd->OnCmdMsg(32916, 0));
    EXPECT_EQ(doc->location.barIndex, 1);
    EXPECT_EQ(sel->GetItemCount(), 1);
    SelectCriteria() = SelectionCriteria{};
}

}  // namespace
