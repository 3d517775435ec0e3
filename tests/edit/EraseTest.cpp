// What removing one thing sets off around it: a chord's ties going together, the slurs of a
// chord that loses a head laid out again, octave lines and tempo changes, and the redraw of a
// bar line's system.
#include <gtest/gtest.h>

#include <string>

#include "EditFixture.h"
#include "edit/Commands.h"
#include "edit/DeleteTask.h"
#include "model/Bar.h"
#include "model/EditTask.h"
#include "model/ItemArray.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/System.h"
#include "model/Tempo.h"
#include "model/TieType.h"

namespace {

using edittest::EditScore;

constexpr int kErase = 4207;
constexpr int kTie = 30, kSlur = 27, kOttava = 25, kExpression = 37;
// A two-ended item's end: bars after its own, and the position in that bar.
constexpr int kEndBars = 22, kEndPosition = 24;

// The live records of a type in track t's bar b.
std::vector<CBarItem*> LiveOfType(EditScore& s, int t, int b, int type) {
    std::vector<CBarItem*> out;
    for (CBarItem* i : s.Live(t, b))
        if (i->TypeCode() == type) out.push_back(i);
    return out;
}

// A two-ended item of the type in track t's bar b, starting at a position and ending in the
// bar `bars` on at another; the record (which later insertions may move).
CBarItem* AddTwoEnded(EditScore& s, int t, int b, int type, int time, int voice, int position, int bars,
                      int endPosition) {
    CTrkBar* tb = s.score->GetTrkBar(t, b);
    tb->SetCurrent();
    CBarItem* item = tb->NewItem(type, time);
    item->SetVoice(voice);
    item->SetPositionField(std::int16_t(position));
    rec::Put<std::int16_t>(item, kEndBars, std::int16_t(bars));
    rec::Put<std::int16_t>(item, kEndPosition, std::int16_t(endPosition));
    return item;
}

void Hit(CBar* bar, CBarItem* item, int part = CRawNote::kAllHeads) {
    g_model.hitBar = bar;
    g_model.hitItem = item;
    g_model.hitPart = std::int16_t(part);
    g_model.hitTool = 0;
    g_model.hitKind = 0;
}

// One tie of a chord removed takes the chord's other ties (same time and voice) with it: by
// Clear and by the erase command. Cut removes only what is selected, and the tie of a single
// note goes alone.
TEST(ChordTies, OneTieOfAChordTakesItsSiblings) {
    struct Case {
        const char* what;
        int command;
        bool chord;
        int tiesLeft;   // live ties of the bar afterwards, the other voice's one included
    };
    const Case cases[] = {
        {"Clear of one of a chord's three ties", CDeleteTask::kClear, true, 1},
        {"the erase command on one of a chord's ties", kErase, true, 1},
        {"Cut of one of a chord's ties", CDeleteTask::kCut, true, 3},
        {"Clear of one of two ties on a single note", CDeleteTask::kClear, false, 2},
    };
    for (const Case& c : cases) {
        EditScore s;
        CRawNote* note = s.AddNote(1, 3, 0, 2, c.chord ? std::vector<int>{60, 64, 67} : std::vector<int>{62});
        const int position = note->PositionField();
        for (int k = 0; k < (c.chord ? 3 : 2); ++k) AddTwoEnded(s, 1, 3, kTie, 0, 0, position, 0, 512);
        AddTwoEnded(s, 1, 3, kTie, 0, 1, position, 0, 512);   // the other voice's tie stays
        CBarItem* tie = LiveOfType(s, 1, 3, kTie)[1];
        ASSERT_EQ(tie->VoiceField(), 0) << c.what;
        if (c.command == kErase) {
            Hit(s.score->GetBar(3), tie);
        } else {
            tie->Select();
            s.SelectExtent(1, 1, 3, 3);
        }
        const auto before = s.AllRuns();
        s.doc->OnCommandRange(c.command);
        const auto ties = LiveOfType(s, 1, 3, kTie);
        EXPECT_EQ(int(ties.size()), c.tiesLeft) << c.what;
        if (c.chord && c.tiesLeft == 1) EXPECT_EQ(ties[0]->VoiceField(), 1) << c.what;
        ASSERT_EQ(s.doc->GetUndoCount(), 1) << c.what;
        s.doc->Undo();
        EXPECT_TRUE(s.AllRuns() == before) << c.what << ": undo gives the bar back";
    }
}

// A chord that loses a head has the slurs at it laid out again: the slur that starts at it is
// attached anew (the note's slur-start link comes back), and the slur that ends at it from an
// earlier bar is flagged for layout, that bar saved for undo first.
TEST(Erase, AChordLosingAHeadLaysItsSlursOutAgain) {
    EditScore s;
    s.AddNote(1, 3, 960, 2, {72});
    CRawNote* chord = s.AddNote(1, 3, 0, 2, {60, 64, 67});
    const int position = chord->PositionField();
    AddTwoEnded(s, 1, 3, kSlur, 0, 0, position, 1, 100);   // starts at the chord
    AddTwoEnded(s, 1, 2, kSlur, 0, 0, 0, 1, position);     // ends at it from bar 2
    const auto before = s.AllRuns();
    CRawNote* hit = nullptr;
    for (CBarItem* i : s.Live(1, 3))
        if (i->IsNote() && static_cast<CRawNote*>(i)->HeadCountField() == 3) hit = static_cast<CRawNote*>(i);
    ASSERT_NE(hit, nullptr);
    ASSERT_FALSE(hit->HasSlurStart());
    Hit(s.score->GetBar(3), hit, 1);
    s.doc->OnCommandRange(kErase);

    CRawNote* after = nullptr;
    for (CBarItem* i : s.Live(1, 3))
        if (i->IsNote() && i->TimeField() == 0) after = static_cast<CRawNote*>(i);
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(after->HeadCountField(), 2);
    EXPECT_TRUE(after->HasSlurStart()) << "the slur that starts at the chord was attached again";
    const auto earlier = LiveOfType(s, 1, 2, kSlur);
    ASSERT_EQ(earlier.size(), 1u);
    EXPECT_TRUE(earlier[0]->FlagsA() & CBarItem::kRelayoutBit) << "the slur from bar 2 lays itself out again";
    s.doc->Undo();
    EXPECT_TRUE(s.AllRuns() == before) << "undo gives both bars back";
}

// An octave line's removal changes the layout unless the record is the first of its chain.
TEST(Erase, AnOctaveLineChangesTheLayoutUnlessItStartsItsChain) {
    struct Case {
        const char* what;
        std::uint8_t flags;
        bool layoutChanged;
    };
    const Case cases[] = {
        {"the first record of a chain", 0x10, false},
        {"a record that carries the line on", 0x00, true},
        {"the last record of a chain", 0x20, true},
    };
    for (const Case& c : cases) {
        EditScore s;
        CTrkBar* tb = s.score->GetTrkBar(1, 4);
        tb->SetCurrent();
        CBarItem* ottava = tb->NewItem(kOttava, 0);
        ASSERT_NE(ottava, nullptr) << c.what;
        rec::Put<std::uint8_t>(ottava, 16, c.flags);
        Hit(s.score->GetBar(4), ottava);
        s.doc->OnCommandRange(kErase);
        EXPECT_TRUE(LiveOfType(s, 1, 4, kOttava).empty()) << c.what;
        ASSERT_NE(s.doc->GetLastDoneTask(), nullptr) << c.what;
        EXPECT_EQ(s.doc->GetLastDoneTask()->layoutChanged != 0, c.layoutChanged) << c.what;
    }
}

// Erasing a tempo expression of the bar changes the tempo: every bar's running tempo is worked
// out again (a stale value is mended); another expression's erase leaves the running state.
TEST(Erase, ATempoExpressionRecalculatesTheRunningTempo) {
    for (int kind : {1, 0}) {
        EditScore s;
        std::vector<std::uint8_t> bytes(std::size_t(GetItemRecordSizeForCode(kExpression)), 0);
        ASSERT_GT(bytes.size(), 28u);
        CBarItem* expr = CBarItem::Construct(bytes.data());
        rec::Put<std::uint8_t>(expr, rec::kType, std::uint8_t(kExpression));
        rec::Put<std::int16_t>(expr, rec::kSize, std::int16_t(bytes.size()));
        rec::Put<std::uint8_t>(expr, 28, std::uint8_t(kind << 4));
        CBar* bar = s.score->GetBar(3);
        CBarItem* placed = bar->InsertItemSorted(expr);
        ASSERT_NE(placed, nullptr);
        s.score->RecalcBars(false);
        const int items = bar->GetItemCount();
        const std::uint16_t running = s.score->GetBar(7)->GetTempo();
        s.score->GetBar(7)->SetTempo(1234);
        Hit(bar, placed);
        s.doc->OnCommandRange(kErase);
        EXPECT_EQ(s.score->GetBar(3)->GetItemCount(), items - 1) << "kind " << kind;
        EXPECT_EQ(s.score->GetBar(7)->GetTempo(), kind == 1 ? running : 1234) << "kind " << kind;
    }
}

// A special bar line's erase redraws the systems it touches, not the whole score.
TEST(Erase, ABarLineRedrawsItsSystemOnly) {
    EditScore s;
    CBar* bar = s.score->GetBar(1);
    bar->SetClosingKind(4);
    CLine* line = bar->GetLine();
    ASSERT_NE(line, nullptr);
    s.doc->location.systemIndex = line->GetIndex();
    Hit(bar, nullptr);
    g_model.hitKind = 5;
    s.doc->OnCommandRange(4203);
    EXPECT_EQ(bar->GetClosingKind(), 0);
    CScoreTask* task = s.doc->GetLastDoneTask();
    ASSERT_NE(task, nullptr);
    EXPECT_EQ(task->layoutChanged, 0);
    ASSERT_EQ(task->DirtyRects().size(), 1u);
    const RECT want = line->GetRect();
    const RECT got = task->DirtyRects()[0].rect;
    EXPECT_EQ(task->DirtyRects()[0].page, line->GetPageIndex());
    EXPECT_EQ(got.left, want.left);
    EXPECT_EQ(got.top, want.top);
    EXPECT_EQ(got.right, want.right);
    EXPECT_EQ(got.bottom, want.bottom);
}

}  // namespace

// The eraser on a pedal line's change point removes that point only; on its start, its end or
// past its points it removes the whole pedal.
TEST(Erase, APedalLosesTheChangePointHitOrGoesWhole) {
    struct Case {
        const char* what;
        int part;
        bool pedalLeft;
        int pointsLeft;
    };
    const Case cases[] = {
        {"the first change point", 1, true, 1},
        {"the second change point", 2, true, 1},
        {"the start", 0, false, 0},
        {"the end (past the points)", 3, false, 0},
    };
    for (const Case& c : cases) {
        EditScore s;
        CTrkBar* tb = s.score->GetTrkBar(1, 2);
        tb->SetCurrent();
        alignas(8) std::uint8_t bytes[CBend::kPoints + 2 * CBend::kPointSize] = {};
        rec::Put<std::int16_t>(bytes, rec::kSize, std::int16_t(CBend::kPoints));
        auto* pedal = static_cast<CPedal*>(ConstructItem(CPedal::kType, bytes));
        pedal->InitNew(0, 0, 0);
        pedal->SetKind(CPedal::kNotched);
        pedal->SetEndPositionField(800);
        pedal->AppendPoint(128, 0);
        pedal->AppendPoint(512, 0);
        ASSERT_NE(tb->InsertCopy(pedal), nullptr) << c.what;
        tb->SetCurrent();
        auto pedals = LiveOfType(s, 1, 2, CPedal::kType);
        ASSERT_EQ(pedals.size(), 1u) << c.what;
        Hit(s.score->GetBar(2), pedals[0], c.part);
        s.doc->OnCommandRange(kErase);
        pedals = LiveOfType(s, 1, 2, CPedal::kType);
        ASSERT_EQ(!pedals.empty(), c.pedalLeft) << c.what;
        if (!c.pedalLeft) continue;
        auto* left = static_cast<CPedal*>(pedals[0]);
        EXPECT_EQ(left->PointCount(), c.pointsLeft) << c.what;
        EXPECT_EQ(left->GetPointValue(0), c.part == 1 ? 512 : 128) << c.what;
    }
}
