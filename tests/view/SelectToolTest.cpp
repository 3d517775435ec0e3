// The select tool in a page pane of the score window: a click selects an item, Shift extends
// the selection, a band selects what it holds, a press on one of several selected items drags
// them all (re-pitched together, moved along the bar, stretched with Ctrl), Ctrl-clicks mark
// bars, a double click opens properties, and the layout handles (brackets, placement handles,
// title blocks) drag; every drag is one undo step that gives the saved score back byte for byte.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <string>
#include <vector>

#include "ViewFixture.h"
#include "framework/Memory.h"
#include "model/Bar.h"
#include "model/DragTask.h"
#include "model/EndingDrag.h"
#include "model/ItemFactory.h"
#include "model/Jumper.h"
#include "model/Lyric.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Preferences.h"
#include "model/Select.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntry.h"
#include "model/TrkBarEntryFields.h"
#include "model/TrkBarWalk.h"
#include "platform/DrawGlobals.h"
#include "platform/Handles.h"
#include "platform/PlatformGlobals.h"
#include "platform/StdDlgGlobals.h"
#include "support/CommandRecorder.h"
#include "support/MidiRecorder.h"
#include "view/DragGroup.h"
#include "view/LayoutDrags.h"
#include "view/ToolState.h"

namespace ui = fw::uitest;

namespace {

std::vector<std::uint8_t> Saved(CZelDoc& doc) {
    char temp[] = "/tmp/selecttool-XXXXXX";
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

}  // namespace

class SelectTool : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        Open(1, 0);
        score = doc->GetScore();
        pane = view->GetPane(0);
        g_preferences.SetByte(Preferences::kAdvanceCursor, 1);
        g_preferences.SetByte(Preferences::kDragNote, 1);
    }
    POINT Origin() const {
        const RECT paper = score->GetPage(0)->GetPaperRect();
        return POINT{paper.left, paper.top};
    }
    // The pane point of time `tick` in bar `bar` at a staff position of the first track.
    POINT At(int bar, int tick, int staffPosition) {
        CBar* b = score->GetBar(bar);
        CStaff* staff = b->GetLine()->GetStaff(0);
        return POINT{LONG(b->FractionToX(b->TickToFraction(tick, false)) - Origin().x),
                     LONG(staff->PositionToY(staffPosition) - Origin().y)};
    }
    void ClickAt(POINT p, UINT mods = ui::kNone, int clicks = 1) {
        ui::Move(pane, int(p.x), int(p.y), mods);
        ui::Click(pane, int(p.x), int(p.y), ui::kLeft, mods, clicks);
        ui::RunUntilIdle();
    }
    void DragFromTo(POINT a, POINT b, UINT mods = ui::kNone) {
        std::vector<POINT> way{a};
        const int steps = std::max(1L, std::max(std::labs(b.x - a.x), std::labs(b.y - a.y)) / 3);
        for (int i = 1; i <= steps; ++i) way.push_back(POINT{a.x + (b.x - a.x) * i / steps, a.y + (b.y - a.y) * i / steps});
        ui::Move(pane, int(a.x), int(a.y), mods);
        ui::Drag(pane, way, ui::kLeft, mods);
        ui::RunUntilIdle();
    }
    // Notes entered with the note tool at (bar, tick, staff position), quarters.
    void Enter(std::initializer_list<std::array<int, 3>> notes) {
        g_toolState.tool = ToolState::kNote;
        g_toolState.subTool = ToolState::kNoteSub;
        g_toolState.value = 3;
        for (const auto& n : notes) ClickAt(At(n[0], n[1], n[2]));
        g_toolState = ToolState{};
        g_toolState.tool = ToolState::kSelect;
    }
    std::vector<CBarItem*> NotesOf(int track, int bar) {
        std::vector<CBarItem*> out;
        trkbar::ForEachLiveItem(score->GetTrkBar(track, bar), [&](CBarItem* it) {
            if (it->IsNote()) out.push_back(it);
        });
        return out;
    }
    CBarItem* Note(int bar, int i) { return NotesOf(0, bar).at(std::size_t(i)); }
    int Pos(CBarItem* n) { return entry::HeadPos(entry::HeadAt(n, 0)); }
    int Pitch(CBarItem* n) { return entry::HeadAt(n, 0)[entry::kHeadPitch]; }
    // A pane point that the note's own hit test takes.
    POINT HeadPoint(CBarItem* note, int bar) {
        CTrkBar* tb = score->GetTrkBar(0, bar);
        RECT bounds{};
        static_cast<CScoreItem*>(note)->GetBounds(&bounds);
        tb->SetCurrent();
        for (int y = int(bounds.bottom); y >= int(bounds.top); --y)
            for (int x = int(bounds.left); x <= int(bounds.right); ++x)
                if (static_cast<CScoreItem*>(note)->HitTest(x, y)) return POINT{LONG(x - Origin().x), LONG(y - Origin().y)};
        return POINT{-1, -1};
    }
    int Selected() {
        CSelect* sel = doc->GetSelection();
        sel->Recount();
        return sel->GetItemCount();
    }
    // The pane step of n staff positions on the first staff.
    int StaffStep(int n) {
        CStaff* staff = score->GetBar(0)->GetLine()->GetStaff(0);
        return staff->PositionToY(n) - staff->PositionToY(0);
    }

    CScore* score = nullptr;
    CPagePane* pane = nullptr;
};

TEST_F(SelectTool, AClickSelectsANoteAndShiftExtendsTheSelectionToTheNextOne) {
    Enter({{0, 0, 0}, {0, 480, 2}, {0, 960, 4}});
    ClickAt(HeadPoint(Note(0, 0), 0));
    EXPECT_EQ(Selected(), 1);
    EXPECT_TRUE(Note(0, 0)->IsSelectedBit());
    ClickAt(HeadPoint(Note(0, 1), 0), ui::kShift);
    EXPECT_TRUE(Note(0, 0)->IsSelectedBit());
    EXPECT_TRUE(Note(0, 1)->IsSelectedBit());
    EXPECT_FALSE(Note(0, 2)->IsSelectedBit());
    EXPECT_EQ(doc->GetUndoCount(), 3) << "selecting is no edit";
    // A plain click on an unselected note clears the rest of the selection.
    ClickAt(HeadPoint(Note(0, 2), 0));
    EXPECT_FALSE(Note(0, 0)->IsSelectedBit());
    EXPECT_FALSE(Note(0, 1)->IsSelectedBit());
    EXPECT_TRUE(Note(0, 2)->IsSelectedBit());
}

TEST_F(SelectTool, DraggingOneOfTwoSelectedNotesUpRaisesBothSoundsTheHitNoteAndUndoesWhole) {
    Enter({{0, 0, 0}, {0, 480, 2}});
    // The notes as entered: what undo gives back (an undo brings no selection back).
    const std::vector<std::uint8_t> entered = Saved(*doc);
    ClickAt(HeadPoint(Note(0, 0), 0));
    ClickAt(HeadPoint(Note(0, 1), 0), ui::kShift);
    ASSERT_EQ(Selected(), 2);
    const int undo = doc->GetUndoCount();
    std::vector<testsupport::MidiRecorder::Sent>& sent = testsupport::RecordedMidi();
    sent.clear();
    const POINT from = HeadPoint(Note(0, 1), 0);
    DragFromTo(from, POINT{from.x, from.y + StaffStep(2)});
    EXPECT_EQ(Pos(Note(0, 0)), 2);
    EXPECT_EQ(Pos(Note(0, 1)), 4);
    EXPECT_EQ(Pitch(Note(0, 0)), 74);  // B4 -> D5
    EXPECT_EQ(Pitch(Note(0, 1)), 77);  // D5 -> F5
    EXPECT_EQ(Note(0, 0)->TimeField(), 0);
    EXPECT_EQ(Note(0, 1)->TimeField(), 480);
    EXPECT_TRUE(Note(0, 0)->IsSelectedBit() && Note(0, 1)->IsSelectedBit()) << "the group stays selected";
    // The hit note sounded: its first pitch, and at the release the pitch it reached stopped.
    std::vector<std::pair<int, int>> notes;
    for (const auto& s : sent)
        if ((s.a & 0xF0) == 0x90 || (s.a & 0xF0) == 0x80) notes.push_back({s.b, s.c});
    ASSERT_GE(notes.size(), 2u);
    EXPECT_EQ(notes.front().first, 74);
    EXPECT_GT(notes.front().second, 0);
    EXPECT_EQ(notes.back(), std::make_pair(77, 0));
    for (const auto& n : notes) EXPECT_NE(n.first, 71) << "the other note stays silent";
    ASSERT_EQ(doc->GetUndoCount(), undo + 1);
    doc->Undo();
    EXPECT_EQ(Saved(*doc), entered);
    doc->Redo();
    const std::vector<std::uint8_t> redone = Saved(*doc);
    EXPECT_EQ(Pos(Note(0, 0)), 2);
    EXPECT_EQ(Pos(Note(0, 1)), 4);
    doc->Undo();
    EXPECT_EQ(Saved(*doc), entered);
    doc->Redo();
    EXPECT_EQ(Saved(*doc), redone);
}

TEST_F(SelectTool, AGroupMovesAlongTheBarAndWithCtrlStretchesFromTheFirstNote) {
    struct Case {
        UINT mods;
        int dx;
        bool stretch;
        const char* why;
    } cases[] = {
        {ui::kNone, 40, false, "plain: every note moves by the same step"},
        {ui::kCtrl, 40, true, "Ctrl on the last note: the first stays, the middle moves half"},
    };
    for (const Case& c : cases) {
        if (&c != cases) {
            TearDown();
            SetUp();
        }
        Enter({{0, 0, 0}, {0, 480, 0}, {0, 960, 0}});
        ClickAt(HeadPoint(Note(0, 0), 0));
        ClickAt(HeadPoint(Note(0, 2), 0), ui::kShift);
        ASSERT_EQ(Selected(), 3) << c.why;
        const int p0 = Note(0, 0)->PositionField(), p1 = Note(0, 1)->PositionField(), p2 = Note(0, 2)->PositionField();
        const POINT from = HeadPoint(Note(0, 2), 0);
        DragFromTo(from, POINT{from.x + c.dx, from.y}, c.mods);
        const int q0 = Note(0, 0)->PositionField(), q1 = Note(0, 1)->PositionField(), q2 = Note(0, 2)->PositionField();
        EXPECT_GT(q2, p2) << c.why;
        if (!c.stretch) {
            EXPECT_EQ(q0 - p0, q2 - p2) << c.why;
            EXPECT_EQ(q1 - p1, q2 - p2) << c.why;
        } else {
            EXPECT_EQ(q0, p0) << c.why;
            // In proportion: the middle note keeps its share of the span, within rounding.
            EXPECT_NEAR(double(q1 - q0) / (q2 - q0), double(p1 - p0) / (p2 - p0), 0.02) << c.why;
        }
        EXPECT_EQ(Pos(Note(0, 1)), 0) << c.why << ": no pitch changes";
    }
}

TEST_F(SelectTool, APressThatDoesNotMoveChangesNothingAndLeavesNoUndoStep) {
    Enter({{0, 0, 0}, {0, 480, 2}});
    ClickAt(HeadPoint(Note(0, 0), 0));
    ClickAt(HeadPoint(Note(0, 1), 0), ui::kShift);
    const std::vector<std::uint8_t> before = Saved(*doc);
    const int undo = doc->GetUndoCount();
    const POINT p = HeadPoint(Note(0, 1), 0);
    DragFromTo(p, POINT{p.x + 1, p.y});
    EXPECT_EQ(doc->GetUndoCount(), undo);
    EXPECT_EQ(Saved(*doc), before);
    EXPECT_EQ(Selected(), 2) << "the group stays selected";
}

TEST_F(SelectTool, AGroupListThatCannotBeHadEndsTheDragWithTheOutOfMemoryErrorAndTheScoreUnchanged) {
    Enter({{0, 0, 0}, {0, 480, 2}});
    ClickAt(HeadPoint(Note(0, 0), 0));
    ClickAt(HeadPoint(Note(0, 1), 0), ui::kShift);
    const std::vector<std::uint8_t> before = Saved(*doc);
    const int undo = doc->GetUndoCount();
    CDragGroup drag;
    doc->location.trackIndex = 0;
    doc->location.barIndex = 0;
    fw::memtest::FailAfter(0);
    drag.Begin(doc.get(), Note(0, 1), 4900);
    fw::memtest::Reset();
    EXPECT_EQ(drag.Count(), 0);
    drag.MouseDown(POINT{100, 100});
    SetErrorCode(0);
    EXPECT_ANY_THROW(drag.MouseMove(POINT{100, 80}, POINT{100, 100}, POINT{100, 100}));
    EXPECT_EQ(GetErrorCode(), 100);
    EXPECT_EQ(Saved(*doc), before);
    EXPECT_EQ(doc->GetUndoCount(), undo);
}

TEST_F(SelectTool, ABandOverTwoBarsSelectsTheirNotes) {
    Enter({{0, 0, 0}, {0, 480, 2}, {0, 960, 0}, {0, 1440, 0}, {1, 0, 0}, {1, 480, 0}, {1, 960, 0}, {1, 1440, 0}});
    ClickAt(At(2, 0, 12));  // empty paper: nothing stays selected
    ASSERT_EQ(Selected(), 0);
    CBar* b0 = score->GetBar(0);
    CBar* b1 = score->GetBar(1);
    CStaff* staff = b0->GetLine()->GetStaff(0);
    const POINT a{LONG(b0->GetLeft() + 2 - Origin().x), LONG(staff->PositionToY(10) - Origin().y)};
    const POINT b{LONG(b1->GetRight() - 2 - Origin().x), LONG(staff->PositionToY(-10) - Origin().y)};
    DragFromTo(a, b);
    for (int bar = 0; bar < 2; ++bar)
        for (CBarItem* n : NotesOf(0, bar)) EXPECT_TRUE(n->IsSelectedBit()) << "bar " << bar;
    for (CBarItem* n : NotesOf(0, 2)) EXPECT_FALSE(n->IsSelectedBit());
}

TEST_F(SelectTool, CtrlClicksOnABarWithHandlesShownMarkBars) {
    doc->location.handles = 1;
    CBar* bar = score->GetBar(1);
    // The bar's handle square: its right edge on the staff's top line.
    CStaff* staff = bar->GetLine()->GetStaff(0);
    const POINT at{LONG(bar->GetRight() - Origin().x), LONG(staff->GetTopLine() - Origin().y)};
    ui::Move(pane, int(at.x), int(at.y));
    ui::RunUntilIdle();
    ASSERT_EQ(pane->hitKind, 2);
    const bool was = bar->HasBarFlag(CBar::kSpacingLockedBit);
    ClickAt(at, ui::kCtrl);
    EXPECT_NE(bar->HasBarFlag(CBar::kSpacingLockedBit), was) << "Ctrl toggles the clicked bar's mark";
    for (int b = 0; b < score->GetBarCount(); ++b)
        if (b != 1) EXPECT_FALSE(score->GetBar(b)->HasBarFlag(CBar::kSpacingLockedBit)) << "bar " << b;
    commandtest::AppCommands app;
    const bool clicked = bar->HasBarFlag(CBar::kSpacingLockedBit);
    ClickAt(at, ui::kCtrl | ui::kShift);
    for (int b = 0; b < score->GetBarCount() - 1; ++b)
        EXPECT_EQ(score->GetBar(b)->HasBarFlag(CBar::kSpacingLockedBit), !clicked) << "bar " << b;
    EXPECT_FALSE(score->GetBar(score->GetBarCount() - 1)->HasBarFlag(CBar::kSpacingLockedBit)) << "the last keeps its bit";
    EXPECT_EQ(app.ids, std::vector<int>{927});
    EXPECT_EQ(doc->GetUndoCount(), 0);
}

TEST_F(SelectTool, ADoubleClickOnANoteOpensItsPropertiesAndStartsNoDrag) {
    Enter({{0, 0, 0}});
    const int undo = doc->GetUndoCount();
    ClickAt(HeadPoint(Note(0, 0), 0), ui::kNone, 1);
    ClickAt(HeadPoint(Note(0, 0), 0), ui::kNone, 2);
    EXPECT_EQ(doc->GetUndoCount(), undo);
    EXPECT_EQ(doc->currentTask, nullptr);
    // With Ctrl a double click on an item does nothing at all.
    ClickAt(HeadPoint(Note(0, 0), 0), ui::kCtrl, 2);
    EXPECT_EQ(doc->GetUndoCount(), undo);
}

TEST_F(SelectTool, APlacementHandleDragMovesItsWordWithinItsLimitsAndUndoGivesItBack) {
    struct Case {
        int handle;
        int dy;
        const char* why;
    } cases[] = {
        {0, 30, "handle 0 moves its word by the step"},
        {3, 300, "handle 3 stays at most -240"},
        {1, -400, "handle 1 stays within -32..32"},
    };
    for (const Case& c : cases) {
        CLine* line = score->GetLine(0);
        CStaff* staff = line->GetStaff(0);
        const std::vector<std::uint8_t> before = Saved(*doc);
        const int was = CDragIndicator::Word(*staff, c.handle);
        doc->location.systemIndex = 0;
        doc->location.trackIndex = 0;
        doc->location.barIndex = 0;
        doc->location.staff = staff;
        g_model.hitHandleKind = std::int16_t(c.handle);
        auto* drag = new CDragIndicator;
        drag->Begin(doc.get(), staff, 4900);
        const POINT p{200, staff->PositionToY(0)};
        drag->MouseDown(p);
        drag->MouseMove(POINT{p.x, p.y + c.dy / 2}, p, p);
        drag->MouseMove(POINT{p.x, p.y + c.dy}, POINT{p.x, p.y + c.dy / 2}, p);
        drag->MouseUp(POINT{p.x, p.y + c.dy}, POINT{p.x, p.y + c.dy}, p);
        const int now = CDragIndicator::Word(*staff, c.handle);
        if (c.handle == 0) EXPECT_EQ(now, was + c.dy) << c.why;
        if (c.handle == 3) EXPECT_LE(now, -240) << c.why;
        if (c.handle == 1) EXPECT_TRUE(now >= -32 && now <= 32) << c.why;
        ASSERT_TRUE(drag->IsUndoable()) << c.why;
        doc->PushUndo(drag);
        doc->Undo();
        EXPECT_EQ(CDragIndicator::Word(*score->GetLine(0)->GetStaff(0), c.handle), was) << c.why;
        EXPECT_EQ(Saved(*doc), before) << c.why;
    }
}

TEST_F(SelectTool, ATitleDragMovesItsOffsetsMirroredOnPagesOfTheOtherParityAndUndoRestoresTheBlock) {
    for (const bool mirrored : {false, true}) {
        TitleBlock& t = doc->titles[4];
        t.flip = mirrored ? 1 : 0;
        t.startPage = 1;  // page 0 differs in parity
        const TitleBlock kept = t;
        auto* drag = new CDragTitleItem;
        doc->location.pageIndex = 0;
        drag->BeginTitle(doc.get(), 4);
        drag->MouseDown(POINT{300, 300});
        drag->MouseMove(POINT{320, 310}, POINT{300, 300}, POINT{300, 300});
        drag->MouseUp(POINT{320, 310}, POINT{320, 310}, POINT{300, 300});
        EXPECT_EQ(t.yOffset, kept.yOffset + 10);
        EXPECT_EQ(t.xOffset, mirrored ? kept.xOffset - 20 : kept.xOffset + 20);
        ASSERT_TRUE(drag->IsUndoable());
        doc->PushUndo(drag);
        doc->Undo();
        EXPECT_EQ(std::memcmp(&doc->titles[4], &kept, sizeof(TitleBlock)), 0) << "mirrored " << mirrored;
    }
}

TEST_F(SelectTool, ABracketDragReachesOneSystemOrWithCtrlEveryLaterOneAndStaysLeftOfItsWidth) {
    // Three systems, each with a bracket on the first staff.
    while (score->GetLineCount() < 3) GTEST_SKIP() << "the new score has fewer systems";
    for (const bool ctrl : {false, true}) {
        for (int k = 0; k < score->GetLineCount(); ++k) {
            std::uint8_t* b = score->GetLine(k)->GetStaff(0)->Bracket(0);
            b[CStaff::kBracketKind] = 1;
            rec::Put<std::int16_t>(b, CStaff::kBracketWidth, 40);
            rec::Put<std::int16_t>(b, CStaff::kBracketX, -100);
        }
        doc->location.systemIndex = 0;
        doc->location.trackIndex = 0;
        g_model.currentBracketSlot = 0;
        g_platform.ctrlDown = ctrl ? 1 : 0;
        auto* drag = new CDragBracket;
        drag->Begin(doc.get(), nullptr, 4900);
        drag->MouseDown(POINT{100, 100});
        drag->MouseMove(POINT{200, 100}, POINT{100, 100}, POINT{100, 100});
        drag->MouseUp(POINT{200, 100}, POINT{200, 100}, POINT{100, 100});
        g_platform.ctrlDown = 0;
        for (int k = 0; k < score->GetLineCount(); ++k) {
            const int x = rec::Get<std::int16_t>(score->GetLine(k)->GetStaff(0)->Bracket(0), CStaff::kBracketX);
            if (k == 0 || ctrl)
                EXPECT_EQ(x, -40) << "system " << k << " ctrl " << ctrl << ": at most minus its width";
            else
                EXPECT_EQ(x, -100) << "system " << k;
        }
        delete drag;
    }
}

namespace {
// Whether the bar holds a plain jumper (a repeat's count).
bool HasRepeatCount(CBar* bar) {
    for (int i = 0, n = bar->CountJumpers(); i < n; ++i)
        if (CJumper::Of(bar->GetJumper(i))->GetKind() == CJumper::kRepeatCount) return true;
    return false;
}
}  // namespace

TEST_F(SelectTool, AnEndingsEndHandleSnapsToABarNeverBeforeItsStartNorPastTheLastBar) {
    struct Case {
        int startBar;
        int where;  // 0 over the third bar of the system, 1 left of the start bar, 2 right of the last system
        int wantLast;
        const char* why;
    } cases[] = {
        {0, 0, 2, "over a later bar of the system: the ending reaches it"},
        {0, 1, 0, "left of the start bar: the ending keeps its start bar"},
        {-1, 2, -1, "right of the last system: the ending ends on the score's last bar"},
    };
    for (const Case& c : cases) {
        const int last = score->GetBarCount() - 1;
        CLine* lastLine = score->GetLine(score->GetLineCount() - 1);
        const int start = c.startBar >= 0 ? c.startBar : lastLine->GetFirstBarIndex();
        CBar* bar = score->GetBar(start);
        alignas(8) std::uint8_t scratch[256] = {};
        auto* made = static_cast<CBarItem*>(ConstructClass(CEnding::kType, scratch));
        ASSERT_NE(made, nullptr);
        CJumper::Of(made)->SetKind(CJumper::kEndingBefore);
        CBarItem* ending = bar->AddItem(made);
        ASSERT_NE(ending, nullptr);
        CLine* line = bar->GetLine();
        CStaff* staff = line->GetStaff(0);
        doc->location.bar = bar;
        doc->location.barIndex = std::int16_t(start);
        doc->location.trackIndex = 0;
        doc->location.systemIndex = line->GetIndex();
        doc->location.pageIndex = std::uint16_t(line->GetPageIndex());
        doc->location.page = score->GetPage(line->GetPageIndex());
        doc->location.system = line;
        doc->location.staff = staff;
        g_model.hitPart = 2;
        const std::vector<std::uint8_t> before = Saved(*doc);
        auto* drag = new CDragEnding;
        drag->Begin(doc.get(), ending, 4900);
        const int y = staff->GetTopLine() - 2 * staff->GetLineSpacing();
        const POINT p{bar->GetRight(), y};
        POINT to = p;
        if (c.where == 0) to.x = score->GetBar(start + 2)->GetLeft() + score->GetBar(start + 2)->GetWidth() / 2;
        if (c.where == 1) to.x = bar->GetLeft() - 20;
        if (c.where == 2) to.x = line->GetRight() + 30;
        drag->MouseDown(p);
        drag->MouseMove(POINT{(p.x + to.x) / 2, y}, p, p);
        drag->MouseMove(to, POINT{(p.x + to.x) / 2, y}, p);
        drag->MouseUp(to, to, p);
        const int want = c.wantLast >= 0 ? c.wantLast : last;
        CBarItem* now = score->GetBar(start)->GetEnding();
        ASSERT_NE(now, nullptr) << c.why;
        EXPECT_EQ(start - 1 + CEnding::Of(now)->GetSpan(), want) << c.why;
        // Moved to another bar a first ending ends short of its bar line; released over its own
        // last bar its end follows the pointer.
        if (want != start) EXPECT_EQ(now->Word(CEnding::kEndX), -60) << c.why;
        EXPECT_TRUE(HasRepeatCount(score->GetBar(want))) << c.why << ": a first ending closes with a repeat";
        ASSERT_TRUE(drag->IsUndoable()) << c.why;
        doc->PushUndo(drag);
        doc->Undo();
        EXPECT_EQ(Saved(*doc), before) << c.why << ": undone";
        score->GetBar(start)->RemoveItem(score->GetBar(start)->GetEnding());
    }
}

TEST_F(SelectTool, ADoubleClicksPropertiesGoByWhatWasHit) {
    struct Case {
        int kind;
        bool withItem;
        const char* task;  // the operation the document makes ("" none)
        int command;
        bool handled;
    } cases[] = {
        {9, true, "CKeySigTask", 34005, true},
        {10, true, "CSetupTrackTask", 33009, true},
        {8, true, "CAddMeterTask", 34006, true},
        {11, true, "CAddMeterTask", 34006, true},
        {7, false, "", 0, true},
        {0, false, "", 0, false},
        {3, false, "", 0, false},
    };
    CStaff* staff = score->GetLine(0)->GetStaff(0);
    for (const Case& c : cases) {
        commandtest::RecordedTasks recorded;
        pane->hitKind = std::int16_t(c.kind);
        const bool handled = pane->ShowItemProperties(100, 100, c.withItem ? staff : nullptr);
        EXPECT_EQ(handled, c.handled) << "kind " << c.kind;
        if (c.task[0]) {
            ASSERT_EQ(recorded.made.size(), 1u) << "kind " << c.kind;
            EXPECT_EQ(recorded.made[0].className, c.task) << "kind " << c.kind;
            EXPECT_EQ(recorded.made[0].command, c.command) << "kind " << c.kind;
        } else {
            EXPECT_TRUE(recorded.made.empty()) << "kind " << c.kind;
        }
    }
}

TEST_F(SelectTool, ThePressDecidesTheDrag) {
    Enter({{0, 0, 0}, {0, 480, 2}, {0, 960, 4}});
    // The press as the pane hands it to the handler: the hover at the point, then the handler.
    const auto press = [&](CBarItem* note, UINT mods) -> std::unique_ptr<CDragTask> {
        const POINT p = HeadPoint(note, 0);
        pane->OnMouseMove(int(p.x), int(p.y));
        doc->location = doc->paneLocation;
        g_platform.shiftDown = (mods & ui::kShift) ? 1 : 0;
        g_platform.ctrlDown = (mods & ui::kCtrl) ? 1 : 0;
        g_ui.clickCount = 1;
        std::unique_ptr<CDragTask> task(pane->OnSelectTool(int(p.x + Origin().x), int(p.y + Origin().y), static_cast<CScoreItem*>(doc->paneLocation.item)));
        g_platform.shiftDown = g_platform.ctrlDown = 0;
        return task;
    };
    // An unselected note alone: its own drag; the selection is cleared first.
    ClickAt(HeadPoint(Note(0, 2), 0));
    ASSERT_TRUE(Note(0, 2)->IsSelectedBit());
    {
        auto task = press(Note(0, 0), ui::kNone);
        ASSERT_NE(task, nullptr);
        EXPECT_EQ(dynamic_cast<CDragGroup*>(task.get()), nullptr);
        EXPECT_EQ(task->name, 4900);
        EXPECT_FALSE(Note(0, 2)->IsSelectedBit()) << "pressing an unselected item clears the selection";
    }
    // One of two selected notes: the group.
    ClickAt(HeadPoint(Note(0, 0), 0));
    ClickAt(HeadPoint(Note(0, 1), 0), ui::kShift);
    ASSERT_EQ(Selected(), 2);
    {
        auto task = press(Note(0, 1), ui::kNone);
        auto* group = dynamic_cast<CDragGroup*>(task.get());
        ASSERT_NE(group, nullptr);
        EXPECT_EQ(group->name, 4900);
        int notes = 0;
        for (int i = 0; i < group->Count(); ++i) notes += group->Entries()[i].item->IsNote();
        EXPECT_EQ(notes, 2);
    }
    // Ctrl on a note whose heads have tablature shapes: the plain drag that sets the head.
    CBarItem* n = Note(0, 2);
    entry::PutByte(n, entry::kNoteFlags, std::uint8_t(entry::Byte(n, entry::kNoteFlags) | 0x80));
    {
        auto task = press(n, ui::kCtrl);
        ASSERT_NE(task, nullptr);
        EXPECT_EQ(task->name, 4903);
    }
}

TEST_F(SelectTool, ASelectedSyllableUnderASelectedNoteMovesWithTheNoteOnly) {
    struct Case {
        bool noteUnderSelected;
        const char* why;
    } cases[] = {
        {true, "under a selected note the syllable rides with the note and is not moved again"},
        {false, "under an unselected note the syllable moves by the step itself"},
    };
    for (const Case& c : cases) {
        if (&c != cases) {
            TearDown();
            SetUp();
        }
        Enter({{0, 0, 0}, {0, 480, 0}, {0, 960, 0}});
        CTrkBar* tb = score->GetTrkBar(0, 0);
        alignas(8) std::uint8_t buf[64] = {};
        rec::Put<std::int16_t>(buf, rec::kSize, std::int16_t(CLyric::kFixedSize));
        auto* made = static_cast<CBarItem*>(ConstructItem(CLyric::kTypeCode, buf));
        ASSERT_NE(made, nullptr);
        made->SetTimeField(0);
        made->SetPositionField(Note(0, 0)->PositionField());
        tb->SetCurrent();
        ASSERT_NE(tb->InsertCopy(made), nullptr);
        // Notes 1 and 2 selected (and note 0 for the first case), then the syllable besides.
        ClickAt(HeadPoint(Note(0, c.noteUnderSelected ? 0 : 1), 0));
        ClickAt(HeadPoint(Note(0, 2), 0), ui::kShift);
        CBarItem* lyric = nullptr;
        trkbar::ForEachLiveItem(tb, [&](CBarItem* it) {
            if (it->IsLyric()) lyric = it;
        });
        ASSERT_NE(lyric, nullptr);
        doc->GetSelection()->SelectItem(lyric, CSelect::kWhole, tb, false);
        ASSERT_TRUE(lyric->IsSelectedBit()) << c.why;
        const int x0 = static_cast<CLyric*>(lyric)->GetX();
        const int p2 = Note(0, 2)->PositionField();
        const POINT from = HeadPoint(Note(0, 2), 0);
        DragFromTo(from, POINT{from.x + 30, from.y});
        ASSERT_GT(Note(0, 2)->PositionField(), p2) << c.why;
        lyric = nullptr;
        trkbar::ForEachLiveItem(tb, [&](CBarItem* it) {
            if (it->IsLyric()) lyric = it;
        });
        ASSERT_NE(lyric, nullptr);
        if (c.noteUnderSelected)
            EXPECT_EQ(static_cast<CLyric*>(lyric)->GetX(), x0) << c.why;
        else
            EXPECT_NE(static_cast<CLyric*>(lyric)->GetX(), x0) << c.why;
    }
}

TEST_F(SelectTool, AHollywoodHandleMovesTheSignatureWithinItsLimitsAndWithCtrlEveryBarTakesIt) {
    struct Case {
        int handle;
        UINT mods;
        int dx, dy;
        int word;
        int want;
        const char* why;
    } cases[] = {
        {0, ui::kNone, 400, 0, CDragHollywood::kHorizontal, 72, "the horizontal word stops at 72"},
        {0, ui::kNone, -400, 0, CDragHollywood::kHorizontal, -72, "and at -72"},
        {0, ui::kNone, 0, 300, CDragHollywood::kVertical, 0, "handle 0 moves up with the pointer; never below 0"},
        {1, ui::kNone, 0, 300, CDragHollywood::kVertical, 72, "handle 1 moves down with the pointer; at most 72"},
        {0, ui::kShift, -400, 0, CDragHollywood::kWidth, 1, "Shift widens: at least 1"},
        {2, ui::kNone, 0, -300, CDragHollywood::kUpperSpacing, 0, "the spacing needs the bar's signature to allow it"},
    };
    for (const Case& c : cases) {
        CBar* bar = score->GetBar(0);
        for (int w = 0; w < 5; ++w) CDragHollywood::SetWord(*bar, w, w == 0 ? 12 : 0);
        doc->location.barIndex = 0;
        g_model.currentMeterPart = c.handle;
        g_platform.shiftDown = (c.mods & ui::kShift) ? 1 : 0;
        auto* drag = new CDragHollywood;
        drag->Begin(doc.get(), nullptr, 4900);
        const POINT p{300, 300};
        drag->MouseDown(p);
        for (int i = 1; i <= 4; ++i)
            drag->MouseMove(POINT{p.x + c.dx * i / 4, p.y + c.dy * i / 4}, POINT{p.x + c.dx * (i - 1) / 4, p.y + c.dy * (i - 1) / 4}, p);
        drag->MouseUp(POINT{p.x + c.dx, p.y + c.dy}, POINT{p.x + c.dx, p.y + c.dy}, p);
        g_platform.shiftDown = 0;
        EXPECT_EQ(CDragHollywood::Word(*bar, c.word), c.want) << c.why;
        delete drag;
    }
    // With Ctrl every bar takes the placement.
    CBar* bar = score->GetBar(0);
    g_model.currentMeterPart = 0;
    g_platform.ctrlDown = 1;
    auto* drag = new CDragHollywood;
    doc->location.barIndex = 0;
    drag->Begin(doc.get(), nullptr, 4900);
    drag->MouseDown(POINT{300, 300});
    drag->MouseMove(POINT{340, 300}, POINT{300, 300}, POINT{300, 300});
    drag->MouseUp(POINT{340, 300}, POINT{340, 300}, POINT{300, 300});
    g_platform.ctrlDown = 0;
    const int h = CDragHollywood::Word(*bar, CDragHollywood::kHorizontal);
    EXPECT_NE(h, 0);
    for (int b = 1; b < score->GetBarCount(); ++b)
        EXPECT_EQ(CDragHollywood::Word(*score->GetBar(b), CDragHollywood::kHorizontal), h) << "bar " << b;
    ASSERT_TRUE(drag->IsUndoable());
    doc->PushUndo(drag);
    doc->Undo();
    EXPECT_EQ(CDragHollywood::Word(*score->GetBar(3), CDragHollywood::kHorizontal), 0) << "undone";
}

TEST_F(SelectTool, APressAtAStaffsEndDragsTheSystemsIndentAsOneUndoStep) {
    CLine* line = score->GetLine(0);
    CStaff* staff = line->GetStaff(0);
    const POINT at{LONG(staff->GetRight() - Origin().x), LONG(staff->GetMiddleY() - Origin().y)};
    pane->OnMouseMove(int(at.x), int(at.y));
    ASSERT_EQ(pane->hitKind, 6) << "the staff's right end";
    const std::vector<std::uint8_t> before = Saved(*doc);
    const int indent = line->GetRightIndent();
    DragFromTo(at, POINT{at.x - 30, at.y});
    EXPECT_LT(score->GetLine(0)->GetRightIndent(), indent);
    ASSERT_EQ(doc->GetUndoCount(), 1);
    doc->Undo();
    EXPECT_EQ(score->GetLine(0)->GetRightIndent(), indent);
    EXPECT_EQ(Saved(*doc), before);
}

TEST_F(SelectTool, AnEndingsStartHandleMovesItToTheBarItIsReleasedOver) {
    struct Case {
        int to;          // the bar released over (its middle)
        int wantStart;
        int wantSpan;
        const char* why;
    } cases[] = {
        {0, 0, 3, "to the bar before: the ending starts there and keeps its last bar"},
        {2, 2, 1, "to its last bar: one bar long"},
    };
    for (const Case& c : cases) {
        CBar* bar = score->GetBar(1);
        alignas(8) std::uint8_t scratch[256] = {};
        auto* made = static_cast<CBarItem*>(ConstructClass(CEnding::kType, scratch));
        CJumper::Of(made)->SetKind(CJumper::kEndingAfter);
        CJumper::Of(made)->SetTarget(2);
        ASSERT_NE(bar->AddItem(made), nullptr);
        CLine* line = bar->GetLine();
        ASSERT_EQ(score->GetBar(0)->GetLine(), line);
        ASSERT_EQ(score->GetBar(2)->GetLine(), line);
        CStaff* staff = line->GetStaff(0);
        doc->location.bar = bar;
        doc->location.barIndex = 1;
        doc->location.systemIndex = line->GetIndex();
        doc->location.pageIndex = std::uint16_t(line->GetPageIndex());
        g_model.hitPart = 1;
        const std::vector<std::uint8_t> before = Saved(*doc);
        auto* drag = new CDragEnding;
        drag->Begin(doc.get(), bar->GetEnding(), 4900);
        const int y = staff->GetTopLine() - 3 * staff->GetLineSpacing();
        const POINT p{bar->GetLeft() + 2, y};
        CBar* target = score->GetBar(c.to);
        const POINT to{target->GetLeft() + target->GetWidth() / 2, y};
        drag->MouseDown(p);
        drag->MouseMove(to, p, p);
        drag->MouseUp(to, to, p);
        CBarItem* now = score->GetBar(c.wantStart)->GetEnding();
        ASSERT_NE(now, nullptr) << c.why;
        EXPECT_EQ(CEnding::Of(now)->GetSpan(), c.wantSpan) << c.why;
        EXPECT_EQ(now->Word(CEnding::kStartX), 0) << c.why;
        if (c.wantStart != 1) EXPECT_EQ(score->GetBar(1)->GetEnding(), nullptr) << c.why;
        ASSERT_TRUE(drag->IsUndoable()) << c.why;
        doc->PushUndo(drag);
        doc->Undo();
        EXPECT_EQ(Saved(*doc), before) << c.why << ": undone";
        score->GetBar(1)->RemoveItem(score->GetBar(1)->GetEnding());
    }
}

TEST_F(SelectTool, ALaterPieceOfAnOctaveLineDragsFromItsFirstBar) {
    ASSERT_EQ(score->GetBar(1)->GetLine(), score->GetBar(3)->GetLine());
    ASSERT_TRUE(score->ApplyOttava(1, 400, 3, 510, 0, 30, 1, false, true, true, false, 0));
    const auto piece = [&](int b) {
        CBarItem* found = nullptr;
        trkbar::ForEachLiveItem(score->GetTrkBar(0, b), [&](CBarItem* it) {
            if (it->IsOttava() && !found) found = it;
        });
        return found;
    };
    CBarItem* first = piece(1);
    CBarItem* last = piece(3);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(last, nullptr);
    pane->InvalidateAll();
    ui::RunUntilIdle();
    // A point of the last piece that the page's hit order gives to that piece.
    RECT bounds{};
    score->GetTrkBar(0, 3)->SetCurrent();
    static_cast<CScoreItem*>(last)->GetBounds(&bounds);
    POINT at{-1, -1};
    for (int y = int(bounds.top); y <= int(bounds.bottom) && at.x < 0; ++y)
        for (int x = int(bounds.left); x <= int(bounds.right) && at.x < 0; ++x) {
            pane->OnMouseMove(int(x - Origin().x), int(y - Origin().y));
            if (pane->hitKind == 1 && doc->paneLocation.item == last) at = POINT{LONG(x - Origin().x), LONG(y - Origin().y)};
        }
    if (at.x < 0) GTEST_SKIP() << "no point of the last piece hits it on this layout";
    pane->OnMouseMove(int(at.x), int(at.y));
    doc->location = doc->paneLocation;
    g_ui.clickCount = 1;
    std::unique_ptr<CDragTask> task(pane->OnSelectTool(int(at.x + Origin().x), int(at.y + Origin().y), last));
    ASSERT_NE(task, nullptr);
    EXPECT_EQ(static_cast<CScoreItem*>(task->item), static_cast<CScoreItem*>(first));
    EXPECT_EQ(doc->location.barIndex, 1);
}

// The drawing-feedback flag is on exactly while a drag draws its image: every image is drawn
// with it on, and it is off again after the press, each move and the release.
TEST_F(SelectTool, TheFeedbackFlagIsOnOnlyWhileTheDragImageDraws) {
    Enter({{0, 0, 0}});
    struct Probe : CDragTask {
        int images = 0;
        int imagesWithoutFlag = 0;
        void DrawDragImage() override {
            ++images;
            if (!g_draw.feedbackDrawing) ++imagesWithoutFlag;
            CDragTask::DrawDragImage();
        }
    };
    CBarItem* note = Note(0, 0);
    const POINT head = HeadPoint(note, 0);
    ui::Move(pane, int(head.x), int(head.y));
    ui::RunUntilIdle();
    const POINT start{head.x + Origin().x, head.y + Origin().y};
    auto probe = std::make_unique<Probe>();
    g_viewDrag.tool = ToolState::kSelect;
    probe->Begin(doc.get(), note, 0);
    EXPECT_FALSE(g_draw.feedbackDrawing);
    probe->MouseDown(start);
    EXPECT_FALSE(g_draw.feedbackDrawing);
    POINT previous = start;
    for (int i = 1; i <= 4; ++i) {
        const POINT current{start.x + 3 * i, start.y};
        probe->MouseMove(current, previous, start);
        EXPECT_FALSE(g_draw.feedbackDrawing) << "after move " << i;
        previous = current;
    }
    probe->MouseUp(previous, previous, start);
    EXPECT_FALSE(g_draw.feedbackDrawing);
    // The first move paints the item out, every later one erases and draws, the release erases.
    EXPECT_GE(probe->images, 1 + 2 * 3 + 1);
    EXPECT_EQ(probe->imagesWithoutFlag, 0);
    probe->Redraw();
    if (probe->IsUndoable()) doc->PushUndo(probe.release());
}

namespace {
// A drag of nothing from `from` through `way` (page points): only the location follows.
void DragNothing(CZelDoc& doc, POINT from, const std::vector<POINT>& way) {
    auto* drag = new CDragTask;
    g_viewDrag.tool = ToolState::kSelect;
    drag->Begin(&doc, nullptr, 0);
    drag->MouseDown(from);
    POINT previous = from;
    for (const POINT p : way) {
        drag->MouseMove(p, previous, from);
        previous = p;
    }
    drag->MouseUp(previous, previous, from);
    delete drag;
}
}  // namespace

// What is not an item of a bar takes the nearest column of the bar's beat chart as it is dragged.
TEST_F(SelectTool, ADragOfWhatIsNoBarItemSnapsToTheNearestBeatChartColumn) {
    Enter({{0, 0, 0}, {0, 480, 0}, {0, 960, 0}, {0, 1440, 0}});
    CBar* bar = score->GetBar(0);
    const CBarItem* chart = bar->GetBeatChart();
    ASSERT_NE(chart, nullptr);
    ASSERT_GE(beatchart::UsableCount(chart), 3);
    const int first = beatchart::Field(chart, 1, beatchart::kPosition);
    const int second = beatchart::Field(chart, 2, beatchart::kPosition);
    ASSERT_GT(second - first, 12);
    const POINT from{At(0, 0, 0).x + Origin().x, At(0, 0, 0).y + Origin().y};
    struct Case {
        int position;  // the pointer's
        int snapped;
    };
    for (const Case c : {Case{first + 4, first}, Case{second - 4, second}}) {
        SCOPED_TRACE(c.position);
        const POINT to{LONG(bar->FractionToX(c.position)), from.y};
        DragNothing(*doc, from, {POINT{from.x + 3, from.y}, to});
        EXPECT_EQ(g_model.dragStart.position, c.snapped);
    }
}

// A drag past what the view shows scrolls the view, 4 pixels a move downwards.
TEST_F(SelectTool, ADragBelowWhatTheViewShowsScrollsIt) {
    const POINT before = view->GetScrollPosition();
    const RECT paper = score->GetPage(0)->GetPaperRect();
    const POINT from{At(0, 0, 0).x + Origin().x, At(0, 0, 0).y + Origin().y};
    RECT client{};
    view->GetClientRect(&client);
    // Below the view's bottom edge, on the page.
    const LONG below = std::min<LONG>(paper.bottom - 1, paper.top + (client.bottom - client.top) + 40);
    DragNothing(*doc, from, {POINT{from.x, from.y + 3}, POINT{from.x, below}, POINT{from.x, below + 1}});
    const POINT after = view->GetScrollPosition();
    EXPECT_EQ(after.x, before.x);
    EXPECT_EQ(after.y, before.y + 8);
}

// With Shift held the first move of 2 units or more decides the axis: wider than tall keeps the
// press's y, otherwise (a tie too) the press's x, for the rest of the drag.
TEST_F(SelectTool, ShiftLocksTheAxisOfTheFirstMove) {
    struct Case {
        const char* name;
        POINT first;   // the first move, from the press
        POINT later;   // a later point
        bool xLocked;  // else y
    };
    const Case cases[] = {
        {"wider: y locked", {3, 1}, {9, 12}, false},
        {"taller: x locked", {1, 3}, {12, 9}, true},
        {"a tie: x locked", {2, 2}, {12, 9}, true},
    };
    const POINT from{At(0, 0, 0).x + Origin().x, At(0, 0, 0).y + Origin().y};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* drag = new CDragTask;
        g_viewDrag.tool = ToolState::kSelect;
        g_platform.shiftDown = true;
        drag->Begin(doc.get(), nullptr, 0);
        drag->MouseDown(from);
        const POINT first{from.x + c.first.x, from.y + c.first.y};
        const POINT later{from.x + c.later.x, from.y + c.later.y};
        drag->MouseMove(first, from, from);
        drag->MouseMove(later, first, from);
        if (c.xLocked) {
            EXPECT_EQ(drag->current.x, from.x);
            EXPECT_EQ(drag->current.y, later.y);
        } else {
            EXPECT_EQ(drag->current.x, later.x);
            EXPECT_EQ(drag->current.y, from.y);
        }
        drag->MouseUp(later, later, from);
        g_platform.shiftDown = false;
        delete drag;
    }
}
