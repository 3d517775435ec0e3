// The main frame's keys, placement and bar state, the splash on the virtual clock, the transport
// position panes against a score, and the one-instance rule between real program runs.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/AppGlobals.h"
#include "app/AppStandIns.h"
#include "app/MainFrame.h"
#include "app/Splash.h"
#include "app/TransportPosition.h"
#include "app/ZelApp.h"
#include "framework/Clock.h"
#include "framework/ControlBar.h"
#include "platform/RvqUtil.h"
#include "platform/SizingBar.h"
#include "framework/Gdi.h"
#include "framework/Globals.h"
#include "framework/Input.h"
#include "framework/Screen.h"
#include "framework/SingleInstance.h"
#include "framework/UiTest.h"
#include "model/Bar.h"
#include "model/NewScore.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "notation/NotationClasses.h"
#include "platform/FileNames.h"
#include "platform/Port.h"
#include "platform/RvqUtil.h"
#include "support/ProcessWait.h"
#include "support/TempHome.h"

namespace fs = std::filesystem;

namespace {

class KeyFrame : public CZelDesktop {
public:
    std::vector<UINT> chars;

protected:
    void OnChar(UINT ch, UINT repeat, UINT flags) override {
        chars.push_back(ch);
        CZelDesktop::OnChar(ch, repeat, flags);
    }
};

class AppFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        fw::ResetAllGlobals();
        fw::EnsureGraphics();
    }
    void TearDown() override {
        fw::clocktest::Reset();
        fw::ResetAllGlobals();
    }
    testsupport::TempHome home;
};

TEST_F(AppFrameTest, NavigationKeysReachTheProgramAsItsCharacterCodes) {
    KeyFrame frame;
    ASSERT_TRUE(frame.Create());
    fw::uitest::Session session;
    const struct {
        int key;
        UINT code;
    } keys[] = {{VK_PRIOR, 11}, {VK_NEXT, 12}, {VK_END, 4}, {VK_HOME, 1},  {VK_LEFT, 28},
                {VK_UP, 30},    {VK_RIGHT, 29}, {VK_DOWN, 31}, {VK_DELETE, 8}};
    std::vector<UINT> want;
    for (const auto& k : keys) {
        fw::uitest::Key(&frame, k.key);
        want.push_back(k.code);
    }
    fw::uitest::RunUntilIdle();
    EXPECT_EQ(frame.chars, want);
    frame.CFrameWnd::DestroyWindow();
}

WINDOWPLACEMENT Placement(UINT show, RECT normal) {
    WINDOWPLACEMENT p;
    p.showCmd = show;
    p.rcNormalPosition = normal;
    return p;
}

TEST_F(AppFrameTest, StoredPlacementIsPulledOntoTheScreenAndOddRecordsAreIgnored) {
    // Clamping on a 1024 x 768 screen.
    const struct {
        const char* name;
        WINDOWPLACEMENT stored;
        UINT show;
        RECT normal;
    } cases[] = {
        {"on the screen", Placement(SW_SHOWNORMAL, {10, 20, 410, 320}), SW_SHOWNORMAL, {10, 20, 410, 320}},
        {"from a larger screen", Placement(SW_SHOWNORMAL, {1500, 1000, 1900, 1300}), SW_SHOWNORMAL, {992, 736, 1392, 1036}},
        {"minimised", Placement(SW_SHOWMINIMIZED, {10, 20, 410, 320}), SW_RESTORE, {10, 20, 410, 320}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WINDOWPLACEMENT p;
        ASSERT_TRUE(CZelDesktop::UnpackPlacement(CZelDesktop::PackPlacement(c.stored), &p));
        CZelDesktop::ClampPlacement(&p, 1024, 768);
        EXPECT_EQ(p.showCmd, c.show);
        EXPECT_EQ(p.rcNormalPosition.left, c.normal.left);
        EXPECT_EQ(p.rcNormalPosition.top, c.normal.top);
        EXPECT_EQ(p.rcNormalPosition.right, c.normal.right);
        EXPECT_EQ(p.rcNormalPosition.bottom, c.normal.bottom);
    }
    // Records of another size or length field are not placements.
    std::string bytes = CZelDesktop::PackPlacement(Placement(SW_SHOWNORMAL, {10, 20, 410, 320}));
    WINDOWPLACEMENT p;
    EXPECT_FALSE(CZelDesktop::UnpackPlacement(bytes.substr(0, 40), &p));
    EXPECT_FALSE(CZelDesktop::UnpackPlacement(bytes + "xxxx", &p));
    bytes[0] = 40;
    EXPECT_FALSE(CZelDesktop::UnpackPlacement(bytes, &p));

    // Through the settings store: the frame comes back where it was closed; a record of
    // another length leaves it maximised.
    {
        CZelDesktop frame;
        ASSERT_TRUE(frame.Create());
        frame.ShowWindow(SW_RESTORE);
        frame.MoveWindow(40, 50, 500, 400);
        frame.DestroyWindow();
    }
    {
        CZelDesktop frame;
        ASSERT_TRUE(frame.Create());
        WINDOWPLACEMENT now;
        frame.GetWindowPlacement(&now);
        EXPECT_EQ(now.showCmd, UINT(SW_SHOWNORMAL));
        EXPECT_EQ(now.rcNormalPosition.right - now.rcNormalPosition.left, 500);
        frame.CFrameWnd::DestroyWindow();
    }
    RegKeyRecord key;
    ASSERT_TRUE(OpenRegKey(key, "Software\\Harrowick\\Zelmarin\\4.0", nullptr, KEY_READ | KEY_WRITE, HKEY_CURRENT_USER));
    ASSERT_TRUE(SetRegBinary(key, "WindowPlacement", "0123456789", 10));
    CZelDesktop frame;
    ASSERT_TRUE(frame.Create());
    EXPECT_FALSE(frame.RestoreWindowPlacement());
    frame.CFrameWnd::DestroyWindow();
}

TEST_F(AppFrameTest, BarStateNamingAMissingBarIsIgnoredWhole) {
    {
        CZelDesktop frame;
        ASSERT_TRUE(frame.Create());
        CStdToolBar standard;
        CMainToolBar tools;
        ASSERT_TRUE(standard.Create(&frame));
        ASSERT_TRUE(tools.Create(&frame, nullptr));
        frame.DockControlBar(&standard);
        frame.DockControlBar(&tools);
        frame.ShowControlBar(&tools, FALSE);
        frame.SaveBarState();
        frame.CFrameWnd::DestroyWindow();
    }
    // Every bar there: the stored state applies.
    {
        CZelDesktop frame;
        ASSERT_TRUE(frame.Create());
        CStdToolBar standard;
        CMainToolBar tools;
        ASSERT_TRUE(standard.Create(&frame));
        ASSERT_TRUE(tools.Create(&frame, nullptr));
        frame.DockControlBar(&standard);
        frame.DockControlBar(&tools);
        EXPECT_TRUE(frame.LoadBarState());
        EXPECT_TRUE(standard.IsVisible());
        EXPECT_FALSE(tools.IsVisible());
        frame.CFrameWnd::DestroyWindow();
    }
    // The main tool bar is gone from the program: nothing of the state applies.
    CZelDesktop frame;
    ASSERT_TRUE(frame.Create());
    CStdToolBar standard;
    ASSERT_TRUE(standard.Create(&frame));
    frame.DockControlBar(&standard);
    frame.ShowControlBar(&standard, FALSE);
    EXPECT_FALSE(frame.LoadBarState());
    EXPECT_FALSE(standard.IsVisible());
    frame.CFrameWnd::DestroyWindow();
}

TEST_F(AppFrameTest, BarStateKeepsTheSizesOfTheSizingBars) {
    {
        CZelDesktop frame;
        ASSERT_TRUE(frame.Create());
        CSizingControlBarG bar;
        ASSERT_TRUE(bar.Create("sized", &frame, SIZE{220, 90}, 0x7101));
        bar.EnableDocking(CBRS_ALIGN_ANY);
        frame.DockControlBar(&bar);
        bar.sizeVert = SIZE{140, 333};
        frame.SaveBarState();
        frame.CFrameWnd::DestroyWindow();
    }
    EXPECT_EQ(LoadRegDword("Toolbars\\Toolbar-SCBar-28929", "sizeVertCY", 0), DWORD(333));
    CZelDesktop frame;
    ASSERT_TRUE(frame.Create());
    CSizingControlBarG bar;
    ASSERT_TRUE(bar.Create("sized", &frame, SIZE{220, 90}, 0x7101));
    bar.EnableDocking(CBRS_ALIGN_ANY);
    frame.DockControlBar(&bar);
    EXPECT_TRUE(frame.LoadBarState());
    EXPECT_EQ(bar.sizeVert.cx, 140);
    EXPECT_EQ(bar.sizeVert.cy, 333);
    EXPECT_EQ(bar.sizeFloat.cx, 220);
    frame.CFrameWnd::DestroyWindow();
}

// A 24-bit picture of w x h pixels, as the bytes of its file.
std::string BmpBytes(int w, int h) {
    const int row = (w * 3 + 3) & ~3;
    const int size = 54 + row * h;
    std::string b(std::size_t(size), '\0');
    auto put = [&b](int at, std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) b[std::size_t(at + i)] = char((v >> (8 * i)) & 0xFF);
    };
    b[0] = 'B';
    b[1] = 'M';
    put(2, std::uint32_t(size), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, std::uint32_t(w), 4);
    put(22, std::uint32_t(h), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    put(34, std::uint32_t(row * h), 4);
    for (int i = 54; i < size; ++i) b[std::size_t(i)] = char(0x80);
    return b;
}

TEST_F(AppFrameTest, SplashWaitsOutItsMinimumTimeOnlyWhenNotClosedAtOnce) {
    testsupport::TempDir data;
    const std::string savedDataDir = std::getenv("ZEL_DATA_DIR") ? std::getenv("ZEL_DATA_DIR") : "";
    ::setenv("ZEL_DATA_DIR", data.path().c_str(), 1);
    SetUpProgramFolder();
    struct Case {
        const char* name;
        bool picture;
        DWORD shownFor;   // ms between showing and closing
        bool immediately;
        bool shown;
        DWORD waited;     // ms the close waited
    } cases[] = {
        {"closed a second after a 3,000 ms show", true, 1000, false, true, 2000},
        {"closed after its minimum", true, 3500, false, true, 0},
        {"closed at once", true, 1000, true, true, 0},
        {"no picture", false, 1000, false, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string picture = data.path() + "/zlsplash.bmp";
        fs::remove(picture);
        if (c.picture) std::ofstream(picture, std::ios::binary) << BmpBytes(40, 30);
        fw::clocktest::SetManual(10000);
        EXPECT_EQ(CSplashWnd::Show(3000), c.shown);
        EXPECT_EQ(CSplashWnd::Current() != nullptr, c.shown);
        if (CSplashWnd* splash = CSplashWnd::Current()) {
            RECT r;
            splash->GetWindowRect(&r);
            EXPECT_EQ(r.right - r.left, 40);
            EXPECT_EQ(r.bottom - r.top, 30);
        }
        fw::clocktest::Advance(c.shownFor);
        const DWORD before = fw::GetTickCount();
        CSplashWnd::Close(c.immediately);
        EXPECT_EQ(fw::GetTickCount() - before, c.waited);
        EXPECT_EQ(CSplashWnd::Current(), nullptr);
    }
    ::setenv("ZEL_DATA_DIR", savedDataDir.c_str(), 1);
    SetUpProgramFolder();
}

TEST_F(AppFrameTest, TransportPositionReadsAndCarriesBarsBeatsAndTicks) {
    RegisterTrackClass();
    RegisterNotationClasses();
    InitDrawing();
    CZelDoc doc;
    NewScoreSettings settings;
    settings.arrangement = 1;
    ASSERT_TRUE(BuildNewScore(*doc.GetScore(), settings, &doc));
    CScore* score = doc.GetScore();
    ASSERT_GT(score->GetBarCount(), 0);
    const int lastBar = score->GetBarCount() - 1;
    // A bar whose meter gives no beats counts as 4 of 480 instead of carrying for ever.
    CBar* first = score->GetBar(0);
    const int beatLength = first->GetBeatLength();
    const int beats = first->GetMeterLength() / beatLength;

    struct Case {
        const char* name;
        bool withScore;
        int bar, beat, tick;  // the panes as typed
        int field;            // -1: read the position, else normalise this field
        int wantBar, wantBeat, wantTick;  // the panes after, or the bar index and tick read
        bool zeroBeats = false;
    } cases[] = {
        {"read without a score", false, 3, 2, 100, -1, 2, 0, 580},
        {"beat 0 in the first bar", false, 1, 0, 200, 1, 1, 1, 0},
        {"beat 0 in a later bar", false, 3, 0, 200, 1, 2, 4, 0},
        {"beat 6 in bar 2", false, 2, 6, 0, 1, 3, 2, 0},
        {"ticks past the beat", false, 1, 4, 1000, 2, 2, 2, 40},
        {"a bar past the score reads the last", true, 999, 1, 0, -1, lastBar, 0, 0},
        {"beats of the score's bars", true, 1, beats + 1, 0, 1, 2, 1, 0},
        {"a bar of no beats", true, 1, 6, 0, 1, 2, 2, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::int16_t savedBeat = 0;
        if (c.zeroBeats) {
            savedBeat = rec::Get<std::int16_t>(first->GetMeter()->bytes, Meter::kTicksPerBeat);
            rec::Put<std::int16_t>(first->GetMeter()->bytes, Meter::kTicksPerBeat, 0);
        }
        TransportPosition position;
        position.SetScore(c.withScore ? score : nullptr);
        EXPECT_EQ(position.enabled, c.withScore ? 1 : 0);
        position.SetPaneValues(c.bar, c.beat, c.tick);
        if (c.field < 0) {
            int bar = -1, tick = -1;
            position.GetPosition(&bar, &tick);
            EXPECT_EQ(bar, c.wantBar);
            EXPECT_EQ(tick, c.wantTick);
        } else {
            position.Normalize(c.field);
            EXPECT_EQ(position.BarValue(), c.wantBar);
            EXPECT_EQ(position.BeatValue(), c.wantBeat);
            EXPECT_EQ(position.TickValue(), c.wantTick);
        }
        if (c.zeroBeats) rec::Put<std::int16_t>(first->GetMeter()->bytes, Meter::kTicksPerBeat, savedBeat);
    }
    // Set and read back: a position is the bar index and the tick in the bar.
    TransportPosition position;
    position.SetPosition(4, 1000);
    EXPECT_EQ(position.BarValue(), 5);
    EXPECT_EQ(position.BeatValue(), 3);
    EXPECT_EQ(position.TickValue(), 40);
    int bar = 0, tick = 0;
    position.GetPosition(&bar, &tick);
    EXPECT_EQ(bar, 4);
    EXPECT_EQ(tick, 1000);
}

// --- one instance, between real program runs ----------------------------------------------------

pid_t Start(const std::string& exe) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::execl(exe.c_str(), exe.c_str(), "-nologo", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return pid;
}

class RaiseCountingApp : public CZelApp {
public:
    bool InitInstance() override {
        if (!CZelApp::InitInstance()) return false;
        // A second program run while this one runs: it ends at once with 0 and raises us.
        const pid_t second = Start(std::string(std::getenv("ZEL_BUILD_DIR")) + "/zelmarin");
        int status = -1;
        ::waitpid(second, &status, 0);
        secondStatus = status;
        ServeRaiseRequests();
        raised = RaiseCount();
        ::raise(SIGTERM);
        return true;
    }
    int secondStatus = -1;
    int raised = 0;
};

TEST_F(AppFrameTest, ASecondStartRaisesTheFirstAndACrashedOneBlocksNothing) {
    const std::string exe = std::string(std::getenv("ZEL_BUILD_DIR")) + "/zelmarin";
    const std::string socket = fw::RuntimeFolder() + "/zelmarin.sock";
    {
        RaiseCountingApp app;
        char arg0[] = "zelmarin";
        char arg1[] = "-nologo";
        char* argv[] = {arg0, arg1, nullptr};
        EXPECT_EQ(AfxWinMain(app, 2, argv), 0);
        ASSERT_TRUE(WIFEXITED(app.secondStatus));
        EXPECT_EQ(WEXITSTATUS(app.secondStatus), 0);
        EXPECT_EQ(app.raised, 1);
    }
    // The first instance killed outright: the next start runs all the same.
    int status = 0;
    const pid_t first = Start(exe);
    ASSERT_EQ(testsupport::WaitUntilAnswering(first, socket, &status), testsupport::ChildState::Answering);
    ::kill(first, SIGKILL);
    ::waitpid(first, nullptr, 0);
    // Its socket file is left behind and answers no more; the next start takes over.
    ASSERT_TRUE(fs::exists(socket));
    ASSERT_FALSE(testsupport::SocketAnswers(socket));
    const pid_t next = Start(exe);
    EXPECT_EQ(testsupport::WaitUntilAnswering(next, socket, &status), testsupport::ChildState::Answering)
        << "the start after the crash ended, status " << status;
    ::kill(next, SIGTERM);
    ::waitpid(next, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
