// The guitar palette's bend and barre drawn with a drag from a note, and the group palette's
// harp pedal marking placed after its dialog: the records they put in and their undo.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "ViewFixture.h"
#include "support/RegisteredOperations.h"
#include "model/Bar.h"
#include "model/Graphic.h"
#include "model/ModelGlobals.h"
#include "model/NewScore.h"
#include "model/Page.h"
#include "model/SystemStaff.h"
#include "model/TaskMakers.h"
#include "model/TieType.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "view/BendBracketHarpTools.h"
#include "view/ToolState.h"

class BendHarpTool : public ViewTest {
protected:
    // The program's operations, put in before the fixture's set-up and taken out after it.
    testsupport::RegisteredOperations operations;
    void SetUp() override {
        ViewTest::SetUp();
        Open(1, 0);
        score = doc->GetScore();
        pane = view->GetPane(0);
        ChosenSubTool() = [] { return int(g_toolState.subTool); };
        Use(ToolState::kNote, 0, ToolState::kNoteSub);
        g_toolState.value = 3;
        for (int tick : {0, 960}) Click(At(0, 0, tick, 0));
        while (doc->GetUndoCount() > 0) doc->ClearUndo();
    }
    void TearDown() override {
        ChosenSubTool() = nullptr;
        ViewTest::TearDown();
    }
    void Use(int tool, int button, int sub) {
        g_toolState.tool = std::int16_t(tool);
        g_toolState.button = std::int16_t(button);
        g_toolState.subTool = std::int16_t(sub);
    }
    POINT At(int track, int bar, int tick, int staffPosition) {
        CBar* b = score->GetBar(bar);
        CStaff* staff = score->GetTrkBar(track, bar)->GetStaff();
        const RECT paper = score->GetPage(0)->GetPaperRect();
        return POINT{LONG(b->FractionToX(b->TickToFraction(tick, false)) - paper.left),
                     LONG(staff->PositionToY(staffPosition) - paper.top)};
    }
    void Click(POINT p) {
        fw::uitest::Move(pane, int(p.x), int(p.y));
        fw::uitest::Click(pane, int(p.x), int(p.y), fw::uitest::kLeft);
        fw::uitest::RunUntilIdle();
    }
    void Drag(POINT from, POINT to) {
        std::vector<POINT> way{from};
        for (int i = 1; i <= 8; ++i)
            way.push_back(POINT{from.x + (to.x - from.x) * i / 8, from.y + (to.y - from.y) * i / 8});
        fw::uitest::Move(pane, int(from.x), int(from.y));
        fw::uitest::Drag(pane, way, fw::uitest::kLeft);
        fw::uitest::RunUntilIdle();
    }
    CBarItem* Record(int type) {
        CBarItem* found = nullptr;
        trkbar::ForEachLiveItem(score->GetTrkBar(0, 0), [&](CBarItem* it) {
            if (!found && it->TypeCode() == type) found = it;
        });
        return found;
    }

    CScore* score = nullptr;
    CPagePane* pane = nullptr;
};

TEST_F(BendHarpTool, ABendDrawnFromANoteEndsWhereTheDragEnds) {
    Use(CBendTool::kToolId, CBendTool::kBendButton, 0);
    const POINT from = At(0, 0, 960, 2);
    Drag(from, POINT{from.x + 24, from.y - 16});
    auto* bend = static_cast<CBend*>(Record(CBend::kType));
    ASSERT_NE(bend, nullptr);
    EXPECT_EQ(bend->Kind(), 0);
    EXPECT_EQ(bend->EndLabel(), 2);
    // The drag moved the end from its first offsets, right and up.
    EXPECT_GT(bend->EndDx(), 0);
    EXPECT_LT(bend->EndDy(), CBend::kDefaultOffset);
    ASSERT_EQ(doc->GetUndoCount(), 1);
    doc->Undo();
    EXPECT_EQ(Record(CBend::kType), nullptr);
}

TEST_F(BendHarpTool, AWaveBendTakesTheVibratoShapeOfItsPalette) {
    g_toolDefaults.vibratoShape = 3;
    Use(CBendTool::kToolId, CBendTool::kBendButton, CBendTool::kWaveKind);
    const POINT from = At(0, 0, 960, 2);
    Drag(from, POINT{from.x + 24, from.y});
    auto* bend = static_cast<CBend*>(Record(CBend::kType));
    ASSERT_NE(bend, nullptr);
    EXPECT_EQ(bend->Kind(), CBendTool::kWaveKind + 3);
}

TEST_F(BendHarpTool, ABarreAtOneFretStaysLevelWhateverTheVerticalMovement) {
    Use(CBendTool::kToolId, CBendTool::kBarreButton, 0);
    const POINT from = At(0, 0, 960, 2);
    // Mostly upwards: only the sideways part counts.
    Drag(from, POINT{from.x + 12, from.y - 40});
    auto* barre = static_cast<CBarre*>(Record(CBarre::kType));
    ASSERT_NE(barre, nullptr);
    EXPECT_EQ(barre->Kind(), 0);
    EXPECT_EQ(barre->EndDy(), barre->StartDy());
    EXPECT_GT(barre->EndDx(), 0);
    EXPECT_EQ(doc->GetUndoCount(), 1);
}

TEST_F(BendHarpTool, AHarpMarkingIsPlacedAtThePressAfterItsDialog) {
    Use(ToolState::kGroup, CHarpTool::kGroupButton, 0);
    const POINT at = At(0, 0, 480, 10);
    Click(at);
    auto* harp = static_cast<CHarpPed*>(Record(CHarpPed::kType));
    ASSERT_NE(harp, nullptr);
    const RECT paper = score->GetPage(0)->GetPaperRect();
    CStaff* staff = score->GetTrkBar(0, 0)->GetStaff();
    EXPECT_EQ(harp->YOffset(), staff->YToOffset(int(at.y + paper.top)));
    for (int i = 0; i < CHarpPed::kPedalCount; ++i) EXPECT_EQ(harp->Pedal(i), 0);
    ASSERT_EQ(doc->GetUndoCount(), 1);
    EXPECT_EQ(doc->GetUndoEntry(0)->name, CHarpTool::kNameId);
    doc->Undo();
    EXPECT_EQ(Record(CHarpPed::kType), nullptr);
}
