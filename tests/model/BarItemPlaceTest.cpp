// A bar item under the mouse and the keyboard: its hit test over the systems its span reaches
// (and the walk that moves the span's bars there and back), nudges, the move into another bar of
// a track, and drops at page points.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

#include "DrawTestSupport.h"
#include "framework/Input.h"
#include "framework/Memory.h"
#include "model/Bar.h"
#include "model/DragTask.h"
#include "model/EditTask.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/ScoreStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Tempo.h"
#include "model/TrkBar.h"
#include "model/ViewInterface.h"

using drawtest::ScoreDrawTest;

namespace {

// Text records (type 29) that keep what placement gives them: the bar span at 16, the end
// position at 18, the offsets at 20 (x), 22 (y), 24 (end x) and 26 (end y), the end's staff
// offset at 28. Their rectangle is the current system's while it is `shownOn`, else none.
class ProbeBehaviour : public BarItemBehaviour {
public:
    int GetBarSpan(CBarItem& item) const override { return rec::Get<std::int16_t>(&item, 16); }
    void SetEnd(CBarItem& item, int bars, int position) const override {
        rec::Put<std::int16_t>(&item, 16, std::int16_t(bars));
        rec::Put<std::int16_t>(&item, 18, std::int16_t(position));
    }
    void SetHorizontalOffset(CBarItem& item, int v) const override { rec::Put<std::int16_t>(&item, 20, std::int16_t(v)); }
    void SetVerticalOffset(CBarItem& item, int v) const override { rec::Put<std::int16_t>(&item, 22, std::int16_t(v)); }
    int GetVerticalOffset(CBarItem& item) const override { return rec::Get<std::int16_t>(&item, 22); }
    void SetEndHorizontalOffset(CBarItem& item, int v) const override { rec::Put<std::int16_t>(&item, 24, std::int16_t(v)); }
    void SetEndVerticalOffset(CBarItem& item, int v) const override { rec::Put<std::int16_t>(&item, 26, std::int16_t(v)); }
    void SetEndStaffOffset(CBarItem& item, int v) const override { rec::Put<std::int16_t>(&item, 28, std::int16_t(v)); }
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override {
        CLine* line = g_model.currentLine;
        *rect = line && line == shownOn ? line->GetRect() : RECT{};
        ++boundsAsked;
        return rect;
    }
    void GetEndPoints(CBarItem& item, POINT* start, POINT* end) const override {
        *start = from;
        *end = to;
    }
    CLine* shownOn = nullptr;
    POINT from{}, to{};
    mutable int boundsAsked = 0;
};

struct ProbeClass {
    ProbeClass() {
        saved = ItemClasses().IndexForCode(29);
        const ItemTypeEntry* e = FindItemType(29);
        ItemClasses().BindCode(29, ItemClasses().Add({e->className, e->typeName, e->code, e->recordSize, &behaviour}));
    }
    ~ProbeClass() { ItemClasses().BindCode(29, saved); }
    std::uint32_t saved;
    ProbeBehaviour behaviour;
};

// A page pane that draws into a picture of the page.
class PicturePane : public CPagePaneBase {
public:
    bool AttachDrawing(CDC& dc) override {
        dc.CreateCompatibleDC(nullptr);
        dc.SelectObject(&picture);
        return true;
    }
    CBitmap picture;
};

// A view whose one page pane holds a picture of the page.
class PaneView : public CZelViewBase {
public:
    explicit PaneView(CPage* page) {
        const RECT paper = page->GetPaperRect();
        pane.picture.CreateBitmap(int(paper.right - paper.left), int(paper.bottom - paper.top));
    }
    CPagePaneBase* GetPagePane(int page) override { return page == 0 ? &pane : nullptr; }
    PicturePane pane;
};

// Three systems of two bars on one page, two tracks, the page panes in place.
class BarItemPlaceTest : public ScoreDrawTest {
protected:
    void SetUp() override {
        ScoreDrawTest::SetUp();
        Build(2, {2, 2, 2});
        view = std::make_unique<PaneView>(s->Page());
        s->doc.view = view.get();
        s->doc.location.pageIndex = 0;
        g_model.currentScore = s->score.get();
        g_model.currentDoc = &s->doc;
    }
    void TearDown() override {
        fw::memtest::Reset();
        s->doc.view = nullptr;
        ScoreDrawTest::TearDown();
    }
    // A probe of a bar of a track at a time and position, spanning `span` bars.
    CBarItem* Probe(int track, int bar, int time, int position, int span = 0) {
        CBarItem* item = s->TrkBar(track, bar)->NewItem(29, time);
        item->SetPositionField(std::int16_t(position));
        rec::Put<std::int16_t>(item, 16, std::int16_t(span));
        return item;
    }
    // The live records of a bar of a track.
    std::vector<CBarItem*> Live(int track, int bar) {
        std::vector<CBarItem*> out;
        for (CBarItem* r = s->TrkBar(track, bar)->GetItems(); r && r->Type() != 255; r = r->NextItem())
            if (!r->IsRemoved()) out.push_back(r);
        return out;
    }
    ProbeClass probe;
    std::unique_ptr<PaneView> view;
};

}  // namespace

// --- the walk over a span's systems ------------------------------------------------------------------

TEST_F(BarItemPlaceTest, TheSpanWalkPutsEveryBarBackAlsoWhenTheCallbackThrows) {
    CBarItem* item = Probe(0, 0, 0, 0, 5);
    std::vector<std::int32_t> lefts;
    std::vector<CLine*> lines;
    for (int b = 0; b < 6; ++b) {
        lefts.push_back(s->Bar(b)->GetLeft());
        lines.push_back(s->Bar(b)->GetLine());
    }
    struct Visit {
        std::vector<int> systems;
        std::vector<std::int32_t> firstLefts;
        int throwAt = -1;
    };
    const auto callback = [](CScoreItem*, void* arg) -> int {
        auto* v = static_cast<Visit*>(arg);
        v->systems.push_back(g_model.currentLine->GetIndex());
        v->firstLefts.push_back(g_model.currentScore->GetBar(0)->GetLeft());
        if (int(v->systems.size()) == v->throwAt) throw std::runtime_error("callback failed");
        return 0;
    };
    const auto check = [&](const char* why) {
        for (int b = 0; b < 6; ++b) {
            EXPECT_EQ(s->Bar(b)->GetLeft(), lefts[b]) << why << " bar " << b;
            EXPECT_EQ(s->Bar(b)->GetLine(), lines[b]) << why << " bar " << b;
        }
        EXPECT_EQ(g_model.currentBar, s->Bar(0)) << why;
        EXPECT_EQ(g_model.currentLine, s->Line(0)) << why;
        EXPECT_EQ(g_model.currentPage, s->Page()) << why;
    };
    s->Bar(0)->MakeCurrent();
    Visit all;
    EXPECT_FALSE(item->ForEachSpanSystem(callback, &all));
    EXPECT_EQ(all.systems, (std::vector<int>{0, 1, 2})) << "its own system, then each later one of the span";
    ASSERT_EQ(all.firstLefts.size(), 3u);
    EXPECT_LT(all.firstLefts[1], lefts[0]) << "the span's bars move left onto the later system";
    EXPECT_LT(all.firstLefts[2], all.firstLefts[1]);
    check("after the walk");

    for (int at : {1, 2, 3}) {
        s->Bar(0)->MakeCurrent();
        Visit v;
        v.throwAt = at;
        EXPECT_THROW(item->ForEachSpanSystem(callback, &v), std::runtime_error) << at;
        s->Bar(0)->MakeCurrent();
        check("after a throw");
    }
    // The drag flag comes back too.
    g_draw.dragInProgress = true;
    Visit v;
    v.throwAt = 2;
    EXPECT_THROW(item->ForEachSpanSystem(callback, &v), std::runtime_error);
    EXPECT_TRUE(g_draw.dragInProgress);
    g_draw.dragInProgress = false;
}

TEST_F(BarItemPlaceTest, HitTestsReachTheSystemsOfTheSpanAndCutASpanPastTheLastBar) {
    CBarItem* item = Probe(0, 2, 0, 0, 9);  // bar 2 of 6: past the last bar
    s->TrkBar(0, 2)->SetCurrent();
    s->Bar(2)->MakeCurrent();
    probe.behaviour.shownOn = s->Line(2);
    const RECT later = s->Line(2)->GetRect();
    EXPECT_TRUE(item->HitTest(later.left + 5, later.top + 5)) << "found on the span's last system";
    EXPECT_EQ(rec::Get<std::int16_t>(item, 16), 3) << "the span ends at the last bar";
    EXPECT_EQ(rec::Get<std::int16_t>(item, 18), 1023);
    // On its own system only its own shape is asked.
    probe.behaviour.shownOn = s->Line(1);
    EXPECT_TRUE(item->HitTest(s->Line(1)->GetLeft() + 5, s->Line(1)->GetTop() + 5));

    // A hidden item is hit while selected or while hidden items show.
    rec::Put<std::int16_t>(item, 16, 0);
    item->SetFlagsB(std::uint8_t(item->FlagsB() | CBarItem::kHiddenBit));
    const int x = s->Line(1)->GetLeft() + 5, y = s->Line(1)->GetTop() + 5;
    EXPECT_FALSE(item->HitTest(x, y));
    item->SetFlagsB(std::uint8_t(item->FlagsB() | CBarItem::kSelectedBit));
    EXPECT_TRUE(item->HitTest(x, y));
    item->SetFlagsB(std::uint8_t(item->FlagsB() & ~CBarItem::kSelectedBit));
    s->doc.location.hiddenObjects = 1;
    EXPECT_TRUE(item->HitTest(x, y));
    // Nor on a hidden staff.
    s->doc.location.hiddenObjects = 0;
    item->SetFlagsB(std::uint8_t(item->FlagsB() & ~CBarItem::kHiddenBit));
    s->Line(1)->GetStaff(0)->SetShown(false);
    EXPECT_FALSE(item->HitTest(x, y));
}

// --- keyboard nudges ---------------------------------------------------------------------------------

TEST_F(BarItemPlaceTest, NudgesStepToTheNextXAndLeaveMidiDataAlone) {
    CBar* bar = s->Bar(1);
    bar->SetContentWidth(40);  // fewer pixels than positions: neighbours share an x
    bar->MakeCurrent();
    g_model.currentStaff = s->Line(0)->GetStaff(0);
    CBarItem* text = Probe(0, 1, 0, 500);
    const int x0 = bar->FractionToX(500);
    ASSERT_EQ(bar->FractionToX(501), x0) << "the fixture shares one x between neighbours";
    text->Nudge(1, 0);
    EXPECT_GT(text->PositionField(), 501);
    EXPECT_NE(bar->FractionToX(text->PositionField()), x0);
    EXPECT_EQ(bar->FractionToX(text->PositionField() - 1), x0) << "the first position of the next x";
    text->Nudge(0, 1);
    EXPECT_LT(g_model.currentStaff->OffsetToY(rec::Get<std::int16_t>(text, 22)), g_model.currentStaff->OffsetToY(0))
        << "up the page";

    CBarItem* data = s->TrkBar(0, 1)->NewItem(171, 10);
    data->SetPositionField(0x1234);
    data->Nudge(1, 1);
    EXPECT_EQ(data->PositionField(), 0x1234);
}

// --- the move into a bar -------------------------------------------------------------------------------

TEST_F(BarItemPlaceTest, AddToBarMovesTheRecordOrLeavesTheSourceWhole) {
    ScoreLocation at = s->doc.location;
    at.bar = s->Bar(3);
    at.barIndex = 3;
    at.trkBar = s->TrkBar(1, 3);
    at.time = 480.7;
    at.position = 300;
    at.xOffset = 7;
    at.verticalOffset = -60;
    for (int allowed : {0, 1}) {
        CBarItem* source = Probe(0, 0, 100 + allowed, 200);
        std::vector<std::uint8_t> before(source->Bytes(), source->Bytes() + source->RecordSizeField());
        fw::memtest::FailAfter(allowed);
        EXPECT_EQ(source->AddToBar(at), nullptr) << allowed;
        fw::memtest::Reset();
        EXPECT_FALSE(source->IsRemoved()) << allowed;
        EXPECT_EQ(std::memcmp(source->Bytes(), before.data(), before.size()), 0) << "unchanged, " << allowed;
        EXPECT_TRUE(Live(1, 3).empty()) << allowed;
        source->MarkRemoved();
    }
    CBarItem* source = Probe(0, 0, 100, 200);
    CBarItem* placed = source->AddToBar(at);
    ASSERT_NE(placed, nullptr);
    EXPECT_TRUE(source->IsRemoved());
    ASSERT_EQ(Live(1, 3).size(), 1u);
    EXPECT_EQ(Live(1, 3)[0], placed);
    EXPECT_EQ(placed->TimeField(), 480);
    EXPECT_EQ(placed->PositionField(), 300);
    EXPECT_EQ(rec::Get<std::int16_t>(placed, 20), 7);
    EXPECT_EQ(rec::Get<std::int16_t>(placed, 22), -60);
}

// --- drops at page points --------------------------------------------------------------------------------

TEST_F(BarItemPlaceTest, DropsStayInTheirBarOfATrackOrMoveToAnother) {
    CStaff* upper = s->Line(0)->GetStaff(0);
    CStaff* lower = s->Line(0)->GetStaff(1);
    CBar* bar = s->Bar(1);
    struct Case {
        const char* why;
        CStaff* staff;
        int track;
        bool moves;
    } cases[] = {
        {"inside its own bar of a track", upper, 0, false},
        {"onto the other staff", lower, 1, true},
    };
    for (const Case& c : cases) {
        CBarItem* item = Probe(0, 1, 0, 0);
        item->SetFlagsB(std::uint8_t(item->FlagsB() | CBarItem::kRemovedBit));  // as a drag begins
        const int x = bar->FractionToX(512);
        probe.behaviour.from = POINT{x, c.staff->GetTopLine() + 2};
        probe.behaviour.to = POINT{x + 10, c.staff->GetTopLine() + 2};
        g_model.hitKind = 5;
        g_model.hitTrkBar = s->TrkBar(0, 1);
        g_model.dragStart = s->doc.location;
        g_model.dragStart.trackIndex = 0;
        g_model.dragStart.systemIndex = 0;
        // The insertion point follows the pointer while the drag runs.
        s->doc.location.barIndex = 1;
        s->doc.location.trackIndex = c.track;
        s->doc.location.systemIndex = 0;
        s->doc.location.system = s->Line(0);
        s->doc.location.staff = c.staff;
        s->TrkBar(0, 1)->SetCurrent();
        bar->MakeCurrent();
        CDragTask drag;
        drag.moved = 1;
        item->EndDrag(&drag);
        ASSERT_NE(drag.result, nullptr) << c.why;
        EXPECT_EQ(drag.result == item, !c.moves) << c.why;
        const std::vector<CBarItem*> live = Live(c.track, 1);
        ASSERT_FALSE(live.empty()) << c.why;
        CBarItem* placed = live.back();
        EXPECT_EQ(placed, drag.result) << c.why;
        EXPECT_NEAR(placed->PositionField(), 512, 2) << c.why;
        EXPECT_EQ(placed->TimeField(), bar->FractionToTick(placed->PositionField())) << c.why;
        if (c.moves) EXPECT_TRUE(item->IsRemoved()) << c.why;
        placed->MarkRemoved();
    }
    // Without the moved flag the item only comes back.
    CBarItem* still = Probe(0, 1, 0, 77);
    still->SetFlagsB(std::uint8_t(still->FlagsB() | CBarItem::kRemovedBit));
    CDragTask drag;
    still->EndDrag(&drag);
    EXPECT_FALSE(still->IsRemoved());
    EXPECT_EQ(still->PositionField(), 77);
    EXPECT_EQ(drag.result, nullptr);
}

TEST_F(BarItemPlaceTest, AnEndPastTheLastBarEndsAtItsRightEdge) {
    CBarItem* item = Probe(0, 4, 0, 0);
    CBar* start = s->Bar(4);
    CBar* last = s->Bar(5);
    CStaff* staff = s->Line(2)->GetStaff(0);
    ScoreLocation from = s->doc.location, to = s->doc.location;
    from.bar = start;
    from.barIndex = 4;
    from.trkBar = s->TrkBar(0, 4);
    from.trackIndex = 0;
    from.system = s->Line(2);
    from.systemIndex = 2;
    from.staff = staff;
    from.pointX = start->FractionToX(100);
    from.pointY = staff->GetTopLine();
    to.pointX = last->GetRight() + 300;
    to.pointY = staff->GetTopLine();
    g_model.dragStart = from;
    ASSERT_EQ(item->PlaceAtPoint(from, to), item);
    EXPECT_EQ(to.pointX, last->GetRight());
    EXPECT_EQ(to.barIndex, 5);
    EXPECT_EQ(rec::Get<std::int16_t>(item, 16), 1) << "the end lies one bar on";
}

TEST_F(BarItemPlaceTest, ATempoMarkOnTheFirstTrackMarksTheSystemAndTheBarsAreRecalculated) {
    CStaff* lower = s->Line(0)->GetStaff(1);
    CStaff* upper = s->Line(0)->GetStaff(0);
    fw::inputtest::Script input;
    struct Case {
        const char* why;
        int fromTrack;
        CStaff* dropOn;
        bool ctrl;
        std::uint8_t flagsBefore;
        std::uint8_t flagsAfter;
    } cases[] = {
        {"dropped on the first track", 0, upper, false, 0x00, 0x01},
        {"on another track the bit stays", 1, lower, false, 0x01, 0x01},
        {"on another track with Ctrl it clears", 1, lower, true, 0x01, 0x00},
    };
    for (const Case& c : cases) {
        CBarItem* tempo = s->TrkBar(c.fromTrack, 0)->NewItem(CTempo::kTypeCode, 0);
        ASSERT_NE(tempo, nullptr);
        rec::Put<std::uint8_t>(tempo, CTempo::kEquation, c.flagsBefore);
        input.SetDown(VK_CONTROL, c.ctrl);
        ASSERT_TRUE(s->score->tempoMap.Add({5, 123456, 1, 1}));  // what no recalculation leaves
        ScoreLocation from = s->doc.location, to = s->doc.location;
        from.bar = s->Bar(0);
        from.barIndex = 0;
        from.trackIndex = c.fromTrack;
        from.trkBar = s->TrkBar(c.fromTrack, 0);
        from.system = s->Line(0);
        from.systemIndex = 0;
        from.staff = c.dropOn;
        from.pointX = s->Bar(0)->FractionToX(200);
        from.pointY = c.dropOn->GetTopLine();
        to.pointX = from.pointX;
        to.pointY = from.pointY;
        g_model.dragStart = from;
        s->TrkBar(c.fromTrack, 0)->SetCurrent();
        CTrkBar* current = g_model.currentTrkBar;
        CBarItem* placed = tempo->PlaceAtPoint(from, to);
        ASSERT_NE(placed, nullptr) << c.why;
        EXPECT_EQ(rec::Get<std::uint8_t>(placed, CTempo::kEquation) & 0x01, c.flagsAfter) << c.why;
        for (int i = 0; i < s->score->tempoMap.Count(); ++i)
            EXPECT_NE(s->score->tempoMap.Get(i).time, 123456) << "the bars were recalculated: " << c.why;
        EXPECT_EQ(g_model.currentTrkBar, current) << c.why;
        placed->MarkRemoved();
    }
}
