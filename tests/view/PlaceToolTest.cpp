// The palettes' placing tools clicked into a page pane: clefs, dynamics, hairpins, expressions
// and symbols. Each click puts its records in, field by field as the tool builds them, and one
// undo gives the score back byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ViewFixture.h"
#include "framework/Memory.h"
#include "framework/StringTable.h"
#include "framework/MessageBox.h"
#include "model/Articulation.h"
#include "model/Bar.h"
#include "model/ChordRecords.h"
#include "model/Clef.h"
#include "model/DragTask.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/NewScore.h"
#include "model/Page.h"
#include "model/PlaybackMarks.h"
#include "model/Preferences.h"
#include "model/Symbol.h"
#include "model/TieType.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntry.h"
#include "model/TrkBarEntryFields.h"
#include "model/TrkBarWalk.h"
#include "platform/DlgCombosStandIns.h"
#include "platform/DrawGlobals.h"
#include "platform/LibraryStandIns.h"
#include "platform/PlatformGlobals.h"
#include "platform/Theory.h"
#include "view/PlaceTools.h"
#include "view/ToolState.h"

namespace {

std::vector<std::uint8_t> Saved(CZelDoc& doc) {
    char temp[] = "/tmp/placetool-XXXXXX";
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

std::string Text(UINT id) {
    std::string text;
    fw::LoadStringResource(id, text);
    return text;
}

// An expression library entry: kind, flags, playback-on byte, byte 3, text, playback value.
std::vector<std::uint8_t> Entry(const char* text, int kind = 0, std::uint32_t value = 0, int playOn = 0) {
    std::vector<std::uint8_t> e(CExprLib::kEntrySize, 0);
    e[0] = std::uint8_t(kind);
    e[2] = std::uint8_t(playOn);
    std::memcpy(e.data() + 16, text, std::min<std::size_t>(std::strlen(text), 32));
    std::memcpy(e.data() + 48, &value, sizeof value);
    return e;
}

}  // namespace

class PlaceTool : public ViewTest {
protected:
    // A voice-and-piano score (three tracks: voice, piano treble, piano bass) with quarter notes
    // in bar 0 of every track at 0, 960 and 1440 (none at 480), and nothing in bar 1.
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
        g_toolState = ToolState{};
        g_toolState.tool = ToolState::kNote;
        g_toolState.subTool = ToolState::kNoteSub;
        g_toolState.value = 3;
        for (int t = 0; t < 3; ++t)
            for (int tick : {0, 960, 1440}) ClickAt(At(t, 0, tick, 0));
        while (doc->GetUndoCount() > 0) doc->ClearUndo();
        fresh = Saved(*doc);
        ASSERT_FALSE(fresh.empty());
        g_platform.exprLib = &exprLib;
    }
    void TearDown() override {
        g_platform.exprLib = nullptr;
        g_platform.chordLib = nullptr;
        fw::memtest::Reset();
        ViewTest::TearDown();
    }
    void UseTool(int tool, int button) {
        g_toolState.tool = std::int16_t(tool);
        g_toolState.subTool = 0;
        g_toolState.button = std::int16_t(button);
    }
    // The pane point of a time (or, with a negative tick, the position -tick) in a bar of a
    // track at a staff position.
    POINT At(int track, int bar, int tick, int staffPosition) {
        CBar* b = score->GetBar(bar);
        CStaff* staff = score->GetTrkBar(track, bar)->GetStaff();
        const RECT paper = score->GetPage(0)->GetPaperRect();
        const int position = tick >= 0 ? b->TickToFraction(tick, false) : -tick;
        return POINT{LONG(b->FractionToX(position) - paper.left), LONG(staff->PositionToY(staffPosition) - paper.top)};
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
    // The drag in small steps (at once: a single move).
    void DragFromTo(POINT from, POINT to, UINT mods = fw::uitest::kNone, bool atOnce = false) {
        std::vector<POINT> way{from};
        if (atOnce) way.push_back(to);
        const int steps = std::max(1L, std::max(std::labs(to.x - from.x), std::labs(to.y - from.y)) / 4);
        for (int i = 1; i <= steps && !atOnce; ++i)
            way.push_back(POINT{from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
        fw::uitest::Move(pane, int(from.x), int(from.y), mods);
        fw::uitest::Drag(pane, way, fw::uitest::kLeft, mods);
        fw::uitest::RunUntilIdle();
    }
    // The live records of a type in a track's bar.
    std::vector<CBarItem*> Records(int track, int bar, int type) {
        std::vector<CBarItem*> out;
        trkbar::ForEachLiveItem(score->GetTrkBar(track, bar), [&](CBarItem* it) {
            if (it->TypeCode() == type) out.push_back(it);
        });
        return out;
    }
    // Undoes everything and checks the score is the one before the clicks.
    void ExpectUndoneWhole() {
        while (doc->GetUndoPosition() > 0) doc->Undo();
        EXPECT_EQ(Saved(*doc), fresh);
    }

    CScore* score = nullptr;
    CPagePane* pane = nullptr;
    std::vector<std::uint8_t> fresh;
    CExprLib exprLib;
};

// --- clefs ---------------------------------------------------------------------------------------

TEST_F(PlaceTool, ClefButtonsGiveTheirCodesTimedAtTheNextNoteOrRest) {
    const int codes[9] = {0, 1, 2, 7, 8, 9, 10, 11, 12};
    for (int button = 0; button < 9; ++button) {
        SCOPED_TRACE(button);
        UseTool(CClefTool::kToolId, button);
        // Between the notes at 0 and 960 (nearer 480): the clef takes the time of the next one.
        ClickAt(At(0, 0, 600, 0));
        const std::vector<CBarItem*> clefs = Records(0, 0, CClef::kTypeCode);
        ASSERT_EQ(clefs.size(), 1u);
        auto* c = static_cast<CClef*>(clefs[0]);
        EXPECT_EQ(c->GetCode(), codes[button]);
        EXPECT_EQ(c->TimeField(), 960);
        EXPECT_EQ(c->VoiceField(), 0);
        if (button != 2) EXPECT_EQ(c->GetClefStaffPos(), CTheory::GetClefSymbolPos(codes[button]));
        // The size percent of the document's clef word, five more for the movable clef.
        EXPECT_EQ(c->CBaseItem::Scale(), doc->location.words[1] + (button == 2 ? 5 : 0));
        EXPECT_EQ(doc->GetUndoCount(), 1);
        ExpectUndoneWhole();
        doc->ClearUndo();
    }
}

TEST_F(PlaceTool, AClefAtTheScoresStartChangesTheStaffAndTrackClefAndAddsNoItem) {
    for (const bool transposed : {false, true}) {
        SCOPED_TRACE(transposed);
        if (transposed) {
            score->ToggleTransposedDisplay();
            doc->ClearUndo();
            fresh = Saved(*doc);
        }
        const int clefBefore = score->GetTrack(0)->GetClef();
        const int transposedBefore = score->GetTrack(0)->GetTransposedClef();
        UseTool(CClefTool::kToolId, 1);
        ClickAt(AtPosition(0, 0, 0, 9));
        EXPECT_TRUE(Records(0, 0, CClef::kTypeCode).empty());
        // (Undo puts the saved tracks back in place of the live ones: the track is asked anew.)
        CTrack* track = score->GetTrack(0);
        EXPECT_EQ(score->GetTrkBar(0, 0)->GetStaff()->GetClef(), 1);
        EXPECT_EQ(track->GetClef(), transposed ? clefBefore : 1);
        EXPECT_EQ(track->GetTransposedClef(), transposed ? 1 : transposedBefore);
        ExpectUndoneWhole();
        doc->ClearUndo();
    }
}

TEST_F(PlaceTool, TheMovableClefMovesInWholeLinesAtMostTwoEitherWay) {
    struct Case {
        int dragSteps;  // staff positions up from the press
        int staffPos;   // the clef's
        int code;
    } cases[] = {
        {0, 0, 2}, {2, 2, 3}, {3, 2, 3}, {4, 4, 6}, {-3, -4, 4}, {-2, -2, 5}, {5, 0, 2}, {-6, 0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dragSteps);
        UseTool(CClefTool::kToolId, 2);
        // In one move: a move of five or more positions changes nothing.
        DragFromTo(At(0, 1, 960, 0), At(0, 1, 960, c.dragSteps), fw::uitest::kNone, true);
        const std::vector<CBarItem*> clefs = Records(0, 1, CClef::kTypeCode);
        ASSERT_EQ(clefs.size(), 1u);
        EXPECT_EQ(static_cast<CClef*>(clefs[0])->GetClefStaffPos(), c.staffPos);
        EXPECT_EQ(static_cast<CClef*>(clefs[0])->GetCode(), c.code);
        ExpectUndoneWhole();
        doc->ClearUndo();
    }
}

// --- dynamics ------------------------------------------------------------------------------------

TEST_F(PlaceTool, ADynamicGoesOnTheClickedTrackOrWithCtrlAndAltOnFollowingTracks) {
    struct Case {
        const char* name;
        int track, bar;
        UINT mods;
        bool on[3];
    } cases[] = {
        {"no modifier: one dynamic", 1, 0, fw::uitest::kNone, {false, true, false}},
        {"Ctrl: every following shown track, none above", 1, 0, fw::uitest::kCtrl, {false, true, true}},
        {"Ctrl from the first track", 0, 1, fw::uitest::kCtrl, {true, true, true}},
        // Alt: only the tracks with notes in the bar (bar 1 has none).
        {"Alt in an empty bar", 0, 1, fw::uitest::kAlt, {true, false, false}},
        {"Alt in a bar with notes", 0, 0, fw::uitest::kAlt, {true, true, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UseTool(CDynamicTool::kToolId, 6);  // forte
        ClickAt(At(c.track, c.bar, 480, -5), c.mods);
        for (int t = 0; t < 3; ++t) {
            const std::vector<CBarItem*> d = Records(t, c.bar, CDynamic::kType);
            ASSERT_EQ(d.size(), c.on[t] ? 1u : 0u) << "track " << t;
            if (d.empty()) continue;
            CDynamic* dyn = CDynamic::Of(d[0]);
            EXPECT_EQ(dyn->GetMark(), 6);
            EXPECT_EQ(dyn->GetValue(), g_preferences.Word(Preferences::kDynamicsVelocities + 2 * 6));
            EXPECT_EQ(dyn->GetValue(), 90);
            EXPECT_TRUE(dyn->IsAllVoices());
            EXPECT_EQ(dyn->TimeOffsetField(), -10);
            EXPECT_EQ(dyn->TimeField(), 480);
            EXPECT_FALSE(dyn->FlagsA() & CBarItem::kFlag8Bit1);
            // No volume controller on the track: controller 7, velocity playback.
            EXPECT_EQ(dyn->GetController(), 7);
            EXPECT_EQ(dyn->GetPlayKind(), CDynamic::kVelocityKind);
        }
        EXPECT_EQ(doc->GetUndoCount(), 1);
        ExpectUndoneWhole();
        doc->ClearUndo();
    }
}

TEST_F(PlaceTool, ACopyOnAHiddenStaffIsNotPlaced) {
    CStaff* staff = score->GetTrkBar(2, 0)->GetStaff();
    staff->SetStaffFlags(std::uint8_t(staff->GetStaffFlags() & ~CStaff::kShownBit));
    fresh = Saved(*doc);
    UseTool(CDynamicTool::kToolId, 3);
    ClickAt(At(0, 0, 480, -5), fw::uitest::kCtrl);
    EXPECT_EQ(Records(0, 0, CDynamic::kType).size(), 1u);
    EXPECT_EQ(Records(1, 0, CDynamic::kType).size(), 1u);
    EXPECT_EQ(Records(2, 0, CDynamic::kType).size(), 0u);
    ExpectUndoneWhole();
}

// --- hairpins ------------------------------------------------------------------------------------

TEST_F(PlaceTool, HairpinButtonsGiveTheirFormsAndTexts) {
    struct Case {
        int button;
        int shape;
        bool text, dbl;
        std::string words;
    } cases[] = {
        {16, 0, false, false, ""},
        {17, 0, false, true, ""},
        {18, 0, true, false, Text(6630)},
        {19, 1, true, false, Text(6631)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        UseTool(CDynamicTool::kToolId, c.button);
        DragFromTo(At(0, 1, 480, -5), At(0, 1, 1440, -5));
        const std::vector<CBarItem*> h = Records(0, 1, CCresc::kType);
        ASSERT_EQ(h.size(), 1u);
        const CCresc* p = CCresc::Of(h[0]);
        EXPECT_EQ(p->GetShape(), c.shape);
        EXPECT_EQ(p->IsTextForm(), c.text);
        EXPECT_EQ(p->IsDouble(), c.dbl);
        EXPECT_EQ(p->GetText(), c.words);
        EXPECT_EQ(p->TimeField(), 480);
        EXPECT_EQ(p->TimeOffsetField(), -10);
        EXPECT_TRUE(p->IsAllVoices());
        EXPECT_FALSE(p->IsTransient());
        EXPECT_EQ(p->GetUpper(), 90);
        EXPECT_EQ(p->GetLower(), 90);
        EXPECT_EQ(p->GetEndBar(), 0);
        EXPECT_EQ(p->GetEndPosition(), p->PositionField());
        EXPECT_EQ(p->GetController(), 7);
        EXPECT_EQ(p->GetPlayKind(), 0);
        // Drawn rightwards: the end lies further right than the 240 it starts with.
        EXPECT_GT(p->GetEndOffset(), 240);
        ExpectUndoneWhole();
        doc->ClearUndo();
    }
}

TEST_F(PlaceTool, AHairpinDrawnLeftwardsIsADecrescendoWithItsOffsetsExchanged) {
    UseTool(CDynamicTool::kToolId, 16);
    DragFromTo(AtPosition(0, 1, 1000, -5), AtPosition(0, 0, 0, -5));
    const std::vector<CBarItem*> h = Records(0, 1, CCresc::kType);
    ASSERT_EQ(h.size(), 1u);
    const CCresc* p = CCresc::Of(h[0]);
    EXPECT_EQ(p->GetShape(), CCresc::kDecrescendo);
    EXPECT_EQ(p->GetText(), Text(6631));
    // The start now lies left of the press, the end at the press.
    EXPECT_LT(p->GetStartOffset(), 0);
    EXPECT_EQ(p->GetEndOffset(), 0) << p->GetStartOffset();
    ExpectUndoneWhole();
}

TEST_F(PlaceTool, TheHairpinsCurveJoinsTheDynamicsAroundIt) {
    score->GetTrack(0)->SetVoiceVolume(0, 80, false);
    doc->ClearUndo();
    fresh = Saved(*doc);
    const int volume = score->GetTrack(0)->GetVoiceVolume(0);
    ASSERT_EQ(volume, 80);
    auto rising = [](int s, int e) {
        std::vector<int> v;
        for (int i = 0; i < 7; ++i) v.push_back(int(std::lround(s + (e - s) * i / 6.0)));
        return v;
    };
    struct Case {
        const char* name;
        int before, after;  // dynamic buttons in bar 1 at 0 and in bar 2 (-1: none)
        int button;
        std::vector<int> curve;
    } cases[] = {
        {"nothing before: the voice volume to half as much again", -1, 3, 16,
         rising(volume, std::min(volume * 3 / 2, 127))},
        {"100 before, nothing after: to 127", 7, -1, 16, rising(100, 127)},
        {"louder before softer keeps the default", 7, 3, 16, {50, 60, 70, 80, 90, 100, 110}},
        {"the double hairpin's default", 7, 3, 17, {50, 60, 70, 80, 70, 60, 50}},
        {"a decrescendo between louder and softer falls", 7, 3, 19, rising(100, 60)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.before >= 0) {
            UseTool(CDynamicTool::kToolId, c.before);
            ClickAt(At(0, 1, 0, -5));
        }
        if (c.after >= 0) {
            UseTool(CDynamicTool::kToolId, c.after);
            ClickAt(At(0, 2, 0, -5));
        }
        UseTool(CDynamicTool::kToolId, c.button);
        DragFromTo(At(0, 1, 480, -5), At(0, 1, 1440, -5));
        const std::vector<CBarItem*> h = Records(0, 1, CCresc::kType);
        ASSERT_EQ(h.size(), 1u);
        std::vector<int> curve;
        for (int i = 0; i < 7; ++i) curve.push_back(CCresc::Of(h[0])->GetCurveValue(i));
        EXPECT_EQ(curve, c.curve);
        ExpectUndoneWhole();
        doc->ClearUndo();
    }
}

TEST_F(PlaceTool, AHairpinWithCtrlGoesToEveryFollowingTrackAndUndoesWhole) {
    UseTool(CDynamicTool::kToolId, 16);
    DragFromTo(At(1, 1, 480, -5), At(1, 1, 1440, -5), fw::uitest::kCtrl);
    EXPECT_EQ(Records(0, 1, CCresc::kType).size(), 0u);
    EXPECT_EQ(Records(1, 1, CCresc::kType).size(), 1u);
    EXPECT_EQ(Records(2, 1, CCresc::kType).size(), 1u);
    ExpectUndoneWhole();
}

TEST_F(PlaceTool, MemoryRunningOutAmongTheCopiesReportsError100AndKeepsThePlacedUntilUndo) {
    UseTool(CDynamicTool::kToolId, 6);
    const std::vector<std::uint8_t> before = Saved(*doc);
    fw::msgboxtest::Capture boxes;
    // Every allocation of a Ctrl click fails in turn: before the forte is in nothing stays;
    // among the copies the forte and the copies made so far stay as one undo step.
    bool keptPart = false, keptCopy = false, failedAtOnce = false, succeeded = false;
    for (int allowed = 0; allowed < 200 && !succeeded; ++allowed) {
        SCOPED_TRACE(allowed);
        g_platform.errorCode = 0;
        const std::size_t shown = boxes.shown().size();
        fw::memtest::FailAfter(allowed);
        ClickAt(At(0, 1, 480, 0), fw::uitest::kCtrl);
        fw::memtest::Reset();
        const std::size_t placed = Records(0, 1, CDynamic::kType).size();
        if (g_platform.errorCode != 100) {
            succeeded = true;
            EXPECT_EQ(Records(2, 1, CDynamic::kType).size(), 1u);
        } else if (placed == 0) {
            failedAtOnce = true;
            EXPECT_EQ(Saved(*doc), before);
            EXPECT_EQ(doc->GetUndoCount(), 0);
            EXPECT_EQ(boxes.shown().size(), shown + 1);
        } else {
            // The last track got no copy; what was placed stays until undo.
            keptPart = true;
            keptCopy = keptCopy || Records(1, 1, CDynamic::kType).size() == 1;
            EXPECT_EQ(placed, 1u);
            EXPECT_EQ(Records(2, 1, CDynamic::kType).size(), 0u);
            EXPECT_EQ(doc->GetUndoCount(), 1);
            EXPECT_EQ(boxes.shown().size(), shown + 1);
        }
        while (doc->GetUndoPosition() > 0) doc->Undo();
        EXPECT_EQ(Saved(*doc), before);
        doc->ClearUndo();
    }
    g_platform.errorCode = 0;
    EXPECT_TRUE(failedAtOnce);
    EXPECT_TRUE(keptPart);
    EXPECT_TRUE(keptCopy);
    EXPECT_TRUE(succeeded);
}

// --- expressions ---------------------------------------------------------------------------------

namespace {
// The device definitions' articulations: which mark indices were asked; 1001 (staccato) has a
// sample-player setting.
class AskedDefs : public VSTDeviceDefs {
public:
    bool GetArticulation(int, const char*, int code, std::uint8_t* entry) override {
        asked.push_back(code);
        if (code == 1001) entry[1] = 5;
        return true;
    }
    std::vector<int> asked;
};
}  // namespace

TEST_F(PlaceTool, ExpressionTextsTakeTheTracksSettingForTheirFirstWord) {
    CTrack* track = score->GetTrack(0);
    // The track's own setting for "pizz" (mark index 1003, kept in its table's entry 63): a
    // controller value (byte 13, + 1) with playback on (byte 2).
    MarkPlayback& pizz = track->MarkTable().Entry(63);
    pizz = MarkPlayback{};
    pizz.bytes[13] = 12;
    pizz.bytes[2] = 1;
    AskedDefs defs;
    VSTDeviceDefs* kept = GetVSTDeviceDefs();
    SetVSTDeviceDefs(&defs);
    struct Case {
        const char* text;
        int asked;      // the mark index asked of the device (-1: none)
        int kind;       // the entry's after adaptation
        int byte0, byte2, playOn;
    } cases[] = {
        {"pizz", 1003, 2, 11, 0, 1},
        {"Pizzicato", 1003, 2, 11, 0, 1},
        {"PIZZ.", 1003, 2, 11, 0, 1},
        {"STACCATO", 1001, 5, 0, 5, 0},
        {"Stac", -1, 3, 0, 0, 0},  // shorter than the word: no match
        {"ff", -1, 3, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        defs.asked.clear();
        std::vector<std::uint8_t> entry = Entry(c.text, 3, 0);
        AdaptExpressionEntry(entry.data(), track, 0);
        EXPECT_EQ(defs.asked, c.asked < 0 ? std::vector<int>{} : std::vector<int>{c.asked});
        EXPECT_EQ(entry[0], c.kind);
        EXPECT_EQ(entry[48], c.byte0);
        EXPECT_EQ(entry[50], c.byte2);
        EXPECT_EQ(entry[2], c.playOn);
    }
    SetVSTDeviceDefs(kept);
}

TEST_F(PlaceTool, ExpressionsFromTheLibraryAndPastIt) {
    for (const char* t : {"pizz", "cresc", "spicc", "Kind5"}) {
        const std::vector<std::uint8_t> e = Entry(t, std::strcmp(t, "Kind5") == 0 ? 5 : 0, 0, 1);
        ASSERT_TRUE(exprLib.AddEntry(e.data()));
    }
    // A text without its terminator is read within its 32 bytes.
    std::vector<std::uint8_t> full = Entry("");
    std::memset(full.data() + 16, 'x', 32);
    full[48] = 'Z';
    ASSERT_TRUE(exprLib.AddEntry(full.data()));
    struct Case {
        int button;
        int size;
        std::string text;
        int kind;
    } cases[] = {
        {1, 48, "cresc", 0},   // 5 characters: 42 + 6
        {0, 48, "pizz", 0},    // 4 characters: 42 + 5, made even
        {3, 48, "Kind5", 0},   // kind 5 plays as 0 on a track the sample player does not serve
        {4, 76, std::string(32, 'x'), 0},
        {9, 42, "", 0},        // past the library: empty, in the default style
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        UseTool(CExprTool::kToolId, c.button);
        ClickAt(At(0, 1, 480, 6));
        const std::vector<CBarItem*> x = Records(0, 1, CExpression::kType);
        ASSERT_EQ(x.size(), 1u);
        const CExpression* e = CExpression::Of(x[0]);
        EXPECT_EQ(e->RecordSizeField(), c.size);
        EXPECT_EQ(e->GetText(), c.text);
        EXPECT_EQ(e->HasOwnText(), !c.text.empty());
        EXPECT_EQ(e->GetKind(), c.kind);
        EXPECT_TRUE(e->IsPrinted());
        EXPECT_EQ(e->TimeField(), 480);
        EXPECT_EQ(e->GetEndPosition(), e->PositionField());
        if (c.text.empty()) {
            EXPECT_FALSE(e->HasPlayback());
            EXPECT_EQ(e->GetKeySwitchPitch(), 255);
            EXPECT_EQ(e->GetFont().face, g_draw.standardFontRefs[0].face);
            EXPECT_EQ(e->GetFont().size, g_draw.standardFontRefs[0].size);
        }
        ExpectUndoneWhole();
        doc->ClearUndo();
    }
}

TEST_F(PlaceTool, ShiftClickChoosesTheExpressionFromThePopup) {
    for (const char* t : {"a", "bb", "ccc"}) ASSERT_TRUE(exprLib.AddEntry(Entry(t).data()));
    UseTool(CExprTool::kToolId, 0);
    fw::uitest::AnswerMenu(3);  // the third entry
    ClickAt(At(0, 1, 480, 6), fw::uitest::kShift);
    ASSERT_FALSE(fw::uitest::Menus().empty());
    const auto& items = fw::uitest::Menus().back().items;
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(g_toolState.button, 2);
    std::vector<CBarItem*> x = Records(0, 1, CExpression::kType);
    ASSERT_EQ(x.size(), 1u);
    EXPECT_EQ(CExpression::Of(x[0])->GetText(), "ccc");
    // Dismissed: nothing placed, the button stays.
    fw::uitest::AnswerMenu(0);
    ClickAt(At(0, 1, 960, 6), fw::uitest::kShift);
    EXPECT_EQ(Records(0, 1, CExpression::kType).size(), 1u);
    EXPECT_EQ(g_toolState.button, 2);
    ExpectUndoneWhole();
}

// --- symbols -------------------------------------------------------------------------------------

TEST_F(PlaceTool, TheBarLinePalettesEndSymbolStandsAtTheBarsEnd) {
    UseTool(916, 7);
    ClickAt(At(0, 1, 480, 0));
    const std::vector<CBarItem*> s = Records(0, 1, CSymbol::kTypeCode);
    ASSERT_EQ(s.size(), 1u);
    const auto* sym = static_cast<const CSymbol*>(s[0]);
    EXPECT_EQ(sym->PositionField(), 1023);
    EXPECT_EQ(sym->GetCharacter(), 142);
    EXPECT_EQ(sym->GetX(), 120);
    EXPECT_EQ(sym->GetY(), 120);
    EXPECT_TRUE(sym->IsMusicFont());
    EXPECT_TRUE(sym->IsCentred());
    EXPECT_FALSE(sym->IsBarLineMark());
    ExpectUndoneWhole();
}

TEST_F(PlaceTool, FingeringLettersAndAttachedSymbols) {
    // The guitar palette's fingering letters by their sub-values.
    struct Letter {
        int sub;
        char letter;
    } letters[] = {{0, 'p'}, {4, 'c'}, {7, 'P'}};
    for (const Letter& l : letters) {
        SCOPED_TRACE(l.sub);
        UseTool(918, 230);
        g_toolState.subTool = std::int16_t(l.sub);
        ClickAt(At(0, 1, 480, 8));
        const std::vector<CBarItem*> s = Records(0, 1, CSymbol::kTypeCode);
        ASSERT_EQ(s.size(), 1u);
        EXPECT_EQ(static_cast<const CSymbol*>(s[0])->GetCharacter(), std::uint8_t(l.letter));
        EXPECT_EQ(static_cast<const CSymbol*>(s[0])->GetFont().size, 9);
        ExpectUndoneWhole();
        doc->ClearUndo();
    }
}

// A mark palette's click where no note is: a free symbol of the button's mark glyph.
TEST_F(PlaceTool, AMarkPaletteClickBesideTheNotesPlacesItsMarksGlyph) {
    struct Case {
        int tool, button, symbolCode;
        int character;
        bool large;
    } cases[] = {
        {906, 0, 0, 161, false},   // ornament: mark code 0
        {906, 7, 0, 240, true},    // the open string: mark code 48, larger
        {906, 9, 0, 242, true},    // button 9: mark code 8
        {908, 24, 0, 199, false},  // articulation: the button is the mark code
        {911, 81, 6, 162, false},  // the jazz palette's small symbol of the chosen code
        {911, 81, 3, 231, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.tool) + " " + std::to_string(c.button));
        UseTool(c.tool, c.button);
        g_toolState.symbolCode = std::int16_t(c.symbolCode);
        ClickAt(At(0, 1, 480, 8));
        const std::vector<CBarItem*> s = Records(0, 1, CSymbol::kTypeCode);
        ASSERT_EQ(s.size(), 1u);
        const auto* sym = static_cast<const CSymbol*>(s[0]);
        EXPECT_EQ(sym->GetCharacter(), c.character);
        EXPECT_NE(sym->SymbolFlags() & CSymbol::kPaletteBit, 0);
        EXPECT_EQ(sym->GetFont().size == 15, c.large);
        ExpectUndoneWhole();
        doc->ClearUndo();
    }
    // The jazz palette's line buttons make nothing where no note is.
    UseTool(911, 70);
    ClickAt(At(0, 1, 480, 8));
    EXPECT_TRUE(Records(0, 1, CSymbol::kTypeCode).empty());
    EXPECT_EQ(doc->GetUndoCount(), 0);
}

// Characters 178 and 179 attach to the note or rest of the voice nearest the click when it lies
// within 64/1024 of the bar; further away the symbol keeps the click's own place.
TEST_F(PlaceTool, AnAttachingSymbolTakesTheTimeOfANoteWithinReach) {
    CTrkBar* tb = score->GetTrkBar(0, 0);
    CBarItem* note = nullptr;
    trkbar::ForEachLiveItem(tb, [&](CBarItem* it) {
        if (it->IsNote() && it->TimeField() == 960) note = it;
    });
    ASSERT_NE(note, nullptr);
    const int notePosition = note->PositionField();
    for (const int distance : {-64, 64, 65, -65}) {
        SCOPED_TRACE(distance);
        UseTool(ToolState::kGraphic, 0);
        g_model.noteMarkInputs.textChar = 178;
        ScoreLocation& at = doc->location;
        const POINT p = At(0, 0, 960, 8);
        const RECT paper = score->GetPage(0)->GetPaperRect();
        score->LocatePoint(int(p.x + paper.left), int(p.y + paper.top), &at);
        at.position = std::int16_t(notePosition + distance);
        at.time = 700;
        at.voice = 0;
        CSymbolTool tool;
        tool.Start(doc.get(), nullptr, CSymbolTool::kNameId);
        const POINT page{p.x + paper.left, p.y + paper.top};
        tool.MouseDown(page);
        tool.MouseUp(page, page, page);
        const std::vector<CBarItem*> s = Records(0, 0, CSymbol::kTypeCode);
        ASSERT_EQ(s.size(), 1u);
        const auto* sym = static_cast<const CSymbol*>(s[0]);
        const bool attached = std::abs(distance) <= 64;
        EXPECT_EQ(sym->GetCharacter(), 178);
        EXPECT_EQ(sym->GetX(), attached ? -30 : -150);
        EXPECT_EQ(sym->PositionField(), attached ? notePosition : notePosition + distance);
        EXPECT_EQ(sym->TimeField(), attached ? 960 : 700);
        EXPECT_EQ(sym->TimeOffsetField(), 10);
        EXPECT_EQ(sym->Byte(CSymbol::kOldValue), 10);
        if (tool.HasSnapshot()) tool.SwapSnapshot();
        EXPECT_EQ(Saved(*doc), fresh);
    }
}

// --- chord symbols -------------------------------------------------------------------------------

namespace {
// A chord library that names every chord 5 and keeps the pitches it was asked about.
class NamingChordLib : public CChordLib {
public:
    int NameChord(const int* pitches, int count) override {
        asked.assign(pitches, pitches + count);
        return 5;
    }
    std::vector<int> asked;
};
}  // namespace

TEST_F(PlaceTool, AClickOnAPianoNoteNamesTheChordOfBothStavesAtMostTwelvePitches) {
    NamingChordLib lib;
    g_platform.chordLib = &lib;
    ASSERT_TRUE(score->GetTrack(1)->IsGrandStaffTop());
    // Seven more heads on each piano staff's note at 960: fifteen pitches in all.
    for (int t : {1, 2})
        for (int s = -6; s <= 6; s += 2)
            if (s != 0) ClickAt(At(t, 0, 960, s));
    doc->ClearUndo();
    fresh = Saved(*doc);
    auto headsOf = [&](int t) {
        std::vector<int> pitches;
        trkbar::ForEachLiveItem(score->GetTrkBar(t, 0), [&](CBarItem* it) {
            if (it->IsNote() && it->TimeField() == 960)
                for (int h = 0; h < entry::HeadCount(it); ++h) pitches.push_back(entry::HeadAt(it, h)[entry::kHeadPitch]);
        });
        return pitches;
    };
    const std::vector<int> upper = headsOf(1), lower = headsOf(2);
    ASSERT_EQ(upper.size() + lower.size(), 14u);
    // The lower staff's heads first, then the clicked note's, twelve in all.
    std::vector<int> want = lower;
    for (int p : upper)
        if (want.size() < 12) want.push_back(p);
    UseTool(CChordTool::kToolId, 0);
    // On the upper note's head on the middle line (the pointer over it or beside it).
    ClickAt(At(1, 0, 960, 0));
    EXPECT_EQ(lib.asked, want);
    EXPECT_EQ(g_toolState.chordIndex, 5);
    // The symbol stands at the note's time.
    const std::vector<CBarItem*> chords = Records(1, 0, CChord::kType);
    ASSERT_EQ(chords.size(), 1u);
    EXPECT_EQ(chords[0]->TimeField(), 960);
    EXPECT_EQ(CChord::Of(chords[0])->GetDuration(), 480);
    EXPECT_EQ(CChord::Of(chords[0])->GetVelocity(), 80);
    ExpectUndoneWhole();
    g_platform.chordLib = nullptr;
}

// The symbol takes the time of the first live note or rest in the run whose position lies less
// than 64/1024 of the bar from the click, not the nearest one; further away the click's own.
TEST_F(PlaceTool, AChordSymbolAttachesToTheFirstNoteWithinReach) {
    g_toolState.tool = ToolState::kNote;
    g_toolState.subTool = ToolState::kNoteSub;
    g_toolState.value = 4;
    ClickAt(At(0, 1, 0, 0));
    ClickAt(At(0, 1, 240, 2));
    doc->ClearUndo();
    fresh = Saved(*doc);
    int first = -1, second = -1;
    trkbar::ForEachLiveItem(score->GetTrkBar(0, 1), [&](CBarItem* it) {
        if (it->IsNote() && it->TimeField() == 0) first = it->PositionField();
        if (it->IsNote() && it->TimeField() == 240) second = it->PositionField();
    });
    ASSERT_GE(first, 0);
    ASSERT_GT(second, first);
    struct Case {
        int position, time;
    } cases[] = {
        {first + 63, 0},
        {first + 64, second - (first + 64) < 64 ? 240 : 777},
        {second + 63, 240},
        {second + 64, 777},
        // Both within reach (when the notes stand close enough): the earlier in the run wins.
        {std::min(first + 63, second - 1), 0},
    };
    UseTool(CChordTool::kToolId, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        ScoreLocation& at = doc->location;
        const POINT p = At(0, 1, 0, 10);
        const RECT paper = score->GetPage(0)->GetPaperRect();
        score->LocatePoint(int(p.x + paper.left), int(p.y + paper.top), &at);
        at.position = std::int16_t(c.position);
        at.time = 777;
        at.voice = 0;
        CChordTool tool;
        tool.Start(doc.get(), nullptr, CChordTool::kToolId);
        tool.BuildItem();
        EXPECT_EQ(tool.ScratchItem()->TimeField(), c.time);
        EXPECT_EQ(tool.ScratchItem()->TypeCode(), CChord::kType);
    }
}

// In diagram mode the frame comes from the chord tool's own frame while one is pending, else
// from the library's frame at the current chord, else it is a default one; the palette's
// text-only and bass-below choices, not the source's, decide those two bytes.
TEST_F(PlaceTool, InDiagramModeTheLibrarysFrameAPendingOneOrADefaultOneIsPlaced) {
    CChordLib lib;
    lib.mode = 1;
    std::uint8_t frame[CChordLib::kEntrySize] = {};
    frame[CGuitarFrame::kStrings] = 5;
    frame[CGuitarFrame::kFrets] = 3;
    frame[58] = 'X';  // the name
    // The library frame's own placement and capo are not taken over, nor its name-only and
    // bass-below bytes.
    rec::Put<std::int16_t>(frame, CGuitarFrame::kXOffset, 77);
    rec::Put<std::int16_t>(frame, CGuitarFrame::kYOffset, -55);
    frame[CGuitarFrame::kCapo] = 9;
    frame[CGuitarFrame::kNameOnly] = 1;
    frame[CGuitarFrame::kBassBelow] = 1;
    ASSERT_TRUE(lib.AddEntry(frame));
    g_platform.chordLib = &lib;
    // The chord tool's own frame: four strings, five frets, named "P", placed elsewhere.
    std::uint8_t own[CGuitarFrame::kSize] = {};
    rec::Put<std::int16_t>(own, rec::kSize, std::int16_t(CGuitarFrame::kSize));
    own[rec::kType] = std::uint8_t(CGuitarFrame::kType);
    own[CGuitarFrame::kStrings] = 4;
    own[CGuitarFrame::kFrets] = 5;
    own[58] = 'P';
    rec::Put<std::int16_t>(own, CGuitarFrame::kXOffset, 33);
    own[CGuitarFrame::kCapo] = 7;
    // A capo of 2 in the track's tablature settings, the score's frames named both ways: on a
    // standard staff the frame keeps its own capo, on tablature it takes the track's.
    CTrack* track = score->GetTrack(0);
    rec::Put<std::uint8_t>(track, CTrack::kStrings, std::uint8_t((rec::Get<std::uint8_t>(track, CTrack::kStrings) & 0xF0) | 2));
    score->capoMode = 2;
    fresh = Saved(*doc);
    struct Case {
        int index;
        bool pending;
        int textOnly, below;
        bool tablature;
        int strings, frets;
        char name;
        int capo, mode;
    } cases[] = {
        {0, false, 0, 0, false, 5, 3, 'X', 9, 0},  // the library's frame
        {4, false, 0, 0, false, 6, 4, 0, 0, 0},    // no library frame there: a default one
        {0, true, 0, 0, false, 4, 5, 'P', 7, 0},   // the pending frame goes first
        {4, true, 1, 1, false, 4, 5, 'P', 7, 0},   // ... also where the library has none
        {4, false, 1, 1, false, 6, 4, 0, 0, 0},
        {0, false, 1, 0, true, 5, 3, 'X', 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.index << (c.pending ? " pending" : "") << " text only " << c.textOnly
                                        << " below " << c.below << (c.tablature ? " tablature" : ""));
        if (c.tablature) {
            track->SetStaffKind(2);
            fresh = Saved(*doc);
        }
        UseTool(CChordTool::kToolId, 0);
        g_toolState.chordIndex = std::int16_t(c.index);
        g_toolState.chordFramePending = c.pending ? 1 : 0;
        std::memcpy(g_toolState.chordFrame, own, sizeof own);
        g_toolState.chordTextOnly = std::uint8_t(c.textOnly);
        g_toolState.chordBassBelow = std::uint8_t(c.below);
        ClickAt(At(0, 1, 480, 12));
        const std::vector<CBarItem*> f = Records(0, 1, CGuitarFrame::kType);
        ASSERT_EQ(f.size(), 1u);
        const CGuitarFrame* g = CGuitarFrame::Of(f[0]);
        EXPECT_EQ(g->GetStrings(), c.strings);
        EXPECT_EQ(g->GetFrets(), c.frets);
        EXPECT_EQ(f[0]->Bytes()[58], std::uint8_t(c.name));
        EXPECT_EQ(f[0]->Bytes()[CGuitarFrame::kNameOnly], c.textOnly);
        EXPECT_EQ(f[0]->Bytes()[CGuitarFrame::kBassBelow], c.below);
        EXPECT_EQ(g->GetDuration(), 480);
        EXPECT_EQ(g->GetVelocity(), 80);
        EXPECT_EQ(g->GetXOffset(), 0);
        EXPECT_EQ(g->GetYOffset(), 0);
        EXPECT_EQ(g->GetCapo(), c.capo);
        EXPECT_EQ(g->GetCapoMode(), c.mode);
        EXPECT_EQ(f[0]->FlagsA() & CBarItem::kFlag8Bit1, CBarItem::kFlag8Bit1);
        EXPECT_EQ(f[0]->FlagsB() & CBarItem::kSelectedBit, 0);
        // The pending frame stays pending for the next click.
        EXPECT_EQ(g_toolState.chordFramePending, c.pending ? 1 : 0);
        ExpectUndoneWhole();
        doc->ClearUndo();
    }
    g_platform.chordLib = nullptr;
}

// In a bar with no note or rest the placed symbol and those already there go onto the bar's
// beats (more symbols than beats share the bar out evenly); with automatic spacing the bar is
// respaced, which puts each symbol at its time's position.
TEST_F(PlaceTool, InABarWithoutNotesTheChordSymbolsGoOnTheBeatsAndTheBarIsRespaced) {
    struct Case {
        std::vector<int> clicks, times;
        bool autoSpacing;
    } cases[] = {
        {{600, 700}, {480, 960}, true},
        {{600, 700}, {480, 960}, false},
        // Five in 4/4: an odd count against an even numerator shares the bar in six.
        {{100, 500, 900, 1300, 1700}, {0, 320, 640, 960, 1280}, true},
    };
    const bool keep = g_entry.autoSpacing;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.clicks.size() << " clicks, spacing " << c.autoSpacing);
        g_entry.autoSpacing = c.autoSpacing;
        UseTool(CChordTool::kToolId, 0);
        std::vector<int> clickPositions;
        for (int tick : c.clicks) {
            const POINT p = At(0, 1, tick, 12);
            ClickAt(p);
            const std::vector<CBarItem*> last = Records(0, 1, CChord::kType);
            ASSERT_FALSE(last.empty());
        }
        CBar* bar = score->GetBar(1);
        std::vector<int> times, positions, wanted;
        for (CBarItem* ch : Records(0, 1, CChord::kType)) {
            times.push_back(ch->TimeField());
            positions.push_back(ch->PositionField());
        }
        std::sort(times.begin(), times.end());
        EXPECT_EQ(times, c.times);
        // Respaced: each symbol at its time's position; else the first keeps its click's.
        bar->MakeCurrent();
        for (CBarItem* ch : Records(0, 1, CChord::kType)) wanted.push_back(bar->TickToFraction(ch->TimeField(), true));
        if (c.autoSpacing) EXPECT_EQ(positions, wanted);
        else EXPECT_NE(positions, wanted);
        EXPECT_EQ(doc->GetUndoPosition(), int(c.clicks.size()));
        ExpectUndoneWhole();
        doc->ClearUndo();
    }
    g_entry.autoSpacing = keep;
}

// --- dragging placed items with the select tool ------------------------------------------------

namespace {
// A pane point that the item's own hit test takes (none: -1, -1).
POINT ItemPoint(CScore& score, CBarItem* item, int track, int bar) {
    CTrkBar* tb = score.GetTrkBar(track, bar);
    score.GetBar(bar)->MakeCurrent();
    tb->SetCurrent();
    RECT bounds{};
    static_cast<CScoreItem*>(item)->GetBounds(&bounds);
    const RECT paper = score.GetPage(0)->GetPaperRect();
    const int midY = int(bounds.top + bounds.bottom) / 2;
    for (int dy = 0; dy <= int(bounds.bottom - bounds.top); ++dy)
        for (int y : {midY + dy, midY - dy})
            for (int x = int(bounds.left); x <= int(bounds.right); ++x)
                if (static_cast<CScoreItem*>(item)->HitTest(x, y)) return POINT{LONG(x - paper.left), LONG(y - paper.top)};
    return POINT{-1, -1};
}
}  // namespace

// With the select tool and Ctrl a placed item is copied: the drag moves the copy and the source
// stays; a Ctrl click without moving leaves one item; the copy drag is one undo step.
TEST_F(PlaceTool, ACtrlDragOfAPlacedItemMovesACopyAndACtrlClickLeavesOne) {
    // The dynamics of bar 0 on every track: (track, time) of each.
    auto dynamics = [&] {
        std::vector<std::pair<int, int>> out;
        for (int t = 0; t < 3; ++t)
            for (CBarItem* d : Records(t, 0, CDynamic::kType)) out.push_back({t, d->TimeField()});
        return out;
    };
    UseTool(CDynamicTool::kToolId, 6);
    ClickAt(At(0, 0, 480, -5));
    const std::vector<std::pair<int, int>> placed{{0, 480}};
    ASSERT_EQ(dynamics(), placed);
    UseTool(ToolState::kSelect, 0);
    const POINT p = ItemPoint(*score, Records(0, 0, CDynamic::kType)[0], 0, 0);
    ASSERT_GE(p.x, 0);

    ClickAt(p, fw::uitest::kCtrl);
    EXPECT_EQ(dynamics(), placed) << "a Ctrl click leaves one";

    const std::vector<std::uint8_t> before = Saved(*doc);
    const int undo = doc->GetUndoCount();
    const POINT to{At(0, 0, 1440, -5).x + (p.x - At(0, 0, 480, -5).x), p.y};
    DragFromTo(p, to, fw::uitest::kCtrl);
    std::vector<std::pair<int, int>> after = dynamics();
    ASSERT_EQ(after.size(), 2u) << "the source stays";
    EXPECT_EQ(std::count(after.begin(), after.end(), placed[0]), 1);
    EXPECT_EQ(doc->GetUndoCount(), undo + 1);
    doc->Undo();
    EXPECT_EQ(Saved(*doc), before);

    // Without Ctrl the item itself moves.
    DragFromTo(p, to);
    after = dynamics();
    ASSERT_EQ(after.size(), 1u);
    EXPECT_NE(after[0], placed[0]);
}

// A bar item dragged onto the next staff down takes that staff only where the pointer's staff
// position there is 3 or lower; onto the staff above only at -3 or higher; a slur never changes
// staff. Read from the drag's location after each move, the drag running on the item directly.
TEST_F(PlaceTool, ADraggedBarItemChangesStaffOnlyWellInsideTheNextOneAndASlurNever) {
    const RECT paper = score->GetPage(0)->GetPaperRect();
    auto page = [&](POINT p) { return POINT{p.x + paper.left, p.y + paper.top}; };
    auto firstNote = [&](int track) {
        CBarItem* out = nullptr;
        trkbar::ForEachLiveItem(score->GetTrkBar(track, 0), [&](CBarItem* it) {
            if (!out && it->IsNote()) out = it;
        });
        return out;
    };
    // The track of the drag's location after the pointer went from `from` through each of `to`
    // (page points) in steps of two units.
    auto tracksOnTheWay = [&](CScoreItem* item, POINT from, std::vector<POINT> to) {
        ScoreLocation& ip = doc->location;
        score->LocatePoint(from.x, from.y, &ip);
        ip.bar = score->GetBar(ip.barIndex);
        ip.page = score->GetPage(0);
        ip.pageIndex = 0;
        ip.trkBar = score->GetTrkBar(ip.trackIndex, ip.barIndex);
        g_viewDrag.tool = ToolState::kSelect;
        auto* drag = new CDragTask;
        drag->Begin(doc.get(), item, 0);
        drag->MouseDown(from);
        std::vector<int> tracks;
        POINT previous = from;
        for (const POINT target : to) {
            while (previous.y != target.y) {
                const POINT current{target.x, previous.y + std::clamp<LONG>(target.y - previous.y, -2, 2)};
                drag->MouseMove(current, previous, from);
                previous = current;
            }
            tracks.push_back(g_model.dragStart.trackIndex);
        }
        drag->MouseUp(previous, previous, from);
        drag->Redraw();
        if (drag->IsUndoable()) {
            doc->PushUndo(drag);
            doc->Undo();
        } else {
            delete drag;
        }
        return tracks;
    };
    const POINT fromTop = page(At(0, 0, 0, 0));
    EXPECT_EQ(tracksOnTheWay(firstNote(0), fromTop, {page(At(1, 0, 0, 4)), page(At(1, 0, 0, 3))}),
              (std::vector<int>{0, 1}))
        << "down: kept at 4, taken at 3";
    const POINT fromMiddle = page(At(1, 0, 0, 0));
    EXPECT_EQ(tracksOnTheWay(firstNote(1), fromMiddle, {page(At(0, 0, 0, -4)), page(At(0, 0, 0, -3))}),
              (std::vector<int>{1, 0}))
        << "up: kept at -4, taken at -3";

    // A slur from the first note to the second stays on its staff wherever it is dragged.
    CTrkBar* tb = score->GetTrkBar(0, 0);
    tb->SetCurrent();
    alignas(8) std::uint8_t bytes[CSlur::kSize] = {};
    rec::Put<std::int16_t>(bytes, rec::kSize, std::int16_t(CSlur::kSize));
    auto* made = static_cast<CSlur*>(ConstructItem(CSlur::kType, bytes));
    made->InitNew(0, 0, firstNote(0)->PositionField());
    CBarItem* slur = tb->InsertCopy(made);
    ASSERT_NE(slur, nullptr);
    EXPECT_EQ(tracksOnTheWay(slur, fromTop, {page(At(1, 0, 0, 0)), page(At(2, 0, 0, 0))}), (std::vector<int>{0, 0}));
}
