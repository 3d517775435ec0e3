// What lies under a page point: a bar's own parts (edge handles, beat-chart columns, texts,
// bar number, jumpers, repeat start) with what editing and dragging make of them, and the
// score's page order over bars, handles, page texts, titles and system parts.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "DrawTestSupport.h"
#include "RecordTestSupport.h"
#include "model/Bar.h"
#include "model/ItemArray.h"
#include "model/NewScore.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/ScoreHit.h"
#include "model/ScoreStandIns.h"
#include "model/ScoreStructureStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"

using drawtest::ScoreDrawTest;

namespace {

// Items whose rectangle stands in their bytes 24-31 (left, top, right, bottom, 16-bit each).
class BoxBehaviour : public BarItemBehaviour {
public:
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override {
        *rect = RECT{rec::Get<std::int16_t>(&item, 24), rec::Get<std::int16_t>(&item, 26),
                     rec::Get<std::int16_t>(&item, 28), rec::Get<std::int16_t>(&item, 30)};
        return rect;
    }
    void OpenProperties(CScoreItem& item, int x, int y) const override { ++edits; }
    mutable int edits = 0;
};

// Binds type codes to the box behaviour while the object lives.
struct BoxClasses {
    explicit BoxClasses(std::initializer_list<int> codes) {
        for (int code : codes) {
            saved.push_back({code, ItemClasses().IndexForCode(code)});
            const ItemTypeEntry* e = FindItemType(code);
            ItemClasses().BindCode(code, ItemClasses().Add({e->className, e->typeName, e->code, e->recordSize, &box}));
        }
    }
    ~BoxClasses() {
        for (auto [code, index] : saved) ItemClasses().BindCode(code, index);
    }
    BoxBehaviour box;
    std::vector<std::pair<int, std::uint32_t>> saved;
};

// A record of a type for the bar's own items, with its rectangle and a jumper kind.
std::vector<std::uint8_t> BoxRecord(int type, RECT r, int jumperKind = 0) {
    std::vector<std::uint8_t> bytes(40, 0);
    ConstructClass(type, bytes.data());
    rec::Put<std::int16_t>(bytes.data(), rec::kSize, 40);
    rec::Put<std::uint8_t>(bytes.data(), CBar::kJumperKind, std::uint8_t(jumperKind));
    rec::Put<std::int16_t>(bytes.data(), 24, std::int16_t(r.left));
    rec::Put<std::int16_t>(bytes.data(), 26, std::int16_t(r.top));
    rec::Put<std::int16_t>(bytes.data(), 28, std::int16_t(r.right));
    rec::Put<std::int16_t>(bytes.data(), 30, std::int16_t(r.bottom));
    return bytes;
}

class BarHitTest : public ScoreDrawTest {
protected:
    void SetUp() override {
        ScoreDrawTest::SetUp();
        Build(2, {3});
    }
    CBar* Bar(int b) { return s->Bar(b); }
    CBarItem* AddOwn(int b, int type, RECT r, int jumperKind = 0) {
        std::vector<std::uint8_t> bytes = BoxRecord(type, r, jumperKind);
        return Bar(b)->InsertItemSorted(reinterpret_cast<CBarItem*>(bytes.data()));
    }
    BoxClasses boxes{29, 48, 49, 50};
};

}  // namespace

TEST_F(BarHitTest, EachPartOfABarAnswersWithItsKind) {
    CBar* bar = Bar(1);
    CLine* line = s->Line(0);
    CStaff* st0 = line->GetStaff(0);
    CStaff* st1 = line->GetStaff(1);
    const int space = st0->Space();
    const int mid = bar->GetLeft() + bar->GetWidth() / 2;
    const RECT text{mid - 20, st0->GetTopLine() - 30, mid - 5, st0->GetTopLine() - 20};
    const RECT jumper{mid, st0->GetTopLine() - 30, mid + 15, st0->GetTopLine() - 20};
    const RECT ending{mid + 20, st0->GetTopLine() - 30, mid + 35, st0->GetTopLine() - 20};
    AddOwn(1, 29, text);
    AddOwn(1, 48, jumper, 3);
    AddOwn(1, 50, ending, 9);
    bar->SetOpeningKind(2);
    bar->SetBarFlag(CBar::kBeatChartShownBit, true);
    // A bar number found where the stand-in answers.
    const RECT number{mid - 40, st0->GetTopLine() - 30, mid - 25, st0->GetTopLine() - 20};
    BarNumberHitTest() = [&](CBar* b, int x, int y) {
        return b == bar && x >= number.left && x < number.right && y >= number.top && y < number.bottom;
    };
    CBarItem* chart = bar->GetBeatChart();
    ASSERT_NE(chart, nullptr);
    // Column 1 moved off the beat.
    beatchart::SetField(chart, 1, beatchart::kTime, 600);
    g_model.currentStaff = st0;
    const int chartY = bar->GetBeatChartY();
    const int offBeat = chartY + bar->ScaleToView(6);
    const int col1 = bar->FractionToX(beatchart::Field(chart, 1, beatchart::kPosition));
    const int col2 = bar->FractionToX(beatchart::Field(chart, 2, beatchart::kPosition));
    struct Case {
        const char* why;
        int x, y;
        bool hit;
        int kind, index;
    } cases[] = {
        {"the edge handle on the upper staff", int(bar->GetRight()), int(st0->GetTopLine()), true, 0, 0},
        {"the edge handle on the lower staff", int(bar->GetRight()) + 1, int(st1->GetTopLine()) - 1, true, 0, 1},
        {"an on-beat column", col2, chartY, true, 1, 2},
        {"an off-beat column stands lower", col1, offBeat, true, 1, 1},
        {"not at the on-beat height", col1, chartY - 3, false, 0, 0},
        {"a text of the bar", int(text.left) + 2, int(text.top) + 2, true, 5, 0},
        {"the bar number", int(number.left) + 2, int(number.top) + 2, true, 3, 0},
        {"a jumper", int(jumper.left) + 2, int(jumper.top) + 2, true, 2, 0},
        {"an ending", int(ending.left) + 2, int(ending.top) + 2, true, 4, 0},
        {"the repeat-start barline", int(bar->GetLeft()), int(st0->GetTopLine()) + space, true, 8, 0},
        {"the middle of the bar", mid, int(st0->GetTopLine()) + 2 * space, false, 0, 0},
    };
    for (const Case& c : cases) {
        g_model.hitKind = -1;
        g_model.hitIndex = -1;
        EXPECT_EQ(bar->HitTest(c.x, c.y), c.hit) << c.why;
        if (!c.hit) continue;
        EXPECT_EQ(g_model.hitKind, c.kind) << c.why;
        EXPECT_EQ(g_model.hitIndex, c.index) << c.why;
        EXPECT_EQ(g_model.hitTrkBar, s->TrkBar(0, 1)) << c.why;
    }
    // The hit item of a text is the text, of a barline the bar.
    ASSERT_TRUE(bar->HitTest(int(text.left) + 2, int(text.top) + 2));
    EXPECT_EQ(static_cast<CScoreItem*>(g_model.hitItem)->TypeCode(), 29);
    ASSERT_TRUE(bar->HitTest(int(bar->GetLeft()), int(st0->GetTopLine()) + space));
    EXPECT_EQ(g_model.hitItem, bar);

    // With the beat chart hidden a column falls through to what lies below it.
    bar->SetBarFlag(CBar::kBeatChartShownBit, false);
    EXPECT_FALSE(bar->HitTest(col2, chartY));
    // A hidden staff has no edge handle.
    st1->SetShown(false);
    EXPECT_FALSE(bar->HitTest(int(bar->GetRight()), int(st1->GetTopLine())));
    st1->SetShown(true);

    // Under a multi-bar rest only the jumpers and the repeat start are hit.
    bar->SetBarFlag(CBar::kCoveredBit, true);
    EXPECT_FALSE(bar->HitTest(int(bar->GetRight()), int(st0->GetTopLine()))) << "edge";
    EXPECT_FALSE(bar->HitTest(int(text.left) + 2, int(text.top) + 2)) << "text";
    EXPECT_FALSE(bar->HitTest(int(number.left) + 2, int(number.top) + 2)) << "number";
    EXPECT_TRUE(bar->HitTest(int(jumper.left) + 2, int(jumper.top) + 2));
    EXPECT_EQ(g_model.hitKind, 2);
    EXPECT_TRUE(bar->HitTest(int(bar->GetLeft()), int(st0->GetTopLine()) + space));
    EXPECT_EQ(g_model.hitKind, 8);
    BarNumberHitTest() = nullptr;
}

TEST_F(BarHitTest, JumpersOfTheLinkedBarAndTheRepeatCountMark) {
    CBar* bar = Bar(0);
    CBar* owner = Bar(2);
    CStaff* st0 = s->Line(0)->GetStaff(0);
    const RECT jumper{int(bar->GetLeft()) + 10, int(st0->GetTopLine()) - 30, int(bar->GetLeft()) + 25,
                      int(st0->GetTopLine()) - 20};
    AddOwn(2, 48, jumper, 4);
    rec::Put<std::int16_t>(bar, CBar::kLinkedJumperBar, 2);
    ASSERT_TRUE(bar->HitTest(int(jumper.left) + 1, int(jumper.top) + 1));
    EXPECT_EQ(g_model.hitKind, 2);
    EXPECT_EQ(g_model.hitBar, owner) << "the bar that owns the jumper";
    // A repeat-count mark that misses its own rectangle is still found over the bar's right edge.
    AddOwn(1, 48, RECT{0, 0, 0, 0}, CBar::kRepeatCountKind);
    ASSERT_TRUE(Bar(1)->HitTest(int(Bar(1)->GetRight()), int(st0->GetTopLine()) - 2 * st0->Space()));
    EXPECT_EQ(g_model.hitKind, 2);
}

TEST_F(BarHitTest, DragsAndEditsFollowTheHitKind) {
    struct Case {
        int kind;
        const char* drag;  // "plain", "chart", "ending" or null
    } cases[] = {{0, "plain"}, {1, "chart"}, {2, "plain"}, {3, "plain"}, {4, "ending"}, {5, nullptr}, {8, nullptr}};
    for (const Case& c : cases) {
        std::unique_ptr<CDragTask> drag(Bar(0)->CreateDrag(c.kind));
        if (!c.drag) {
            EXPECT_EQ(drag, nullptr) << c.kind;
            continue;
        }
        ASSERT_NE(drag, nullptr) << c.kind;
        EXPECT_EQ(dynamic_cast<CDragBeatChart*>(drag.get()) != nullptr, std::string(c.drag) == "chart") << c.kind;
        EXPECT_EQ(dynamic_cast<CDragEnding*>(drag.get()) != nullptr, std::string(c.drag) == "ending") << c.kind;
    }
    // Slot 40 asks for the last hit's drag.
    g_model.hitKind = 4;
    std::unique_ptr<CDragTask> slot(Bar(0)->CreateDragTask());
    EXPECT_NE(dynamic_cast<CDragEnding*>(slot.get()), nullptr);

    // Editing a jumper or an ending moves the insertion point to the hit bar and opens the item.
    CStaff* st0 = s->Line(0)->GetStaff(0);
    const RECT r{int(Bar(2)->GetLeft()) + 10, int(st0->GetTopLine()) - 30, int(Bar(2)->GetLeft()) + 25,
                 int(st0->GetTopLine()) - 20};
    AddOwn(2, 50, r, 10);
    for (int kind : {2, 4, 5}) {
        s->doc.location.barIndex = 0;
        s->doc.location.bar = Bar(0);
        g_model.hitKind = kind;
        g_model.hitBar = Bar(2);
        g_model.hitItem = Bar(2)->GetJumper(0);
        g_model.hitTrkBar = s->TrkBar(0, 2);
        const int before = boxes.box.edits;
        Bar(1)->Edit(r.left + 1, r.top + 1);
        EXPECT_EQ(boxes.box.edits, before + 1) << kind;
        EXPECT_EQ(s->doc.location.barIndex, kind == 5 ? 0 : 2) << kind;
        EXPECT_EQ(s->doc.location.bar, kind == 5 ? Bar(0) : Bar(2)) << kind;
        if (kind != 5) EXPECT_EQ(s->doc.location.trkBar, s->TrkBar(0, 2)) << kind;
    }
    // The repeat start runs its command; an edge handle opens nothing.
    g_model.hitKind = 8;
    g_model.hitItem = Bar(1);
    Bar(1)->Edit(0, 0);
    ASSERT_FALSE(s->doc.commands.empty());
    EXPECT_EQ(s->doc.commands.back(), 4110);
    g_model.hitKind = 0;
    g_model.hitItem = Bar(2)->GetJumper(0);
    const int before = boxes.box.edits;
    Bar(1)->Edit(0, 0);
    EXPECT_EQ(boxes.box.edits, before);
}

// --- the score's page order -----------------------------------------------------------------------

namespace {

class PageHitTest : public ScoreDrawTest {
protected:
    void SetUp() override {
        ScoreDrawTest::SetUp();
        RegisterTrackClass();
        LayoutPrefs() = LayoutPreferences();
        score = std::make_unique<CScore>(&doc);
        NewScoreSettings settings;
        settings.arrangement = 1;  // the piano: two staves under a brace
        ASSERT_TRUE(BuildNewScore(*score, settings, &doc));
        score->Reindex();
        for (int k = 0; k < score->GetLineCount(); ++k) score->GetLine(k)->Relayout();
    }
    void TearDown() override {
        score.reset();
        ScoreDrawTest::TearDown();
    }
    // A fresh location of a page, located and asked in the page's order.
    int Ask(int page, int x, int y, ScoreLocation* out = nullptr) {
        ScoreLocation at = doc.location;
        const int kind = HitPagePoint(*score, page, x, y, &at);
        if (out) *out = at;
        return kind;
    }
    CZelDoc doc;
    std::unique_ptr<CScore> score;
};

}  // namespace

TEST_F(PageHitTest, AMapOfThePianoScoreIsTheSameTwice) {
    const std::vector<std::uint8_t> first = MapPageHits(*score, 0, 4);
    const std::vector<std::uint8_t> second = MapPageHits(*score, 0, 4);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first, second) << "no hit test leaves state that changes a later answer";
    std::map<int, int> counts;
    for (std::uint8_t k : first) ++counts[k];
    EXPECT_GT(counts[2], 0) << "bars";
    EXPECT_GT(counts[3], 0) << "the brace";
}
