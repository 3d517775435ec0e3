// The graphics palette's shapes and pens, the group palette's commands and lines, the
// parentheses toggles and the articulation palette's clicks, each through a click on a page
// pane; and the MIDI data click's task, which frees its events with itself.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ViewFixture.h"
#include "framework/Memory.h"
#include "model/Bar.h"
#include "model/ChordRecords.h"
#include "model/Graphic.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/Ottava.h"
#include "model/Page.h"
#include "model/Select.h"
#include "model/SystemStaff.h"
#include "model/TieType.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "notation/NotationGlobals.h"
#include "notation/RawNote.h"
#include "support/CommandRecorder.h"
#include "view/PenTask.h"
#include "view/ShapeTools.h"
#include "view/ToolState.h"

namespace {

std::vector<std::uint8_t> Saved(CZelDoc& doc) {
    char temp[] = "/tmp/shapetool-XXXXXX";
    const int fd = mkstemp(temp);
    close(fd);
    std::vector<std::uint8_t> bytes;
    if (doc.WriteNative(temp)) {
        if (FILE* f = std::fopen(temp, "rb")) {
            for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(std::uint8_t(c));
            std::fclose(f);
        }
    }
    std::remove(temp);
    return bytes;
}

int FixedDraw() { return 0x1A5; }

}  // namespace

class ShapeTool : public ViewTest {
protected:
    // A new score; quarter notes at 0 and 960 in bar 0 of track 0, nothing in bar 1.
    void SetUp() override {
        ViewTest::SetUp();
        Open(1, 0);
        score = doc->GetScore();
        pane = view->GetPane(0);
        g_toolState = ToolState{};
        g_toolState.tool = ToolState::kNote;
        g_toolState.subTool = ToolState::kNoteSub;
        g_toolState.value = 3;
        for (int tick : {0, 960}) ClickAt(At(0, 0, tick, 0));
        ASSERT_EQ(Records(0, 0, 144).size(), 2u);
        while (doc->GetUndoCount() > 0) doc->ClearUndo();
        g_toolDefaults = ToolDefaults{};
        g_model.randomSource = &FixedDraw;
        RegisterViewOperations();
        fw::uitest::RunUntilIdle();
        fresh = Saved(*doc);
    }
    void TearDown() override {
        g_model.randomSource = nullptr;
        ViewTest::TearDown();
    }
    void UseTool(int tool, int button) {
        g_toolState.tool = std::int16_t(tool);
        g_toolState.subTool = 0;
        g_toolState.button = std::int16_t(button);
    }
    POINT At(int track, int bar, int tick, int staffPosition) {
        CBar* b = score->GetBar(bar);
        CStaff* staff = score->GetTrkBar(track, bar)->GetStaff();
        const RECT paper = score->GetPage(0)->GetPaperRect();
        return POINT{LONG(b->FractionToX(b->TickToFraction(tick, false)) - paper.left),
                     LONG(staff->PositionToY(staffPosition) - paper.top)};
    }
    POINT AtPosition(int track, int bar, int position, int staffPosition) {
        CBar* b = score->GetBar(bar);
        CStaff* staff = score->GetTrkBar(track, bar)->GetStaff();
        const RECT paper = score->GetPage(0)->GetPaperRect();
        return POINT{LONG(b->FractionToX(position) - paper.left), LONG(staff->PositionToY(staffPosition) - paper.top)};
    }
    void ClickAt(POINT p, UINT mods = fw::uitest::kNone) {
        fw::uitest::Move(pane, int(p.x), int(p.y), mods);
        fw::uitest::Click(pane, int(p.x), int(p.y), fw::uitest::kLeft, mods);
        fw::uitest::RunUntilIdle();
    }
    void DragFromTo(POINT from, POINT to) {
        std::vector<POINT> way{from};
        const int steps = std::max(1L, std::max(std::labs(to.x - from.x), std::labs(to.y - from.y)) / 4);
        for (int i = 1; i <= steps; ++i)
            way.push_back(POINT{from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
        fw::uitest::Move(pane, int(from.x), int(from.y));
        fw::uitest::Drag(pane, way, fw::uitest::kLeft);
        fw::uitest::RunUntilIdle();
    }
    std::vector<CBarItem*> Records(int track, int bar, int type) {
        std::vector<CBarItem*> out;
        trkbar::ForEachLiveItem(score->GetTrkBar(track, bar), [&](CBarItem* it) {
            if (it->TypeCode() == type) out.push_back(it);
        });
        return out;
    }
    std::vector<CBarItem*> Graphics(int track, int bar) {
        std::vector<CBarItem*> out;
        trkbar::ForEachLiveItem(score->GetTrkBar(track, bar), [&](CBarItem* it) {
            if (it->IsGraphic()) out.push_back(it);
        });
        return out;
    }
    void ExpectUndoneWhole() {
        while (doc->GetUndoPosition() > 0) doc->Undo();
        fw::uitest::RunUntilIdle();
        EXPECT_EQ(Saved(*doc), fresh);
    }
    void Select(CBarItem* item, int part, int track, int bar) {
        doc->GetSelection()->SelectItem(item, part, score->GetTrkBar(track, bar), false);
    }

    CScore* score = nullptr;
    CPagePane* pane = nullptr;
    std::vector<std::uint8_t> fresh;
};

// --- the graphics palette ----------------------------------------------------------------------

TEST_F(ShapeTool, EachPaletteButtonDrawsItsShapeWithThePalettesPen) {
    struct Case {
        const char* name;
        int button, fill;
        bool filled;
    } cases[] = {
        {"rectangle", 0, 0, false},   {"rounded rectangle", 1, 0, false}, {"oval", 2, 0, false},
        {"line: always filled", 3, 0, true}, {"curve", 4, 0, false},     {"wedge: always filled", 5, 0, true},
        {"rectangle with the fill on", 0, 1, true}, {"oval with the fill on", 2, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_toolDefaults.lineWidth = 15;
        g_toolDefaults.lineStyle = 2;
        g_toolDefaults.fillMode = std::int16_t(c.fill);
        g_toolDefaults.arrowStyle = 3;
        UseTool(CGraphicTool::kToolId, c.button);
        ClickAt(AtPosition(0, 1, 300, 4));
        const std::vector<CBarItem*> shapes = Graphics(0, 1);
        ASSERT_EQ(shapes.size(), 1u);
        auto* g = CGraphic::Of(shapes[0]);
        EXPECT_EQ(g->TypeCode(), CGraphic::kRectType + c.button);
        EXPECT_EQ(g->Kind(), c.button);
        EXPECT_EQ(g->RecordSizeField(), CGraphic::SizeOfKind(c.button));
        EXPECT_EQ(g->LineWidth(), 15);
        EXPECT_EQ(g->LineStyle(), 2) << "the second pen word";
        EXPECT_EQ(g->IsFilled(), c.filled);
        EXPECT_EQ(g->Flags() & 0x06, 3 << 1) << "the arrow bits";
        EXPECT_EQ(g->Flags() & 0x28, 0x28) << "both outline options";
        EXPECT_EQ(g->EndBars(), 0);
        EXPECT_EQ(g->EndPosition(), g->PositionField());
        EXPECT_EQ(g->EndStaff(), 0);
        const bool line = c.button == CGraphic::kLine;
        EXPECT_EQ(g->EndDx() - g->StartDx(), line ? 0 : 360);
        EXPECT_EQ(g->EndDy() - g->StartDy(), line ? 0 : 30);
        if (c.button == CGraphic::kRoundRect) EXPECT_EQ(g->Radius(), 12);
        if (c.button == CGraphic::kCurve) {
            EXPECT_EQ(g->ControlX(0), 256);
            EXPECT_EQ(g->ControlX(1), 768);
            EXPECT_EQ(g->ControlY(0), -360);
            EXPECT_EQ(g->ControlY(1), -360);
        }
        EXPECT_EQ(doc->GetUndoCount(), 1);
        ExpectUndoneWhole();
        doc->ClearUndo();
    }
}

TEST_F(ShapeTool, TheDragMovesTheFarCornerAndTheShapeStaysInTheBarPressed) {
    UseTool(CGraphicTool::kToolId, 0);
    ClickAt(AtPosition(0, 1, 300, 4));
    ASSERT_EQ(Graphics(0, 1).size(), 1u);
    const int clickedEnd = CGraphic::Of(Graphics(0, 1)[0])->EndDx();
    doc->Undo();
    const POINT from = AtPosition(0, 1, 300, 4);
    DragFromTo(from, POINT{from.x + 60, from.y + 20});
    const std::vector<CBarItem*> shapes = Graphics(0, 1);
    ASSERT_EQ(shapes.size(), 1u);
    auto* g = CGraphic::Of(shapes[0]);
    EXPECT_GT(g->EndDx(), clickedEnd) << "the far corner followed the drag to the right";
    EXPECT_GT(g->EndDy() - g->StartDy(), 30) << "and down";
    EXPECT_EQ(g_notation.graphicEndDragX, 0) << "the drag's offset went into the record";
}

TEST_F(ShapeTool, TheSymbolButtonPlacesAFreeSymbolOrAMarkOnTheNoteClicked) {
    UseTool(CGraphicTool::kToolId, CGraphicTool::kSymbolButton);
    ClickAt(AtPosition(0, 1, 400, 4));
    EXPECT_EQ(Records(0, 1, 22).size(), 1u) << "a free symbol where nothing was hit";
    EXPECT_TRUE(Graphics(0, 1).empty());
    ClickAt(At(0, 0, 960, 0));
    auto* note = static_cast<CRawHead*>(Records(0, 0, 144)[1]);
    EXPECT_EQ(note->MarkCount(), 1) << "a mark on the note clicked";
    EXPECT_EQ(doc->GetUndoCount(), 2);
    ExpectUndoneWhole();
}

// --- the pen on the selection -------------------------------------------------------------------

TEST_F(ShapeTool, PenCommandsSetTheirFieldOnEverySelectedShapeAndLeaveOtherItemsAlone) {
    struct Case {
        int command;
        int width, penWord, filled, arrows;  // -1: as drawn (width 10, word 0, not filled, arrows 0)
    } cases[] = {
        {4801, -1, 0, -1, -1}, {4802, -1, 1, -1, -1}, {4803, -1, 2, -1, -1}, {4810, 0, -1, -1, -1},
        {4813, 15, -1, -1, -1}, {4814, 20, -1, -1, -1}, {4821, 160, -1, -1, -1}, {4831, -1, -1, 1, -1},
        {4830, -1, -1, 0, -1}, {4832, -1, -1, -1, 0}, {4833, -1, -1, -1, 1}, {4835, -1, -1, -1, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        g_toolDefaults.lineWidth = 10;
        g_toolDefaults.lineStyle = 1;
        g_toolDefaults.arrowStyle = 2;
        UseTool(CGraphicTool::kToolId, 0);
        ClickAt(AtPosition(0, 1, 200, 4));
        UseTool(CGraphicTool::kToolId, 2);
        ClickAt(AtPosition(0, 1, 700, 4));
        ASSERT_EQ(Graphics(0, 1).size(), 2u);
        const std::vector<CBarItem*> notes = Records(0, 0, 144);
        ASSERT_EQ(notes.size(), 2u);
        const std::vector<std::uint8_t> note(notes[0]->Bytes(), notes[0]->Bytes() + notes[0]->RecordSizeField());
        Select(notes[0], CSelect::kWhole, 0, 0);
        for (CBarItem* g : Graphics(0, 1)) Select(g, CSelect::kWhole, 0, 1);
        const int undos = doc->GetUndoCount();
        doc->OnCommandRange(UINT(c.command));
        EXPECT_EQ(doc->GetUndoCount(), undos + 1);
        for (CBarItem* item : Graphics(0, 1)) {
            auto* g = CGraphic::Of(item);
            EXPECT_EQ(g->LineWidth(), c.width >= 0 ? c.width : 10);
            EXPECT_EQ(g->LineStyle(), c.penWord >= 0 ? c.penWord : 1);
            EXPECT_EQ(g->IsFilled(), c.filled > 0);
            EXPECT_EQ((g->Flags() >> 1) & 3, c.arrows >= 0 ? c.arrows : 2);
            EXPECT_EQ(g->Flags() & 0x28, 0x28) << "the other option bits stay";
        }
        CBarItem* after = Records(0, 0, 144)[0];
        EXPECT_EQ(std::vector<std::uint8_t>(after->Bytes(), after->Bytes() + after->RecordSizeField()), note);
        ExpectUndoneWhole();
        doc->ClearUndo();
    }
}

TEST_F(ShapeTool, APenCommandOnASelectionWithoutShapesChangesNothingAndLeavesNoUndo) {
    Select(Records(0, 0, 144)[0], CSelect::kWhole, 0, 0);
    doc->OnCommandRange(4814);
    EXPECT_EQ(doc->GetUndoCount(), 0);
    EXPECT_EQ(Saved(*doc), fresh);
}

// --- the group palette --------------------------------------------------------------------------

TEST_F(ShapeTool, AGroupClickOnANoteSendsTheSubToolsCommandToTheSelection) {
    const struct {
        int sub;
        const char* className;
        int command;
    } cases[] = {
        {0, "CAddTieTask", 4006},     {1, "CAddTieTask", 35300},    {2, "CAddSlurTask", 4005},
        {3, "CAddSlurTask", 35301},   {4, "CGlissTask", 35304},     {5, "CGlissTask", 35305},
        {6, "CAddTupletTask", 1106},  {7, "CAddTupletTask", 35303}, {8, "CAddOttavaTask", 4325},
        {9, "CAddOttavaTask", 4326},  {10, "CAddPedalTask", 4310},  {11, "CAddPedalTask", 4311},
        {14, "CAddGroupTask", 4323},  {15, "CAddGroupTask", 4324},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sub);
        commandtest::RecordedTasks recorded;
        UseTool(CGroupTool::kToolId, c.sub);
        ClickAt(At(0, 0, 960, 0));
        ASSERT_EQ(recorded.made.size(), 1u);
        EXPECT_EQ(recorded.made[0].className, c.className);
        EXPECT_EQ(recorded.made[0].command, c.command);
        EXPECT_EQ(doc->GetUndoCount(), 0);
        EXPECT_EQ(GroupCommandOf(c.sub), c.command);
    }
}

TEST_F(ShapeTool, WithoutASelectionTheGroupPalettesDragsBuildTheirRecords) {
    const struct {
        const char* name;
        int sub, type, kind;
        int shift;  // octave lines
    } cases[] = {
        {"octave up", 8, 25, 0, 12},     {"octave down", 9, 25, 1, -12},   {"full pedal", 10, 35, 0, 0},
        {"half pedal", 11, 35, 1, 0},    {"parentheses", 12, 36, 0, 0},    {"brace", 14, 36, 1, 0},
        {"bracket", 15, 36, 2, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UseTool(CGroupTool::kToolId, c.sub);
        // High above the empty bar's staff, where the point selects nothing.
        ClickAt(AtPosition(0, 1, 400, 14));
        const std::vector<CBarItem*> made = Records(0, 1, c.type);
        ASSERT_EQ(made.size(), 1u);
        CBarItem* r = made[0];
        if (c.type == COttava::kTypeCode) {
            auto* o = static_cast<COttava*>(r);
            EXPECT_EQ(o->GetFlags(), 0x3F | c.kind << 6);
            EXPECT_EQ(o->GetIdentifier(), 0xA5) << "from the random source";
            EXPECT_EQ(o->GetShift(), c.shift);
            EXPECT_EQ(o->GetEndPosition(), 1023);
            EXPECT_EQ(o->GetContinuationOffset(), 0);
        } else {
            auto* line = static_cast<CBend*>(r);
            EXPECT_EQ(line->Kind(), c.kind);
            EXPECT_EQ(line->Byte(35), 24);
            EXPECT_EQ(line->EndBarOffset(), 0);
            // (A vertical bracket's own drag keeps both its ends at one position.)
            const bool vertical = c.type == CGroup::kType && c.kind == CGroup::kVerticalBracket;
            EXPECT_EQ(line->EndPositionField(), line->PositionField() + (vertical ? 0 : 256));
            EXPECT_EQ(line->StartY(), line->EndY());
        }
        EXPECT_EQ(doc->GetUndoCount(), 1);
        ExpectUndoneWhole();
        doc->ClearUndo();
    }
}

TEST_F(ShapeTool, AGroupAtTheBarsStartStandsLeftOfItAndAPedalNearTheEndReachesIntoTheNextBar) {
    UseTool(CGroupTool::kToolId, 14);
    ClickAt(AtPosition(0, 1, 0, 14));
    std::vector<CBarItem*> made = Records(0, 1, 36);
    ASSERT_EQ(made.size(), 1u);
    if (made[0]->PositionField() == 0) EXPECT_EQ(static_cast<CBend*>(made[0])->StartDx(), -120);
    UseTool(CGroupTool::kToolId, 10);
    ClickAt(AtPosition(0, 1, 1000, 14));
    made = Records(0, 1, 35);
    ASSERT_EQ(made.size(), 1u);
    auto* pedal = static_cast<CBend*>(made[0]);
    ASSERT_GT(pedal->PositionField() + 256, 1023);
    EXPECT_EQ(pedal->EndBarOffset(), 1);
    EXPECT_EQ(pedal->EndPositionField(), pedal->PositionField() + 256 - 1024);
}

TEST_F(ShapeTool, ParenthesesToggleOnANotesHeadAChordSymbolAndAFrameUndoably) {
    // The note's head, by a click with the parentheses sub-tool.
    UseTool(CGroupTool::kToolId, CGroupTool::kParentheses);
    ClickAt(At(0, 0, 960, 0));
    auto* note = static_cast<CRawNote*>(Records(0, 0, 144)[1]);
    EXPECT_TRUE(note->Head(0)->Byte(NoteHead::kLinkByte) & NoteHead::kParenthesized);
    EXPECT_TRUE(Records(0, 0, 36).empty()) << "no group drawn";
    EXPECT_EQ(doc->GetUndoCount(), 1);
    ClickAt(At(0, 0, 960, 0));
    note = static_cast<CRawNote*>(Records(0, 0, 144)[1]);
    EXPECT_FALSE(note->Head(0)->Byte(NoteHead::kLinkByte) & NoteHead::kParenthesized) << "a second click takes them off";
    ExpectUndoneWhole();
    doc->ClearUndo();

    // A chord symbol and a guitar frame put into bar 1, toggled by the handler on them.
    for (const int type : {17, 40}) {
        SCOPED_TRACE(type);
        CTrkBar* tb = score->GetTrkBar(0, 1);
        ASSERT_NE(tb->NewItem(type, 0), nullptr);
        doc->ClearUndo();
        fresh = Saved(*doc);
        for (const int tool : {CGroupTool::kToolId, 923}) {
            UseTool(tool, tool == 923 ? 1 : CGroupTool::kParentheses);
            CBarItem* item = Records(0, 1, type)[0];
            doc->paneLocation.trackIndex = 0;
            doc->paneLocation.barIndex = 1;
            const RECT paper = score->GetPage(0)->GetPaperRect();
            const POINT p = AtPosition(0, 1, 0, 12);
            if (tool == 923)
                EXPECT_EQ(pane->OnMarkPaletteClick(int(p.x + paper.left), int(p.y + paper.top), item), nullptr);
            else
                EXPECT_EQ(pane->OnGroupTool(int(p.x + paper.left), int(p.y + paper.top), item), nullptr);
            item = Records(0, 1, type)[0];
            const bool on = type == 17 ? static_cast<CChord*>(item)->IsParenthesised()
                                       : static_cast<CGuitarFrame*>(item)->IsParenthesised();
            EXPECT_TRUE(on);
            EXPECT_EQ(doc->GetUndoCount(), 1);
            ExpectUndoneWhole();
            doc->ClearUndo();
        }
        Records(0, 1, type)[0]->MarkRemoved();
    }
}

TEST_F(ShapeTool, TheArticulationPaletteSendsItsCommandsAndItsGhostButtonTogglesParentheses) {
    for (int sub = 0; sub < 8; ++sub) {
        SCOPED_TRACE(sub);
        commandtest::RecordedTasks recorded;
        UseTool(923, sub);
        ClickAt(At(0, 0, 960, 0));
        if (sub == 1) {
            EXPECT_TRUE(recorded.made.empty());
            auto* note = static_cast<CRawNote*>(Records(0, 0, 144)[1]);
            EXPECT_TRUE(note->Head(0)->Byte(NoteHead::kLinkByte) & NoteHead::kParenthesized);
            ExpectUndoneWhole();
            doc->ClearUndo();
            continue;
        }
        ASSERT_EQ(recorded.made.size(), 1u);
        EXPECT_EQ(recorded.made[0].className, "CDrumTask");
        EXPECT_EQ(recorded.made[0].command, 2900 + sub);
    }
    // Without a selection nothing is sent.
    commandtest::RecordedTasks recorded;
    UseTool(923, 4);
    ClickAt(AtPosition(0, 1, 400, 14));
    EXPECT_TRUE(recorded.made.empty());
}

// --- the MIDI data click's task ------------------------------------------------------------------

TEST_F(ShapeTool, TheMidiDataTaskFreesItsEventsWithItself) {
    const std::size_t before = fw::memtest::LiveBlocks();
    {
        auto* task = new CMidiDataTask;
        const std::uint8_t event[16] = {1, 2, 3};
        ASSERT_TRUE(task->events.Append(event, sizeof event));
        EXPECT_EQ(fw::memtest::LiveBlocks(), before + 1);
        delete task;
    }
    EXPECT_EQ(fw::memtest::LiveBlocks(), before);
    // Run by the document, which deletes it when it leaves no undo entry.
    auto* task = new CMidiDataTask;
    task->Attach(doc.get(), 0);
    const std::uint8_t event[16] = {};
    ASSERT_TRUE(task->events.Append(event, sizeof event));
    doc->DoTask(task);
    EXPECT_EQ(doc->GetUndoCount(), 0);
    EXPECT_EQ(fw::memtest::LiveBlocks(), before);
}
