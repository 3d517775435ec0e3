// The application's command routing and typed keys in the running program (the real start-up in
// process, offscreen, a score with notes): the menu bar's Note, Options and View entries, keys
// typed into the score window, the routing table with its explicit ids before its ranges, the
// update rules, and moving a track.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/AppGlobals.h"
#include "framework/Clock.h"
#include "app/AppStandIns.h"
#include "app/MainFrame.h"
#include "app/Transport.h"
#include "app/ZelApp.h"
#include "framework/App.h"
#include "framework/CmdUI.h"
#include "framework/CodePage.h"
#include "framework/Globals.h"
#include "framework/Help.h"
#include "framework/Memory.h"
#include "framework/Menu.h"
#include "framework/MessageBox.h"
#include "framework/UiTest.h"
#include "framework/View.h"
#include "model/ApplicationOps.h"
#include "model/Bar.h"
#include "model/DocumentStandIns.h"
#include "model/ModelGlobals.h"
#include "model/Playback.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/ScoreFile.h"
#include "model/Select.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntryFields.h"
#include "model/TaskMakers.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"
#include "platform/Numeric.h"
#include "platform/Port.h"
#include "platform/RvqUtil.h"
#include "platform/StdDlgGlobals.h"
#include "model/Track.h"
#include "support/CommandRecorder.h"
#include "support/MidiRecorder.h"
#include "support/RunningApp.h"
#include "support/TempHome.h"
#include "support/TestData.h"
#include "view/ToolState.h"
#include "model/PlaybackHooks.h"
#include "view/ZelWnd.h"

namespace {

class TestApp : public CZelApp {
public:
    bool InitInstance() override {
        started = CZelApp::InitInstance();
        if (started) {
            if (whileRunning) whileRunning(*this);
            ::raise(SIGTERM);
        }
        return started;
    }
    std::function<void(TestApp&)> whileRunning;
    bool started = false;
};

int RunApp(TestApp& app, const std::string& file) {
    return testsupport::RunProgram(app, {file});
}

class AppCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        fw::ResetAllGlobals();
        fw::EnsureGraphics();
        ASSERT_TRUE(SaveRegDword("Preferences\\Auto Flags", "New Dialog", 0));
    }
    void TearDown() override { fw::ResetAllGlobals(); }
    // Runs the program over the mixed score; body sees the running application, its frame, the
    // active score and its view.
    void Run(const std::function<void(TestApp&, CFrameWnd*, CZelDoc*, CView*)>& body) {
        fw::msgboxtest::Capture boxes;
        for (int i = 0; i < 4; ++i) boxes.Answer(IDNO);
        TestApp app;
        app.whileRunning = [&](TestApp& a) {
            CZelDoc* doc = a.GetActiveDocument();
            auto* frame = static_cast<CFrameWnd*>(a.m_pMainWnd);
            auto* wnd = dynamic_cast<CZelWnd*>(CMDIChildWnd::MDIGetActive(&g_app.mainFrame->Client()));
            CView* view = wnd ? wnd->GetActiveView() : nullptr;
            ASSERT_TRUE(doc && frame && view);
            fw::uitest::RunUntilIdle();
            ran = true;
            body(a, frame, doc, view);
        };
        fw::uitest::Session session;
        RunApp(app, testsupport::TestDataPath("edit/mixed.zel"));
        ASSERT_TRUE(app.started);
        ASSERT_TRUE(ran);
    }
    testsupport::TempHome home;
    bool ran = false;
};

// Keeps the transport commands instead of running them while it lives.
struct TransportCommands {
    std::vector<int> ids;
    std::function<void(int)> kept = g_playbackHooks.transportCommand;
    TransportCommands() {
        g_playbackHooks.transportCommand = [this](int id) { ids.push_back(id); };
    }
    ~TransportCommands() { g_playbackHooks.transportCommand = kept; }
};

std::vector<std::uint8_t> Bytes(CZelDoc* doc) { return ScoreFile::WriteToBytes(*doc->GetScore(), *doc); }

fw::MenuBarEntryState Choose(CFrameWnd* frame, UINT id) {
    fw::MenuBarEntryState state = fw::ChooseFromMenuBar(frame, id);
    fw::uitest::RunUntilIdle();
    return state;
}

// The live notes and rests of a bar of a track.
int NotesAndRests(CZelDoc* doc, int track, int bar) {
    int n = 0;
    trkbar::ForEachLiveItem(doc->GetScore()->GetTrkBar(track, bar), [&n](CBarItem* item) {
        if (item->IsNoteOrRest()) ++n;
    });
    return n;
}

}  // namespace

// The menu bar holds the new menus with their keys; Note > Delete, View > 200 % and Options >
// Show > Beat Errors chosen from it act, and Edit > Undo takes the edit back.
TEST_F(AppCommandsTest, TheNoteViewAndOptionsMenusActFromTheMenuBar) {
    Run([](TestApp&, CFrameWnd* frame, CZelDoc* doc, CView* view) {
        CMenu* bar = frame->GetMenu();
        ASSERT_NE(bar, nullptr);
        CString text;
        ASSERT_GE(bar->GetMenuString(38004, text, MF_BYCOMMAND), 0);
        EXPECT_EQ(fw::ToUtf8(text.c_str()), "100%\tF10");
        ASSERT_GE(bar->GetMenuString(35401, text, MF_BYCOMMAND), 0);
        EXPECT_EQ(fw::ToUtf8(text.c_str()), "等音高翻转(&E)\tCtrl+H");
        for (UINT id : {57671u, 37000u, 36100u, 35900u}) EXPECT_GE(bar->GetMenuString(id, text, MF_BYCOMMAND), 0) << id;

        // Note > Delete is greyed with nothing selected and removes marks from a selection.
        doc->GetSelection()->ClearAll();
        EXPECT_FALSE(fw::ChooseFromMenuBar(frame, 35100, false).enabled);
        doc->GetSelection()->SelectTracks(0, 1, false);
        fw::uitest::RunUntilIdle();
        const std::vector<std::uint8_t> selected = Bytes(doc);
        const int undoBefore = doc->GetUndoPosition();
        EXPECT_TRUE(Choose(frame, 35101).enabled);
        EXPECT_EQ(doc->GetUndoPosition(), undoBefore + 1) << "Note > Delete > Beams is one operation";
        Choose(frame, 57643);
        EXPECT_EQ(Bytes(doc), selected) << "Undo takes it back";

        // View > 200 %, then F10 back to 100 %.
        EXPECT_TRUE(Choose(frame, 38001).enabled);
        EXPECT_EQ(doc->GetZoom(), 200);
        fw::uitest::Key(view, VK_F1 + 9);
        fw::uitest::RunUntilIdle();
        EXPECT_EQ(doc->GetZoom(), 100);

        // Options > Show > Beat Errors finds no error in a whole score: the insertion bar stays.
        doc->SetCurrentBar(0, true);
        EXPECT_TRUE(Choose(frame, 36007).enabled);
        EXPECT_EQ(doc->location.barIndex, 0);
        // The overlays exclude each other; the entry carries its check mark.
        Choose(frame, 36013);
        Choose(frame, 36014);
        EXPECT_EQ(doc->location.overlays[0], 0);
        EXPECT_EQ(doc->location.overlays[1], 1);
        EXPECT_TRUE(fw::ChooseFromMenuBar(frame, 36014, false).checked);
        EXPECT_FALSE(fw::ChooseFromMenuBar(frame, 36013, false).checked);
    });
}

// Keys typed into the score window: Delete with a selection clears it (57632), Backspace with
// none erases the item before the insertion point (4207); Undo takes each back. Ctrl+H is 35401's
// accelerator and wins over the Delete it also types.
TEST_F(AppCommandsTest, DeleteAndBackspaceTypedIntoTheScoreEraseAndUndoTakesThemBack) {
    Run([](TestApp&, CFrameWnd* frame, CZelDoc* doc, CView* view) {
        std::vector<int> ran;
        AppOps().commandObserver = [&ran](int id) { ran.push_back(id); };
        const std::vector<std::uint8_t> start = Bytes(doc);

        doc->GetSelection()->SelectTracks(1, 1, false);
        fw::uitest::RunUntilIdle();
        const std::vector<std::uint8_t> selected = Bytes(doc);
        fw::uitest::Key(view, VK_DELETE);
        fw::uitest::RunUntilIdle();
        EXPECT_EQ(ran, std::vector<int>{57632});
        EXPECT_NE(Bytes(doc), selected);
        Choose(frame, 57643);
        EXPECT_EQ(Bytes(doc), selected);

        // Backspace at the end of bar 0 of track 0 with nothing selected.
        doc->GetSelection()->ClearAll();
        doc->SetCurrentBar(0, false);
        doc->SetCurrentTrack(0);
        doc->location.position = 1023;
        const int before = NotesAndRests(doc, 0, 0);
        ASSERT_GT(before, 0);
        fw::uitest::RunUntilIdle();
        const std::vector<std::uint8_t> beforeErase = Bytes(doc);
        ran.clear();
        fw::uitest::Key(view, VK_BACK);
        fw::uitest::RunUntilIdle();
        EXPECT_EQ(ran, std::vector<int>{4207});
        EXPECT_NE(Bytes(doc), beforeErase) << "the last item of the bar went";
        EXPECT_LT(doc->location.position, 1023) << "the insertion point stands where it stood";
        Choose(frame, 57643);
        EXPECT_EQ(Bytes(doc), beforeErase);

        // Backspace at the start of the score finds nothing: the insertion point goes to position 0.
        doc->SetCurrentBar(0, false);
        doc->location.position = 0;
        ran.clear();
        fw::uitest::Key(view, VK_BACK);
        fw::uitest::RunUntilIdle();
        EXPECT_TRUE(ran.empty());
        EXPECT_EQ(doc->location.position, 0);
        EXPECT_EQ(doc->location.barIndex, 0);

        // Ctrl+H with notes selected: the accelerator's Flip Enharmonic, not Delete.
        doc->GetSelection()->SelectTracks(1, 1, false);
        fw::uitest::RunUntilIdle();
        commandtest::RecordedTasks tasks;
        ran.clear();
        fw::uitest::Key(view, 'H', fw::uitest::kCtrl);
        fw::uitest::RunUntilIdle();
        EXPECT_EQ(ran, std::vector<int>{35401});
        ASSERT_EQ(tasks.made.size(), 1u);
        EXPECT_EQ(tasks.made[0].className, "CEnharmonicTask");
        AppOps().commandObserver = nullptr;
        (void)start;
    });
}

// The application's routing: explicit ids before ranges, the transport's and the palettes' blocks,
// the document's last row; nothing without a document; the click toggles that exclude each other.
TEST_F(AppCommandsTest, TheRoutingTakesItsOwnIdsAndHandsTheRestToTheDocument) {
    Run([](TestApp& app, CFrameWnd*, CZelDoc* doc, CView*) {
        std::vector<int> toDocument;
        AppOps().commandObserver = [&toDocument](int id) { toDocument.push_back(id); };
        TransportCommands transport;
        struct Row {
            unsigned id;
            std::vector<int> transport, document;
        } rows[] = {
            {2504, {2504}, {}},      {2505, {2505}, {}},      {2520, {2520}, {}},   {800, {}, {800}},
            {920, {}, {920}},        {36301, {}, {36301}},    {37006, {}, {37006}}, {4309, {}, {4309}},
            {36150, {}, {36150}},    {36100, {}, {}},
        };
        for (const Row& r : rows) {
            transport.ids.clear();
            toDocument.clear();
            app.OnCommandRange(r.id);
            EXPECT_EQ(transport.ids, r.transport) << r.id;
            EXPECT_EQ(toDocument, r.document) << r.id;
        }
        // A palette button goes back to its palette, never to the document as itself.
        toDocument.clear();
        app.OnCommandRange(1000);
        EXPECT_EQ(std::count(toDocument.begin(), toDocument.end(), 1000), 0);
        // Without a document the last row does nothing.
        toDocument.clear();
        EXPECT_FALSE(CZelApp::RouteOwnCommand(800, nullptr));
        EXPECT_TRUE(CZelApp::RouteOwnCommand(2501, nullptr));
        EXPECT_TRUE(toDocument.empty());
        AppOps().commandObserver = nullptr;

        // 36201 and 36203 exclude each other; 36202 touches neither.
        Preferences& p = g_preferences;
        struct Click {
            int record, play, countoff;
        };
        auto clicks = [&p] {
            return Click{p.Byte(Preferences::kClickInRecord), p.Byte(Preferences::kClickInPlay),
                         p.Byte(Preferences::kClickInCountoff)};
        };
        p.SetByte(Preferences::kClickInRecord, 0);
        p.SetByte(Preferences::kClickInPlay, 0);
        p.SetByte(Preferences::kClickInCountoff, 1);
        app.OnCommandRange(36201);
        EXPECT_EQ(clicks().record, 1);
        EXPECT_EQ(clicks().countoff, 0);
        app.OnCommandRange(36203);
        EXPECT_EQ(clicks().record, 0);
        EXPECT_EQ(clicks().countoff, 1);
        app.OnCommandRange(36202);
        EXPECT_EQ(clicks().record, 0);
        EXPECT_EQ(clicks().countoff, 1);
        EXPECT_EQ(clicks().play, 1);
        (void)doc;
    });
}

// The update rules: Options by playing, Window by the windows shown, tools by the documents
// open; the document's Options entries keep their checks while playing, the playback type stays
// usable; the Note menu by the selection's kinds.
TEST_F(AppCommandsTest, UpdateRulesGreyAndCheckTheEntries) {
    Run([](TestApp&, CFrameWnd* frame, CZelDoc* doc, CView*) {
        auto state = [frame](UINT id) { return fw::ChooseFromMenuBar(frame, id, false); };
        EXPECT_TRUE(state(37000).checked) << "the transport bar is shown";
        Choose(frame, 37000);
        EXPECT_FALSE(g_app.transport->IsVisible());
        EXPECT_TRUE(state(37000).enabled) << "and can be shown again";
        EXPECT_FALSE(state(37001).checked);
        Choose(frame, 37001);
        EXPECT_TRUE(g_app.trackWnd->IsVisible());
        EXPECT_TRUE(state(37001).checked);
        CCmdUI tool(800);
        EXPECT_TRUE(CZelApp::UpdateOwnCommand(&tool));
        EXPECT_TRUE(tool.enabled) << "a tool with a document open";

        doc->location.handles = 1;
        PlaybackRunning() = true;
        EXPECT_TRUE(state(36100).enabled);
        EXPECT_FALSE(state(36204).enabled) << "the metronome dialog waits for the performance";
        EXPECT_FALSE(state(36002).enabled);
        EXPECT_TRUE(state(36002).checked) << "greyed but checked";
        EXPECT_TRUE(state(36302).enabled) << "the playback type stays usable";
        PlaybackRunning() = false;
        EXPECT_TRUE(state(36204).enabled);

        // Beams alone enable only Flip Direction and the two beam-hiding entries.
        CSelect& s = *doc->GetSelection();
        s.ClearAll();
        s.itemCount = 1;
        s.beamCount = 1;
        for (UINT id : {35400u, 35202u, 35203u}) EXPECT_TRUE(state(id).enabled) << id;
        for (UINT id : {35200u, 35000u, 35001u, 35100u, 35300u, 35500u, 35709u}) EXPECT_FALSE(state(id).enabled) << id;
        s.beamCount = 0;
        s.noteCount = 1;
        for (UINT id : {35200u, 35100u, 35300u, 35500u, 35709u}) EXPECT_TRUE(state(id).enabled) << id;
        // Transpose and Modify Notes are not written yet: grey whatever is selected.
        for (UINT id : {35000u, 35001u}) EXPECT_FALSE(state(id).enabled) << id;
        EXPECT_FALSE(state(35202).enabled) << "no beams among them";
        s.itemCount = s.noteCount = 0;
    });
}

// The typed keys' table: each key by the selection, the transport and the re-pitch flag gives
// the commands of its row (to the document and the application's routing), or passes the key on.
TEST_F(AppCommandsTest, TypedKeysBecomeCommandsByTheSelectionAndTheTransport) {
    Run([](TestApp&, CFrameWnd*, CZelDoc* doc, CView* view) {
        std::vector<int> ran;
        ApplicationOps& ops = AppOps();
        ops.commandObserver = [&ran](int id) { ran.push_back(id); };
        const auto routing = ops.command;
        ops.command = [&ran, routing](int id) {
            ran.push_back(-id);  // the application's routing: negative
            routing(id);
        };
        commandtest::RecordedTasks tasks;
        TransportCommands transport;
        enum Sel { kNone, kNotes, kBeams };
        struct Row {
            const char* name;
            Sel sel;
            int vk;
            UINT mods;
            const char* text;  // typed instead of vk
            int transport;
            std::vector<int> want;
        } rows[] = {
            {"space", kNone, VK_SPACE, 0, nullptr, 0, {-2502}},
            {"ctrl+space", kNone, VK_SPACE, fw::uitest::kCtrl, nullptr, 0, {-2504}},
            {"w", kNone, 0, 0, "w", 0, {-2505}},
            {"enter stopped", kNone, VK_RETURN, 0, nullptr, 0, {}},
            {"enter playing", kNone, VK_RETURN, 0, nullptr, 1, {-2501}},
            // Ctrl+C is Copy (grey with nothing selected, its key used up): never a recording.
            {"ctrl+c", kNone, 'C', fw::uitest::kCtrl, nullptr, 0, {}},
            {"ctrl+c with notes", kNotes, 'C', fw::uitest::kCtrl, nullptr, 0, {57634}},
            // Nudging and transposing are not written yet: the arrows pass on, unused.
            {"left with notes", kNotes, VK_LEFT, 0, nullptr, 0, {}},
            {"right with notes", kNotes, VK_RIGHT, 0, nullptr, 0, {}},
            {"up with notes", kNotes, VK_UP, 0, nullptr, 0, {}},
            {"ctrl+up with notes", kNotes, VK_UP, fw::uitest::kCtrl, nullptr, 0, {}},
            {"down with notes", kNotes, VK_DOWN, 0, nullptr, 0, {}},
            {"x with notes", kNotes, 0, 0, "x", 0, {35400}},
            {"4 with notes", kNotes, 0, 0, "4", 0, {1003}},
            // The triplet is not written yet: the key goes on to the main tool bar's shortcut.
            {"3 with notes", kNotes, 0, 0, "3", 0, {4320}},
            {"dot with notes", kNotes, 0, 0, ".", 0, {4004}},
            {"r with notes", kNotes, 0, 0, "r", 0, {4908}},
            {"# with notes", kNotes, 0, 0, "#", 0, {35016}},
            {"7 with notes", kNotes, 0, 0, "7", 0, {}},
            {"delete with notes", kNotes, VK_DELETE, 0, nullptr, 0, {57632}},
            {"3 with beams", kBeams, 0, 0, "3", 0, {4122}},
            {"x with nothing", kNone, 0, 0, "x", 0, {}},
        };
        for (const Row& r : rows) {
            CSelect& s = *doc->GetSelection();
            s.ClearAll();
            s.itemCount = r.sel == kNone ? 0 : 1;
            s.noteCount = r.sel == kNotes ? 1 : 0;
            s.beamCount = r.sel == kBeams ? 1 : 0;
            SetTransportState(r.transport);
            ran.clear();
            if (r.text)
                fw::uitest::Type(view, r.text);
            else
                fw::uitest::Key(view, r.vk, r.mods);
            fw::uitest::RunUntilIdle();
            SetTransportState(0);
            EXPECT_EQ(ran, r.want) << r.name;
        }
        CSelect& s = *doc->GetSelection();
        s.ClearAll();
        s.itemCount = s.noteCount = s.beamCount = 0;

        // While a numeric field is active every key, Escape included, goes to it.
        struct KeptKeys : CNumeric {
            std::vector<UINT> keys;
            bool TypeKey(UINT key, UINT) override {
                keys.push_back(key);
                return true;
            }
            void EndEdit() override {}
        } field;
        g_ui.currentNumeric = &field;
        doc->SetCurrentVoice(1);
        ran.clear();
        fw::uitest::Key(view, VK_ESCAPE);
        fw::uitest::RunUntilIdle();
        EXPECT_TRUE(doc->OnKeyChar(' ', 57));
        g_ui.currentNumeric = nullptr;
        EXPECT_EQ(field.keys, (std::vector<UINT>{27, ' '}));
        EXPECT_TRUE(ran.empty());
        EXPECT_EQ(doc->location.allVoices, 0) << "Escape did not reach the document";

        // Up and down with nothing selected move the current track within the score.
        doc->SetCurrentTrack(0);
        fw::uitest::Key(view, VK_UP);
        fw::uitest::RunUntilIdle();
        EXPECT_EQ(doc->location.trackIndex, 0) << "not below track 0";
        fw::uitest::Key(view, VK_DOWN);
        fw::uitest::Key(view, VK_DOWN);
        fw::uitest::Key(view, VK_DOWN);
        fw::uitest::RunUntilIdle();
        EXPECT_EQ(doc->location.trackIndex, doc->GetScore()->GetTrackCount() - 1) << "not beyond the last";

        // Enter and Ctrl+C tap the tempo while recording in the second mode: two taps half a
        // second apart make one tapped tempo.
        ASSERT_NE(g_app.midi, nullptr);
        g_app.midi->ClearTapTempos();
        fw::clocktest::SetManual(10000);
        SetTransportState(3);
        fw::uitest::Key(view, VK_RETURN);
        fw::uitest::RunUntilIdle();
        fw::clocktest::Advance(500);
        fw::uitest::Key(view, 'C', fw::uitest::kCtrl);
        fw::uitest::RunUntilIdle();
        SetTransportState(0);
        fw::clocktest::Reset();
        EXPECT_EQ(g_app.midi->TapTempos().size(), 1u);

        // Escape: all voices first, then the selection tool; Tab steps the MIDI data box.
        doc->SetCurrentVoice(1);
        fw::uitest::Key(view, VK_ESCAPE);
        fw::uitest::RunUntilIdle();
        EXPECT_EQ(doc->location.allVoices, 1);
        g_toolState.tool = 903;
        fw::uitest::Key(view, VK_ESCAPE);
        fw::uitest::RunUntilIdle();
        EXPECT_EQ(g_toolState.tool, 800);
        StandInCalls().clear();
        fw::uitest::Key(view, VK_TAB);
        fw::uitest::RunUntilIdle();
        EXPECT_EQ(StandInCalls(), std::vector<std::string>{"DataBoxNextField"});
        EXPECT_TRUE(MidiDataBox::shown);

        // "[" is a transport key only while the transport bar is shown; F1 is left alone.
        transport.ids.clear();
        fw::uitest::Type(view, "[");
        fw::uitest::RunUntilIdle();
        EXPECT_EQ(transport.ids, std::vector<int>{2520});
        EXPECT_FALSE(CZelApp::HandleKey(0, 59));
        g_app.mainFrame->ShowControlBar(g_app.transport, FALSE);
        transport.ids.clear();
        fw::uitest::Type(view, "]");
        fw::uitest::RunUntilIdle();
        EXPECT_TRUE(transport.ids.empty());
        // With the chord window shown, its answer is the application's: "[" is no transport key.
        g_app.mainFrame->ShowControlBar(g_app.transport, TRUE);
        g_app.chordWnd->Show();
        transport.ids.clear();
        fw::uitest::Type(view, "[");
        fw::uitest::RunUntilIdle();
        EXPECT_TRUE(transport.ids.empty());
        g_app.chordWnd->Hide();

        // Adjust Pitch flips the re-pitch flag; then the arrows step and select instead of nudging.
        doc->OnCommandRange(35004);
        EXPECT_EQ(g_model.repitch, 1);
        s.itemCount = s.noteCount = 1;
        ran.clear();
        fw::uitest::Key(view, VK_LEFT);
        fw::uitest::RunUntilIdle();
        EXPECT_TRUE(ran.empty()) << "no nudge";
        s.ClearAll();
        s.itemCount = s.noteCount = 0;
        // The step-time window clears the flag at the next menu update.
        g_app.stepWnd->Show();
        fw::ChooseFromMenuBar(static_cast<CFrameWnd*>(g_app.mainFrame), 35004, false);
        EXPECT_EQ(g_model.repitch, 0);
        g_app.stepWnd->Hide();
        ops.command = routing;
        ops.commandObserver = nullptr;
    });
}

// Moving a track: one undoable operation whose undo restores the order and the bars and tells the
// track window; a snapshot that cannot be taken reports that memory ran out and changes nothing.
TEST_F(AppCommandsTest, MovingATrackIsUndoneWholeAndAFailedSnapshotChangesNothing) {
    Run([](TestApp&, CFrameWnd* frame, CZelDoc* doc, CView*) {
        std::vector<int> trackWindow;
        DocumentHintTargets()[4] = [&trackWindow](int code) { trackWindow.push_back(code); };
        const std::vector<std::uint8_t> start = Bytes(doc);
        const int notes0 = NotesAndRests(doc, 0, 0), notes1 = NotesAndRests(doc, 1, 0);
        ASSERT_TRUE(doc->MoveTrack(0, 1));
        EXPECT_EQ(NotesAndRests(doc, 0, 0), notes1);
        EXPECT_EQ(NotesAndRests(doc, 1, 0), notes0);
        EXPECT_EQ(fw::ToUtf8(fw::ChooseFromMenuBar(frame, 57643, false).text), "撤消(&U) 交换音轨\tCtrl+Z");
        trackWindow.clear();
        Choose(frame, 57643);
        EXPECT_EQ(Bytes(doc), start);
        EXPECT_EQ(trackWindow, std::vector<int>{4332});
        Choose(frame, 57644);
        EXPECT_EQ(NotesAndRests(doc, 0, 0), notes1);
        Choose(frame, 57643);

        fw::msgboxtest::Capture boxes;
        const int undo = doc->GetUndoCount();
        fw::memtest::FailAfter(0);
        EXPECT_FALSE(doc->MoveTrack(0, 1));
        fw::memtest::Reset();
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(fw::ToUtf8(boxes.shown()[0].text), "内存不足。");
        EXPECT_EQ(doc->GetUndoCount(), undo);
        EXPECT_EQ(Bytes(doc), start);
        DocumentHintTargets()[4] = nullptr;
    });
}

// Help shows the installed help file, without it nothing.
TEST_F(AppCommandsTest, HelpShowsTheInstalledFileOnly) {
    Run([](TestApp&, CFrameWnd* frame, CZelDoc*, CView*) {
        fw::helptest::Capture help;
        Choose(frame, 57671);
        EXPECT_TRUE(help.shown().empty()) << "no help file is installed in the build";
    });
}

namespace {
// A tie operation that keeps what the re-tie asks of it.
class RecordingTie : public CCruise, public PendingTieWalk {
public:
    explicit RecordingTie(std::vector<std::string>& log) : log_(log) {}
    void ResetPendingTie() override { log_.push_back("reset"); }
    void FinishPendingTie() override { log_.push_back("finish"); }
    void WalkTracks() override {
        log_.push_back("walk " + std::to_string(name) + " " + std::to_string(argument) + " " + std::to_string(lower[1]) +
                       "-" + std::to_string(upper[1]));
    }
    ~RecordingTie() override { log_.push_back("deleted"); }

private:
    std::vector<std::string>& log_;
};
}  // namespace

// Re-tying a range: the tie operation walks the range given, between forgetting and making its
// pending tie, and goes without entering the undo list.
TEST_F(AppCommandsTest, ReTyingARangeWalksItOutsideTheUndoList) {
    Run([](TestApp&, CFrameWnd*, CZelDoc* doc, CView*) {
        std::vector<std::string> log;
        TaskMakerOverride() = [&log](const std::string& c, CZelDoc&) -> CScoreTask* {
            return c == "CAddTieTask" ? new RecordingTie(log) : nullptr;
        };
        const int undo = doc->GetUndoCount();
        const std::int16_t lower[6] = {0, 2, 0, 0, 0, 0}, upper[6] = {1, 5, 0, 0, 0, 0};
        doc->RetieRange(lower, upper);
        TaskMakerOverride() = nullptr;
        EXPECT_EQ(log, (std::vector<std::string>{"reset", "walk 4010 0 2-5", "finish", "deleted"}));
        EXPECT_EQ(doc->GetUndoCount(), undo);
        EXPECT_EQ(doc->currentTask, nullptr);
        // Without the tie operation nothing happens.
        doc->RetieRange(lower, upper);
        EXPECT_EQ(doc->GetUndoCount(), undo);
    });
}

// Tools and palette tools need a document: without one their entries are greyed.
TEST(AppCommandsWithoutDocument, ToolsAreGreyedWithoutADocument) {
    fw::ResetAllGlobals();
    ASSERT_TRUE(::Documents().empty());
    for (UINT id : {800u, 923u, 2800u, 2502u, 10013u}) {
        CCmdUI ui(id);
        ASSERT_TRUE(CZelApp::UpdateOwnCommand(&ui)) << id;
        EXPECT_FALSE(ui.enabled) << id;
    }
}

// Options that act on the score at once: Transposed Tracks empties the undo list and marks the
// score modified; All Notes Off resets each pair of port and channel once.
TEST_F(AppCommandsTest, TransposedTracksAndAllNotesOffActOnTheScoreAtOnce) {
    Run([](TestApp&, CFrameWnd* frame, CZelDoc* doc, CView*) {
        doc->GetSelection()->SelectTracks(1, 1, false);
        Choose(frame, 35101);
        ASSERT_GT(doc->GetUndoCount(), 0);
        doc->SetModified(false);
        EXPECT_TRUE(Choose(frame, 36009).enabled);
        EXPECT_EQ(doc->GetUndoCount(), 0);
        EXPECT_TRUE(doc->IsModified());
        EXPECT_FALSE(fw::ChooseFromMenuBar(frame, 57643, false).enabled) << "nothing to undo";
        EXPECT_TRUE(fw::ChooseFromMenuBar(frame, 36009, false).checked);

        std::vector<testsupport::MidiRecorder::Sent>& sent = testsupport::RecordedMidi();
        sent.clear();
        CScore& score = *doc->GetScore();
        std::vector<std::pair<int, int>> pairs;
        for (int t = 0; t < score.GetTrackCount(); ++t)
            for (int v = 0; v < CTrack::kVoices; ++v) {
                const std::pair<int, int> p{score.GetTrack(t)->GetDevice(), score.GetTrack(t)->GetVoiceChannel(v)};
                if (std::find(pairs.begin(), pairs.end(), p) == pairs.end()) pairs.push_back(p);
            }
        Choose(frame, 33403);
        std::vector<std::pair<int, int>> reset;
        for (const auto& s : sent)
            if (s.kind == testsupport::MidiRecorder::Kind::Reset) reset.emplace_back(s.port, s.a);
        EXPECT_EQ(reset, pairs);
        EXPECT_LT(pairs.size(), std::size_t(score.GetTrackCount() * CTrack::kVoices)) << "voices share channels";
    });
}
