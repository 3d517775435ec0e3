// The erase, scale and scrub tools clicked into a page pane of a voice-and-piano score: which
// document command each erase click runs with what the hover found, the staves the scale tool
// marks, and what scrubbing sounds.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ViewFixture.h"
#include "support/RegisteredOperations.h"
#include "model/Bar.h"
#include "model/BarNumber.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/NewScore.h"
#include "model/Page.h"
#include "model/Select.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "notation/RawNote.h"
#include "platform/PlatformGlobals.h"
#include "support/CommandRecorder.h"
#include "support/MidiRecorder.h"
#include "view/ToolState.h"
#include "view/ViewGlobals.h"

namespace {

std::vector<std::uint8_t> Saved(CZelDoc& doc) {
    char temp[] = "/tmp/erasetool-XXXXXX";
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

class EraseScaleScrub : public ViewTest {
protected:
    // The program's operations, put in before the fixture's set-up and taken out after it.
    testsupport::RegisteredOperations operations;
    // A voice-and-piano score (voice, piano treble, piano bass) with quarter notes at 0, 960 and
    // 1440 in bar 0 of every track.
    void SetUp() override {
        ViewTest::SetUp();
        doc = std::make_unique<CZelDoc>();
        doc->SetTitle("Song");
        score = doc->GetScore();
        CDC measure;
        measure.CreateIC();
        PushPort(&measure);
        NewScoreSettings settings;
        settings.arrangement = 2;
        ASSERT_TRUE(BuildNewScore(*score, settings));
        PopPort();
        doc->location.arrangementMode = 0;
        doc->SetZoom(100, false);
        wnd = std::make_unique<CZelWnd>();
        ASSERT_TRUE(wnd->Create(nullptr, RECT{0, 0, 820, 620}, doc.get()));
        view = wnd->GetView();
        fw::uitest::RunUntilIdle();
        pane = view->GetPane(0);
        ASSERT_GE(score->GetTrackCount(), 3);
        Use(ToolState::kNote, 0);
        g_toolState.subTool = ToolState::kNoteSub;
        g_toolState.value = 3;
        for (int t = 0; t < 3; ++t)
            for (int tick : {0, 960, 1440}) ClickAt(At(t, 0, tick, 0));
        while (doc->GetUndoCount() > 0) doc->ClearUndo();
        doc->currentPane = pane;
    }
    void Use(int tool, int button) {
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
    void ClickAt(POINT p, UINT mods = fw::uitest::kNone) {
        fw::uitest::Move(pane, int(p.x), int(p.y), mods);
        fw::uitest::Click(pane, int(p.x), int(p.y), fw::uitest::kLeft, mods);
        fw::uitest::RunUntilIdle();
    }
    void DragFromTo(POINT from, POINT to, UINT mods = fw::uitest::kNone) {
        std::vector<POINT> way{from};
        const int steps = std::max(1L, std::max(std::labs(to.x - from.x), std::labs(to.y - from.y)) / 4);
        for (int i = 1; i <= steps; ++i)
            way.push_back(POINT{from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
        fw::uitest::Move(pane, int(from.x), int(from.y), mods);
        fw::uitest::Drag(pane, way, fw::uitest::kLeft, mods);
        fw::uitest::RunUntilIdle();
    }
    CBarItem* NoteAt(int track, int bar, int time) {
        CBarItem* found = nullptr;
        trkbar::ForEachLiveItem(score->GetTrkBar(track, bar), [&](CBarItem* it) {
            if (!found && it->IsNote() && it->TimeField() == time) found = it;
        });
        return found;
    }
    // The erase click handed what a hover found: the pane's hit kind, the hit records, the
    // hover's place (track and bar).
    void Erase(CScoreItem* item, int paneKind, int track, int bar, int barPart = 0, int tool = 0, int part = 0,
               POINT at = POINT{0, 0}) {
        doc->paneLocation.trackIndex = track;
        doc->paneLocation.barIndex = std::int16_t(bar);
        doc->location.trackIndex = track;
        doc->location.barIndex = std::int16_t(bar);
        pane->hitKind = std::int16_t(paneKind);
        g_model.hitKind = barPart;
        g_model.hitTool = std::int16_t(tool);
        g_model.hitPart = std::int16_t(part);
        g_model.hitBar = score->GetBar(bar);
        g_model.hitTrkBar = score->GetTrkBar(track, bar);
        pane->OnEraseTool(int(at.x), int(at.y), item);
        fw::uitest::RunUntilIdle();
    }

    CScore* score = nullptr;
    CPagePane* pane = nullptr;
};

// --- erase -----------------------------------------------------------------------------------------

TEST_F(EraseScaleScrub, ErasingANoteLeavesRestsAndUndoGivesTheBytesBack) {
    const std::vector<std::uint8_t> before = Saved(*doc);
    Use(ToolState::kErase, 0);
    ClickAt(At(0, 0, 960, 0));
    EXPECT_EQ(NoteAt(0, 0, 960), nullptr);
    bool rest = false;
    trkbar::ForEachLiveItem(score->GetTrkBar(0, 0), [&](CBarItem* it) { rest = rest || (it->IsRest() && it->TimeField() == 960); });
    EXPECT_TRUE(rest);
    EXPECT_NE(NoteAt(0, 0, 0), nullptr);
    ASSERT_EQ(doc->GetUndoCount(), 1);
    doc->Undo();
    EXPECT_EQ(Saved(*doc), before);
}

TEST_F(EraseScaleScrub, EachHitRunsItsEraseCommand) {
    alignas(8) std::uint8_t ending[256] = {}, jumper[256] = {}, text[256] = {}, pageText[256] = {}, tempo[256] = {};
    ConstructClass(50, ending);
    ConstructClass(48, jumper);
    ConstructClass(29, text);
    ConstructClass(12, pageText);
    ConstructClass(28, tempo);
    CBar* bar1 = score->GetBar(1);
    CLine* line = bar1->GetLine();
    CBarItem* note = NoteAt(0, 0, 960);
    ASSERT_NE(note, nullptr);
    struct Row {
        const char* what;
        CScoreItem* item;
        int paneKind, track, barPart, tool;
        const char* made;
        int command;
    };
    const std::vector<Row> rows = {
        {"note", note, 1, 0, 0, 903, "CEraseTask", 4207},
        {"bar", bar1, 2, 0, 0, 0, "CEraseBarTask", 4201},
        {"jumper", reinterpret_cast<CScoreItem*>(jumper), 2, 0, 2, 0, "CEraseBarTask", 4201},
        {"ending", reinterpret_cast<CScoreItem*>(ending), 2, 0, 4, 0, "CEraseBarTask", 4203},
        {"system text", reinterpret_cast<CScoreItem*>(text), 2, 0, 5, 0, "CEraseTask", 4207},
        {"tempo", reinterpret_cast<CScoreItem*>(tempo), 2, 0, 2, 0, "CEraseTask", 4207},
        {"repeat start", bar1, 2, 0, 8, 0, "CEraseBarTask", 4201},
        {"bracket", score->GetTrack(1), 3, 1, 0, 0, "CEraseBracketTask", 4202},
        {"page text", reinterpret_cast<CScoreItem*>(pageText), 1, 0, 0, 0, "CErasePageTextTask", 4205},
        {"staff", line->GetStaff(2), 6, 2, 0, 0, "CTrackTask", 4206},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        commandtest::RecordedTasks recorded;
        Erase(r.item, r.paneKind, r.track, 1, r.barPart, r.tool);
        ASSERT_EQ(recorded.made.size(), 1u);
        EXPECT_EQ(recorded.made[0].className, r.made);
        EXPECT_EQ(recorded.made[0].command, r.command);
    }
    // The repeat-start line reaches the bar erase as the bar's repeat structure, a jumper as an
    // item of the bar's own list.
    {
        commandtest::RecordedTasks recorded;
        Erase(bar1, 2, 0, 1, 8);
        EXPECT_EQ(g_model.hitKind, 3);
        Erase(reinterpret_cast<CScoreItem*>(jumper), 2, 0, 1, 2);
        EXPECT_EQ(g_model.hitKind, 2);
    }
}

TEST_F(EraseScaleScrub, AnAccidentalHitSelectsItsHeadAndErasesTheAccidental) {
    CBarItem* note = NoteAt(1, 0, 960);
    ASSERT_NE(note, nullptr);
    commandtest::RecordedTasks recorded;
    Erase(note, 1, 1, 0, 0, 921, 0);
    ASSERT_EQ(recorded.made.size(), 1u);
    EXPECT_EQ(recorded.made[0].className, "CAddAcciTask");
    EXPECT_EQ(recorded.made[0].command, 4200);
    EXPECT_EQ(recorded.made[0].argument, -1);
    note = NoteAt(1, 0, 960);
    EXPECT_TRUE(note->IsSelectedBit());
    EXPECT_TRUE(static_cast<CRawNote*>(note)->Head(0)->IsSelected());
}

TEST_F(EraseScaleScrub, ClicksThatEraseNothing) {
    alignas(8) std::uint8_t multiRest[64] = {};
    ConstructClass(39, multiRest);
    CBarItem* note = NoteAt(0, 0, 960);
    const std::vector<std::uint8_t> before = Saved(*doc);
    commandtest::RecordedTasks recorded;
    Erase(reinterpret_cast<CScoreItem*>(multiRest), 1, 0, 1);       // a multi-bar rest
    Erase(score->GetTrack(0), 5, 0, 1);                                // a track name: the staff line's right end
    Erase(score->GetBar(1), 2, 0, 1, 1);                               // a beat chart column of a bar
    Erase(note, 4, 0, 0, 0, 903);                                      // a position handle's hit
    Erase(nullptr, 0, 0, 1, 0, 0, 0, POINT{score->GetBar(1)->GetLeft() + 3, 0});  // paper off the bar line
    EXPECT_TRUE(recorded.made.empty());
    EXPECT_EQ(doc->GetUndoCount(), 0);
    EXPECT_EQ(Saved(*doc), before);
}

TEST_F(EraseScaleScrub, AClickOnABarLineJoiningTwoShownStavesBreaksIt) {
    CBar* bar = score->GetBar(1);
    CLine* line = bar->GetLine();
    CStaff* upper = line->GetStaff(1);
    CStaff* lower = line->GetStaff(2);
    ASSERT_TRUE(upper->GetStaffFlags() & CStaff::kGroupContinuesBit);
    const int between = (upper->GetBottomLine() + lower->GetTopLine()) / 2;
    {
        commandtest::RecordedTasks recorded;
        // Between the voice and the piano the bar line is not joined: nothing.
        Erase(nullptr, 0, 0, 1, 0, 0, 0, POINT{bar->GetLeft(), (line->GetStaff(0)->GetBottomLine() + upper->GetTopLine()) / 2});
        EXPECT_TRUE(recorded.made.empty());
        Erase(nullptr, 0, 0, 1, 0, 0, 0, POINT{bar->GetLeft(), between});
        ASSERT_EQ(recorded.made.size(), 1u);
        EXPECT_EQ(recorded.made[0].className, "CBreakLineTask");
        EXPECT_EQ(recorded.made[0].command, 4300);
        EXPECT_EQ(doc->location.trackIndex, 1);
    }
    // Clicked for real: the piano's bar lines are no longer joined in any system.
    const RECT paper = score->GetPage(0)->GetPaperRect();
    Use(ToolState::kErase, 0);
    ClickAt(POINT{LONG(bar->GetLeft() - paper.left), LONG(between - paper.top)});
    for (int s = 0; s < score->GetLineCount(); ++s)
        EXPECT_FALSE(score->GetLine(s)->GetStaff(1)->GetStaffFlags() & CStaff::kGroupContinuesBit);
    EXPECT_EQ(doc->GetUndoCount(), 1);
}

TEST_F(EraseScaleScrub, ABracketHitErasesThatBracketOfItsStaffInEverySystem) {
    CLine* line = score->GetLine(0);
    ASSERT_EQ(line->GetStaff(1)->GetBracketKind(0), 1);  // the piano's brace
    g_model.currentBracketSlot = 0;
    Erase(score->GetTrack(1), 3, 1, 0);
    for (int s = 0; s < score->GetLineCount(); ++s) EXPECT_EQ(score->GetLine(s)->GetStaff(1)->GetBracketKind(0), 0);
    EXPECT_EQ(doc->GetUndoCount(), 1);
}

TEST_F(EraseScaleScrub, ABarNumberGovernedByAnotherBarIsErasedFromTheGoverningBar) {
    alignas(8) std::uint8_t record[CBarNumber::kSize + 16] = {};
    auto* number = static_cast<CBarItem*>(ConstructClass(CBarNumber::kTypeCode, record));
    ASSERT_NE(number, nullptr);
    CBar* governing = score->GetBar(0);
    ASSERT_TRUE(governing->ReplaceBarNumberItem(number));
    CBar* governed = score->GetBar(2);
    governed->SetBarNumberLink(0);
    ASSERT_NE(governed->GetBarNumberItem(false), nullptr);
    {
        // A link that names no bar of the score erases nothing.
        commandtest::RecordedTasks recorded;
        governed->SetBarNumberLink(score->GetBarCount());
        Erase(governing->GetBarNumberItem(true), 2, 0, 2, 3);
        EXPECT_TRUE(recorded.made.empty());
        governed->SetBarNumberLink(0);
    }
    const std::vector<std::uint8_t> before = Saved(*doc);
    Erase(governed->GetBarNumberItem(false), 2, 0, 2, 3);
    EXPECT_EQ(score->GetBar(0)->GetBarNumberItem(true), nullptr);
    ASSERT_EQ(doc->GetUndoCount(), 1);
    doc->Undo();
    EXPECT_NE(score->GetBar(0)->GetBarNumberItem(true), nullptr);
    EXPECT_EQ(Saved(*doc), before);
}

// --- scale -------------------------------------------------------------------------------------------

TEST_F(EraseScaleScrub, ScaleBandMarksTheShownStavesWhoseReferencePointItHolds) {
    Use(ToolState::kScale, 0);
    CLine* line = score->GetLine(1);
    CStaff* s0 = line->GetStaff(0);
    CStaff* s1 = line->GetStaff(1);
    const RECT paper = score->GetPage(0)->GetPaperRect();
    auto pane_ = [&](int x, int y) { return POINT{LONG(x - paper.left), LONG(y - paper.top)}; };
    const int x = s0->GetLeft();
    for (const int staves : {2, 1}) {
        SCOPED_TRACE(staves);
        commandtest::RecordedTasks recorded;
        // From above the system's first staff, over the left ends of one or two staves.
        const int bottom = staves == 2 ? s1->GetReferenceY() + 3 : s0->GetReferenceY() + 3;
        DragFromTo(pane_(x + 200, s0->GetTopLine() - 2 * s0->Space()), pane_(x - 10, bottom));
        ASSERT_EQ(recorded.made.size(), 1u);
        EXPECT_EQ(recorded.made[0].className, "CPctTask");
        EXPECT_EQ(recorded.made[0].command, 4334);
        EXPECT_TRUE(s0->IsSelected());
        EXPECT_EQ(s1->IsSelected(), staves == 2);
        EXPECT_FALSE(line->GetStaff(2)->IsSelected());
        EXPECT_FALSE(score->GetLine(0)->GetStaff(0)->IsSelected());
        EXPECT_EQ(g_view.staffToScale, staves == 2 ? nullptr : s0);
    }
}

TEST_F(EraseScaleScrub, ScaleOnAStaffMakesItTheStaffToScaleAndOnItemsScalesThem) {
    CLine* line = score->GetLine(0);
    CStaff* staff = line->GetStaff(2);
    {
        commandtest::RecordedTasks recorded;
        doc->paneLocation.staff = staff;
        doc->location.staff = staff;
        pane->hitKind = 6;
        pane->OnScaleTool(staff->GetLeft(), staff->GetReferenceY(), staff);
        ASSERT_EQ(recorded.made.size(), 1u);
        EXPECT_EQ(recorded.made[0].command, 4334);
        EXPECT_EQ(g_view.staffToScale, staff);
        EXPECT_TRUE(staff->IsSelected());
        EXPECT_FALSE(line->GetStaff(1)->IsSelected());
    }
    {
        commandtest::RecordedTasks recorded;
        Use(ToolState::kScale, 0);
        ClickAt(At(0, 0, 960, 0));
        ASSERT_EQ(recorded.made.size(), 1u);
        EXPECT_EQ(recorded.made[0].className, "CPctTask");
        EXPECT_EQ(recorded.made[0].command, 4313);
    }
    {
        // A part of the score other than an item or a staff: nothing.
        commandtest::RecordedTasks recorded;
        doc->DeselectAll();
        pane->hitKind = 8;
        pane->OnScaleTool(0, 0, score->GetBar(0));
        EXPECT_TRUE(recorded.made.empty());
    }
}

// --- scrub -------------------------------------------------------------------------------------------

TEST_F(EraseScaleScrub, AHeadShorterThanSixtyTicksSoundsForSixtyTicksOfPointerTime) {
    auto* note = static_cast<CRawNote*>(NoteAt(0, 0, 960));
    ASSERT_NE(note, nullptr);
    note->Head(0)->SetDuration(20);
    CTrkBar* tb = score->GetTrkBar(0, 0);
    CBar* bar = score->GetBar(0);
    const RECT paper = score->GetPage(0)->GetPaperRect();
    const int from = bar->FractionToX(note->PositionField());
    // Points whose time lies 30-59 ticks after the note (still sounding) and past 60.
    int within = -1, past = -1;
    for (int x = from; x < from + 200 && past < 0; ++x) {
        const int t = tb->XToTick(x) - 960;
        if (t > 25 && t < 59 && within < 0) within = x;
        if (t >= 61) past = x;
    }
    ASSERT_GE(within, 0);
    ASSERT_GE(past, 0);
    const int y = int(tb->GetStaff()->PositionToY(0) - paper.top);
    auto& sent = testsupport::RecordedMidi();
    Use(ToolState::kScrub, 0);
    auto onsOffs = [&](int pitch, int* ons, int* offs) {
        *ons = *offs = 0;
        for (const auto& m : sent)
            if (m.kind == testsupport::MidiRecorder::Kind::Message3 && m.b == pitch) ++(m.c > 0 ? *ons : *offs);
    };
    const int pitch = note->Head(0)->Pitch();
    // Pressed on the note and moved within its sixty ticks: on, and no off before the release.
    sent.clear();
    std::vector<POINT> way{POINT{from - paper.left, y}, POINT{within - paper.left, y}};
    fw::uitest::Move(pane, int(way[0].x), y);
    fw::uitest::Drag(pane, way, fw::uitest::kLeft);
    fw::uitest::RunUntilIdle();
    // The release ends every head of the range: the three of the track's bar 0 share the pitch.
    int ons = 0, offs = 0;
    onsOffs(pitch, &ons, &offs);
    EXPECT_EQ(ons, 1);
    EXPECT_EQ(offs, 3);
    // Moved past them: the note stops before the release ends it again.
    sent.clear();
    way.push_back(POINT{past - paper.left, y});
    fw::uitest::Drag(pane, way, fw::uitest::kLeft);
    fw::uitest::RunUntilIdle();
    onsOffs(pitch, &ons, &offs);
    EXPECT_EQ(ons, 1);
    EXPECT_EQ(offs, 1 + 3);
}

// --- the staves palette ----------------------------------------------------------------------------

TEST_F(EraseScaleScrub, TheStavesPalettesFirstButtonsInsertAStaffAndTheOthersDrawABand) {
    commandtest::RecordedTasks recorded;
    Use(915, 3);
    ClickAt(At(0, 1, 0, 0));
    ASSERT_EQ(recorded.made.size(), 1u);
    EXPECT_EQ(recorded.made[0].className, "CTrackTask");
    EXPECT_EQ(recorded.made[0].command, 4312);
    // A bracket button's press and release at one point: no band, no undo step.
    Use(915, 8);
    ClickAt(At(0, 1, 0, 0));
    EXPECT_EQ(recorded.made.size(), 1u);
    EXPECT_EQ(doc->GetUndoCount(), 0);
}
