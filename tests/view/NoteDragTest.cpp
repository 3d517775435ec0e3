// The drags of a note in the score window's page pane with the select tool: the head up and down
// (the pitch steps with the staff, each step sounding), sideways (the note takes the time of the
// note it lands on), the stem's end (its length to 63, through the note the other side), a
// head's accidental (offset 0 to 255), a mark (across the note it flips once, its y reset).
// Each drag is one undo step that gives the saved score back byte for byte.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <unistd.h>
#include <vector>

#include "ViewFixture.h"
#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/NoteMark.h"
#include "model/Page.h"
#include "model/Preferences.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntryFields.h"
#include "model/TrkBarWalk.h"
#include "notation/Note.h"
#include "support/MidiRecorder.h"
#include "view/ToolState.h"

namespace ui = fw::uitest;

namespace {

// The first byte where two saved forms differ (-1: none), for the failure message.
long FirstDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (a[i] != b[i]) return long(i);
    return a.size() == b.size() ? -1 : long(std::min(a.size(), b.size()));
}

std::vector<std::uint8_t> Saved(CZelDoc& doc) {
    char temp[] = "/tmp/notedrag-XXXXXX";
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

class NoteDrag : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        Open(1, 0);
        score = doc->GetScore();
        pane = view->GetPane(0);
        g_preferences.SetByte(Preferences::kDragNote, 1);
    }
    POINT Origin() const {
        const RECT paper = score->GetPage(0)->GetPaperRect();
        return POINT{paper.left, paper.top};
    }
    POINT At(int bar, int tick, int staffPosition) {
        CBar* b = score->GetBar(bar);
        CStaff* staff = b->GetLine()->GetStaff(0);
        return POINT{LONG(b->FractionToX(b->TickToFraction(tick, false)) - Origin().x),
                     LONG(staff->PositionToY(staffPosition) - Origin().y)};
    }
    POINT ToPane(POINT page) const { return POINT{page.x - Origin().x, page.y - Origin().y}; }
    void ClickAt(POINT p, UINT mods = ui::kNone) {
        ui::Move(pane, int(p.x), int(p.y), mods);
        ui::Click(pane, int(p.x), int(p.y), ui::kLeft, mods, 1);
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
    void Enter(std::initializer_list<std::array<int, 3>> notes) {
        g_toolState.tool = ToolState::kNote;
        g_toolState.subTool = ToolState::kNoteSub;
        g_toolState.value = 3;
        for (const auto& n : notes) ClickAt(At(n[0], n[1], n[2]));
        g_toolState = ToolState{};
        g_toolState.tool = ToolState::kSelect;
    }
    CNote* Note(int i) {
        std::vector<CNote*> out;
        trkbar::ForEachLiveItem(score->GetTrkBar(0, 0), [&](CBarItem* it) {
            if (it->IsNote()) out.push_back(static_cast<CNote*>(it));
        });
        return out.at(std::size_t(i));
    }
    // A pane point that the note's hit test takes as the part wanted (the hit record's part) with
    // the tool wanted (903 a head or the stem, 906 a mark).
    POINT PointOn(CNote* note, int part, int tool) {
        score->GetTrkBar(0, 0)->SetCurrent();
        RECT r{};
        static_cast<CScoreItem*>(note)->GetBounds(&r);
        r.left -= 4, r.top -= 4, r.right += 4, r.bottom += 4;
        for (int y = int(r.top); y <= int(r.bottom); ++y)
            for (int x = int(r.left); x <= int(r.right); ++x) {
                g_model.hitPart = -1;
                g_model.hitTool = 0;
                if (!static_cast<CScoreItem*>(note)->HitTest(x, y)) continue;
                if ((part < 0 || g_model.hitPart == part) && (tool == 0 || g_model.hitTool == tool)) return ToPane(POINT{x, y});
            }
        ADD_FAILURE() << "no point of the part";
        return POINT{-1, -1};
    }
    POINT HeadPoint(CNote* note) { return PointOn(note, 0, 903); }
    // A pane point near `around` where the pointer's hover finds the part wanted with the tool
    // wanted (the page pane's own hit test).
    POINT PanePointOn(POINT around, int part, int tool) {
        for (int dy = 0; dy <= 60; ++dy)
            for (int sign : {-1, 1})
                for (int dx = -8; dx <= 8; ++dx) {
                    const POINT p{around.x + dx, around.y + sign * dy};
                    ui::Move(pane, int(p.x), int(p.y));
                    ui::RunUntilIdle();
                    if (pane->hitKind == 1 && g_model.hitPart == part && g_model.hitTool == tool) return p;
                }
        ADD_FAILURE() << "the pointer finds no such part";
        return around;
    }
    int StaffStep(int n) {
        CStaff* staff = score->GetBar(0)->GetLine()->GetStaff(0);
        return staff->PositionToY(n) - staff->PositionToY(0);
    }

    CScore* score = nullptr;
    CPagePane* pane = nullptr;
};

TEST_F(NoteDrag, AHeadDraggedUpOrDownStepsWithTheStaffSoundingEachStepAndUndoesWhole) {
    struct Case {
        int steps;
        std::vector<int> sounded;  // each pitch sounded and ended in turn
    };
    for (const Case& c : {Case{3, {71, 72, 74, 76}}, Case{-2, {71, 69, 67}}}) {
        SCOPED_TRACE(c.steps);
        // A new score each time: the note on the middle line.
        Open(1, 0);
        score = doc->GetScore();
        pane = view->GetPane(0);
        Enter({{0, 0, 0}});
        const std::vector<std::uint8_t> entered = Saved(*doc);
        const int undo = doc->GetUndoCount();
        auto& sent = testsupport::RecordedMidi();
        sent.clear();
        const POINT from = At(0, 0, 0);  // the head's centre
        ui::TakeWarps();
        DragFromTo(from, POINT{from.x, from.y + StaffStep(c.steps)});
        EXPECT_EQ(Note(0)->Head(0)->Position(), c.steps);
        EXPECT_EQ(Note(0)->Head(0)->Pitch(), c.sounded.back());
        std::vector<std::pair<int, int>> notes;
        for (const auto& s : sent)
            if ((s.a & 0xF0) == 0x90 || (s.a & 0xF0) == 0x80) notes.push_back({s.b, (s.a & 0xF0) == 0x90 ? s.c : 0});
        std::vector<std::pair<int, int>> want;
        for (int p : c.sounded) {
            want.push_back({p, 64});
            want.push_back({p, 0});
        }
        ASSERT_EQ(notes.size(), want.size());
        for (std::size_t i = 0; i < want.size(); ++i) {
            EXPECT_EQ(notes[i].first, want[i].first) << i;
            EXPECT_EQ(notes[i].second > 0, want[i].second > 0) << i;
        }
        // The pointer was put on the new head.
        const std::vector<POINT> warps = ui::TakeWarps();
        ASSERT_FALSE(warps.empty());
        POINT last = warps.back();
        pane->ScreenToClient(&last);
        EXPECT_EQ(last.y, At(0, 0, c.steps).y);
        ASSERT_EQ(doc->GetUndoCount(), undo + 1);
        doc->Undo();
        EXPECT_EQ(Saved(*doc), entered);
    }
}

TEST_F(NoteDrag, ANoteDraggedAcrossTheNextTakesItsTimeAndReleasedAtItsStartChangesNothing) {
    Enter({{0, 0, 0}, {0, 480, 2}});
    // What undo gives back: the notes as entered (an undo brings no selection back).
    const std::vector<std::uint8_t> entered = Saved(*doc);
    ClickAt(HeadPoint(Note(0)));
    const int undo = doc->GetUndoCount();
    const POINT from = HeadPoint(Note(0));
    DragFromTo(from, from);
    EXPECT_EQ(doc->GetUndoCount(), undo) << "no move, no edit";
    const POINT past = At(0, 480, 0);
    DragFromTo(from, POINT{past.x + 10, from.y});
    ASSERT_EQ(doc->GetUndoCount(), undo + 1);
    // The dragged note (B4) now plays second, at the time of the note it passed.
    EXPECT_EQ(Note(1)->Head(0)->Pitch(), 71);
    EXPECT_EQ(Note(1)->TimeField(), 480);
    EXPECT_EQ(Note(0)->Head(0)->Pitch(), 74);
    EXPECT_EQ(Note(0)->TimeField(), 0);
    doc->Undo();
    EXPECT_EQ(FirstDifference(Saved(*doc), entered), -1);
}

TEST_F(NoteDrag, AStemLengthensTo63AndDraggedThroughTheNoteTurnsToTheOtherSide) {
    Enter({{0, 0, 0}});
    const std::vector<std::uint8_t> entered = Saved(*doc);
    CNote* note = Note(0);
    ASSERT_FALSE(note->IsStemUp());
    const POINT end = PanePointOn(At(0, 0, 0), -2, 903);
    // Far down: the length stops at 63.
    DragFromTo(end, POINT{end.x, end.y + 400});
    EXPECT_EQ(Note(0)->StemAdjust(), 63);
    EXPECT_FALSE(Note(0)->IsStemUp());
    doc->Undo();
    EXPECT_EQ(Saved(*doc), entered);
    // Up through the note: the stem turns up.
    DragFromTo(end, POINT{end.x, end.y - StaffStep(-12)});
    EXPECT_TRUE(Note(0)->IsStemUp());
    doc->Undo();
    EXPECT_EQ(Saved(*doc), entered);
}

TEST_F(NoteDrag, AMarkDraggedStraightAcrossTheNoteFlipsOnceWithItsYReset) {
    Enter({{0, 0, 0}});
    g_toolState.tool = 908;
    g_toolState.button = 15;
    ClickAt(At(0, 0, 0));
    g_toolState = ToolState{};
    g_toolState.tool = ToolState::kSelect;
    CNote* note = Note(0);
    ASSERT_EQ(note->MarkCount(), 1);
    const std::vector<std::uint8_t> marked = Saved(*doc);
    const std::uint8_t flags = note->GetMark(0)->Flags();
    const POINT on = PanePointOn(At(0, 0, 0), 0, 906);
    // Down to just past the head: the mark goes below once and stays there with y 0.
    DragFromTo(on, POINT{on.x, At(0, 0, -2).y});
    const std::uint8_t after = Note(0)->GetMark(0)->Flags();
    EXPECT_EQ((after ^ flags) & 0x04, 0x04) << "the side toggled once";
    EXPECT_EQ(Note(0)->GetMark(0)->YOffset(), 0);
    doc->Undo();
    EXPECT_EQ(Saved(*doc), marked);
}
