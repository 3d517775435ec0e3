// What lies under a page point: a bar's own parts (edge handles, beat-chart columns, texts,
// bar number, jumpers, repeat start) with what editing and dragging make of them, and the
// score's page order over bars, handles, page texts, titles and system parts.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "DrawTestSupport.h"
#include "support/CommandRecorder.h"
#include "RecordTestSupport.h"
#include "model/Bar.h"
#include "model/BarNumber.h"
#include "model/BeatChartDrag.h"
#include "model/DragTask.h"
#include "model/EndingDrag.h"
#include "model/ItemArray.h"
#include "model/KeySig.h"
#include "model/NewScore.h"
#include "model/NoteHitHooks.h"
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

// Items whose rectangle the test gives by their time (each test item has a time of its own).
class BoxBehaviour : public BarItemBehaviour {
public:
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override {
        const auto it = rects.find(static_cast<CBarItem&>(item).TimeField());
        *rect = it == rects.end() ? RECT{} : it->second;
        return rect;
    }
    void OpenProperties(CScoreItem& item, int x, int y) const override { ++edits; }
    mutable int edits = 0;
    std::map<int, RECT> rects;
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

// A record of a type for the bar's own items at a time, with a jumper kind.
std::vector<std::uint8_t> OwnRecord(int type, int time, int jumperKind = 0) {
    std::vector<std::uint8_t> bytes(40, 0);
    ConstructClass(type, bytes.data());
    rec::Put<std::int16_t>(bytes.data(), rec::kSize, 40);
    reinterpret_cast<CBarItem*>(bytes.data())->SetTimeField(std::int16_t(time));
    rec::Put<std::uint8_t>(bytes.data(), CBar::kJumperKind, std::uint8_t(jumperKind));
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
        const int time = nextTime++;
        boxes.box.rects[time] = r;
        std::vector<std::uint8_t> bytes = OwnRecord(type, time, jumperKind);
        return Bar(b)->InsertItemSorted(reinterpret_cast<CBarItem*>(bytes.data()));
    }
    // An item of a track's bar at a position, its rectangle given.
    CBarItem* AddTrackItem(int track, int b, int type, int position, RECT r) {
        const int time = nextTime++;
        boxes.box.rects[time] = r;
        CBarItem* item = s->TrkBar(track, b)->NewItem(type, time);
        if (item) item->SetPositionField(std::int16_t(position));
        return item;
    }
    BoxClasses boxes{12, 20, 23, 28, 29, 37, 48, 49, 50, 128, 144};
    int nextTime = 1;
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
    // A bar number shown at its own bar (every N bars from there), in a font of 12 points.
    std::vector<std::uint8_t> numberBytes(64, 0);
    auto* numberItem = CBarNumber::Construct(numberBytes.data());
    rec::Put<std::uint8_t>(numberItem, CBarNumber::kShowMode, CBarNumber::kEveryN);
    FontRef font{};
    font.size = 12;
    std::memcpy(numberItem->Bytes() + CBarNumber::kFont, &font, sizeof font);
    ASSERT_NE(bar->InsertItemSorted(numberItem), nullptr);
    auto* placed = static_cast<CBarNumber*>(bar->GetBarNumberItem(true));
    ASSERT_NE(placed, nullptr);
    g_model.currentBar = bar;
    const RECT number = placed->Rect(bar);
    ASSERT_GT(number.right, number.left + 2);
    ASSERT_GT(number.bottom, number.top + 2);
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
    bar->SetBarFlag(CBar::kCoveredBit, false);

    // A hidden item of the bar's own is never hit.
    ASSERT_TRUE(bar->HitTest(int(number.left) + 2, int(number.top) + 2));
    EXPECT_EQ(g_model.hitItem, placed);
    placed->SetFlagsB(std::uint8_t(placed->FlagsB() | CBarItem::kHiddenBit));
    EXPECT_FALSE(bar->HitTest(int(number.left) + 2, int(number.top) + 2));
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
    commandtest::MadeTasks made;
    g_model.hitKind = 8;
    g_model.hitItem = Bar(1);
    Bar(1)->Edit(0, 0);
    EXPECT_EQ(made.classes, std::vector<std::string>({"CRepeatTask"}));
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

// --- the items of the bars' tracks ------------------------------------------------------------------

namespace {

// Three systems of two bars on one page; the click was located in bar 3 (system 1).
class ItemHitTest : public BarHitTest {
protected:
    void SetUp() override {
        ScoreDrawTest::SetUp();
        Build(2, {2, 2, 2});
        at.pageIndex = 0;
        at.page = s->Page();
        at.systemIndex = 1;
        at.barIndex = 3;
        at.bar = Bar(3);
    }
    // A rectangle of 10 points around (x, y).
    static RECT Around(int x, int y) { return RECT{x - 5, y - 5, x + 5, y + 5}; }
    ScoreLocation at;
};

}  // namespace

TEST_F(ItemHitTest, CandidatesFollowTheirKindAndWhereTheyStand) {
    struct Case {
        const char* why;
        int track, bar, type;
        std::function<void(CBarItem*)> setup;  // null: none
        bool farFromNote;                       // the item's rectangle lies beyond a bar's width of its x
        bool hit;
    };
    const auto hidden = [](CBarItem* i) { i->SetFlagsB(std::uint8_t(i->FlagsB() | CBarItem::kHiddenBit)); };
    const auto selected = [](CBarItem* i) { i->SetFlagsB(std::uint8_t(i->FlagsB() | CBarItem::kSelectedBit)); };
    const Case cases[] = {
        {"a note near the point", 0, 2, 144, nullptr, false, true},
        {"a note of another bar, more than a bar's width away", 0, 2, 144, nullptr, true, false},
        {"a rest near the point", 1, 2, 128, nullptr, false, true},
        {"the first shown staff's note on the system above", 0, 0, 144, nullptr, true, true},
        {"another staff's note on the system above", 1, 0, 144, nullptr, true, false},
        {"the last shown staff's note on the system below", 1, 4, 144, nullptr, true, true},
        {"another staff's note on the system below", 0, 4, 144, nullptr, true, false},
        {"a hidden text", 0, 3, 29, hidden, false, false},
        {"a hidden text that is selected", 0, 3, 29, [&](CBarItem* i) { hidden(i); selected(i); }, false, true},
        {"a key signature that starts its system", 0, 3, 23,
         [](CBarItem* i) { rec::Put<std::uint8_t>(i, CKeySig::kFlags, CKeySig::kHiddenBit); }, false, false},
        {"a key signature within the system", 0, 3, 23, nullptr, false, true},
        {"a dynamic anywhere on the page", 0, 0, 20, nullptr, true, true},
        {"a beam-less text of a far system", 1, 4, 29, nullptr, true, true},
    };
    CStaff* staff = s->Line(1)->GetStaff(0);
    for (const Case& c : cases) {
        CBar* bar = Bar(c.bar);
        const int position = 512;
        const int nx = bar->FractionToX(position);
        const int px = c.farFromNote ? nx + 2 * bar->GetWidth() + 40 : nx;
        const int py = staff->GetTopLine() + 10;
        CBarItem* item = AddTrackItem(c.track, c.bar, c.type, position, Around(px, py));
        ASSERT_NE(item, nullptr) << c.why;
        if (c.setup) c.setup(item);
        ScoreLocation where = at;
        CBarItem* found = bar->HitItems(px, py, &where);
        EXPECT_EQ(found != nullptr, c.hit) << c.why;
        if (found) {
            EXPECT_EQ(found, item) << c.why;
            EXPECT_EQ(where.trackIndex, c.track) << c.why;
            EXPECT_EQ(where.trkBar, s->TrkBar(c.track, c.bar)) << c.why;
            EXPECT_EQ(g_model.hitItem, item) << c.why;
        }
        item->MarkRemoved();
    }
    // Hidden items show while the document shows them.
    s->doc.location.hiddenObjects = 1;
    CBarItem* text = AddTrackItem(0, 3, 29, 100, Around(400, staff->GetTopLine()));
    hidden(text);
    ScoreLocation where = at;
    EXPECT_EQ(Bar(3)->HitItems(400, staff->GetTopLine(), &where), text);
}

TEST_F(ItemHitTest, MarksOfNotesOnTheNeighbouringSystemsStandOverOrUnderTheirStaff) {
    static std::vector<int> sides;
    sides.clear();
    NoteMarksHitFn saved = NoteMarksHit();
    NoteMarksHit() = [](CBarItem*, int, int, int side) {
        sides.push_back(side);
        return true;
    };
    struct Case {
        int track, bar, side;
        const char* why;
    } cases[] = {
        {1, 0, 1, "the system above: only marks standing over the staff"},
        {0, 4, 2, "the system below: only marks under the staff"},
        {0, 2, 0, "the located system: every mark"},
    };
    for (const Case& c : cases) {
        sides.clear();
        CBar* bar = Bar(c.bar);
        const int far = bar->FractionToX(0) + 3 * bar->GetWidth();
        CBarItem* note = AddTrackItem(c.track, c.bar, 144, 0, RECT{});
        ScoreLocation where = at;
        EXPECT_EQ(bar->HitItems(far, 10, &where), note) << c.why;
        ASSERT_EQ(sides.size(), 1u) << c.why;
        EXPECT_EQ(sides[0], c.side) << c.why;
        note->MarkRemoved();
    }
    NoteMarksHit() = saved;
}

TEST_F(ItemHitTest, AMultiBarRestBarOffersItsTempoTextsAndSignaturesOnly) {
    CBar* bar = Bar(2);
    bar->SetMultiRestSpan(2);
    Bar(3)->SetBarFlag(CBar::kCoveredBit, true);
    CStaff* staff = s->Line(1)->GetStaff(1);
    const int y = staff->GetTopLine();
    CBarItem* tempo = AddOwn(2, 28, Around(bar->GetLeft() + 20, y - 30));
    CBarItem* note = AddTrackItem(1, 2, 144, 512, Around(bar->FractionToX(512), y));
    CBarItem* text = AddTrackItem(1, 2, 29, 100, Around(bar->FractionToX(100), y + 20));
    ASSERT_TRUE(tempo && note && text);
    ScoreLocation where = at;
    EXPECT_EQ(bar->HitItems(bar->GetLeft() + 20, y - 30, &where), tempo);
    EXPECT_EQ(where.trackIndex, s->Line(1)->GetFirstShownStaff()) << "the system's first shown staff";
    where = at;
    EXPECT_EQ(bar->HitItems(bar->FractionToX(512), y, &where), nullptr) << "a note of the rest's bar";
    where = at;
    EXPECT_EQ(bar->HitItems(bar->FractionToX(100), y + 20, &where), text);
    EXPECT_EQ(where.trackIndex, 1);
    // A bar under the rest hits nothing.
    CBarItem* under = AddTrackItem(0, 3, 29, 100, Around(Bar(3)->FractionToX(100), y));
    ASSERT_NE(under, nullptr);
    where = at;
    EXPECT_EQ(Bar(3)->HitItems(Bar(3)->FractionToX(100), y, &where), nullptr);
}

// --- the score's own tests ----------------------------------------------------------------------------

TEST_F(ItemHitTest, PositionHandlesOfTheSwitchedOnDisplay) {
    CLine* line = s->Line(0);
    CStaff* staff = line->GetStaff(1);
    const auto centre = [&](int kind) {
        RECT r;
        staff->GetHandleRect(&r, kind);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    };
    std::uint8_t* on = s->doc.location.overlays;  // chord, lyric, slash, dynamics, time code
    ScoreLocation where = at;
    where.systemIndex = 0;
    where.system = line;
    struct Case {
        const char* why;
        std::array<std::uint8_t, 5> switches;
        int lyricLines, handle;
        int result, kind;
    } cases[] = {
        {"lyric line 2 of three", {0, 1, 0, 0, 0}, 3, 7, 4, 7},
        {"lyric line 4 of three is not tested", {0, 1, 0, 0, 0}, 3, 8, 0, -1},
        {"chord and dynamics on: the chord handle", {1, 0, 0, 1, 0}, 1, 0, 4, 0},
        {"chord and dynamics on: no dynamics handle", {1, 0, 0, 1, 0}, 1, 2, 0, -1},
        {"dynamics alone", {0, 0, 0, 1, 0}, 1, 2, 4, 2},
        {"time codes", {0, 0, 0, 0, 1}, 1, 4, 4, 4},
        {"nothing switched on", {0, 0, 0, 0, 0}, 1, 0, 0, -1},
    };
    for (const Case& c : cases) {
        std::copy(c.switches.begin(), c.switches.end(), on);
        s->doc.lyricLineCount = std::int16_t(c.lyricLines);
        g_model.hitHandleKind = 99;
        const POINT p = centre(c.handle);
        ScoreLocation w = where;
        EXPECT_EQ(s->score->HitPositionHandle(p.x, p.y, &w), c.result) << c.why;
        EXPECT_EQ(g_model.hitHandleKind, c.kind) << c.why;
        if (c.result == 4) {
            EXPECT_EQ(w.trackIndex, 1) << c.why;
            EXPECT_EQ(w.barIndex, 0) << c.why;
            EXPECT_EQ(w.trkBar, s->TrkBar(1, 0)) << c.why;
            EXPECT_EQ(w.position, 0) << c.why;
        }
    }
    // A hidden staff's handle is never hit.
    std::fill(on, on + 5, 0);
    on[0] = 1;
    staff->SetShown(false);
    const POINT p = centre(0);
    EXPECT_EQ(s->score->HitPositionHandle(p.x, p.y, &where), 0);
    // The mode byte tests its own handle only.
    staff->SetShown(true);
    g_model.highlightMode = 1;
    const POINT q = centre(3);
    EXPECT_EQ(s->score->HitPositionHandle(q.x, q.y, &where), 4);
    EXPECT_EQ(g_model.hitHandleKind, 3);
    g_model.highlightMode = 0;
}

TEST_F(ItemHitTest, PageTextsWinOverTitlesAndLaterPagesShowFewerTitles) {
    const RECT box{100, 20, 200, 40};
    for (TitleBlock& t : s->doc.titles)
        for (int k = 0; k < 4; ++k) t.bounds[k] = 0;  // a packed record: no pointers into it
    TitleBlock& title = s->doc.titles[0];
    title.kind = TitleBlock::kTitle;
    title.bounds[0] = box.left, title.bounds[1] = box.top, title.bounds[2] = box.right, title.bounds[3] = box.bottom;
    ScoreLocation where = at;
    EXPECT_EQ(s->score->HitPageTextOrTitle(150, 30, &where), 7);
    EXPECT_EQ(g_model.hitTitle, 0);
    EXPECT_EQ(where.item, nullptr);
    // A page text over the title wins.
    std::vector<std::uint8_t> bytes = OwnRecord(12, 77);
    boxes.box.rects[77] = RECT{140, 25, 160, 35};
    ASSERT_NE(s->score->GetPageTextArray()->Add(bytes.data()), nullptr);
    where = at;
    EXPECT_EQ(s->score->HitPageTextOrTitle(150, 30, &where), 1);
    ASSERT_NE(where.item, nullptr);
    EXPECT_EQ(static_cast<CScoreItem*>(where.item)->TypeCode(), 12);

    // On a later page: a multi-line block only when it is block 0 shown on every page.
    struct Case {
        int block, kind, allPages;
        int result;
        const char* why;
    } cases[] = {
        {2, TitleBlock::kAuthor, 0, 0, "a multi-line block"},
        {2, TitleBlock::kAuthor, 1, 0, "a multi-line block other than 0, even on every page"},
        {0, TitleBlock::kTitle, 0, 0, "the title block on the first page only"},
        {0, TitleBlock::kTitle, 1, 7, "the title block on every page"},
        {4, TitleBlock::kHeader, 0, 7, "a header"},
    };
    for (const Case& c : cases) {
        for (TitleBlock& t : s->doc.titles)
            for (int k = 0; k < 4; ++k) t.bounds[k] = 0;  // a packed record: no pointers into it
        TitleBlock& t = s->doc.titles[c.block];
        t.kind = std::uint8_t(c.kind);
        t.allPages = std::uint8_t(c.allPages);
        t.bounds[0] = 300, t.bounds[1] = 20, t.bounds[2] = 400, t.bounds[3] = 40;
        ScoreLocation later = at;
        later.pageIndex = 1;
        EXPECT_EQ(s->score->HitPageTextOrTitle(350, 30, &later), c.result) << c.why;
        if (c.result == 7) EXPECT_EQ(g_model.hitTitle, c.block) << c.why;
    }
}

TEST_F(ItemHitTest, BarsOfTheNeighbouringSystemsOnTheSamePage) {
    // The edge handle of bar 0 (system 0) while the point was located on system 1.
    CBar* bar = Bar(0);
    CStaff* staff = s->Line(0)->GetStaff(0);
    ScoreLocation where = at;
    ASSERT_EQ(s->score->HitBars(bar->GetRight(), staff->GetTopLine(), &where), 2);
    EXPECT_EQ(where.bar, bar);
    EXPECT_EQ(where.barIndex, 0);
    EXPECT_EQ(where.system, s->Line(0));
    EXPECT_EQ(where.item, bar);
    EXPECT_EQ(where.trkBar, s->TrkBar(0, 0));
    // Two systems away is not tried.
    where = at;
    where.systemIndex = 2;
    EXPECT_EQ(s->score->HitBars(bar->GetRight(), staff->GetTopLine(), &where), 0);
    // A system of another page never is.
    s->Line(0)->SetPageIndex(1);
    where = at;
    EXPECT_EQ(s->score->HitBars(bar->GetRight(), staff->GetTopLine(), &where), 0);
    EXPECT_EQ(g_model.hitHandleKind, -1);
}

TEST_F(ItemHitTest, SystemPartsNearTheStaffEndsAndTheSignsOfItsStart) {
    CLine* line = s->Line(0);
    ASSERT_TRUE(line->SetBracket(3, 0, 1, false));
    CTrack* track = s->score->GetTrack(1);
    track->SetName("Bass");
    track->SetTrackFlags(std::uint8_t(track->GetTrackFlags() | 0x01));
    line->UpdateBrackets();
    Relayout();
    CStaff* st0 = line->GetStaff(0);
    CStaff* st1 = line->GetStaff(1);
    const RECT bracket = line->GetBracketRect(0, 0);
    ScoreLocation where = at;
    where.systemIndex = 0;
    where.system = line;
    struct Case {
        const char* why;
        CStaff* located;
        int x, y;
        int result;
    } cases[] = {
        {"the staff's left edge", st0, int(st0->GetLeft()), st0->GetMiddleY(), 6},
        {"the staff's right edge", st1, int(st1->GetRight()), st1->GetMiddleY(), 6},
        {"the bracket", st0, int(bracket.left) + 1, int(bracket.top) + 2, 3},
        {"the name left of the lower staff", st1, line->GetNameX(st1) - 2, st1->GetMiddleY(), 5},
        {"the middle of a staff", st0, int(st0->GetLeft() + st0->GetRight()) / 2, st0->GetMiddleY(), 0},
    };
    for (const Case& c : cases) {
        ScoreLocation w = where;
        w.staff = c.located;
        EXPECT_EQ(s->score->HitSystemParts(c.x, c.y, &w), c.result) << c.why;
        if (c.result == 3 || c.result == 5) {
            EXPECT_EQ(w.trackIndex, c.result == 3 ? 0 : 1) << c.why;
            EXPECT_EQ(w.item, s->score->GetTrack(w.trackIndex)) << c.why;
            EXPECT_EQ(w.bar, Bar(0)) << c.why;
        }
    }
    // A bracket reached from the middle of a staff whose edges lie elsewhere is not tested.
    ScoreLocation w = where;
    w.staff = st0;
    const int saved = st0->GetLeft();
    rec::Put<std::int32_t>(st0, CStaff::kRect, bracket.left - 200);
    EXPECT_EQ(s->score->HitSystemParts(int(bracket.left) + 1, int(bracket.top) + 2, &w), 0);
    rec::Put<std::int32_t>(st0, CStaff::kRect, saved);

    // The clef area wins over a key area that covers it (no time signature at the start).
    st0->SetDisplay(std::uint8_t((st0->GetDisplay() | CStaff::kClefShownBit) & ~CStaff::kMeterShownBit));
    st0->SetKey(3);
    rec::Put<std::int16_t>(line, CLine::kClefWidth, 0);
    const int margin = st0->ScaleOffset(CurrentEngraverSettings().GetWord(EngraverSettings::kClefMargin));
    const int cx = st0->GetLeft() + margin + 1, cy = st0->GetMiddleY();
    ASSERT_TRUE(Bar(0)->HitKeySigArea(cx, cy, st0));
    w = where;
    w.staff = st0;
    EXPECT_EQ(s->score->HitSystemParts(cx, cy, &w), 10);
    EXPECT_EQ(w.item, Bar(0));
    st0->SetDisplay(std::uint8_t(st0->GetDisplay() & ~CStaff::kClefShownBit));
    w = where;
    w.staff = st0;
    EXPECT_EQ(s->score->HitSystemParts(cx, cy, &w), 9);
}
