// The document's command dispatch over a score of two tracks: what operation each id makes and how it is
// attached, the ids that act at once, the text editor's share of the commands, Cut after its
// copy, Page Setup, and the update rules that grey, check and name the File, Edit, Score and
// Measure entries.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "framework/Clipboard.h"
#include "framework/CmdUI.h"
#include "framework/CodePage.h"
#include "framework/Cursor.h"
#include "framework/Globals.h"
#include "framework/Memory.h"
#include "model/TextTask.h"
#include "model/Bar.h"
#include "model/DocumentStandIns.h"
#include "model/EditTask.h"
#include "model/ModelGlobals.h"
#include "model/NewScore.h"
#include "model/PageSetup.h"
#include "model/Preferences.h"
#include "model/Playback.h"
#include "model/Score.h"
#include "model/Select.h"
#include "model/TaskMakers.h"
#include "model/Track.h"
#include "model/ViewInterface.h"
#include "model/ZelDoc.h"
#include "notation/NotationClasses.h"
#include "platform/PlatformGlobals.h"
#include "platform/Port.h"
#include "support/CommandRecorder.h"
#include "support/TempHome.h"
#include "support/TestData.h"

namespace {

using commandtest::Attached;

// A printer whose set-up dialog answers as the test says and changes the paper when confirmed.
class SetupPrinter : public PrinterSystem {
public:
    bool confirm = false;
    int dialogs = 0;
    PrinterCaps caps{5100, 6600, 150, 150, 4800, 6300, 600, 600};  // US Letter at 600 dpi
    bool GetDefaultPrinter(std::vector<std::uint8_t>* mode, std::string*, std::string* device, std::string*) override {
        mode->assign(220, 0);
        *device = "Fake";
        return true;
    }
    bool GetDeviceCaps(const PrinterSetup&, PrinterCaps* out) override {
        *out = caps;
        return true;
    }
    bool RunSetupDialog(std::vector<std::uint8_t>*, std::string*) override {
        ++dialogs;
        if (confirm) caps = PrinterCaps{7016, 9921, 150, 150, 6716, 9621, 600, 600};  // A3-ish, taller
        return confirm;
    }
};

// The page pane that holds the text editor: counts its closings.
class EditorPane : public CPagePaneBase {
public:
    int closed = 0;
    int cursorOffs = 0;
    void CloseTextEditor() override { ++closed; }
    void CursorOff() override { ++cursorOffs; }
};

// A performed operation that keeps its snapshot: it goes on the undo list under its name.
class NamedTask : public CScoreTask {
public:
    bool Perform() override { return true; }
};

struct ScoreEnv {
    testsupport::TempHome home;
    SetupPrinter printer;
    PrinterSystem* before = nullptr;
    std::unique_ptr<CZelDoc> doc;
    ScoreEnv() {
        fw::ResetAllGlobals();
        before = SetPrinterSystem(&printer);
        RegisterTrackClass();
        RegisterNotationClasses();
        InitDrawing();
        // Two tracks of notes over 32 bars, 8 systems, 2 pages.
        doc = std::make_unique<CZelDoc>();
        EXPECT_TRUE(doc->OnOpenDocument(testsupport::TestDataPath("edit/mixed.zel").c_str()));
        doc->MakeCurrent();
        ChosenPaletteButton() = [] { return 7; };
    }
    ~ScoreEnv() {
        ChosenPaletteButton() = nullptr;
        CopySelectionOperation() = nullptr;
        CurrentToolId() = nullptr;
        PlaybackRunning() = false;
        doc.reset();
        SetPrinterSystem(before);
        fw::ResetAllGlobals();
    }
    CScore& score() { return *doc->GetScore(); }
    void SelectEverything() {
        doc->GetSelection()->SelectTracks(0, score().GetTrackCount() - 1, false);
        ASSERT_GT(doc->GetSelection()->GetItemCount(), 0);
    }
};

std::string Describe(const std::vector<Attached>& made) {
    std::string out;
    for (const Attached& a : made)
        out += a.className + "(" + std::to_string(a.command) + ", " + std::to_string(a.argument) + ")" +
               (a.reselect ? "" : " reselect off") + (a.layoutChanged ? " layout" : "") + (a.waitCursor ? " wait" : "") + "; ";
    return out;
}

// Every id of the tables that makes one operation: class, command id and argument as attach
// receives them, and what is set after attach. The palette's chosen button is 7 and the
// insertion point's drum-map entry 0x120034.
TEST(DocCommandTest, EachIdMakesItsOperationAttachedAsTheTablesSay) {
    ScoreEnv env;
    env.SelectEverything();
    env.doc->location.drumEntry = 0x120034;
    constexpr bool kOff = false, kOn = true;
    struct Row {
        int id;
        const char* cls;
        int command, argument;
        bool reselect = kOn, layout = false, wait = false;
    } rows[] = {
        // Palette and internal ids.
        {926, "CImprovTask", 926, 0},
        {1000, "CDurationTask", 4903, 0, kOff},
        {1008, "CDurationTask", 4903, 8, kOff},
        {1020, "CGraceTask", 1020, 0},
        {35709, "CGraceTask", 35709, 0},
        {1022, "CAddAcciTask", 1022, 1},
        {1024, "CAddAcciTask", 1024, 3},
        {1530, "CNudgeTask", 1530, 1530, kOff},
        {1533, "CNudgeTask", 1533, 1533, kOff},
        {2300, "CBarlineTask", 0, 2300},
        {2308, "CBarlineTask", 0, 2308},
        {33224, "CBarlineTask", 0, 33224},
        {2900, "CDrumTask", 2900, 2900},
        {2907, "CDrumTask", 2907, 2907},
        {4000, "CAddAcciTask", 4000, 7},
        {4004, "CAddDotTask", 4004, 0},
        {4007, "CAddMarkTask", 4007, 7, kOff},
        {4101, "CAddBarreTask", 4101, -1},
        {4102, "CEditPlaybackTask", 4102, 0},
        {4111, "CEditPlaybackTask", 4111, 0},
        {4116, "CEditPlaybackTask", 4116, 0},
        {4117, "CEditPlaybackTask", 4117, 0},
        {4103, "CEditDynamicTask", 4103, 0},
        {4104, "CEndingTask", 4104, 0},
        {4105, "CEditExprTask", 4105, 0},
        {4106, "CHarpTask", 4106, 0},
        {4110, "CRepeatTask", 4110, 0},
        {4114, "CEditGuitarFrameTask", 4114, 0},
        {4115, "CEditCrescTask", 4115, 0},
        {4118, "CEditEnclosureTask", 4118, 0},
        {4130, "CEditGlissTask", 4130, 0},
        {4200, "CAddAcciTask", 4200, -1},
        {4201, "CEraseBarTask", 4201, 0},
        {4203, "CEraseBarTask", 4203, 0},
        {4202, "CEraseBracketTask", 4202, 0},
        {4205, "CErasePageTextTask", 4205, 0},
        {4206, "CTrackTask", 4206, 4206, kOn, true, true},
        {4312, "CTrackTask", 4312, 4312, kOn, true, true},
        {4300, "CBreakLineTask", 4300, 0},
        {4310, "CAddPedalTask", 4310, 0},
        {4311, "CAddPedalTask", 4311, 1},
        {4313, "CPctTask", 4313, 0},
        {4334, "CPctTask", 4334, 1},
        {4322, "CAddGroupTask", 4322, 0},
        {4324, "CAddGroupTask", 4324, 2},
        {4801, "CPenTask", 4801, 4801, kOff},
        {4803, "CPenTask", 4803, 4803, kOff},
        {4810, "CPenTask", 4810, 4810, kOff},
        {4821, "CPenTask", 4821, 4821, kOff},
        {4830, "CPenTask", 4830, 4830, kOff},
        {4835, "CPenTask", 4835, 4835, kOff},
        {4903, "CHeadTask", 4903, 7, kOff},
        {4904, "CHeadTask", 4904, 39, kOff},
        {51000, "CAddDrumExprTask", 51000, 0x120034},
        {51001, "CAddDrumExprTask", 51001, 0x120034},
        {51002, "CChangeDrumPitchTask", 51002, 0x120034},
        // Edit.
        {57632, "CDeleteTask", 57632, 57632},
        {4207, "CEraseTask", 4207, 0},
        {57637, "CPasteTask", 57637, 0},
        {32870, "CPasteTask", 32870, 1},
        {57639, "CPasteTask", 57639, 2},
        {32871, "CVisibleTask", 32871, 0},
        {32872, "CVisibleTask", 32872, 1},
        {32873, "CColorTask", 32873, 32873},
        {32875, "CModifyCtrlTask", 32875, 32875},
        {32876, "CMuteTask", 32876, 1},
        {32877, "CMuteTask", 32877, 0},
        {32878, "COffsetTimeTask", 32878, 32878},
        // Score.
        {33000, "CAddPageTask", 33000, 1, kOn, true},
        {33001, "CAddPageTask", 33001, 0, kOn, true},
        {33002, "CPageLayoutTask", 33002, 0},
        {33003, "CPageSizeTask", 33003, 0},
        {33004, "CWrapLineTask", 33004, 1},
        {33005, "CWrapLineTask", 33005, 0},
        {33006, "COptimizeTask", 33006, 0},
        {33007, "CTrackTask", 33007, 33007, kOn, true, true},
        {33008, "CTrackTask", 33008, 33008, kOn, true, true},
        {33009, "CSetupTrackTask", 33009, 0},
        {33010, "CRespaceTask", 33010, 0},
        {33011, "CRecalcLayoutTask", 33011, 0},
        {33013, "CAllotmentTask", 33013, 0},
        {33014, "CArticulationsTask", 33014, 0},
        {33015, "CEngraverTask", 33015, 0},
        {33018, "CTimeCodeTask", 33018, 0},
        // Measure, with its pop-up and edit ids.
        {34000, "CAddBarTask", 34000, 34000, kOn, true},
        {34001, "CAddBarTask", 34001, 34001, kOn, true},
        {33225, "CAddBarTask", 33225, 33225, kOn, true},
        {33227, "CAddBarTask", 33227, 33227, kOn, true},
        {33463, "CAddBarTask", 33463, 33463, kOn, true},
        {34002, "CWrapBarTask", 34002, 1, kOn, true},
        {34003, "CWrapBarTask", 34003, 0, kOn, true},
        {34004, "CSplitSystemTask", 34004, 0},
        {34005, "CKeySigTask", 34005, 1, kOn, true},
        {34006, "CAddMeterTask", 34006, 0, kOn, true},
        {34007, "CAddTempoTask", 34007, 0},
        {34008, "CJumperTask", 34008, 34008},
        {4107, "CJumperTask", 4107, 4107},
        {34009, "CBarNumTask", 34009, 34009},
        {4100, "CBarNumTask", 4100, 4100},
        {34010, "CRebarTask", 34010, 0},
        {34011, "CMultiBarTask", 34011, 34011},
        {4108, "CMultiBarTask", 4108, 4108},
        {34012, "CFillRestTask", 34012, 0},
        {34013, "CJustifyTask", 34013, 0},
        // The Note menu's deletes.
        {35100, "CDeleteTask", 35100, 35100},
        {35102, "CDeleteTask", 35102, 35102},
    };
    for (const Row& r : rows) {
        commandtest::RecordedTasks rec;
        env.doc->OnCommandRange(r.id);
        const std::vector<Attached> want{{r.cls, r.command, r.argument, r.reselect, r.layout, r.wait}};
        EXPECT_EQ(Describe(rec.made), Describe(want)) << "id " << r.id;
        EXPECT_FALSE(g_platform.waitCursorOn) << "id " << r.id << ": the wait cursor stops with the operation";
        EXPECT_EQ(env.doc->GetUndoCount(), 0);
    }
}

TEST(DocCommandTest, RowsThatNeedASelectionAndIdsWithoutABranchMakeNothing) {
    ScoreEnv env;
    env.doc->GetSelection()->ClearAll();
    ASSERT_EQ(env.doc->GetSelection()->GetItemCount(), 0);
    for (int id : {4007, 4310, 4311, 4801, 4803, 4810, 4821, 4830, 4835, 4903, 4904,
                   // no branch: only the arrow cursor comes back
                   4302, 4306, 2700, 2708, 33019}) {
        commandtest::RecordedTasks rec;
        fw::SetCursor(IDC_WAIT);
        env.doc->OnCommandRange(id);
        EXPECT_EQ(Describe(rec.made), "") << "id " << id;
        EXPECT_EQ(env.doc->GetUndoCount(), 0) << "id " << id;
    }
}

// With the text editor open its own ids go to it; any other command closes it first and then
// runs.
TEST(DocCommandTest, TheOpenTextEditorTakesItsIdsAndAnyOtherCommandClosesIt) {
    ScoreEnv env;
    EditorPane pane;
    CTextTask text;
    env.doc->currentPane = &pane;
    for (int id : {2700, 2704, 2708, 57635, 57634, 57637, 57643, 57632, 57644}) {
        env.doc->textTask = &text;
        commandtest::RecordedTasks rec;
        env.doc->OnCommandRange(id);
        EXPECT_EQ(text.lastCommand, id);
        EXPECT_EQ(env.doc->textTask, &text) << "id " << id << " leaves the editor open";
        EXPECT_EQ(pane.closed, 0);
        EXPECT_EQ(Describe(rec.made), "") << "id " << id << " acts on the text, not the score";
    }
    env.SelectEverything();
    struct Other {
        int id;
        const char* made;
    } others[] = {{57639, "CPasteTask(57639, 2); "}, {33015, "CEngraverTask(33015, 0); "}, {4330, ""}};
    for (const Other& o : others) {
        env.doc->textTask = &text;
        text.lastCommand = 0;
        const int closedBefore = pane.closed;
        commandtest::RecordedTasks rec;
        env.doc->OnCommandRange(o.id);
        EXPECT_EQ(pane.closed, closedBefore + 1) << "id " << o.id;
        EXPECT_EQ(env.doc->textTask, nullptr);
        EXPECT_EQ(text.lastCommand, 0);
        EXPECT_EQ(Describe(rec.made), o.made) << "id " << o.id << " runs after the editor closed";
    }
    env.doc->currentPane = nullptr;
}

TEST(DocCommandTest, IdsThatActAtOnceMoveTheInsertionPointAndTellTheWindows) {
    ScoreEnv env;
    CZelDoc& doc = *env.doc;
    std::vector<int> graphic, trackWindow;
    DocumentHintTargets()[1] = [&graphic](int code) { graphic.push_back(code); };
    DocumentHintTargets()[4] = [&trackWindow](int code) { trackWindow.push_back(code); };

    // Rewind: bar 0, position 0, time 0.
    doc.SetCurrentBar(2, false);
    doc.location.position = 300;
    doc.location.time = 720.5;
    doc.OnCommandRange(2505);
    EXPECT_EQ(doc.location.barIndex, 0);
    EXPECT_EQ(doc.location.position, 0);
    EXPECT_EQ(doc.location.time, 0.0);

    // Next page on the last page and previous page on the first change nothing.
    const int pages = env.score().GetPageCount();
    ASSERT_GE(pages, 1);
    doc.OnCommandRange(166);
    EXPECT_EQ(doc.location.pageIndex, pages - 1);
    EXPECT_EQ(doc.location.barIndex, env.score().GetBarCount() - 1);
    doc.OnCommandRange(4327);
    EXPECT_EQ(doc.location.pageIndex, pages - 1);
    doc.OnCommandRange(165);
    EXPECT_EQ(doc.location.pageIndex, 0);
    EXPECT_EQ(doc.location.barIndex, 0);
    doc.OnCommandRange(4328);
    EXPECT_EQ(doc.location.pageIndex, 0);
    if (pages > 1) {
        doc.OnCommandRange(4327);
        EXPECT_EQ(doc.location.pageIndex, 1);
        doc.OnCommandRange(4328);
        EXPECT_EQ(doc.location.pageIndex, 0);
    }

    // Notices: 4330 and 4332 to the graphic window; 4321 to the track window, then the graphic
    // window, and the score is modified.
    graphic.clear();
    doc.SetModifiedFlag(false);
    doc.OnCommandRange(4330);
    doc.OnCommandRange(4332);
    doc.OnCommandRange(4321);
    EXPECT_EQ(graphic, (std::vector<int>{4330, 4332, 4321}));
    EXPECT_EQ(trackWindow, std::vector<int>{4321});
    EXPECT_TRUE(doc.IsModified());

    // Select All, Current Track and None tell the graphic window 4330.
    graphic.clear();
    doc.OnCommandRange(57642);
    EXPECT_GT(doc.GetSelection()->GetItemCount(), 0);
    doc.OnCommandRange(32901);
    EXPECT_EQ(doc.GetSelection()->GetItemCount(), 0);
    EXPECT_EQ(graphic, (std::vector<int>{4330, 4330}));
    DocumentHintTargets()[1] = nullptr;
    DocumentHintTargets()[4] = nullptr;
}

// A new tool: the text tool shows the style bar, in lyric mode for its lyrics button, with the
// preferences' text font of the button; another tool hides it. Only with a page pane current.
// The bar is a recording double of the operations start-up puts in.
TEST(DocCommandTest, TheTextToolShowsTheStyleBarAndItsLyricsButtonTheLyricMode) {
    ScoreEnv env;
    CZelDoc& doc = *env.doc;
    EditorPane pane;
    int tool = 913, button = 4;
    CurrentToolId() = [&tool] { return tool; };
    ChosenPaletteButton() = [&button] { return button; };
    struct Bar {
        bool shown = false, lyricMode = false;
        int fontSize = 0, hides = 0;
    } bar;
    StyleBarOps() = StyleBarOperations{
        [&bar](bool on) {
            bar.shown = on;
            if (!on) ++bar.hides;
        },
        [&bar] { return bar.shown; },
        [&bar](bool on) { bar.lyricMode = on; },
        [&bar](const FontRef& font) { bar.fontSize = font.size; },
    };
    doc.OnCommandRange(4320);
    EXPECT_FALSE(bar.shown) << "no page pane current";
    doc.currentPane = &pane;
    MidiDataBox::shown = true;
    doc.OnCommandRange(4320);
    EXPECT_TRUE(bar.shown);
    EXPECT_TRUE(bar.lyricMode);
    EXPECT_FALSE(MidiDataBox::shown);
    EXPECT_EQ(bar.fontSize, g_preferences.Font(4).size);
    button = 1;
    doc.OnCommandRange(4320);
    EXPECT_FALSE(bar.lyricMode);
    EXPECT_EQ(bar.fontSize, g_preferences.Font(1).size);
    tool = 800;
    doc.OnCommandRange(4320);
    EXPECT_FALSE(bar.shown);
    EXPECT_EQ(bar.hides, 1);
    doc.OnCommandRange(4320);
    EXPECT_EQ(bar.hides, 1) << "a hidden bar is not hidden again";
    // Without the operations put in nothing is shown and nothing breaks.
    StyleBarOps() = {};
    tool = 913;
    doc.OnCommandRange(4320);
    tool = 800;
    doc.OnCommandRange(4320);
    doc.currentPane = nullptr;
    CurrentToolId() = nullptr;
    ChosenPaletteButton() = nullptr;
}

// The thru commands ask for the thru change only when something changed.
TEST(DocCommandTest, ThruCommandsSetThePendingFlagOnlyOnAChange) {
    ScoreEnv env;
    CZelDoc& doc = *env.doc;
    Preferences& prefs = g_preferences;
    CTrack* track = env.score().GetTrack(0);
    ASSERT_NE(track, nullptr);
    doc.location.trackIndex = 0;
    doc.location.voice = 0;

    // 4309: the shown voices take the thru port, channel and patch.
    prefs.SetWord(Preferences::kThruDevice, 3);
    prefs.SetWord(Preferences::kThruChannel, 11);
    prefs.SetDword(Preferences::kThruPatch, 0x00010205);
    g_model.thruChangePending = false;
    doc.OnCommandRange(4309);
    EXPECT_TRUE(g_model.thruChangePending);
    EXPECT_EQ(track->GetDevice(), 3);
    EXPECT_EQ(track->GetVoiceChannel(0), 11);
    EXPECT_EQ(track->GetVoicePatch(0), 0x00010205);
    g_model.thruChangePending = false;
    doc.OnCommandRange(4309);
    EXPECT_FALSE(g_model.thruChangePending) << "nothing changed";

    // 4337: with Follow on, the thru settings take the track's and voice's.
    track->SetVoiceChannel(0, 4);
    prefs.SetByte(Preferences::kThruFollow, 0);
    doc.OnCommandRange(4337);
    EXPECT_FALSE(g_model.thruChangePending) << "Follow off";
    EXPECT_EQ(prefs.Word(Preferences::kThruChannel), 11);
    prefs.SetByte(Preferences::kThruFollow, 1);
    g_model.currentVoiceName[0] = 0;
    track->SetVoiceDefName(0, "Oboe");
    doc.OnCommandRange(4337);
    EXPECT_TRUE(g_model.thruChangePending);
    EXPECT_EQ(prefs.Word(Preferences::kThruChannel), 4);
    EXPECT_STREQ(g_model.currentVoiceName, "Oboe") << "the voice's name goes with them";
    EXPECT_EQ(prefs.Word(Preferences::kThruDevice), 3);
    g_model.thruChangePending = false;
    doc.OnCommandRange(4337);
    EXPECT_FALSE(g_model.thruChangePending) << "the same again";
}

// Symbol Map cancelled leaves the font map, the library flag and the modified flag as they were;
// Add Video does nothing.
TEST(DocCommandTest, SymbolMapCancelledAndAddVideoChangeNothing) {
    ScoreEnv env;
    CZelDoc& doc = *env.doc;
    g_preferences.SetByte(Preferences::kLibraryAutoSave, 1);
    doc.SetModifiedFlag(false);
    const std::size_t mapSize = sizeof doc.fontMap;
    std::vector<std::uint8_t> before(mapSize);
    std::memcpy(before.data(), &doc.fontMap, mapSize);
    for (int id : {33016, 33019}) {
        commandtest::RecordedTasks rec;
        doc.OnCommandRange(id);
        EXPECT_EQ(Describe(rec.made), "") << id;
        EXPECT_EQ(g_preferences.Byte(Preferences::kLibraryAutoSave), 1) << id;
        EXPECT_FALSE(doc.IsModified()) << id;
        EXPECT_EQ(std::memcmp(before.data(), &doc.fontMap, mapSize), 0) << id;
        EXPECT_EQ(doc.GetUndoCount(), 0) << id;
    }
}

TEST(DocCommandTest, CutDeletesOnlyAfterItsCopySucceeded) {
    ScoreEnv env;
    env.SelectEverything();
    for (bool copied : {false, true}) {
        int copies = 0;
        CopySelectionOperation() = [&copies, copied](CZelDoc&) {
            ++copies;
            return copied;
        };
        commandtest::RecordedTasks rec;
        env.doc->OnCommandRange(57635);
        EXPECT_EQ(copies, 1);
        EXPECT_EQ(Describe(rec.made), copied ? "CDeleteTask(57635, 57635); " : "") << (copied ? "copied" : "copy failed");
    }
}

TEST(DocCommandTest, PageSetupConfirmedTakesThePrintersPageAndLaysThePagesOutAgain) {
    ScoreEnv env;
    CZelDoc& doc = *env.doc;
    const int height = doc.printerPageSetup.GetPaperHeight();
    env.printer.confirm = false;
    doc.OnCommandRange(57606);
    EXPECT_EQ(env.printer.dialogs, 1);
    EXPECT_EQ(doc.printerPageSetup.GetPaperHeight(), height) << "cancelled: nothing changes";
    env.printer.confirm = true;
    doc.OnCommandRange(57606);
    EXPECT_EQ(env.printer.dialogs, 2);
    EXPECT_GT(doc.printerPageSetup.GetPaperHeight(), height) << "confirmed: the printer's new paper";
}

// --- the update rules ---------------------------------------------------------------------------

// The entry's state as its handler leaves it: "on", "off", with "+" when checked.
std::string State(CZelDoc& doc, int id) {
    CCmdUI ui{UINT(id)};
    EXPECT_TRUE(ui.DoUpdate(&doc, false)) << "id " << id << " has an update handler";
    return std::string(ui.enabled ? "on" : "off") + (ui.checked ? "+" : "");
}

std::string States(CZelDoc& doc, std::initializer_list<int> ids) {
    std::string out;
    for (int id : ids) out += std::to_string(id) + ":" + State(doc, id) + " ";
    return out;
}

TEST(DocCommandTest, PlayingPrintingAndTheTextEditorGreyTheMenusAsTheirRulesSay) {
    ScoreEnv env;
    CZelDoc& doc = *env.doc;
    env.SelectEverything();
    doc.location.insertionPlaced = 1;
    const auto ids = {57603, 57604, 57606, 57607, 32802, 57632, 57634, 57642, 32874, 33000, 33015, 34000, 34013};
    struct Row {
        const char* why;
        bool playing, printing, editing;
        const char* states;
    } rows[] = {
        {"idle", false, false, false,
         "57603:on 57604:on 57606:on 57607:on 32802:on 57632:on 57634:on 57642:on 32874:on 33000:on 33015:on 34000:on 34013:on "},
        {"playing: Edit greyed but MIDI Data", true, false, false,
         "57603:off 57604:off 57606:off 57607:off 32802:off 57632:off 57634:off 57642:off 32874:on 33000:off 33015:off 34000:off 34013:off "},
        {"printing: MIDI Data greyed too, File stays", false, true, false,
         "57603:on 57604:on 57606:on 57607:on 32802:on 57632:off 57634:off 57642:off 32874:off 33000:off 33015:off 34000:off 34013:off "},
        {"editing text: File, Score and Measure greyed, the editor decides Edit", false, false, true,
         "57603:off 57604:off 57606:off 57607:off 32802:off 57632:on 57634:on 57642:on 32874:on 33000:off 33015:off 34000:off 34013:off "},
    };
    CTextTask text;
    for (const Row& r : rows) {
        PlaybackRunning() = r.playing;
        g_model.printing = r.printing;
        doc.textTask = r.editing ? &text : nullptr;
        EXPECT_EQ(States(doc, ids), r.states) << r.why;
    }
    PlaybackRunning() = false;
    g_model.printing = false;
    doc.textTask = nullptr;
    MidiDataBox::shown = true;
    EXPECT_EQ(State(doc, 32874), "on+") << "MIDI Data checked while its box is shown";
    MidiDataBox::shown = false;
}

TEST(DocCommandTest, FileAndEditEntriesFollowTheDocumentTheClipboardAndTheSelection) {
    ScoreEnv env;
    CZelDoc& doc = *env.doc;
    // Revert needs the document modified and a path.
    struct Revert {
        bool modified;
        const char* path;
        const char* state;
    } reverts[] = {{true, "", "off"}, {false, "/tmp/a.zel", "off"}, {true, "/tmp/a.zel", "on"}};
    for (const Revert& r : reverts) {
        doc.SetPathName(r.path, false);
        doc.SetModifiedFlag(r.modified);
        EXPECT_EQ(State(doc, 32800), r.state) << "modified " << r.modified << ", path '" << r.path << "'";
    }
    // The pastes need the insertion point placed and data on the clipboard.
    struct Paste {
        bool placed, data;
        const char* states;
    } pastes[] = {{false, false, "57637:off 32870:off 57639:off "},
                  {true, false, "57637:off 32870:off 57639:off "},
                  {false, true, "57637:off 32870:off 57639:off "},
                  {true, true, "57637:on 32870:on 57639:on "}};
    for (const Paste& p : pastes) {
        doc.location.insertionPlaced = p.placed ? 1 : 0;
        fw::TheClipboard().Free();
        if (p.data) ASSERT_TRUE(fw::TheClipboard().Put(fw::CClipboard::Tag('T', 'E', 'S', 'T'), fw::GlobalAlloc(0, 16)));
        EXPECT_EQ(States(doc, {57637, 32870, 57639}), p.states) << "placed " << p.placed << ", data " << p.data;
    }
    // Entries by the selection; the selects, filters and finds always.
    const auto bySelection = {57632, 57634, 57635, 32871, 32872, 32873, 32875, 32876, 32877, 32878};
    const auto always = {57642, 32900, 32901, 32902, 32910, 32915, 32916, 32917};
    doc.GetSelection()->ClearAll();
    EXPECT_EQ(States(doc, bySelection),
              "57632:off 57634:off 57635:off 32871:off 32872:off 32873:off 32875:off 32876:off 32877:off 32878:off ");
    EXPECT_EQ(States(doc, always), "57642:on 32900:on 32901:on 32902:on 32910:on 32915:on 32916:on 32917:on ");
    env.SelectEverything();
    // Hiding, colours, controllers, muting and playback time are not written yet: grey still.
    EXPECT_EQ(States(doc, bySelection),
              "57632:on 57634:on 57635:on 32871:off 32872:off 32873:off 32875:off 32876:off 32877:off 32878:off ");
}

TEST(DocCommandTest, ScoreAndMeasureEntriesFollowTheInsertionPointAndTheCounts) {
    ScoreEnv env;
    CZelDoc& doc = *env.doc;
    CScore& score = env.score();
    const auto scoreIds = {33000, 33001, 33002, 33004, 33005, 33006, 33007, 33008, 33009, 33015};
    const auto measureIds = {34000, 34001, 34002, 34003, 34004, 34013};
    ASSERT_GT(score.GetBarCount(), 1);
    ASSERT_GT(score.GetTrackCount(), 1);

    // The insertion point not placed: the track and system entries are greyed; the Measure menu
    // offers only Justify, and only with a selection.
    doc.location.insertionPlaced = 0;
    doc.GetSelection()->ClearAll();
    const std::string pages = score.GetPageCount() > 1 ? "on" : "off";
    // Page layout (33002) is not written yet: grey.
    EXPECT_EQ(States(doc, scoreIds), "33000:on 33001:" + pages +
                                         " 33002:off 33004:off 33005:off 33006:off 33007:off 33008:off 33009:off 33015:on ");
    EXPECT_EQ(States(doc, measureIds), "34000:off 34001:off 34002:off 34003:off 34004:off 34013:off ");
    env.SelectEverything();
    EXPECT_EQ(States(doc, measureIds), "34000:off 34001:off 34002:off 34003:off 34004:off 34013:on ");

    // Placed, in the first system of several.
    doc.location.insertionPlaced = 1;
    doc.SetCurrentBar(0, false);
    ASSERT_GT(score.GetLineCount(), 1);
    const std::string measures = States(doc, measureIds);
    // Tighten, Loosen, Split System and Add a System are not written yet: grey.
    EXPECT_EQ(measures, "34000:on 34001:on 34002:off 34003:off 34004:off 34013:on ");
    EXPECT_EQ(State(doc, 33007), "on");
    EXPECT_EQ(State(doc, 33008), "on") << "more than one track";
    EXPECT_EQ(State(doc, 33004), "off");
    // The last system: Loosen greyed.
    doc.SetCurrentBar(score.GetBarCount() - 1, false);
    EXPECT_EQ(State(doc, 34003), "off");
    // A bar split flag checks Split System.
    CBar* bar = score.GetBar(doc.location.barIndex);
    ASSERT_NE(bar, nullptr);
    bar->SetBarFlag(0x40, true);
    EXPECT_EQ(State(doc, 34004), "off+");
    bar->SetBarFlag(0x40, false);
    EXPECT_EQ(State(doc, 34004), "off");
}

// The Undo and Redo entries name the operation they would undo or redo, keep the accelerator,
// and show the prefix alone for an operation without a name.
TEST(DocCommandTest, UndoAndRedoEntriesNameTheirOperation) {
    ScoreEnv env;
    CZelDoc& doc = *env.doc;
    const auto text = [&doc](int id, const char* menuText) {
        CCmdUI ui{UINT(id)};
        ui.text = fw::FromUtf8(menuText);
        ui.DoUpdate(&doc, false);
        return std::string(ui.enabled ? "on " : "off ") + fw::ToUtf8(ui.text);
    };
    const char* undo = "撤消(&U)\tCtrl+Z";
    const char* redo = "重做(&R)\tCtrl+Y";
    EXPECT_EQ(text(57643, undo), "off 撤消(&U) \tCtrl+Z");
    EXPECT_EQ(text(57644, redo), "off 重做(&R) \tCtrl+Y");

    auto* named = new NamedTask;
    named->Attach(&doc, 4000);
    doc.DoTask(named);
    auto* unnamed = new NamedTask;
    unnamed->Attach(&doc, 0);
    doc.DoTask(unnamed);
    ASSERT_EQ(doc.GetUndoCount(), 2);
    EXPECT_EQ(text(57643, undo), "on 撤消(&U) \tCtrl+Z") << "no name: the prefix alone";
    EXPECT_EQ(text(57643, "撤消(&U)"), "on 撤消(&U) ") << "no tab: no accelerator";
    doc.Undo();
    EXPECT_EQ(text(57643, undo), "on 撤消(&U) 添加变音记号\tCtrl+Z");
    EXPECT_EQ(text(57644, redo), "on 重做(&R) \tCtrl+Y");
    doc.Undo();
    EXPECT_EQ(text(57643, undo), "off 撤消(&U) \tCtrl+Z");
    EXPECT_EQ(text(57644, redo), "on 重做(&R) 添加变音记号\tCtrl+Y") << "Redo names the oldest";

    // The duration buttons attach under 4903: their entry reads its name.
    auto* duration = new NamedTask;
    duration->Attach(&doc, 4903);
    doc.DoTask(duration);
    EXPECT_EQ(text(57643, undo), "on 撤消(&U) 时值\tCtrl+Z");
}

}  // namespace
