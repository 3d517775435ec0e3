// The drags of a note in the score window's page pane with the select tool: the head up and down
// (the pitch steps with the staff, each step sounding), sideways (the note takes the time of the
// note it lands on), the stem's end (its length to 63, through the note the other side), a
// head's accidental (offset 0 to 255), a mark (across the note it flips once, its y reset); a
// beam with the tuplet bracket on it, a beat-chart column between its neighbours, and the drag
// image, inverted so that drawing it twice gives the page back. Each drag is one undo step that
// gives the saved score back byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <unistd.h>
#include <vector>

#include "ViewFixture.h"
#include "framework/Memory.h"
#include "model/Bar.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/NoteMark.h"
#include "model/Page.h"
#include "model/PlaybackMarks.h"
#include "model/Preferences.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntryFields.h"
#include "model/TrkBarWalk.h"
#include "model/TieType.h"
#include "notation/Beam.h"
#include "notation/Beaming.h"
#include "notation/Note.h"
#include "notation/NoteDrags.h"
#include "notation/NotationGlobals.h"
#include "platform/PlatformGlobals.h"
#include "support/MidiRecorder.h"
#include "view/PlaceTools.h"
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
    // A slur below notes `from` to `to` of bar 0, laid out from them, its ends moved by hand.
    CSlur* MakeSlur(int from, int to) {
        CTrkBar* tb = score->GetTrkBar(0, 0);
        tb->SetCurrent();
        Note(to)->SetSlurEnd(1);
        Note(from)->SetSlurStart(1);
        alignas(8) std::uint8_t bytes[CSlur::kSize] = {};
        rec::Put<std::int16_t>(bytes, rec::kSize, std::int16_t(CSlur::kSize));
        auto* made = static_cast<CSlur*>(ConstructItem(CSlur::kType, bytes));
        made->InitNew(Note(from)->VoiceField(), Note(from)->TimeField(), Note(from)->PositionField());
        made->SetEnd(0, Note(to)->PositionField());
        made->PutWord(CSlur::kControl1X, 256);
        made->PutWord(CSlur::kControl2X, 768);
        made->PutWord(CSlur::kPercent, 100);
        made->SetAboveBit(false);
        auto* slur = static_cast<CSlur*>(tb->InsertCopy(made));
        if (!slur) return nullptr;
        tb->SetCurrent();
        slur->Flip(1);
        slur->SetStartDy(45);
        slur->SetEndDy(-30);
        doc->InvalidatePanes();
        ui::RunUntilIdle();
        return slur;
    }
    CSlur* FirstSlur() {
        CSlur* out = nullptr;
        trkbar::ForEachLiveItem(score->GetTrkBar(0, 0), [&](CBarItem* it) {
            if (!out && it->IsSlur()) out = static_cast<CSlur*>(CTieType::Of(it));
        });
        return out;
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

// --- beams, beat charts and the drag image ---------------------------------------------------------

namespace {

CBeam* FirstBeam(CTrkBar* tb) {
    CBeam* out = nullptr;
    trkbar::ForEachLiveItem(tb, [&](CBarItem* it) {
        if (!out && it->TypeCode() == CBeam::kType) out = static_cast<CBeam*>(it);
    });
    return out;
}

CTuplet* FirstTuplet(CTrkBar* tb) {
    CTuplet* out = nullptr;
    trkbar::ForEachLiveItem(tb, [&](CBarItem* it) {
        if (!out && it->IsTuplet()) out = static_cast<CTuplet*>(it);
    });
    return out;
}

}  // namespace

class BeamDrag : public NoteDrag {
protected:
    // Four eighths below the middle line (stems up, beamed in pairs), and a bracketed tuplet
    // over the first pair on the side `hook` gives (positive above).
    void MakeBeamedPairWithTuplet(int hook) {
        g_toolState.tool = ToolState::kNote;
        g_toolState.subTool = ToolState::kNoteSub;
        g_toolState.value = 4;
        for (int tick : {0, 240, 480, 720}) ClickAt(At(0, tick, -4));
        g_toolState = ToolState{};
        g_toolState.tool = ToolState::kSelect;
        CTrkBar* tb = score->GetTrkBar(0, 0);
        CBeam* beam = FirstBeam(tb);
        ASSERT_NE(beam, nullptr) << "the eighths are beamed";
        ASSERT_TRUE(beam->Segment(0).Flags() & BeamSegment::kFirstUp) << "the beam lies above";
        CNote* a = Note(0);
        CNote* b = Note(1);
        alignas(8) std::uint8_t bytes[CTuplet::kSize] = {};
        CTuplet* t = CTuplet::Init(bytes, 0, hook, 3, 3, 2, a->VoiceField(), a->TimeField(), a->PositionField(), 6, 0,
                                   b->PositionField(), 7, 0);
        ASSERT_NE(tb->AddTuplet(*t, a->TimeField()), nullptr);
        doc->InvalidatePanes();
        ui::RunUntilIdle();
    }
    // A pane point on the beam's body that the pane's own hit test gives to the beam.
    POINT BeamBodyPoint() {
        CTrkBar* tb = score->GetTrkBar(0, 0);
        tb->SetCurrent();
        CBeam* beam = FirstBeam(tb);
        POINT a{}, b{};
        beam->GetEndPoints(&a, &b);
        const POINT mid = ToPane(POINT{(a.x + b.x) / 2, (a.y + b.y) / 2});
        for (int dy = 0; dy <= 6; ++dy)
            for (int sign : {1, -1})
                for (int dx = -4; dx <= 4; ++dx) {
                    const POINT p{mid.x + dx, mid.y + sign * dy};
                    ui::Move(pane, int(p.x), int(p.y));
                    ui::RunUntilIdle();
                    if (pane->hitKind == 1 && g_model.hitItem == FirstBeam(tb) && g_viewDrag.draggedPart == 1) return p;
                }
        ADD_FAILURE() << "the pointer finds no beam body";
        return mid;
    }
};

TEST_F(BeamDrag, ABeamDraggedUpCarriesTheBracketOnItsSideAndUndoesWhole) {
    MakeBeamedPairWithTuplet(120);
    CTrkBar* tb = score->GetTrkBar(0, 0);
    const std::vector<std::uint8_t> before = Saved(*doc);
    const int undo = doc->GetUndoCount();
    tb->SetCurrent();
    POINT beam0{}, beam1{}, tup0{}, tup1{};
    FirstBeam(tb)->GetEndPoints(&beam0, &beam1);
    FirstTuplet(tb)->GetEndPoints(&tup0, &tup1);
    const int hook = FirstTuplet(tb)->Hook();
    const POINT from = BeamBodyPoint();
    DragFromTo(from, POINT{from.x, from.y + 4 * StaffStep(1)});
    ASSERT_EQ(doc->GetUndoCount(), undo + 1);
    tb->SetCurrent();
    POINT nb0{}, nb1{}, nt0{}, nt1{};
    FirstBeam(tb)->GetEndPoints(&nb0, &nb1);
    FirstTuplet(tb)->GetEndPoints(&nt0, &nt1);
    ASSERT_LT(nb0.y, beam0.y) << "the beam went up";
    // The bracket's ends went up as far as the beam's.
    EXPECT_NEAR(nt0.y - tup0.y, nb0.y - beam0.y, 1);
    EXPECT_NEAR(nt1.y - tup1.y, nb1.y - beam1.y, 1);
    EXPECT_EQ(FirstTuplet(tb)->Hook(), hook) << "on its side still";
    doc->Undo();
    EXPECT_EQ(FirstDifference(Saved(*doc), before), -1);
}

TEST_F(BeamDrag, ABracketOnTheOtherSidePlacesItselfAfreshFromItsNotes) {
    MakeBeamedPairWithTuplet(-120);
    CTrkBar* tb = score->GetTrkBar(0, 0);
    const std::vector<std::uint8_t> before = Saved(*doc);
    const POINT from = BeamBodyPoint();
    DragFromTo(from, POINT{from.x, from.y + 4 * StaffStep(1)});
    tb->SetCurrent();
    CTuplet* t = FirstTuplet(tb);
    EXPECT_LT(t->Hook(), 0) << "it stays below";
    // Laid out from the notes: laying it out again changes nothing, and the made-up heights
    // it had (6 and 7) are gone.
    const int y0 = t->StartY(), y1 = t->EndY();
    EXPECT_FALSE(y0 == 6 && y1 == 7);
    t->Flip(0);
    t->Flip(0);
    EXPECT_EQ(t->StartY(), y0);
    EXPECT_EQ(t->EndY(), y1);
    doc->Undo();
    EXPECT_EQ(FirstDifference(Saved(*doc), before), -1);
}

class BeatChartDrag : public NoteDrag {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        Open(1, 0, 100, RECT{0, 0, 820, 620}, 1);
        score = doc->GetScore();
        pane = view->GetPane(0);
        ASSERT_GE(score->GetTrackCount(), 2);
        bar = score->GetBar(0);
        doc->SetBarByte(0, 0, false);
        ui::RunUntilIdle();
        chart = bar->GetBeatChart();
        ASSERT_NE(chart, nullptr);
        ASSERT_GE(beatchart::UsableCount(chart), 3);
    }
    int Position(int c) { return beatchart::Field(bar->GetBeatChart(), c, beatchart::kPosition); }
    int Width(int c) { return beatchart::Field(bar->GetBeatChart(), c, beatchart::kSpan); }
    int Time(int c) { return beatchart::Field(bar->GetBeatChart(), c, beatchart::kTime); }
    // The column's handle on the pane.
    POINT Handle(int c) {
        bar->MakeCurrent();
        const int beat = bar->GetBeatLength();
        const int y = bar->GetBeatChartY() + (beat > 0 && Time(c) % beat == 0 ? 0 : bar->ScaleToView(6));
        return ToPane(POINT{bar->FractionToX(Position(c)), y});
    }
    CBar* bar = nullptr;
    CBarItem* chart = nullptr;
};

TEST_F(BeatChartDrag, AColumnKeepsEightUnitsFromItsNeighboursAndEveryTrackIsRespaced) {
    // A note on the second beat in each of the two tracks.
    g_toolState.tool = ToolState::kNote;
    g_toolState.subTool = ToolState::kNoteSub;
    g_toolState.value = 3;
    for (int track : {0, 1}) {
        CStaff* staff = bar->GetLine()->GetStaff(track);
        for (int tick : {0, 480}) {
            const POINT p = ToPane(POINT{bar->FractionToX(bar->TickToFraction(tick, false)), staff->PositionToY(0)});
            ClickAt(p);
        }
    }
    g_toolState = ToolState{};
    g_toolState.tool = ToolState::kSelect;
    int c = -1;
    for (int i = 1; i < beatchart::UsableCount(bar->GetBeatChart()); ++i)
        if (Time(i) == 480) c = i;
    ASSERT_GT(c, 0) << "a column on the second beat";
    const std::vector<std::uint8_t> before = Saved(*doc);
    const int undo = doc->GetUndoCount();
    const int pairWidth = Width(c - 1) + Width(c);
    const POINT from = Handle(c);
    const int leftBound = bar->FractionToX(Position(c - 1)) + 8 - Origin().x;
    const int want = Position(c) + bar->XToFraction(leftBound + Origin().x) - bar->XToFraction(from.x + Origin().x);
    // Far left: the column stops 8 units right of the one before.
    DragFromTo(from, POINT{from.x - 400, from.y});
    ASSERT_EQ(doc->GetUndoCount(), undo + 1);
    EXPECT_EQ(Position(c), want);
    EXPECT_EQ(Width(c - 1), Position(c) - Position(c - 1)) << "the column before takes the step";
    EXPECT_EQ(Width(c - 1) + Width(c), pairWidth) << "the two widths trade it";
    // Each track's note on that beat moved to the column.
    for (int track : {0, 1}) {
        int position = -1;
        trkbar::ForEachLiveItem(score->GetTrkBar(track, 0), [&](CBarItem* it) {
            if (it->IsNote() && it->TimeField() == 480) position = it->PositionField();
        });
        EXPECT_EQ(position, Position(c)) << "track " << track;
    }
    doc->Undo();
    EXPECT_EQ(FirstDifference(Saved(*doc), before), -1);
}

TEST_F(BeatChartDrag, TheFirstColumnStopsAtTheBarsStartAndAStillPressChangesNothing) {
    const std::vector<std::uint8_t> before = Saved(*doc);
    const int undo = doc->GetUndoCount();
    const POINT from = Handle(0);
    DragFromTo(from, from);
    EXPECT_EQ(doc->GetUndoCount(), undo) << "no move, no edit";
    DragFromTo(from, POINT{from.x - 300, from.y});
    EXPECT_GE(Position(0), 0);
    EXPECT_LE(bar->FractionToX(Position(0)), bar->FractionToX(0) + 1) << "at the bar's start";
    if (doc->GetUndoCount() > undo) doc->Undo();
    EXPECT_EQ(FirstDifference(Saved(*doc), before), -1);
    // Right, towards the next column: 8 units short of it.
    const int next = bar->FractionToX(Position(1));
    DragFromTo(Handle(0), POINT{Handle(0).x + 400, from.y});
    EXPECT_NEAR(bar->FractionToX(Position(0)), next - 8, 1);
    doc->Undo();
    EXPECT_EQ(FirstDifference(Saved(*doc), before), -1);
}

// The drag image drawn twice in the pane while a drag runs gives the page's pixels back: the
// image is inverted, never painted over the page.
TEST_F(BeamDrag, TheDragImageOfANoteABeamAndAMarkDrawnTwiceLeavesThePageAsItWas) {
    MakeBeamedPairWithTuplet(120);
    const POINT third = HeadPoint(Note(2));
    g_toolState.tool = 908;
    g_toolState.button = 15;
    ClickAt(third);
    g_toolState = ToolState{};
    g_toolState.tool = ToolState::kSelect;
    ASSERT_EQ(Note(2)->MarkCount(), 1);
    RECT client;
    pane->GetClientRect(&client);
    const POINT head = HeadPoint(Note(3));
    const POINT mark = PanePointOn(third, 0, 906);
    const POINT body = BeamBodyPoint();
    struct Case {
        const char* what;
        POINT from;
    };
    for (const Case& c : {Case{"note", head}, Case{"beam", body}, Case{"mark", mark}}) {
        SCOPED_TRACE(c.what);
        int changed = -1, restored = -1;
        ui::Move(pane, int(c.from.x), int(c.from.y));
        ui::Press(pane, int(c.from.x), int(c.from.y));
        for (int i = 1; i <= 4; ++i) ui::Move(pane, int(c.from.x), int(c.from.y - 3 * i));
        ui::Call([&] {
            CDragTask* task = g_viewDrag.currentTask;
            if (!task || !g_viewDrag.feedbackOn) return;
            const std::vector<COLORREF> page = Pixels(pane, client);
            task->DrawFeedback();
            changed = Differ(Pixels(pane, client), page);
            task->DrawFeedback();
            restored = Differ(Pixels(pane, client), page);
        });
        ui::Release(pane, int(c.from.x), int(c.from.y - 12));
        ui::RunUntilIdle();
        EXPECT_GT(changed, 10) << "the image shows";
        EXPECT_EQ(restored, 0) << "drawn again it is gone";
        if (doc->GetUndoCount() > 0) doc->Undo();
    }
}

// --- the finer points of the note's drag ------------------------------------------------------------

namespace {
// The pitches of the note-on messages sent, in turn.
std::vector<int> SoundedPitches() {
    std::vector<int> out;
    for (const auto& s : testsupport::RecordedMidi())
        if ((s.a & 0xF0) == 0x90 && s.c > 0) out.push_back(s.b);
    return out;
}
}  // namespace

TEST_F(NoteDrag, DraggedFarUpOrDownThePitchStopsAt127OrAt0) {
    struct Case {
        int steps;
        int pitch;
    };
    for (const Case& c : {Case{45, 127}, Case{-50, 0}}) {
        SCOPED_TRACE(c.steps);
        Open(1, 0);
        score = doc->GetScore();
        pane = view->GetPane(0);
        Enter({{0, 0, 0}});
        const std::vector<std::uint8_t> entered = Saved(*doc);
        testsupport::RecordedMidi().clear();
        const POINT from = At(0, 0, 0);
        DragFromTo(from, POINT{from.x, from.y + StaffStep(c.steps)});
        EXPECT_EQ(Note(0)->Head(0)->Pitch(), c.pitch);
        const std::vector<int> sounded = SoundedPitches();
        ASSERT_FALSE(sounded.empty());
        EXPECT_EQ(sounded.back(), c.pitch) << "the last pitch sounded";
        EXPECT_EQ(std::count(sounded.begin(), sounded.end(), c.pitch), 1) << "and only once";
        doc->Undo();
        EXPECT_EQ(Saved(*doc), entered);
    }
}

TEST_F(NoteDrag, DragChordSoundsEveryHeadOfTheChordAndOtherwiseTheHitHeadAlone) {
    Enter({{0, 0, 0}, {0, 0, 4}});
    ASSERT_EQ(Note(0)->HeadCountField(), 2);
    int low = 0;
    for (int h = 0; h < 2; ++h)
        if (Note(0)->Head(h)->Position() == 0) low = h;
    const int other = Note(0)->Head(1 - low)->Pitch();
    for (bool chord : {false, true}) {
        SCOPED_TRACE(chord);
        g_preferences.SetByte(Preferences::kDragChord, chord ? 1 : 0);
        testsupport::RecordedMidi().clear();
        const POINT from = At(0, 0, 0);
        DragFromTo(from, POINT{from.x, from.y + StaffStep(1)});
        const std::vector<int> sounded = SoundedPitches();
        EXPECT_EQ(std::count(sounded.begin(), sounded.end(), other) > 0, chord) << "the other head";
        EXPECT_GT(std::count(sounded.begin(), sounded.end(), 71), 0) << "the hit head";
        doc->Undo();
    }
    g_preferences.SetByte(Preferences::kDragChord, 0);
}

// With "Drag Chromatic" a head dragged by staff steps passes every semitone on the way, each
// sounded and ended in turn, until it stands on the position under the pointer (down from B4
// two steps: G sharp on G's position).
TEST_F(NoteDrag, DragChromaticSoundsEverySemitoneOnTheWay) {
    struct Case {
        int steps;
        std::vector<int> sounded;
    };
    g_preferences.SetByte(Preferences::kDragChromatic, 1);
    for (const Case& c : {Case{2, {71, 72, 73, 74}}, Case{-2, {71, 70, 69, 68}}}) {
        SCOPED_TRACE(c.steps);
        Open(1, 0);
        score = doc->GetScore();
        pane = view->GetPane(0);
        Enter({{0, 0, 0}});
        const std::vector<std::uint8_t> entered = Saved(*doc);
        auto& sent = testsupport::RecordedMidi();
        sent.clear();
        const POINT from = At(0, 0, 0);
        DragFromTo(from, POINT{from.x, from.y + StaffStep(c.steps)});
        EXPECT_EQ(Note(0)->Head(0)->Pitch(), c.sounded.back());
        EXPECT_EQ(Note(0)->Head(0)->Position(), c.steps);
        std::vector<std::pair<int, bool>> notes;
        for (const auto& s : sent)
            if ((s.a & 0xF0) == 0x90 || (s.a & 0xF0) == 0x80) notes.push_back({s.b, (s.a & 0xF0) == 0x90 && s.c > 0});
        std::vector<std::pair<int, bool>> want;
        for (int p : c.sounded) {
            want.push_back({p, true});
            want.push_back({p, false});
        }
        EXPECT_EQ(notes, want);
        doc->Undo();
        EXPECT_EQ(Saved(*doc), entered);
    }
    g_preferences.SetByte(Preferences::kDragChromatic, 0);
}

TEST_F(NoteDrag, ACopyDragUpAddsTheHeadAndSidewaysInsertsACopyTheSourceStaying) {
    Enter({{0, 0, 0}, {0, 960, 0}});
    const std::vector<std::uint8_t> entered = Saved(*doc);
    const int undo = doc->GetUndoCount();
    // Up two steps with Ctrl: the note is a chord of B4 and D5.
    const POINT from = At(0, 0, 0);
    DragFromTo(from, POINT{from.x, from.y + StaffStep(2)}, ui::kCtrl);
    ASSERT_EQ(doc->GetUndoCount(), undo + 1);
    ASSERT_EQ(Note(0)->HeadCountField(), 2);
    std::vector<int> pitches{Note(0)->Head(0)->Pitch(), Note(0)->Head(1)->Pitch()};
    std::sort(pitches.begin(), pitches.end());
    EXPECT_EQ(pitches, (std::vector<int>{71, 74}));
    doc->Undo();
    EXPECT_EQ(FirstDifference(Saved(*doc), entered), -1);
    // Sideways with Ctrl to the second beat: a copy there, the note itself where it was.
    DragFromTo(from, POINT{At(0, 480, 0).x, from.y}, ui::kCtrl);
    ASSERT_EQ(doc->GetUndoCount(), undo + 1);
    std::vector<int> times;
    trkbar::ForEachLiveItem(score->GetTrkBar(0, 0), [&](CBarItem* it) {
        if (it->IsNote()) times.push_back(it->TimeField());
    });
    ASSERT_EQ(times.size(), 3u);
    EXPECT_EQ(times.front(), 0) << "the source stays";
    EXPECT_EQ(Note(0)->Head(0)->Pitch(), 71);
    doc->Undo();
    EXPECT_EQ(FirstDifference(Saved(*doc), entered), -1);
}

TEST_F(NoteDrag, ANoteMovedSidewaysTakesItsDynamicAlong) {
    Enter({{0, 0, 0}, {0, 480, 0}});
    g_toolState.tool = std::int16_t(CDynamicTool::kToolId);
    g_toolState.subTool = 0;
    g_toolState.button = 6;
    ClickAt(At(0, 480, -5));
    g_toolState = ToolState{};
    g_toolState.tool = ToolState::kSelect;
    CTrkBar* tb = score->GetTrkBar(0, 0);
    CBarItem* dynamic = nullptr;
    trkbar::ForEachLiveItem(tb, [&](CBarItem* it) {
        if (it->TypeCode() == CDynamic::kType) dynamic = it;
    });
    ASSERT_NE(dynamic, nullptr);
    // Under the note: its voice and its column.
    dynamic->SetPositionField(Note(1)->PositionField());
    dynamic->SetVoice(Note(1)->VoiceField());
    const std::vector<std::uint8_t> placed = Saved(*doc);
    const int was = Note(1)->PositionField();
    const POINT from = HeadPoint(Note(1));
    DragFromTo(from, POINT{from.x + 24, from.y});
    const int now = Note(1)->PositionField();
    ASSERT_NE(now, was) << "the note moved";
    EXPECT_EQ(Note(1)->TimeField(), 480) << "and kept its time";
    int dynamicAt = -1;
    trkbar::ForEachLiveItem(tb, [&](CBarItem* it) {
        if (it->TypeCode() == CDynamic::kType) dynamicAt = it->PositionField();
    });
    EXPECT_EQ(dynamicAt, now);
    doc->Undo();
    EXPECT_EQ(FirstDifference(Saved(*doc), placed), -1);
}

// The accidental's drag step by step: a fifth of the horizontal staff-unit step comes off the
// offset, which stays within 0..255 (dragged far left it stops at 255, never wrapping to 0).
TEST_F(NoteDrag, AnAccidentalDraggedStopsAt0And255) {
    Enter({{0, 0, 0}});
    CNote* note = Note(0);
    struct Case {
        int offset;
        int dx;
        int want;
    };
    CStaff* staff = score->GetBar(0)->GetLine()->GetStaff(0);
    const int unit = std::max(1, staff->ScaleOffset(100)) / 100 + 1;
    for (const Case& c : {Case{10, 400 * unit, 0}, Case{250, -400 * unit, 255}}) {
        SCOPED_TRACE(c.offset);
        note->Head(0)->SetAccidentalOffset(std::uint8_t(c.offset));
        g_model.hitPart = 0;
        CDragAcc drag;
        drag.Begin(doc.get(), note, 0);
        drag.dx = c.dx;
        drag.MoveItemDrag();
        EXPECT_EQ(note->Head(0)->AccidentalOffset(), c.want);
        drag.undoable = 0;
    }
}

TEST_F(NoteDrag, AHeadDraggedSoThatTheStemTurnsTurnsItsSlurToTheHeadsSideShapedAfresh) {
    Enter({{0, 0, -4}, {0, 480, -4}, {0, 960, -4}});
    ASSERT_TRUE(Note(0)->IsStemUp());
    CTrkBar* tb = score->GetTrkBar(0, 0);
    // A slur below the three notes (on their heads' side), its ends moved by hand.
    ASSERT_NE(MakeSlur(0, 2), nullptr);
    const std::vector<std::uint8_t> made0 = Saved(*doc);
    const POINT from = PanePointOn(At(0, 0, -4), 0, 903);
    DragFromTo(from, POINT{from.x, from.y + StaffStep(8)});
    ASSERT_FALSE(Note(0)->IsStemUp()) << "the stem turned down";
    CSlur* after = nullptr;
    trkbar::ForEachLiveItem(tb, [&](CBarItem* it) {
        if (it->IsSlur()) after = static_cast<CSlur*>(CTieType::Of(it));
    });
    ASSERT_NE(after, nullptr);
    EXPECT_TRUE(after->AboveBit()) << "above, at the turned note's head";
    EXPECT_EQ(after->StartDy(), 0);
    EXPECT_EQ(after->EndDy(), 0);
    // Shaped afresh from its notes: shaping it again changes nothing.
    const std::vector<std::uint8_t> shaped(after->Bytes(), after->Bytes() + after->RecordSizeField());
    tb->SetCurrent();
    after->Flip(1);
    EXPECT_EQ(std::vector<std::uint8_t>(after->Bytes(), after->Bytes() + after->RecordSizeField()), shaped);
    doc->Undo();
    EXPECT_EQ(FirstDifference(Saved(*doc), made0), -1);
}

// The mark's drag steps: a trill's end dragged left stops at its note, and across the bar line
// goes to position 1023 of the bar before; an arpeggio's length stays at 0 or more; a jazz
// line's start handle moves the start and keeps the end, its end handle moves the end alone,
// and grabbed elsewhere the whole line moves.
TEST_F(NoteDrag, AMarksDragStepsKeepTrillEndsArpeggioLengthsAndJazzHandles) {
    Enter({{0, 480, 0}});
    CNote* note = Note(0);
    const auto addMark = [&](int tool, int button) {
        g_toolState.tool = std::int16_t(tool);
        g_toolState.subTool = 0;
        g_toolState.button = std::int16_t(button);
        ClickAt(HeadPoint(Note(0)));
        g_toolState = ToolState{};
        g_toolState.tool = ToolState::kSelect;
        note = Note(0);
        return note->MarkCount() - 1;
    };
    const int trill = addMark(906, 0);
    const int arpeggio = addMark(906, 30 + 1);  // ornaments above button 7 give button - 1
    const int jazz = addMark(911, 70);
    ASSERT_EQ(note->MarkCount(), 3);
    ASSERT_EQ(note->GetMark(trill)->Code(), 0);
    ASSERT_EQ(note->GetMark(arpeggio)->Code(), 30);
    ASSERT_EQ(note->GetMark(jazz)->Code(), 70);
    score->GetTrkBar(0, 0)->SetCurrent();
    g_model.currentStaff = score->GetBar(0)->GetLine()->GetStaff(0);
    enum : int { kExtent = 42, kEndY = 44, kEndPosition = 46 };
    struct Step {
        const char* what;
        int mark;
        int handle;
        bool horizontal;
        bool upperHalf;
        int dx, dy, positionStep;
        int endY, endPosition, extent;  // the mark's words before the step
    };
    const Step steps[] = {
        {"trill end left past its note", trill, CDragMark::kEndHandle, true, false, 0, 0, -400, 0, 700, 0},
        {"trill end left over the bar line", trill, CDragMark::kEndHandle, true, false, 0, 0, -100, 1, 50, 0},
        {"arpeggio shortened below 0", arpeggio, CDragMark::kStartHandle, false, false, 0, -200, 0, 0, 0, 3},
        {"jazz start handle", jazz, CDragMark::kStartHandle, true, false, 30, 0, 0, 0, 0, 40},
        {"jazz end handle", jazz, CDragMark::kEndHandle, true, false, 30, 0, 0, 0, 0, 40},
        {"jazz whole mark", jazz, CDragMark::kWholeMark, false, false, 30, 24, 0, 0, 0, 40},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        NoteMark* m = note->GetMark(s.mark);
        // Only the words the mark's record holds.
        if (m->Size() >= kEndPosition + 2) {
            m->SetWord(kEndY, std::int16_t(s.endY));
            m->SetWord(kEndPosition, std::int16_t(s.endPosition));
        }
        m->SetWord(kExtent, std::int16_t(s.extent));
        const int x0 = m->GetWord(NoteMark::kXOffset);
        const int y0 = m->GetWord(NoteMark::kYOffset);
        const int endY0 = m->Size() >= kEndY + 2 ? m->GetWord(kEndY) : 0;
        CDragMark drag;
        drag.Begin(doc.get(), note, 0);
        drag.mark = m;
        drag.markIndex = s.mark;
        drag.handle = std::int16_t(s.handle);
        drag.upperHalf = s.upperHalf ? 1 : 0;
        drag.horizontal = s.horizontal ? 1 : 0;
        drag.dx = s.dx;
        drag.dy = s.dy;
        drag.positionStep = s.positionStep;
        drag.MoveItemDrag();
        drag.undoable = 0;
        const int ex = m->GetWord(kExtent);
        switch (&s - steps) {
            case 0:
                EXPECT_EQ(m->GetWord(kEndPosition), note->PositionField());
                EXPECT_EQ(m->GetWord(kEndY), 0);
                break;
            case 1:
                EXPECT_EQ(m->GetWord(kEndPosition), 1023);
                EXPECT_EQ(m->GetWord(kEndY), 0);
                break;
            case 2: EXPECT_EQ(ex, 0); break;
            case 3:
                EXPECT_GT(m->GetWord(NoteMark::kXOffset), x0);
                EXPECT_EQ(m->GetWord(NoteMark::kXOffset) - x0, s.extent - ex) << "the end stays";
                break;
            case 4:
                EXPECT_EQ(m->GetWord(NoteMark::kXOffset), x0);
                EXPECT_GT(ex, s.extent);
                break;
            case 5:
                // The whole line moves, its shape kept.
                EXPECT_GT(m->GetWord(NoteMark::kXOffset), x0);
                EXPECT_NE(m->GetWord(NoteMark::kYOffset), y0);
                EXPECT_EQ(ex, s.extent);
                EXPECT_EQ(m->GetWord(kEndY), endY0);
                break;
        }
    }
}

// A plain drag of a note (the framework's, as a Ctrl press on fret numbers starts) runs the
// note's own drag slots: its hit head steps with the pointer, sounding, and the note stays put.
TEST_F(NoteDrag, APlainDragOfANoteStepsItsHitHeadThroughTheNotesDragSlots) {
    Enter({{0, 0, 0}});
    CNote* note = Note(0);
    const int position = note->PositionField();
    testsupport::RecordedMidi().clear();
    const POINT o = Origin();
    const POINT head = At(0, 0, 0);
    const POINT press{head.x + o.x, head.y + o.y};
    const POINT up{press.x, press.y + StaffStep(1) * 2};
    g_model.hitPart = 0;
    auto* drag = new CDragTask;
    drag->Begin(doc.get(), note, 0);
    drag->MouseDown(press);
    drag->MouseMove(up, press, press);
    drag->MouseUp(up, up, press);
    EXPECT_EQ(Note(0)->Head(0)->Pitch(), 72) << "B4 stepped up to C5";
    EXPECT_EQ(Note(0)->PositionField(), position) << "the note stays in its place";
    EXPECT_FALSE(Note(0)->IsRemoved());
    EXPECT_EQ(SoundedPitches(), (std::vector<int>{71, 72}));
    int on = 0;
    for (const auto& s : testsupport::RecordedMidi())
        if ((s.a & 0xF0) == 0x90 || (s.a & 0xF0) == 0x80) on += (s.a & 0xF0) == 0x90 && s.c > 0 ? 1 : -1;
    EXPECT_EQ(on, 0) << "every sound ended";
    EXPECT_FALSE(g_notation.headDrag) << "the head drag is gone";
    delete drag;
}

// On a percussion staff the head goes only where the track's drum map has a key, searching in
// the drag's direction no further than staff position 127 (or -127); with no key on the way
// the note keeps its place and pitch.
TEST_F(NoteDrag, OnAPercussionStaffTheHeadStopsOnlyWhereTheDrumMapHasAKeyAndTakesItsHead) {
    Enter({{0, 0, 0}});
    CTrack* track = score->GetTrack(0);
    track->SetStaffKind(1);
    ASSERT_TRUE(track->IsPercussionStaff());
    const int voice = Note(0)->VoiceField();
    // One key in the map: a snare (38) on staff position 5; none below the middle line.
    rec::Put<std::int8_t>(track, CTrack::kDrumPositions, 5);
    rec::Put<std::uint8_t>(track, CTrack::kDrumKeys, 38);
    rec::Put<std::uint8_t>(track, CTrack::kDrumVoices, std::uint8_t(voice));
    rec::Put<std::uint8_t>(track, CTrack::kDrumHeads, 9);
    for (int steps : {3, -3}) {
        SCOPED_TRACE(steps);
        const int was = Note(0)->Head(0)->Position(), pitch = Note(0)->Head(0)->Pitch();
        // Where the search from the pointer's staff position, in the drag's direction, finds a key.
        int want = -1000;
        for (int p = was + steps; p >= -127 && p <= 127 && want == -1000; p += steps > 0 ? 1 : -1)
            if (track->GetDrumKeyAtPosition(p, voice) > 0) want = p;
        const POINT from = At(0, 0, was);
        DragFromTo(from, POINT{from.x, from.y + StaffStep(steps)});
        EXPECT_EQ(want, steps > 0 ? 5 : -1000);
        if (want == -1000) {
            EXPECT_EQ(Note(0)->Head(0)->Position(), was);
            EXPECT_EQ(Note(0)->Head(0)->Pitch(), pitch);
        } else {
            EXPECT_EQ(Note(0)->Head(0)->Position(), want);
            EXPECT_EQ(Note(0)->Head(0)->Pitch(), track->GetDrumKeyAtPosition(want, voice));
            EXPECT_EQ(Note(0)->Head(0)->Shape(), 9) << "the drum map's head";
        }
        if (Note(0)->Head(0)->Position() != was) doc->Undo();
    }
}

// Sideways within its time the note carries the slur's end that was on it; across the next
// note (its time changing) the slur goes.
TEST_F(NoteDrag, ANoteMovedSidewaysMovesItsSlursEndOrAcrossANoteLosesIt) {
    Enter({{0, 0, -4}, {0, 480, -4}, {0, 960, -4}});
    ASSERT_NE(MakeSlur(0, 1), nullptr);
    const std::vector<std::uint8_t> made = Saved(*doc);
    const POINT from = PanePointOn(At(0, 960, -4), 0, 903);
    // The slur's end note, a little right: the end follows.
    const POINT end = PanePointOn(At(0, 480, -4), 0, 903);
    const int was = Note(1)->PositionField();
    DragFromTo(end, POINT{end.x + 12, end.y});
    ASSERT_NE(FirstSlur(), nullptr);
    ASSERT_NE(Note(1)->PositionField(), was) << "the note moved";
    EXPECT_EQ(Note(1)->TimeField(), 480);
    EXPECT_EQ(FirstSlur()->EndPositionField(), Note(1)->PositionField());
    doc->Undo();
    EXPECT_EQ(FirstDifference(Saved(*doc), made), -1);
    // The start note dragged past the third note: the slur goes.
    const POINT start = PanePointOn(At(0, 0, -4), 0, 903);
    DragFromTo(start, POINT{from.x + 20, start.y});
    EXPECT_EQ(FirstSlur(), nullptr);
    doc->Undo();
    EXPECT_EQ(FirstDifference(Saved(*doc), made), -1);
}

// The accidental's drag image stands where the note draws it: a note shifted right takes it a
// head's width further right, as its own drawing does.
TEST_F(NoteDrag, TheAccidentalsImageStandsWhereTheNoteDrawsItShiftedRightOrNot) {
    Enter({{0, 0, 0}});
    CNote* note = Note(0);
    note->Head(0)->SetAccidental(3);
    note->Head(0)->SetBits(NoteHead::kAccByte, NoteHead::kAccShown, true);
    // The x of the sharp that the drawing f draws.
    const auto sharpX = [&](const std::function<void()>& f) {
        CBitmap picture;
        EXPECT_TRUE(picture.CreateBitmap(50, 50));
        CDC dc;
        dc.CreateCompatibleDC(nullptr);
        dc.SelectObject(&picture);
        dc.StartRecording();
        PushPort(&dc);
        f();
        PopPort();
        int x = -1, y = 0;
        for (const std::string& op : dc.TakeRecording())
            if (op.rfind("TextOut ", 0) == 0 && op.find("\"#\"") != std::string::npos &&
                std::sscanf(op.c_str() + 8, "%d %d", &x, &y) == 2)
                break;
        return x;
    };
    const auto image = [&] {
        g_model.hitPart = 0;
        CDragAcc drag;
        drag.Begin(doc.get(), note, 0);
        drag.undoable = 0;
        drag.DrawDragImage();
    };
    const auto drawn = [&] {
        score->GetBar(0)->MakeCurrent();
        score->GetTrkBar(0, 0)->SetCurrent();
        note->VerifyTrack();
        note->Draw();
    };
    const int plain = sharpX(image);
    ASSERT_GE(plain, 0) << "the accidental is drawn";
    EXPECT_EQ(plain, sharpX(drawn));
    note->SetNoteFlags(std::uint8_t(note->NoteFlags() | CRawNote::kShiftedRight));
    ASSERT_TRUE(note->IsShiftedRight());
    const int shifted = sharpX(image);
    EXPECT_GT(shifted, plain);
    EXPECT_EQ(shifted, sharpX(drawn));
    note->SetNoteFlags(std::uint8_t(note->NoteFlags() & ~CRawNote::kShiftedRight));
    // A whole note (its head glyph's width taken into account) likewise.
    note->SetNoteValue(1);
    EXPECT_EQ(sharpX(image), sharpX(drawn));
}

// A slash note's pitch is locked: dragged up it keeps its pitch and the score is not touched
// (no undo step); dragged sideways it moves.
TEST_F(NoteDrag, ASlashNoteDraggedUpKeepsItsPitchAndSidewaysMoves) {
    Enter({{0, 0, 0}, {0, 960, 0}});
    Note(0)->SetFlagBit(CRawHead::kSlashBit, true);
    const std::vector<std::uint8_t> slashed = Saved(*doc);
    const int undo = doc->GetUndoCount();
    const int pitch = Note(0)->Head(0)->Pitch(), position = Note(0)->PositionField();
    const POINT from = PanePointOn(At(0, 0, 0), 0, 903);
    DragFromTo(from, POINT{from.x, from.y + StaffStep(3)});
    EXPECT_EQ(Note(0)->Head(0)->Pitch(), pitch);
    EXPECT_EQ(Note(0)->Head(0)->Position(), 0);
    EXPECT_EQ(doc->GetUndoCount(), undo) << "nothing changed, nothing to undo";
    EXPECT_EQ(FirstDifference(Saved(*doc), slashed), -1);
    DragFromTo(from, POINT{from.x + 15, from.y});
    ASSERT_EQ(doc->GetUndoCount(), undo + 1);
    EXPECT_GT(Note(0)->PositionField(), position) << "sideways it moves";
    EXPECT_EQ(Note(0)->Head(0)->Pitch(), pitch);
    doc->Undo();
    EXPECT_EQ(FirstDifference(Saved(*doc), slashed), -1);
}

// Dragged far left a note stops at position -64 of its bar; a grace note, whose place before
// its main note may lie further left, is not held there.
TEST_F(NoteDrag, ANoteDraggedFarLeftStopsAtMinus64AndAGraceNoteGoesFurther) {
    for (bool grace : {false, true}) {
        SCOPED_TRACE(grace);
        Open(1, 0);
        score = doc->GetScore();
        pane = view->GetPane(0);
        Enter({{0, 0, 0}, {0, 960, 0}});
        if (grace) Note(0)->SetFlagBit(CRawHead::kGraceBit, true);
        const std::vector<std::uint8_t> before = Saved(*doc);
        const POINT from = PanePointOn(At(0, 0, 0), 0, 903);
        CBar* bar = score->GetBar(0);
        // Far enough left for 300 units of the bar.
        const int left = bar->FractionToX(Note(0)->PositionField()) - bar->FractionToX(Note(0)->PositionField() - 300);
        ASSERT_GT(left, 0);
        DragFromTo(from, POINT{from.x - left, from.y});
        if (grace)
            EXPECT_LT(Note(0)->PositionField(), -64);
        else
            EXPECT_EQ(Note(0)->PositionField(), -64);
        EXPECT_EQ(Note(0)->TimeField(), 0) << "before every other note, at its own time";
        doc->Undo();
        EXPECT_EQ(FirstDifference(Saved(*doc), before), -1);
    }
}

// A note that shows fret numbers keeps its head on its string: the pointer two positions or
// more beyond it steps the fret code and its pitch a semitone for each position it moves, each
// pitch sounding; the fret codes end at 32 and 57.
TEST_F(NoteDrag, AFretNumberNoteStepsItsFretAndPitchAsThePointerMovesItsHeadStayingOnItsString) {
    struct Case {
        int fret;   // the head's fret code at the start
        int steps;  // staff positions dragged
        int want;   // the fret code at the end
    };
    for (const Case& c : {Case{35, 4, 38}, Case{35, -4, 32}, Case{56, 5, 57}, Case{33, -5, 32}}) {
        SCOPED_TRACE(c.fret * 100 + c.steps);
        Open(1, 0);
        score = doc->GetScore();
        pane = view->GetPane(0);
        Enter({{0, 0, 0}});
        CNote* note = Note(0);
        note->SetNoteFlags(std::uint8_t(note->NoteFlags() | CRawNote::kFretNumbers));
        note->Head(0)->SetShape(c.fret);
        const int pitch = note->Head(0)->Pitch();
        const std::vector<std::uint8_t> before = Saved(*doc);
        testsupport::RecordedMidi().clear();
        const POINT from = At(0, 0, 0);
        DragFromTo(from, POINT{from.x, from.y + StaffStep(c.steps)});
        EXPECT_EQ(Note(0)->Head(0)->Shape(), c.want);
        EXPECT_EQ(Note(0)->Head(0)->Pitch(), pitch + c.want - c.fret);
        EXPECT_EQ(Note(0)->Head(0)->Position(), 0) << "on its string";
        const std::vector<int> sounded = SoundedPitches();
        ASSERT_FALSE(sounded.empty());
        EXPECT_EQ(sounded.back(), pitch + c.want - c.fret);
        doc->Undo();
        EXPECT_EQ(FirstDifference(Saved(*doc), before), -1);
    }
}

// A beamed note moved within its time stays under its beam; moved past the next note out of
// the times its beam covers, it leaves that beam (the voice is beamed again around it), and
// every beamed note still has its beam.
TEST_F(BeamDrag, ABeamedNoteMovedOutOfItsBeamsTimesLeavesIt) {
    g_toolState.tool = ToolState::kNote;
    g_toolState.subTool = ToolState::kNoteSub;
    g_toolState.value = 4;
    for (int tick : {0, 240, 480, 720}) ClickAt(At(0, tick, -4));
    g_toolState = ToolState{};
    g_toolState.tool = ToolState::kSelect;
    CTrkBar* tb = score->GetTrkBar(0, 0);
    tb->SetCurrent();
    const auto beamOf = [&](int i) {
        CTrkBar* live = score->GetTrkBar(0, 0);
        live->SetCurrent();
        return live->FindBeamOfNote(Note(i));
    };
    ASSERT_TRUE(Note(1)->IsBeamed());
    ASSERT_NE(beamOf(1), nullptr);
    ASSERT_EQ(beamOf(0), beamOf(1)) << "the first two share a beam";
    const std::vector<std::uint8_t> before = Saved(*doc);
    // Each beamed note lies under a beam.
    const auto everyBeamedNoteHasItsBeam = [&] {
        for (int i = 0; i < 4; ++i)
            if (Note(i)->IsBeamed()) EXPECT_NE(beamOf(i), nullptr) << i;
    };
    const POINT from = PanePointOn(At(0, 240, -4), 0, 903);
    // A little right, before the third note: its time and its beam stay.
    DragFromTo(from, POINT{from.x + 6, from.y});
    EXPECT_EQ(Note(1)->TimeField(), 240);
    ASSERT_TRUE(Note(1)->IsBeamed());
    EXPECT_EQ(beamOf(1), beamOf(0));
    everyBeamedNoteHasItsBeam();
    doc->Undo();
    EXPECT_EQ(FirstDifference(Saved(*doc), before), -1);
    // Past the third note: it takes that one's time, outside its beam's 0..240.
    const int pitch = Note(1)->Head(0)->Pitch();
    const POINT third = At(0, 480, -4);
    DragFromTo(from, POINT{third.x + 8, from.y});
    ASSERT_EQ(Note(2)->Head(0)->Pitch(), pitch) << "the dragged note is the third now";
    EXPECT_EQ(Note(2)->TimeField(), 480);
    EXPECT_TRUE(!Note(2)->IsBeamed() || beamOf(2) != beamOf(0))
        << "not under its old beam with the first note";
    everyBeamedNoteHasItsBeam();
    doc->Undo();
    EXPECT_EQ(FirstDifference(Saved(*doc), before), -1);
}

// A hairpin anchored on a note: the note moved sideways within its time carries the hairpin's
// end that lay on it (its start, or its end), the other end staying.
TEST_F(NoteDrag, ANoteMovedSidewaysCarriesTheHairpinEndAnchoredOnIt) {
    Enter({{0, 0, 0}, {0, 480, 0}, {0, 960, 0}, {0, 1440, 0}});
    g_toolState.tool = std::int16_t(CDynamicTool::kToolId);
    g_toolState.subTool = 0;
    g_toolState.button = 16;
    DragFromTo(At(0, 480, -9), At(0, 1440, -9));
    g_toolState = ToolState{};
    g_toolState.tool = ToolState::kSelect;
    const auto hairpin = [&] {
        CBarItem* found = nullptr;
        trkbar::ForEachLiveItem(score->GetTrkBar(0, 0), [&](CBarItem* it) {
            if (it->TypeCode() == CCresc::kType) found = it;
        });
        return found;
    };
    ASSERT_NE(hairpin(), nullptr);
    // Anchored from the second note to the fourth.
    score->GetTrkBar(0, 0)->SetCurrent();
    hairpin()->SetPositionField(Note(1)->PositionField());
    hairpin()->SetVoice(Note(1)->VoiceField());
    hairpin()->SetEndPosition(Note(3)->PositionField());
    ASSERT_EQ(hairpin()->GetBarSpan(), 0);
    Note(1)->SetLineStart(1);
    Note(3)->SetLineEnd(1);
    const std::vector<std::uint8_t> anchored = Saved(*doc);
    for (int which : {1, 3}) {
        SCOPED_TRACE(which);
        const int start = hairpin()->PositionField(), end = hairpin()->GetEndPosition();
        const int time = Note(which)->TimeField();
        const POINT from = PanePointOn(At(0, time, 0), 0, 903);
        DragFromTo(from, POINT{from.x + 9, from.y});
        ASSERT_EQ(Note(which)->TimeField(), time) << "the note kept its time";
        const int now = Note(which)->PositionField();
        ASSERT_GT(now, which == 1 ? start : end) << "and moved right";
        score->GetTrkBar(0, 0)->SetCurrent();
        EXPECT_EQ(hairpin()->PositionField(), which == 1 ? now : start);
        EXPECT_EQ(hairpin()->GetEndPosition(), which == 3 ? now : end);
        doc->Undo();
        EXPECT_EQ(FirstDifference(Saved(*doc), anchored), -1);
    }
}

// A sideways copy drag that finds no memory for the copy ends without one: the source stays
// as it was.
TEST_F(NoteDrag, ACopyDragThatFindsNoRoomMakesNoCopy) {
    Enter({{0, 0, 0}, {0, 960, 0}});
    const std::vector<std::uint8_t> entered = Saved(*doc);
    const POINT o = Origin();
    const POINT head = At(0, 0, 0), to = At(0, 480, 0);
    const POINT press{head.x + o.x, head.y + o.y}, release{to.x + o.x, head.y + o.y};
    g_model.hitPart = 0;
    g_platform.ctrlDown = true;
    auto* drag = new CDragNote;
    drag->Begin(doc.get(), Note(0), 0);
    g_platform.ctrlDown = false;
    ASSERT_TRUE(drag->copyDrag);
    drag->MouseDown(press);
    drag->MouseMove(release, press, press);
    fw::memtest::SetAlwaysMove(true);
    fw::memtest::FailAfter(0);
    drag->MouseUp(release, release, press);
    fw::memtest::Reset();
    int notes = 0;
    trkbar::ForEachLiveItem(score->GetTrkBar(0, 0), [&](CBarItem* it) { notes += it->IsNote() ? 1 : 0; });
    EXPECT_EQ(notes, 2) << "no copy";
    EXPECT_EQ(Note(0)->TimeField(), 0);
    EXPECT_FALSE(Note(0)->IsRemoved());
    delete drag;
    EXPECT_EQ(FirstDifference(Saved(*doc), entered), -1) << "the source as it was";
}

// Editing performances (each head shown as a bar along its sounding time), a sideways drag of a
// head changes its start (grabbed left of its centre) or its end (right of it): the start moves and the length stays, or with Shift the
// end stays; the length grows, or with Shift the start moves and the length stays. Undone whole.
TEST_F(NoteDrag, InPerformanceEditingTheHalfGrabbedMovesTheStartOrTheEndAndShiftTheOther) {
    struct Case {
        bool end, shift;
    };
    for (const Case& c : {Case{false, false}, Case{false, true}, Case{true, false}, Case{true, true}}) {
        SCOPED_TRACE(int(c.end) * 10 + int(c.shift));
        Open(1, 0);
        score = doc->GetScore();
        pane = view->GetPane(0);
        Enter({{0, 0, 0}, {0, 960, 0}});
        const std::vector<std::uint8_t> entered = Saved(*doc);
        const int length = Note(0)->Head(0)->Duration(), offset = Note(0)->Head(0)->StartOffset();
        const int position = Note(0)->PositionField();
        // The performance display: each head a bar along its sounding time.
        g_notation.performanceDisplay = 1;
        doc->InvalidatePanes();
        ui::RunUntilIdle();
        score->GetBar(0)->MakeCurrent();
        score->GetTrkBar(0, 0)->SetCurrent();
        RECT r{};
        Note(0)->GetPartBounds(&r, 0);
        // A point of the head's half that the pointer's hover gives to the head.
        POINT grab{-1, -1};
        const int centre = int(r.left + r.right) / 2;
        for (int y = int(r.top); y < int(r.bottom) && grab.x < 0; ++y)
            for (int x = c.end ? centre + 1 : int(r.left); x < (c.end ? int(r.right) : centre) && grab.x < 0; ++x) {
                const POINT p = ToPane(POINT{x, y});
                ui::Move(pane, int(p.x), int(p.y));
                ui::RunUntilIdle();
                if (pane->hitKind == 1 && g_model.hitPart == 0 && g_model.hitTool == 903) grab = p;
            }
        ASSERT_GE(grab.x, 0) << "no point of the head's half";
        g_viewDrag.performanceEdit = 1;
        g_viewDrag.modifierFlagA = c.shift;
        DragFromTo(grab, POINT{grab.x + 12, grab.y});
        g_viewDrag.performanceEdit = 0;
        g_viewDrag.modifierFlagA = false;
        g_notation.performanceDisplay = 0;
        const NoteHead* h = Note(0)->Head(0);
        EXPECT_EQ(Note(0)->PositionField(), position) << "the note stays";
        EXPECT_EQ(Note(0)->TimeField(), 0);
        const int moved = h->StartOffset() - offset, grown = h->Duration() - length;
        if (!c.end && !c.shift) {
            EXPECT_GT(moved, 0);
            EXPECT_EQ(grown, 0);
        } else if (!c.end) {
            EXPECT_GT(moved, 0);
            EXPECT_EQ(grown, -moved) << "the end stays";
        } else if (!c.shift) {
            EXPECT_EQ(moved, 0);
            EXPECT_GT(grown, 0);
        } else {
            EXPECT_GT(moved, 0);
            EXPECT_EQ(grown, 0);
        }
        doc->Undo();
        EXPECT_EQ(FirstDifference(Saved(*doc), entered), -1);
    }
}

// A slur from a note two bars back ends on the dragged note: moved sideways within its time the
// note carries the slur's end, and the undo gives the slur's bar back with the rest.
TEST_F(NoteDrag, ANoteMovedSidewaysCarriesTheEndOfASlurFromAnEarlierBarAndUndoesWhole) {
    Enter({{0, 0, -4}, {2, 0, -4}, {2, 960, -4}});
    const auto notesOf = [&](int bar) {
        std::vector<CNote*> out;
        trkbar::ForEachLiveItem(score->GetTrkBar(0, bar), [&](CBarItem* it) {
            if (it->IsNote()) out.push_back(static_cast<CNote*>(it));
        });
        return out;
    };
    ASSERT_EQ(notesOf(0).size(), 1u);
    ASSERT_EQ(notesOf(2).size(), 2u);
    CTrkBar* tb0 = score->GetTrkBar(0, 0);
    tb0->SetCurrent();
    CNote* a = notesOf(0)[0];
    alignas(8) std::uint8_t bytes[CSlur::kSize] = {};
    rec::Put<std::int16_t>(bytes, rec::kSize, std::int16_t(CSlur::kSize));
    auto* made = static_cast<CSlur*>(ConstructItem(CSlur::kType, bytes));
    made->InitNew(a->VoiceField(), a->TimeField(), a->PositionField());
    made->SetEnd(2, notesOf(2)[0]->PositionField());
    made->PutWord(CSlur::kControl1X, 256);
    made->PutWord(CSlur::kControl2X, 768);
    made->PutWord(CSlur::kPercent, 100);
    ASSERT_NE(tb0->InsertCopy(made), nullptr);
    notesOf(0)[0]->SetSlurStart(1);
    score->GetTrkBar(0, 2)->SetCurrent();
    notesOf(2)[0]->SetSlurEnd(1);
    doc->InvalidatePanes();
    ui::RunUntilIdle();
    const std::vector<std::uint8_t> made0 = Saved(*doc);
    const int was = notesOf(2)[0]->PositionField();
    const POINT from = PanePointOn(At(2, 0, -4), 0, 903);
    DragFromTo(from, POINT{from.x + 12, from.y});
    const int now = notesOf(2)[0]->PositionField();
    ASSERT_NE(now, was) << "the note moved";
    EXPECT_EQ(notesOf(2)[0]->TimeField(), 0);
    CSlur* slur = nullptr;
    trkbar::ForEachLiveItem(score->GetTrkBar(0, 0), [&](CBarItem* it) {
        if (it->IsSlur()) slur = static_cast<CSlur*>(CTieType::Of(it));
    });
    ASSERT_NE(slur, nullptr);
    EXPECT_EQ(slur->EndPositionField(), now);
    EXPECT_EQ(slur->EndBarOffset(), 2);
    doc->Undo();
    EXPECT_EQ(FirstDifference(Saved(*doc), made0), -1);
}

// --- a beam over a bar line ------------------------------------------------------------------------

namespace {

// The notes of a bar of track 0, in their run's order.
std::vector<CNote*> NotesOfBar(CScore* score, int bar) {
    std::vector<CNote*> out;
    trkbar::ForEachLiveItem(score->GetTrkBar(0, bar), [&](CBarItem* it) {
        if (it->IsNote()) out.push_back(static_cast<CNote*>(it));
    });
    return out;
}

// The note of a bar whose head stands at a staff position (each note of the fixture has its own).
CNote* NoteAtStep(CScore* score, int bar, int step) {
    for (CNote* n : NotesOfBar(score, bar))
        if (n->Head(0)->Position() == step) return n;
    return nullptr;
}

}  // namespace

// Eighths at 960, 1440 and 1680 of bar 0 (staff positions -6, -5, -4) and at 0, 240 and 480 of
// bar 1 (-3, -2, -1), the meter's beams taken away; one beam, made in bar 0, over the notes
// whose positions are given (bar 0's and bar 1's), so that it runs over the bar line.
class SpanningBeamDrag : public BeamDrag {
protected:
    void MakeSpanningBeam(const std::vector<int>& beamed) {
        g_toolState.tool = ToolState::kNote;
        g_toolState.subTool = ToolState::kNoteSub;
        g_toolState.value = 4;
        for (auto [bar, tick, step] : {std::array<int, 3>{0, 960, -6}, {0, 1440, -5}, {0, 1680, -4},
                                       {1, 0, -3}, {1, 240, -2}, {1, 480, -1}})
            ClickAt(At(bar, tick, step));
        g_toolState = ToolState{};
        g_toolState.tool = ToolState::kSelect;
        for (int bar : {0, 1}) {
            CTrkBar* tb = score->GetTrkBar(0, bar);
            tb->SetCurrent();
            trkbar::ForEachLiveItem(tb, [&](CBarItem* it) {
                if (it->IsBeam()) it->MarkRemoved();
            });
        }
        CTrkBar* first = score->GetTrkBar(0, 0);
        first->SetCurrent();
        g_beamContext.Init(first, 0, 0);
        for (int step : beamed) {
            const int bar = step >= -3 ? 1 : 0;
            CNote* n = NoteAtStep(score, bar, step);
            ASSERT_NE(n, nullptr) << step;
            g_beamContext.AddNote(n, score->GetTrkBar(0, bar));
        }
        g_beamContext.trkBar = first;
        ASSERT_TRUE(g_beamContext.BeamNotes(true));
        CBeam* beam = FirstBeam(first);
        ASSERT_NE(beam, nullptr);
        ASSERT_EQ(beam->BarSpanField(), 1) << "the beam runs into bar 1";
        doc->InvalidatePanes();
        ui::RunUntilIdle();
    }
    // The beam that the note's bar finds over it (null: none).
    CBarItem* BeamOf(int bar, int step) {
        CNote* n = NoteAtStep(score, bar, step);
        if (!n) return nullptr;
        CTrkBar* tb = score->GetTrkBar(0, bar);
        tb->SetCurrent();
        return tb->FindBeamOfNote(n);
    }
    // Every note of both bars beamed or not as wanted (by staff position), each beamed one under
    // the one beam of bar 0, and no note of bar 1 continuing a beam that it is not under.
    void ExpectBeamed(const std::vector<int>& beamed) {
        CBeam* beam = FirstBeam(score->GetTrkBar(0, 0));
        for (int step = -6; step <= -1; ++step) {
            const int bar = step >= -3 ? 1 : 0;
            CNote* n = NoteAtStep(score, bar, step);
            ASSERT_NE(n, nullptr) << step;
            const bool want = std::find(beamed.begin(), beamed.end(), step) != beamed.end();
            EXPECT_EQ(n->IsBeamed(), want) << step;
            if (want) EXPECT_EQ(BeamOf(bar, step), beam) << step;
            if (!want) EXPECT_FALSE(n->ContinuesBeam()) << step;
        }
    }
};

TEST_F(SpanningBeamDrag, ANoteOfABeamOverABarLineMovedOutOfItsTimesLeavesItAndWithinThemStays) {
    struct Case {
        const char* what;
        std::vector<int> beamed;   // the staff positions beamed before
        int bar, step;             // the dragged note
        int toBar, toTick, dx;     // the release: this far right of that tick's x
        std::vector<int> after;    // beamed after
        int span;                  // the beam's bars after (-1: no beam)
    };
    const Case cases[] = {
        {"the first note left past the unbeamed note before it", {-5, -4, -3, -2}, 0, -5, 0, 960, -8, {-4, -3, -2}, 1},
        {"the last note right past the unbeamed note after it", {-5, -4, -3, -2}, 1, -2, 1, 480, 8, {-5, -4, -3}, 1},
        {"a note of the later bar a little right", {-5, -4, -3, -2}, 1, -3, 1, 0, 8, {-5, -4, -3, -2}, 1},
        {"the first note a little left: the beam reaches out to it", {-5, -4, -3, -2}, 0, -5, 0, 1440, -6,
         {-5, -4, -3, -2}, 1},
        {"the second note left past the first: it changed places and leaves", {-5, -4, -3, -2}, 0, -4, 0, 1440, -8,
         {-5, -3, -2}, 1},
        {"the only note of the beam's own bar leaves it: the beam goes", {-4, -3, -2}, 0, -4, 0, 1440, -8, {}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Open(1, 0);
        score = doc->GetScore();
        pane = view->GetPane(0);
        MakeSpanningBeam(c.beamed);
        if (HasFatalFailure()) return;
        const std::vector<std::uint8_t> before = Saved(*doc);
        const int undo = doc->GetUndoCount();
        const POINT from = PanePointOn(At(c.bar, c.bar == 0 ? 1440 + 240 * (c.step + 5) : 240 * (c.step + 3), c.step), 0, 903);
        const POINT to = At(c.toBar, c.toTick, c.step);
        DragFromTo(from, POINT{to.x + c.dx, from.y});
        ASSERT_EQ(doc->GetUndoCount(), undo + 1);
        ExpectBeamed(c.after);
        CBeam* beam = FirstBeam(score->GetTrkBar(0, 0));
        if (c.span < 0) {
            EXPECT_EQ(beam, nullptr);
        } else {
            ASSERT_NE(beam, nullptr);
            EXPECT_EQ(beam->BarSpanField(), c.span);
        }
        doc->Undo();
        EXPECT_EQ(FirstDifference(Saved(*doc), before), -1);
    }
}

// A note tied over the bar line into the next bar's first note, both B flat: the flat of the
// next bar's note is carried by the tie and not shown. Dragged up, the note loses its tie, and
// the next bar's note shows its flat again; undo gives both bars back.
TEST_F(NoteDrag, ANoteDraggedUpLosesItsTieOverTheBarLineAndTheNextBarShowsItsAccidentalAgain) {
    Enter({{0, 1440, -4}, {1, 0, -4}});
    CNote* a = NotesOfBar(score, 0).at(0);
    CNote* b = NotesOfBar(score, 1).at(0);
    const int flat = a->Head(0)->Pitch() - 1;
    CTrkBar* tb0 = score->GetTrkBar(0, 0);
    CTrkBar* tb1 = score->GetTrkBar(0, 1);
    for (auto [n, tb] : {std::pair{a, tb0}, std::pair{b, tb1}}) {
        tb->SetCurrent();
        n->Head(0)->SetPitch(flat);
    }
    tb0->SetCurrent();
    alignas(8) std::uint8_t buffer[CTie::kSize] = {};
    CTie* tie = CTie::Init(buffer, 0, a->TimeField(), a->PositionField(), b->PositionField(), a->Head(0)->Position(),
                           a->VoiceField(), true, false, false);
    tie->SetPitch(flat);
    a->Head(0)->SetBits(NoteHead::kLinkByte, NoteHead::kTieStart, true);
    tb1->SetCurrent();
    b->Head(0)->SetBits(NoteHead::kLinkByte, NoteHead::kTieEnd, true);
    tb0->SetCurrent();
    ASSERT_NE(tb0->InsertCopy(tie), nullptr);
    for (CTrkBar* tb : {tb0, tb1}) {
        tb->SetCurrent();
        tb->RecalcAccidentals();
        tb->Recalc(1);
    }
    doc->InvalidatePanes();
    ui::RunUntilIdle();
    const auto shown = [&](int bar) {
        CNote* n = NotesOfBar(score, bar).at(0);
        return n->Head(0)->IsAccidentalShown();
    };
    ASSERT_TRUE(shown(0)) << "the flat shows in bar 0";
    ASSERT_FALSE(shown(1)) << "the tie carries it into bar 1";
    const std::vector<std::uint8_t> before = Saved(*doc);
    const int undo = doc->GetUndoCount();
    const POINT from = PanePointOn(At(0, 1440, -4), 0, 903);
    DragFromTo(from, POINT{from.x, from.y + StaffStep(2)});
    ASSERT_EQ(doc->GetUndoCount(), undo + 1);
    EXPECT_NE(NotesOfBar(score, 0).at(0)->Head(0)->Pitch(), flat) << "the note moved";
    EXPECT_FALSE(NotesOfBar(score, 0).at(0)->Head(0)->HasTieStart());
    EXPECT_FALSE(NotesOfBar(score, 1).at(0)->Head(0)->HasTieEnd());
    EXPECT_TRUE(shown(1)) << "the next bar's flat shows again";
    doc->Undo();
    EXPECT_EQ(FirstDifference(Saved(*doc), before), -1);
    EXPECT_FALSE(shown(1));
}
