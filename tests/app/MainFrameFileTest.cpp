// The main frame's File menu and closing in the running program: every close of the frame or of
// a score window asks about modified scores (Cancel keeps everything, Yes saves, a failed save
// keeps the program), New, Open, Close, Import, the recent files and Exit from the menu and
// their keys, Ctrl+C/Ctrl+V in the score window, and a stop signal while a dialog is open.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/AppGlobals.h"
#include "app/MainFrame.h"
#include "app/StatBar.h"
#include "app/ZelApp.h"
#include "framework/App.h"
#include "framework/CodePage.h"
#include "framework/Dialog.h"
#include "framework/FileDialog.h"
#include "framework/Globals.h"
#include "framework/Gdi.h"
#include "framework/Mdi.h"
#include "framework/Menu.h"
#include "framework/MessageBox.h"
#include "framework/UiTest.h"
#include "model/ApplicationOps.h"
#include "model/Bar.h"
#include "model/Playback.h"
#include "model/Score.h"
#include "model/Select.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/Note.h"
#include "platform/RvqUtil.h"
#include "support/RunningApp.h"
#include "support/TempHome.h"
#include "support/TestData.h"
#include "view/ZelView.h"
#include "view/ZelWnd.h"

namespace fs = std::filesystem;

namespace {

class MainFrameFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        fw::ResetAllGlobals();
        fw::EnsureGraphics();
        // New makes its score without asking (the New dialog is the preferences' choice).
        ASSERT_TRUE(SaveRegDword("Preferences\\Auto Flags", "New Dialog", 0));
    }
    void TearDown() override { fw::ResetAllGlobals(); }

    // A copy of a score of the test data in the temporary home, which the test may change.
    std::string CopyOf(const std::string& relative, const std::string& name) {
        const std::string path = home.root() + "/" + name;
        fs::copy_file(testsupport::TestDataPath(relative), path, fs::copy_options::overwrite_existing);
        return path;
    }

    // Runs the program on a score; body gets the application, its frame and the score's document.
    void Run(const std::string& score, const std::function<void(testsupport::RunningApp&, CFrameWnd*, CZelDoc*)>& body) {
        testsupport::RunningApp app;
        bool ran = false;
        app.whileRunning = [&] {
            fw::uitest::RunUntilIdle();
            CZelDoc* doc = app.GetActiveDocument();
            auto* frame = static_cast<CFrameWnd*>(app.m_pMainWnd);
            ASSERT_TRUE(doc && frame);
            ran = true;
            body(app, frame, doc);
        };
        fw::uitest::Session session;
        testsupport::RunProgram(app, {score});
        ASSERT_TRUE(app.started);
        ASSERT_TRUE(ran);
    }

    testsupport::TempHome home;
};

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

}  // namespace

// Closing the main frame (its close button, which Alt+F4 and File > Exit reach as the same close)
// asks string 10015's question about the modified score: Cancel keeps the program and the edits,
// a save that fails keeps them too, Yes writes the file and the program ends.
TEST_F(MainFrameFileTest, ClosingTheFrameAsksAboutAModifiedScoreAndOnlyYesOrNoLetsItGo) {
    const std::string path = CopyOf("edit/mixed.zel", "kept.zel");
    const std::string original = FileBytes(path);
    struct Seen {
        std::vector<std::string> questions;
        bool openAfterCancel = false, modifiedAfterCancel = false, openAfterFailedSave = false;
        bool closedAfterYes = false;
    } seen;
    Run(path, [&](testsupport::RunningApp& app, CFrameWnd* frame, CZelDoc* doc) {
        doc->SetModifiedFlag(true);
        {
            fw::msgboxtest::Capture boxes;
            boxes.Answer(IDCANCEL);
            frame->PostMessage(WM_CLOSE);
            fw::uitest::RunUntilIdle();
            for (const auto& b : boxes.shown()) seen.questions.push_back(fw::ToUtf8(b.text));
        }
        seen.openAfterCancel = frame->IsWindow() && app.Documents().size() == 1;
        seen.modifiedAfterCancel = doc->IsModified();

        // File > Exit with the file read-only: Yes cannot save, the program stays.
        ::chmod(path.c_str(), 0444);
        {
            fw::msgboxtest::Capture boxes;
            boxes.Answer(IDYES);
            boxes.Answer(IDOK);
            fw::ChooseFromMenuBar(frame, 57665);
            fw::uitest::RunUntilIdle();
            for (const auto& b : boxes.shown()) seen.questions.push_back(fw::ToUtf8(b.text));
        }
        seen.openAfterFailedSave = frame->IsWindow() && doc->IsModified();
        ::chmod(path.c_str(), 0644);

        fw::msgboxtest::Capture boxes;
        boxes.Answer(IDYES);
        fw::ChooseFromMenuBar(frame, 57665);
        fw::uitest::RunUntilIdle();
        seen.closedAfterYes = !frame->IsWindow();
    });
    ASSERT_GE(seen.questions.size(), 3u);
    EXPECT_TRUE(Contains(seen.questions[0], "将改动保存到 kept.zel")) << seen.questions[0];
    EXPECT_TRUE(seen.openAfterCancel);
    EXPECT_TRUE(seen.modifiedAfterCancel) << "Cancel keeps the edits";
    EXPECT_TRUE(Contains(seen.questions[1], "将改动保存到")) << seen.questions[1];
    EXPECT_TRUE(Contains(seen.questions[2], "只读")) << "the failed save says why: " << seen.questions[2];
    EXPECT_TRUE(seen.openAfterFailedSave);
    EXPECT_TRUE(seen.closedAfterYes);
    EXPECT_NE(FileBytes(path), original) << "Yes wrote the score";
}

// Closing one score window (File > Close, Ctrl+W, Ctrl+F4) asks the same: Cancel keeps the
// window, No closes it without saving.
TEST_F(MainFrameFileTest, ClosingAScoreWindowAsksFirstAndCancelKeepsIt) {
    const std::string path = CopyOf("edit/mixed.zel", "window.zel");
    const std::string original = FileBytes(path);
    struct Seen {
        std::size_t askedOnCancel = 0, windowsAfterCancel = 0, windowsAfterNo = 0, windowsAfterCtrlF4 = 0;
        bool closeGreyWithoutWindow = false;
    } seen;
    Run(path, [&](testsupport::RunningApp& app, CFrameWnd* frame, CZelDoc* doc) {
        doc->SetModifiedFlag(true);
        CZelWnd* wnd = testsupport::ActiveScoreWindow();
        ASSERT_TRUE(wnd);
        {
            fw::msgboxtest::Capture boxes;
            boxes.Answer(IDCANCEL);
            fw::uitest::Key(wnd->GetView(), 'W', fw::uitest::kCtrl);
            fw::uitest::RunUntilIdle();
            seen.askedOnCancel = boxes.shown().size();
        }
        seen.windowsAfterCancel = app.Documents().size();
        {
            fw::msgboxtest::Capture boxes;
            boxes.Answer(IDNO);
            fw::ChooseFromMenuBar(frame, 57602);
            fw::uitest::RunUntilIdle();
        }
        seen.windowsAfterNo = app.Documents().size();
        seen.closeGreyWithoutWindow = !fw::ChooseFromMenuBar(frame, 57602, false).enabled;
        // A new score's window closes with Ctrl+F4 (nothing to ask).
        CZelDoc* made = nullptr;
        ASSERT_TRUE(testsupport::OpenNewScoreWindow(app, made));
        fw::uitest::Key(testsupport::ActiveScoreWindow()->GetView(), VK_F1 + 3, fw::uitest::kCtrl);
        fw::uitest::RunUntilIdle();
        seen.windowsAfterCtrlF4 = app.Documents().size();
    });
    EXPECT_EQ(seen.askedOnCancel, 1u);
    EXPECT_EQ(seen.windowsAfterCancel, 1u);
    EXPECT_EQ(seen.windowsAfterNo, 0u);
    EXPECT_TRUE(seen.closeGreyWithoutWindow);
    EXPECT_EQ(seen.windowsAfterCtrlF4, 0u);
    EXPECT_EQ(FileBytes(path), original) << "No saved nothing";
}

// The File pop-up holds New, Open, Close, Import, the recent files and Exit; New and Open run
// from it and from their keys, a new window takes the main frame's client area, an opened file
// heads the recent files (in the menu and in the settings), and Exit ends the program.
TEST_F(MainFrameFileTest, TheFileMenuMakesOpensListsRecentFilesAndExits) {
    const std::string path = CopyOf("edit/mixed.zel", "start.zel");
    const std::string other = CopyOf("edit/mixed.zel", "other.zel");
    struct Seen {
        std::vector<UINT> missing;
        std::size_t afterNew = 0, afterCtrlN = 0, afterOpen = 0, afterRecent = 0;
        bool fillsClient = false, aboveStatusBar = false;
        std::string recentEntry, stored;
        bool exited = false;
    } seen;
    Run(path, [&](testsupport::RunningApp& app, CFrameWnd* frame, CZelDoc*) {
        for (UINT id : {57600u, 57601u, 57602u, 32804u, 57616u, 57665u})
            if (!fw::ChooseFromMenuBar(frame, id, false).found) seen.missing.push_back(id);
        fw::ChooseFromMenuBar(frame, 57600);
        fw::uitest::RunUntilIdle();
        seen.afterNew = app.Documents().size();
        if (CZelWnd* wnd = testsupport::ActiveScoreWindow()) {
            RECT area, window;
            g_app.mainFrame->Client().GetClientRect(&area);
            wnd->GetWindowRect(&window);
            g_app.mainFrame->Client().ScreenToClient(&window);
            seen.fillsClient = wnd->IsMaximized() && window.left == area.left && window.top == area.top &&
                               window.right == area.right && window.bottom == area.bottom;
            // Nothing of it lies under the status bar.
            RECT onScreen, status;
            wnd->GetWindowRect(&onScreen);
            g_app.mainFrame->GetStatusBar()->GetWindowRect(&status);
            seen.aboveStatusBar = onScreen.bottom <= status.top;
            if (!seen.aboveStatusBar)
                std::fprintf(stderr, "window bottom %ld, status bar top %ld\n", long(onScreen.bottom), long(status.top));
            fw::uitest::Key(wnd->GetView(), 'N', fw::uitest::kCtrl);
            fw::uitest::RunUntilIdle();
        }
        seen.afterCtrlN = app.Documents().size();

        fw::filedialogtest::Script files;
        files.Answer(other);
        fw::ChooseFromMenuBar(frame, 57601);
        fw::uitest::RunUntilIdle();
        seen.afterOpen = app.Documents().size();
        seen.recentEntry = fw::ToUtf8(fw::ChooseFromMenuBar(frame, 57616, false).text);
        char stored[512] = {};
        LoadRegString("Recent File List", "File1", stored, sizeof stored);
        seen.stored = stored;
        // The recent entry opens its file again.
        fw::ChooseFromMenuBar(frame, 57616);
        fw::uitest::RunUntilIdle();
        seen.afterRecent = app.Documents().size();

        fw::msgboxtest::Capture boxes;
        for (int i = 0; i < 8; ++i) boxes.Answer(IDNO);
        fw::ChooseFromMenuBar(frame, 57665);
        fw::uitest::RunUntilIdle();
        seen.exited = !frame->IsWindow();
    });
    EXPECT_TRUE(seen.missing.empty()) << "first missing id: " << (seen.missing.empty() ? 0 : seen.missing[0]);
    EXPECT_EQ(seen.afterNew, 2u);
    EXPECT_TRUE(seen.fillsClient) << "a new score window takes the main frame's client area";
    EXPECT_TRUE(seen.aboveStatusBar);
    EXPECT_EQ(seen.afterCtrlN, 3u);
    EXPECT_EQ(seen.afterOpen, 4u);
    EXPECT_EQ(seen.recentEntry, "&1 other.zel");
    EXPECT_EQ(seen.stored, other) << "the recent files are kept in the settings at once";
    EXPECT_EQ(seen.afterRecent, 5u);
    EXPECT_TRUE(seen.exited);
}

namespace {

// Two quarter notes put into a bar of track 0, selected as the select tool selects them.
void PutAndSelectNotes(CZelDoc* doc, int bar) {
    CScore& score = *doc->GetScore();
    CTrkBar* tb = score.GetTrkBar(0, bar);
    tb->SetCurrent();
    for (int k = 0; k < 2; ++k) {
        std::vector<std::uint8_t> bytes(CRawNote::kHeads + NoteHead::kSize, 0);
        CRawNote* note = CNote::Construct(bytes.data());
        note->SetHeadCountField(1);
        note->CBaseItem::SetSize(std::int16_t(bytes.size()));
        note->SetNoteValue(3);
        note->SetTimeField(std::int16_t(480 * k));
        note->Head(0)->SetPitch(72 + 2 * k);
        note->Head(0)->SetPosition(1 + k);
        note->Head(0)->SetDuration(480);
        ASSERT_NE(tb->InsertCopy(note), nullptr);
    }
    CSelect* sel = doc->GetSelection();
    for (CBarItem* i = tb->GetItems(); i && i->TypeCode() != 255; i = i->NextItem())
        if (i->IsNote()) sel->SelectItem(i, -32767, tb, false);
    sel->lower[1] = sel->upper[1] = 0;
    sel->lower[3] = sel->upper[3] = std::int16_t(bar);
    sel->lower[4] = sel->lower[5] = 0;
    sel->upper[4] = sel->upper[5] = 32767;
}

std::vector<int> PitchesIn(CScore& score, int bar) {
    std::vector<int> out;
    for (CBarItem* i = score.GetTrkBar(0, bar)->GetItems(); i && i->TypeCode() != 255; i = i->NextItem())
        if (!i->IsRemoved() && i->IsNote()) out.push_back(static_cast<CRawNote*>(i)->Head(0)->Pitch());
    return out;
}

}  // namespace

// Menu keys come before typed keys: in the score window Ctrl+C copies bar 1 and Ctrl+V puts it
// into bar 5, and no recording starts; during a count-in Ctrl+C still taps the tempo.
TEST_F(MainFrameFileTest, CtrlCCopiesInTheScoreWindowAndTapsTheTempoOnlyDuringACountIn) {
    struct Seen {
        std::vector<int> bar1, bar5;
        int transportAfterCopy = -1, undoAfterCopy = -1, undoBefore = -1, taps = 0;
    } seen;
    Run(testsupport::TestDataPath("edit/mixed.zel"), [&](testsupport::RunningApp&, CFrameWnd*, CZelDoc* doc) {
        CScore& score = *doc->GetScore();
        ASSERT_GE(score.GetBarCount(), 5);
        PutAndSelectNotes(doc, 0);
        CView* view = testsupport::ActiveScoreWindow()->GetView();
        seen.undoBefore = doc->GetUndoCount();
        fw::uitest::Key(view, 'C', fw::uitest::kCtrl);
        fw::uitest::RunUntilIdle();
        seen.transportAfterCopy = GetTransportState();
        seen.undoAfterCopy = doc->GetUndoCount();
        doc->GetSelection()->ClearAll();
        doc->SetCurrentBar(4, false);
        doc->location.trackIndex = 0;
        doc->location.time = 0;
        doc->location.voice = 0;
        doc->location.allVoices = 0;
        doc->location.insertionPlaced = 1;
        fw::uitest::Key(view, 'V', fw::uitest::kCtrl);
        fw::uitest::RunUntilIdle();
        seen.bar1 = PitchesIn(score, 0);
        seen.bar5 = PitchesIn(score, 4);

        // A count-in: the key is the typed tempo tap.
        ApplicationOps& ops = AppOps();
        const auto tap = ops.tempoTap;
        ops.tempoTap = [&seen] { ++seen.taps; };
        SetTransportState(3);
        fw::uitest::Key(view, 'C', fw::uitest::kCtrl);
        fw::uitest::RunUntilIdle();
        SetTransportState(0);
        ops.tempoTap = tap;
    });
    EXPECT_EQ(seen.transportAfterCopy, 0) << "Ctrl+C started no recording";
    EXPECT_EQ(seen.undoAfterCopy, seen.undoBefore) << "no take was recorded";
    std::sort(seen.bar1.begin(), seen.bar1.end());
    std::sort(seen.bar5.begin(), seen.bar5.end());
    const std::vector<int> put{72, 74};
    EXPECT_TRUE(std::includes(seen.bar1.begin(), seen.bar1.end(), put.begin(), put.end()));
    EXPECT_EQ(seen.bar5, seen.bar1) << "bar 5 holds bar 1's notes";
    EXPECT_EQ(seen.taps, 1);
}

// A stop signal ends the program also while a modal dialog is open: the dialog ends as cancelled
// at once (not because the test's script ran dry) and the program goes on to its end.
TEST_F(MainFrameFileTest, AStopSignalEndsAModalDialogAndTheProgram) {
    int forcedEnds = -1;
    bool stopSeen = false;
    bool frameGone = false;
    testsupport::RunningApp app;
    app.whileRunning = [&] {
        fw::uitest::RunUntilIdle();
        auto* frame = static_cast<CFrameWnd*>(app.m_pMainWnd);
        ASSERT_TRUE(frame);
        const int before = fw::uitest::ForcedEnds();
        fw::uitest::OnNextModal([](CDialog&) { ::raise(SIGTERM); });
        fw::ChooseFromMenuBar(frame, 38011);
        fw::uitest::RunUntilIdle();
        forcedEnds = fw::uitest::ForcedEnds() - before;
        stopSeen = fw::StopRequested();
    };
    {
        fw::uitest::Session session;
        testsupport::RunProgram(app, {testsupport::TestDataPath("edit/mixed.zel")});
    }
    frameGone = g_app.mainFrame == nullptr;
    ASSERT_TRUE(app.started);
    EXPECT_TRUE(stopSeen);
    EXPECT_EQ(forcedEnds, 0) << "the signal, not the script, ended the dialog";
    EXPECT_TRUE(frameGone);
    const std::vector<std::string>& journal = app.Journal();
    EXPECT_NE(std::find(journal.begin(), journal.end(), "-CZelDesktop"), journal.end()) << "a clean shutdown";
}
