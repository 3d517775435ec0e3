// The application's life under the offscreen platform with a temporary settings home: start-up
// in its order with the debug log's steps, failing steps that leave the settings alone, the
// language's text sizes, the MIDI warnings, the start-up score, idle work on the virtual clock
// and shutdown in reverse.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/AppGlobals.h"
#include "app/AppStandIns.h"
#include "app/MainFrame.h"
#include "app/MetroDlg.h"
#include "app/MidiPortsDlg.h"
#include "app/RecordDlg.h"
#include "app/RedirectDlg.h"
#include "app/StatBar.h"
#include "app/TapeDeck.h"
#include "app/Transport.h"
#include "view/DebugWnd.h"
#include "platform/StdView.h"
#include "app/ZelApp.h"
#include "edit/AddTrackDlg.h"
#include "edit/PasteTask.h"
#include "chrome/MainToolBar.h"
#include "chrome/StyleBar.h"
#include "view/ToolState.h"
#include "framework/Clock.h"
#include "framework/CodePage.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/FileDialog.h"
#include "midi/MidiImport.h"
#include "midi/MidiLayer.h"
#include "notation/Note.h"
#include "framework/Gdi.h"
#include "framework/Globals.h"
#include "framework/Midi.h"
#include "framework/MessageBox.h"
#include "framework/UiTest.h"
#include "model/InstLib.h"
#include "model/ModelGlobals.h"
#include "model/Playback.h"
#include "model/NewScore.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/ScoreFile.h"
#include "model/ScoreStandIns.h"
#include "model/ScoreStructureStandIns.h"
#include "model/Record.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "notation/NotationClasses.h"
#include "platform/Devices.h"
#include "platform/PlatformGlobals.h"
#include "platform/Port.h"
#include "platform/PortLayer.h"
#include "platform/RvqUtil.h"
#include "platform/StdDlgGlobals.h"
#include "support/FakeEngine.h"
#include "support/MenuBoxScript.h"
#include "support/CommandRecorder.h"
#include "support/PictureCompare.h"
#include "support/RunTool.h"
#include "support/SavedScore.h"
#include "support/TempHome.h"
#include "support/TestData.h"
#include "framework/View.h"
#include "framework/Menu.h"
#include "framework/PropertySheet.h"
#include "framework/Controls.h"
#include "model/TitlePage.h"
#include "framework/Clipboard.h"
#include "model/Page.h"
#include "model/Select.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "view/ZelWnd.h"
#include "model/Bar.h"
#include "model/Lyric.h"
#include "framework/SystemClipboard.h"
#include "model/Text.h"
#include "model/TextTask.h"
#include "framework/Input.h"
#include "framework/Screen.h"
#include "model/SystemStaff.h"
#include "model/TrkBarEntryFields.h"
#include "chrome/MainToolBar.h"
#include "view/PagePane.h"
#include "view/ToolState.h"
#include "view/ZelView.h"

namespace fs = std::filesystem;

namespace {

// The application with its failing steps and its outside effects observable.
class TestApp : public CZelApp {
public:
    bool InitInstance() override {
        started = CZelApp::InitInstance();
        if (started) {
            if (whileRunning) whileRunning(*this);
            ::raise(SIGTERM);  // the loop ends as on a stop signal
        }
        return started;
    }
    void OnCommandRange(unsigned id) override {
        routed.push_back(id);
        CZelApp::OnCommandRange(id);
    }

    std::function<void(TestApp&)> whileRunning;
    bool failFont = false, failFrame = false, failMidi = false, failBars = false;
    bool started = false;
    int autosaves = 0;
    std::vector<unsigned> routed;

protected:
    bool MusicFontInstalled() override { return !failFont && CZelApp::MusicFontInstalled(); }
    bool CreateMainFrame() override { return !failFrame && CZelApp::CreateMainFrame(); }
    bool CreateMidiLayer() override { return !failMidi && CZelApp::CreateMidiLayer(); }
    bool CreateToolBars() override { return !failBars && CZelApp::CreateToolBars(); }
    void AutosaveDocument(CZelDoc&) override { ++autosaves; }
};

int RunApp(TestApp& app, std::vector<std::string> args = {}) {
    std::vector<std::string> words{"zelmarin"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    return AfxWinMain(app, int(words.size()), argv.data());
}

// Every file under a folder with its bytes.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file()) {
            std::ifstream in(e.path(), std::ios::binary);
            files[e.path().string()] = std::string(std::istreambuf_iterator<char>(in), {});
        }
    return files;
}

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

void PutUserValue(const char* key, const char* name, DWORD value) { ASSERT_TRUE(SaveRegDword(key, name, value)); }

class AppLifeTest : public ::testing::Test {
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

TEST_F(AppLifeTest, StartUpLogsItsStepsInOrderAndShutdownFreesInReverse) {
    g_platform.debugLog = 1;
    TestApp app;
    std::string title;
    std::vector<std::string> newScoreTexts;
    app.whileRunning = [&](TestApp& a) {
        title = a.m_pMainWnd->GetWindowText();
        for (const char* t : {g_model.newScore.title, g_model.newScore.remark, g_model.newScore.text3, g_model.newScore.text4})
            newScoreTexts.push_back(fw::ToUtf8(t));
    };
    EXPECT_EQ(RunApp(app), 0);
    ASSERT_TRUE(app.started);
    EXPECT_EQ(title, "Zelmarin");
    // A new score's four texts come from the string table at start-up.
    EXPECT_EQ(newScoreTexts, (std::vector<std::string>{"标题", "注解", "作者", "版权所有"}));
    EXPECT_EQ(Lines(home.state() + "/Harrowick/Zelmarin.log"),
              (std::vector<std::string>{"Opening Application", "Creating MIDI Objects", "Creating Libraries",
                                        "Opening MIDI ports", "Creating Toolbars", "Creating Support Windows",
                                        "Loading Libraries"}));
    std::vector<std::string> freed;
    for (const std::string& j : app.Journal())
        if (j[0] == '-') freed.push_back(j.substr(1));
    EXPECT_EQ(freed, (std::vector<std::string>{"CMidi", "marker", "CDevices", "CMidiInPorts", "CMidiOutPorts",
                                               "CAllotLib", "CChordLib", "CDrumLib", "CExprLib", "CInstLib", "CFontLib",
                                               "CGuitarLib", "CGraphicWndHolder", "CNoteSize", "CStepWnd", "CVSTWnd",
                                               "CChordWnd", "CLyricWnd", "CTrackWnd", "CDebugWnd", "CTransport",
                                               "CMainToolBar", "CStdToolBar", "CZelDesktop"}));
    EXPECT_EQ(g_app.mainFrame, nullptr);
    EXPECT_EQ(app.m_pMainWnd, nullptr);
    // The preferences and the frame's placement were saved.
    EXPECT_TRUE(fs::exists(home.config() + "/Harrowick/Zelmarin/4.0/Preferences/Auto Flags/values.reg"));
}

TEST_F(AppLifeTest, AFailingStepEndsStartUpAndLeavesTheSettingsAlone) {
    struct Case {
        const char* name;
        void (*arrange)(TestApp&);
        bool fontMessage;
    } cases[] = {
        {"music font missing", [](TestApp& a) { a.failFont = true; }, true},
        {"main frame not made", [](TestApp& a) { a.failFrame = true; }, false},
        {"MIDI layer not made", [](TestApp& a) { a.failMidi = true; }, false},
        {"tool bar not made", [](TestApp& a) { a.failBars = true; }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fw::ResetAllGlobals();
        const auto before = Snapshot(home.config());
        fw::msgboxtest::Capture boxes;
        TestApp app;
        c.arrange(app);
        EXPECT_EQ(RunApp(app), 0);
        EXPECT_FALSE(app.started);
        EXPECT_EQ(Snapshot(home.config()), before);
        ASSERT_EQ(boxes.shown().size(), c.fontMessage ? 1u : 0u);
        if (c.fontMessage) EXPECT_EQ(boxes.shown()[0].text, fw::FromUtf8("没有发现音乐字体!"));
        EXPECT_EQ(g_app.mainFrame, nullptr);
        for (const std::string& j : app.Journal()) EXPECT_NE(j, "+CStdToolBar") << "nothing after the failing step";
    }
}

TEST_F(AppLifeTest, JapaneseInterfaceMakesTheDefaultTextSizesTwoPointsLarger) {
    struct Case {
        const char* language;  // null: no value stored
        int interfaceSize;
        int barTextSize;
    } cases[] = {{nullptr, 9, 12}, {"japanese", 11, 14}, {"JAPANESE", 11, 14}, {"German", 9, 12}, {"Klingon", 9, 12}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language ? c.language : "none");
        fw::ResetAllGlobals();
        const std::string folder = home.machine() + "/Harrowick/Zelmarin/4.0";
        fs::create_directories(folder);
        std::ofstream(folder + "/values.reg", std::ios::trunc) << (c.language ? std::string("Language\tsz\t") + c.language + "\n" : "");
        TestApp app;
        int shownSize = 0, barText = 0;
        app.whileRunning = [&](TestApp&) {
            shownSize = g_ui.interfaceTextSize;
            barText = DefaultFontTable()[0].size;
        };
        RunApp(app);
        EXPECT_EQ(shownSize, c.interfaceSize);
        EXPECT_EQ(barText, c.barTextSize);
        fs::remove_all(home.config());
        fs::create_directories(home.config());
    }
}

// Remembers port choices under the program's key, as the ports dialog saves them (the key's
// preferences made too, so these are this version's choices).
void RememberPorts(const testsupport::TempHome& home, const char* subkey, const char* countName,
                   const std::vector<std::string>& names) {
    fs::create_directories(home.config() + "/Harrowick/Zelmarin/4.0/Preferences");
    for (std::size_t i = 0; i < names.size(); ++i)
        ASSERT_TRUE(SaveRegString(subkey, std::to_string(i).c_str(), names[i].c_str()));
    if (!names.empty()) PutUserValue(subkey, countName, DWORD(names.size()));
}

TEST_F(AppLifeTest, MidiWarningsComeOnlyWhenNoPortOfAKindCouldOpen) {
    struct Case {
        const char* name;
        std::vector<std::string> inputs, outputs, chosenIn, chosenOut, refusing;
        std::vector<std::string> openIn, openOut;
        std::vector<UINT> warnings;
    } cases[] = {
        {"no devices", {}, {}, {}, {}, {}, {}, {}, {}},
        {"no devices, ports stored", {}, {}, {"In A"}, {"Out A"}, {}, {}, {}, {}},
        {"nothing stored: the first of each opens", {"In A", "In B"}, {"Out A", "Out B"}, {}, {}, {},
         {"In A"}, {"Out A"}, {}},
        {"stored ports open", {"In A", "In B"}, {"Out A", "Out B"}, {"In B"}, {"Out B", "Out A"}, {},
         {"In B"}, {"Out B", "Out A"}, {}},
        {"a stored port that has gone gives way to the first", {"In A"}, {"Out A"}, {"In X"}, {"Out X"}, {},
         {"In A"}, {"Out A"}, {}},
        {"the only input cannot open", {"In A"}, {"Out A"}, {}, {}, {"In A"}, {}, {"Out A"}, {280}},
        {"the only output cannot open", {}, {"Out A"}, {}, {}, {"Out A"}, {}, {}, {279}},
        {"neither can open", {"In A"}, {"Out A"}, {}, {}, {"In A", "Out A"}, {}, {}, {280, 279}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fw::ResetAllGlobals();
        fs::remove_all(home.config());
        fs::create_directories(home.config());
        for (const std::string& name : c.inputs) fw::midi::loopback::AddInput(name);
        for (const std::string& name : c.outputs) fw::midi::loopback::AddOutput(name);
        for (const std::string& name : c.refusing) fw::midi::loopback::RefuseOpen(name);
        RememberPorts(home, "MIDI Input Devices", "MaxInPort", c.chosenIn);
        RememberPorts(home, "MIDI Output Devices", "MaxOutPort", c.chosenOut);
        fw::uitest::Session session;
        TestApp app;
        std::vector<std::string> openIn, openOut;
        app.whileRunning = [&](TestApp&) {
            for (int i = 0; i < g_app.inPorts->GetCount(); ++i) openIn.push_back(g_app.inPorts->GetAt(i).name);
            for (int i = 0; i < g_app.outPorts->GetCount(); ++i) openOut.push_back(g_app.outPorts->GetAt(i).name);
        };
        RunApp(app);
        std::vector<UINT> warnings;
        for (UINT id : fw::uitest::ModalsRun())
            if (id == 279 || id == 280) warnings.push_back(id);
        EXPECT_EQ(warnings, c.warnings);
        EXPECT_EQ(openIn, c.openIn);
        EXPECT_EQ(openOut, c.openOut);
    }
}

// The built-in synthesizer is always there: a fresh start with no stored choice opens it, makes it
// the default and thru device, asks nothing, and the running program's lists answer for it.
TEST_F(AppLifeTest, AFreshStartOpensTheBuiltInSynthesizerAndAsksNothing) {
    const fw::midi::Config saved = fw::midi::CurrentConfig();
    fw::midi::Config config = saved;
    config.synth = true;
    config.synthWav = home.root() + "/synth.wav";  // no sound device in tests
    fw::midi::Configure(config);
    fw::uitest::Session session;
    TestApp app;
    int count = -1, defaultDevice = -1, thruDevice = -1;
    bool available = false, open = false;
    std::string first, listed;
    app.whileRunning = [&](TestApp&) {
        count = g_app.outPorts->GetCount();
        if (count > 0) {
            first = g_app.outPorts->GetAt(0).name;
            open = fw::midi::IsOpen(g_app.outPorts->GetAt(0).handle);
        }
        defaultDevice = g_preferences.Word(Preferences::kDefaultDevice);
        thruDevice = g_preferences.Word(Preferences::kThruDevice);
        available = GetMidiOutPorts()->IsPortAvailable(0);
        char name[128] = {};
        GetMidiOutPorts()->GetPortName(0, name, sizeof name);
        listed = name;
    };
    RunApp(app);
    fw::midi::Configure(saved);
    for (UINT id : fw::uitest::ModalsRun()) EXPECT_TRUE(id != 279 && id != 280) << id;
    EXPECT_EQ(count, 1);
    EXPECT_EQ(first, fw::midi::kSynthName);
    EXPECT_TRUE(open);
    EXPECT_EQ(defaultDevice, 0);
    EXPECT_EQ(thruDevice, 0);
    EXPECT_TRUE(available);
    EXPECT_EQ(listed, fw::midi::kSynthName);
    // Shutdown hands the lookups back.
    EXPECT_FALSE(GetMidiOutPorts()->IsPortAvailable(0));
}

TEST_F(AppLifeTest, ContinuingWithoutInputsKeepsTheWarningAwayOnLaterStarts) {
    for (int start = 0; start < 2; ++start) {
        SCOPED_TRACE(start);
        fw::ResetAllGlobals();
        fw::midi::loopback::AddInput("In A");
        fw::midi::loopback::RefuseOpen("In A");
        fw::uitest::Session session;
        if (start == 0) fw::uitest::OnNextModal([](CDialog& d) { d.EndDialog(IDOK); });
        TestApp app;
        RunApp(app);
        int warnings = 0;
        for (UINT id : fw::uitest::ModalsRun()) warnings += id == 280;
        EXPECT_EQ(warnings, start == 0 ? 1 : 0);
    }
}

// A small score file of the new-score kind, as bytes.
std::vector<std::uint8_t> ScoreBytes(int arrangement) {
    RegisterTrackClass();
    RegisterNotationClasses();
    InitDrawing();
    CZelDoc doc;
    NewScoreSettings settings;
    settings.arrangement = arrangement;
    EXPECT_TRUE(BuildNewScore(*doc.GetScore(), settings, &doc));
    return ScoreFile::WriteToBytes(*doc.GetScore(), doc);
}

class WorkingFolder {
public:
    explicit WorkingFolder(const std::string& path) : saved_(fs::current_path()) { fs::current_path(path); }
    ~WorkingFolder() { fs::current_path(saved_); }

private:
    fs::path saved_;
};

TEST_F(AppLifeTest, StartUpScoreIsTheDefaultFileUntitledElseANewScore) {
    PutUserValue("Preferences\\Auto Flags", "New Dialog", 0);
    testsupport::TempDir folder;
    WorkingFolder cd(folder.path());
    const std::vector<std::uint8_t> piano = ScoreBytes(1);
    struct Case {
        const char* name;
        bool defaultFile;
        std::vector<std::string> args;
        int messages;
    } cases[] = {
        {"no default file: a new score", false, {}, 0},
        {"the default file, untitled", true, {}, 0},
        {"a file on the command line that cannot be read", false, {folder.path() + "/missing.zel"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(folder.path() + "/DefaultFile.zel");
        if (c.defaultFile)
            std::ofstream(folder.path() + "/DefaultFile.zel", std::ios::binary)
                .write(reinterpret_cast<const char*>(piano.data()), std::streamsize(piano.size()));
        fw::msgboxtest::Capture boxes;
        TestApp app;
        CZelDoc* doc = nullptr;
        std::string path = "?";
        int tracks = 0;
        bool shown = false;
        app.whileRunning = [&](TestApp& a) {
            doc = a.GetActiveDocument();
            if (!doc) return;
            path = doc->GetPathName();
            tracks = doc->GetScore()->GetTrackCount();
            // The score shows in its window, whose view the document knows.
            shown = doc->view && doc->GetPagePane(0);
        };
        RunApp(app, c.args);
        EXPECT_TRUE(app.started);
        ASSERT_NE(doc, nullptr);
        EXPECT_EQ(path, "");
        EXPECT_GT(tracks, 0);
        EXPECT_TRUE(shown);
        EXPECT_EQ(int(boxes.shown().size()), c.messages);
        if (c.defaultFile) EXPECT_TRUE(app.RecentFiles().empty()) << "an untitled document is not a recent file";
    }
}

// Start-up uses the audio engine as the stored preferences say.
TEST_F(AppLifeTest, TheAudioEngineStartsOnlyWhenThePreferencesSaySo) {
    PutUserValue("Preferences\\Auto Flags", "New Dialog", 0);
    for (const DWORD useEngine : {0u, 1u}) {
        SCOPED_TRACE(useEngine);
        PutUserValue("Preferences\\Audio", "Use Engine", useEngine);
        EngineHost::StartAttempts() = 0;
        TestApp app;
        RunApp(app);
        EXPECT_TRUE(app.started);
        EXPECT_EQ(EngineHost::StartAttempts(), int(useEngine));
    }
}

// The chosen output ports are one list, which the scores ask: a new score's first track takes
// the preferences' default output port when that port is among them.
TEST_F(AppLifeTest, ANewScoreTakesTheDefaultOutputPortOfTheChosenPorts) {
    PutUserValue("Preferences\\Auto Flags", "New Dialog", 0);
    for (const char* name : {"Synth A", "Synth B", "Synth C"}) fw::midi::loopback::AddOutput(name);
    RememberPorts(home, "MIDI Output Devices", "MaxOutPort", {"Synth C", "Synth B"});
    // A port's id is its place among the system's output ports.
    std::vector<std::string> outputs;
    for (const fw::midi::PortInfo& port : fw::midi::ListPorts())
        if (port.kind == fw::midi::Kind::Output) outputs.push_back(port.name);
    auto idOf = [&outputs](const char* name) {
        return int(std::find(outputs.begin(), outputs.end(), name) - outputs.begin());
    };
    const int a = idOf("Synth A"), b = idOf("Synth B"), c = idOf("Synth C");
    ASSERT_LT(c, int(outputs.size()));
    const struct {
        int defaultDevice;
        int want;
    } rows[] = {{b, b}, {c, c}, {a, c}};  // "Synth A" is not chosen: the first chosen port becomes the default
    for (const auto& r : rows) {
        SCOPED_TRACE(r.defaultDevice);
        PutUserValue("Preferences\\Playback", "Default Device", DWORD(r.defaultDevice));
        TestApp app;
        int device = -1;
        std::vector<int> chosen;
        app.whileRunning = [&](TestApp& t) {
            for (int i = 0; g_app.outPorts && i < g_app.outPorts->GetCount(); ++i)
                if (GetMidiOutPorts()->IsPortAvailable(g_app.outPorts->GetIdAt(i))) chosen.push_back(g_app.outPorts->GetIdAt(i));
            g_model.newScore.arrangement = 2;  // voice and piano
            if (CZelDoc* doc = t.NewDocument()) device = doc->GetScore()->GetTrack(0)->GetDevice();
        };
        RunApp(app);
        EXPECT_EQ(chosen, (std::vector<int>{c, b}));
        EXPECT_EQ(device, r.want);
    }
}

TEST_F(AppLifeTest, IdleWorkAutosavesOnTheMinuteAndFollowsTheThruTrack) {
    fw::clocktest::SetManual(1000);
    PutUserValue("Preferences\\Auto Flags", "New Dialog", 0);
    PutUserValue("Preferences\\Auto Flags", "Save", 1);
    PutUserValue("Preferences\\Auto Flags", "Save Minutes", 1);
    TestApp app;
    struct Step {
        DWORD advanceMs;
        bool playing;
        int autosaves;  // in all, after the idle pass
    } steps[] = {
        {0, false, 0},      {59000, false, 0}, {1000, false, 1},   // a minute after start
        {30000, false, 1},  {30000, true, 1},                      // due while playing: the time moves on
        {59000, false, 1},  {1000, false, 2},                      // a minute after that check
    };
    std::vector<int> saves;
    std::vector<unsigned> routedAfterFirst, routedAfterSecond;
    std::vector<RedirectEntry> redirects;
    int deviceOfTrack0 = -2;
    app.whileRunning = [&](TestApp& a) {
        ASSERT_NE(a.GetActiveDocument(), nullptr);
        for (const Step& s : steps) {
            fw::clocktest::Advance(s.advanceMs);
            PlaybackRunning() = s.playing;
            a.OnIdle(0);
            saves.push_back(a.autosaves);
            if (routedAfterFirst.empty()) routedAfterFirst = a.routed;
        }
        routedAfterSecond = a.routed;
        // A track whose accepted input plays on another port joins the redirect table; one
        // with only a redirect output does not.
        CTrack* track = a.GetActiveDocument()->GetScore()->GetTrack(0);
        deviceOfTrack0 = track->GetDevice();
        rec::Put<std::int16_t>(track, CTrack::kInputPort, -1);
        rec::Put<std::int16_t>(track, CTrack::kRedirectPort, 3);
        a.OnIdle(0);
        if (!g_app.redirects.empty()) redirects.push_back({});
        rec::Put<std::int16_t>(track, CTrack::kInputPort, 5);
        a.OnIdle(0);
        redirects.insert(redirects.end(), g_app.redirects.begin(), g_app.redirects.end());
        PlaybackRunning() = false;
    };
    RunApp(app);
    for (std::size_t i = 0; i < saves.size(); ++i) EXPECT_EQ(saves[i], steps[i].autosaves) << "step " << i;
    EXPECT_EQ(routedAfterFirst, std::vector<unsigned>{4336u});
    EXPECT_EQ(routedAfterSecond, std::vector<unsigned>{4336u}) << "the same track routes once";
    EXPECT_EQ(redirects, (std::vector<RedirectEntry>{{std::int16_t(deviceOfTrack0), 5, 3}}));
}

}  // namespace

TEST_F(AppLifeTest, ScoreWindowsMakeTheirScoresActiveAndClosingOneDropsItsDocument) {
    PutUserValue("Preferences\\Auto Flags", "New Dialog", 0);
    fw::msgboxtest::Capture boxes;
    for (int i = 0; i < 4; ++i) boxes.Answer(IDNO);  // changed scores close without saving
    TestApp app;
    struct Seen {
        std::size_t documents;
        bool activeIsTheWindows;
        bool noneCurrentOnClose;  // between the close and the next idle pass
    };
    std::vector<Seen> seen;
    CZelDoc* afterLast = reinterpret_cast<CZelDoc*>(1);
    bool newWindowMaximised = true;
    LONG newWindowWidth = 0, defaultWidth = -1;
    app.whileRunning = [&](TestApp& a) {
        a.NewDocument();
        a.NewDocument();
        CWnd& area = g_app.mainFrame->Client();
        // A new score's window fills the area (it has no title bar to move or size it by) and keeps
        // the default size its document gave it as its normal rectangle.
        if (auto* wnd = dynamic_cast<CZelWnd*>(CMDIChildWnd::MDIGetActive(&area))) {
            RECT normal{}, client{};
            wnd->GetPlacement(newWindowMaximised, normal);
            area.GetClientRect(&client);
            newWindowWidth = normal.right - normal.left;
            defaultWidth = std::min<LONG>(wnd->document->windowRect[2] - wnd->document->windowRect[0], client.right);
        }
        auto look = [&] {
            auto* wnd = dynamic_cast<CZelWnd*>(CMDIChildWnd::MDIGetActive(&area));
            seen.push_back({a.Documents().size(),
                            wnd && wnd->document == a.GetActiveDocument() &&
                                g_model.currentDoc == a.GetActiveDocument(),
                            true});
            return wnd;
        };
        // The newest window is active; each close leaves the next window's score active.
        while (CZelWnd* wnd = look()) {
            wnd->SendMessage(WM_CLOSE);
            seen.back().noneCurrentOnClose = a.GetActiveDocument() == nullptr && g_model.currentDoc == nullptr &&
                                             g_model.currentScore == nullptr;
            a.OnIdle(0);
        }
        afterLast = a.GetActiveDocument();
    };
    RunApp(app);
    ASSERT_TRUE(app.started);
    EXPECT_TRUE(newWindowMaximised);
    EXPECT_EQ(newWindowWidth, defaultWidth);
    ASSERT_EQ(seen.size(), 4u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(seen[i].documents, 3 - i) << i;
        EXPECT_TRUE(seen[i].activeIsTheWindows) << i;
        EXPECT_TRUE(seen[i].noneCurrentOnClose) << i;
    }
    EXPECT_EQ(seen[3].documents, 0u);
    EXPECT_EQ(afterLast, nullptr) << "no window, no active score";
}

// The menu bar reaches the score: Edit's entries are greyed and named by the selection and the
// undo list, run the document's commands and undo byte for byte; the frame's keys reach Cut
// and Undo; the erases the page panes send to the main frame reach the document.
TEST_F(AppLifeTest, TheMenuBarsEditEntriesChangeTheScoreAndUndoByteForByte) {
    PutUserValue("Preferences\\Auto Flags", "New Dialog", 0);
    fw::msgboxtest::Capture boxes;
    for (int i = 0; i < 4; ++i) boxes.Answer(IDNO);
    TestApp app;
    struct Seen {
        fw::MenuBarEntryState clearWithNothing, clear, undo, undoAfterUndo, redo, copy;
        std::vector<std::uint8_t> start, selected, beforeCut, cleared, undone, redone, cut, keyUndone;
        bool clipboardFilled = false;
        std::vector<std::string> erases;
        int undoCountAfterCtrlX = -1;
        fw::MenuBarEntryState engraver, engraverUndo;
        std::vector<std::uint8_t> beforeEngraver, engraved, engraverUndone;
        int barsPerSystem = 0, barsPerSystemUndone = 0;
    } seen;
    app.whileRunning = [&](TestApp& a) {
        CZelDoc* doc = a.GetActiveDocument();
        if (!doc) return;
        auto* frame = static_cast<CFrameWnd*>(a.m_pMainWnd);
        auto bytes = [doc] { return ScoreFile::WriteToBytes(*doc->GetScore(), *doc); };
        auto choose = [&](UINT id) {
            auto state = fw::ChooseFromMenuBar(frame, id);
            fw::uitest::RunUntilIdle();
            return state;
        };
        seen.start = bytes();
        doc->GetSelection()->ClearAll();
        seen.clearWithNothing = fw::ChooseFromMenuBar(frame, 57632, false);
        doc->GetSelection()->SelectTracks(1, 1, false);
        // The items' selected marks are stored too, and so are the marks' places, which the
        // next paint works out.
        fw::uitest::RunUntilIdle();
        seen.selected = bytes();
        seen.clear = choose(57632);
        seen.cleared = bytes();
        seen.undo = choose(57643);
        seen.undone = bytes();
        seen.undoAfterUndo = fw::ChooseFromMenuBar(frame, 57643, false);
        seen.redo = choose(57644);
        seen.redone = bytes();
        choose(57643);
        doc->GetSelection()->SelectTracks(1, 1, false);
        seen.copy = choose(57634);
        seen.clipboardFilled = fw::TheClipboard().GetData() != 0;
        seen.beforeCut = bytes();
        // Ctrl+X and Ctrl+Z typed into the score window.
        auto* wnd = dynamic_cast<CZelWnd*>(CMDIChildWnd::MDIGetActive(&g_app.mainFrame->Client()));
        CView* view = wnd ? wnd->GetActiveView() : nullptr;
        if (!view) return;
        fw::uitest::Key(view, 'X', fw::uitest::kCtrl);
        fw::uitest::RunUntilIdle();
        seen.cut = bytes();
        seen.undoCountAfterCtrlX = doc->GetUndoPosition();
        fw::uitest::Key(view, 'Z', fw::uitest::kCtrl);
        fw::uitest::RunUntilIdle();
        seen.keyUndone = bytes();
        {
            commandtest::MadeTasks made;
            for (UINT id : {4201u, 4202u, 4203u, 4205u, 4207u}) frame->SendMessage(WM_COMMAND, id, 0);
            seen.erases = made.classes;
        }
        // Score > Engraver Settings, its dialog confirmed with 6 bars a system, then undone.
        seen.beforeEngraver = bytes();
        fw::uitest::OnNextModal([](CDialog& d) {
            d.SetDlgItemText(11, "6");
            fw::uitest::ClickControl(&d, IDOK);
        });
        seen.engraver = choose(33015);
        seen.barsPerSystem = doc->GetBarsPerSystem();
        seen.engraved = bytes();
        seen.engraverUndo = fw::ChooseFromMenuBar(frame, 57643, false);
        choose(57643);
        seen.engraverUndone = bytes();
        seen.barsPerSystemUndone = doc->GetBarsPerSystem();
    };
    fw::uitest::Session session;
    RunApp(app, {testsupport::TestDataPath("edit/mixed.zel")});
    ASSERT_TRUE(app.started);
    ASSERT_FALSE(seen.start.empty());
    EXPECT_TRUE(seen.clearWithNothing.found);
    EXPECT_FALSE(seen.clearWithNothing.enabled) << "Clear with nothing selected is greyed";
    EXPECT_TRUE(seen.clear.enabled);
    EXPECT_NE(seen.cleared, seen.start);
    EXPECT_EQ(fw::ToUtf8(seen.undo.text), "撤消(&U) 清除\tCtrl+Z");
    ASSERT_EQ(seen.undone.size(), seen.selected.size());
    const auto differ = std::mismatch(seen.undone.begin(), seen.undone.end(), seen.selected.begin());
    EXPECT_TRUE(differ.first == seen.undone.end())
        << "Undo gives the score back byte for byte; offset " << (differ.first - seen.undone.begin()) << " differs";
    EXPECT_FALSE(seen.undoAfterUndo.enabled);
    EXPECT_EQ(fw::ToUtf8(seen.redo.text), "重做(&R) 清除\tCtrl+Y");
    EXPECT_EQ(seen.redone, seen.cleared);
    EXPECT_TRUE(seen.copy.enabled);
    EXPECT_TRUE(seen.clipboardFilled);
    EXPECT_NE(seen.cut, seen.beforeCut);
    EXPECT_EQ(seen.undoCountAfterCtrlX, 1);
    EXPECT_EQ(seen.keyUndone, seen.beforeCut);
    EXPECT_EQ(seen.erases, (std::vector<std::string>{"CEraseBarTask", "CEraseBracketTask", "CEraseBarTask",
                                                     "CErasePageTextTask", "CEraseTask"}));
    EXPECT_TRUE(seen.engraver.enabled);
    EXPECT_EQ(seen.barsPerSystem, 6);
    EXPECT_NE(seen.engraved, seen.beforeEngraver);
    EXPECT_EQ(fw::ToUtf8(seen.engraverUndo.text), "撤消(&U) 排版设置\tCtrl+Z");
    EXPECT_EQ(seen.engraverUndone, seen.beforeEngraver);
    EXPECT_NE(seen.barsPerSystemUndone, 6);
}

// Score > Title Properties opens the title sheet at the title's page; a new title confirmed
// is drawn on the page and is one undo step; Cancel leaves the blocks as they were; a notice
// set to y offset 0 over a centred 12-point footer moves up by 360.
TEST_F(AppLifeTest, TheTitleSheetEditsTheTitlesAsOneUndoStep) {
    PutUserValue("Preferences\\Auto Flags", "New Dialog", 0);
    fw::msgboxtest::Capture boxes;
    for (int i = 0; i < 4; ++i) boxes.Answer(IDNO);
    TestApp app;
    struct Seen {
        fw::MenuBarEntryState entry, undoEntry;
        int shownPage = -1, pageCount = 0;
        std::string title, titleUndone, titleRedone, cancelledTitle, secondHeader;
        std::int32_t widthBefore = 0, widthAfter = 0;
        int undoBefore = 0, undoAfter = 0, undoAfterCancel = 0;
        bool modified = false, cancelLeftBlocks = false;
        int noticeOffset = 1;
        int doubleClickPage = -1, doubleClickBlock = -1;
    } seen;
    app.whileRunning = [&](TestApp& a) {
        CZelDoc* doc = a.GetActiveDocument();
        if (!doc) return;
        auto* frame = static_cast<CFrameWnd*>(a.m_pMainWnd);
        auto choose = [&](UINT id) {
            auto state = fw::ChooseFromMenuBar(frame, id);
            fw::uitest::RunUntilIdle();
            return state;
        };
        std::strcpy(doc->titles[0].lines[0].text, "A");
        doc->InvalidatePanes();
        fw::uitest::RunUntilIdle();
        seen.widthBefore = doc->titles[0].bounds[2] - doc->titles[0].bounds[0];
        doc->SetModifiedFlag(false);
        seen.undoBefore = doc->GetUndoPosition();
        fw::uitest::OnNextModal([&seen](CDialog& d) {
            auto* sheet = dynamic_cast<CPropertySheet*>(&d);
            if (!sheet) return;
            seen.shownPage = sheet->GetActiveIndex();
            seen.pageCount = sheet->GetPageCount();
            sheet->GetActivePage()->SetDlgItemText(3, "A much longer title");
            fw::uitest::ClickControl(&d, IDOK);
        });
        seen.entry = choose(33017);
        seen.title = doc->titles[0].lines[0].text;
        seen.widthAfter = doc->titles[0].bounds[2] - doc->titles[0].bounds[0];
        seen.undoAfter = doc->GetUndoPosition();
        seen.modified = doc->IsModified();
        seen.undoEntry = fw::ChooseFromMenuBar(frame, 57643, false);
        choose(57643);
        seen.titleUndone = doc->titles[0].lines[0].text;
        choose(57644);
        seen.titleRedone = doc->titles[0].lines[0].text;

        // Cancel after edits on two pages: nothing changes, no undo step.
        TitleBlock before[TitleBlock::kBlocks];
        std::copy(std::begin(doc->titles), std::end(doc->titles), std::begin(before));
        const int undoAtCancel = doc->GetUndoPosition();
        fw::uitest::OnNextModal([](CDialog& d) {
            auto* sheet = dynamic_cast<CPropertySheet*>(&d);
            if (!sheet) return;
            sheet->GetActivePage()->SetDlgItemText(3, "Gone");
            fw::uitest::ClickControl(&d, CPropertySheet::kFirstTab + 4);
            fw::uitest::Call([sheet] {
                sheet->GetActivePage()->SetDlgItemText(3, "Gone too");
                static_cast<CButton*>(sheet->GetActivePage()->GetDlgItem(CTitlePage::kFlip))->Click();
            });
            fw::uitest::ClickControl(&d, IDCANCEL);
        });
        choose(33017);
        seen.cancelledTitle = doc->titles[0].lines[0].text;
        seen.cancelLeftBlocks = std::memcmp(before, doc->titles, sizeof before) == 0 ||
                                std::equal(std::begin(before), std::end(before), std::begin(doc->titles),
                                           [](const TitleBlock& x, const TitleBlock& y) {
                                               return std::memcmp(&x, &y, offsetof(TitleBlock, bounds)) == 0 &&
                                                      std::memcmp(&x.lines, &y.lines, sizeof x.lines) == 0;
                                           });
        seen.undoAfterCancel = doc->GetUndoPosition() - undoAtCancel;

        // The notice over a centred 12-point footer; the second header through its button.
        TitleBlock& footer = doc->titles[6];
        std::strcpy(footer.lines[0].text, "- #P -");
        footer.lines[0].font.size = 12;
        footer.alignment = 1;
        footer.yOffset = 0;
        std::strcpy(doc->titles[3].lines[0].text, "Notice");
        doc->titles[3].alignment = 1;
        doc->titles[3].yOffset = -100;
        fw::uitest::OnNextModal([](CDialog& d) {
            auto* sheet = dynamic_cast<CPropertySheet*>(&d);
            if (!sheet) return;
            fw::uitest::ClickControl(&d, CPropertySheet::kFirstTab + 3);
            fw::uitest::Call([sheet] { sheet->GetActivePage()->SetDlgItemText(CTitlePage::kYOffset, "0"); });
            fw::uitest::ClickControl(&d, CPropertySheet::kFirstTab + 4);
            fw::uitest::Call([sheet] {
                static_cast<CButton*>(sheet->GetActivePage()->GetDlgItem(CTitlePage::kSecondBlock))->Click();
                sheet->GetActivePage()->SetDlgItemText(CTitlePage::kText, "Second header");
            });
            fw::uitest::ClickControl(&d, IDOK);
        });
        choose(33017);
        seen.noticeOffset = doc->titles[3].yOffset;
        seen.secondHeader = doc->titles[5].lines[0].text;

        // A double click of the select tool on the second header opens its page showing it.
        fw::uitest::RunUntilIdle();
        auto* pane = dynamic_cast<CPagePane*>(doc->GetPagePane(0));
        CPage* page = doc->GetScore()->GetPage(0);
        if (!pane || !page) return;
        g_toolState.tool = ToolState::kSelect;
        const RECT paper = page->GetPaperRect();
        const TitleBlock& header = doc->titles[5];
        const int x = (header.bounds[0] + header.bounds[2]) / 2 - int(paper.left);
        const int y = (header.bounds[1] + header.bounds[3]) / 2 - int(paper.top);
        fw::uitest::OnNextModal([&seen](CDialog& d) {
            if (auto* sheet = dynamic_cast<CPropertySheet*>(&d)) {
                seen.doubleClickPage = sheet->GetActiveIndex();
                if (auto* shown = dynamic_cast<CTitlePage*>(sheet->GetActivePage())) seen.doubleClickBlock = shown->shownIndex;
            }
            fw::uitest::ClickControl(&d, IDCANCEL);
        });
        fw::uitest::Move(pane, x, y);
        fw::uitest::Click(pane, x, y);
        fw::uitest::Click(pane, x, y, fw::uitest::kLeft, fw::uitest::kNone, 2);
        fw::uitest::RunUntilIdle();
    };
    fw::uitest::Session session;
    RunApp(app, {testsupport::TestDataPath("edit/mixed.zel")});
    ASSERT_TRUE(app.started);
    EXPECT_TRUE(seen.entry.enabled);
    EXPECT_EQ(seen.pageCount, 6);
    EXPECT_EQ(seen.shownPage, 0) << "the Score menu opens the title's page";
    EXPECT_EQ(seen.title, "A much longer title");
    EXPECT_GT(seen.widthAfter, seen.widthBefore) << "the page draws the new title";
    EXPECT_EQ(seen.undoAfter, seen.undoBefore + 1);
    EXPECT_TRUE(seen.modified);
    EXPECT_EQ(fw::ToUtf8(seen.undoEntry.text), "撤消(&U) 标题属性页\tCtrl+Z");
    EXPECT_EQ(seen.titleUndone, "A");
    EXPECT_EQ(seen.titleRedone, "A much longer title");
    EXPECT_EQ(seen.cancelledTitle, "A much longer title");
    EXPECT_TRUE(seen.cancelLeftBlocks);
    EXPECT_EQ(seen.undoAfterCancel, 0);
    EXPECT_EQ(seen.noticeOffset, -360);
    EXPECT_EQ(seen.secondHeader, "Second header");
    EXPECT_EQ(seen.doubleClickPage, 4) << "the header page";
    EXPECT_EQ(seen.doubleClickBlock, 1) << "showing the second header";
}

// The Score menu's debug window entry shows the window over the active score; the entry under
// the pointer puts its prompt into the status bar's message field, and "Ready" comes back when
// the menu closes.
TEST_F(AppLifeTest, TheMenuBarShowsTheDebugWindowAndPromptsInTheMessageField) {
    PutUserValue("Preferences\\Auto Flags", "New Dialog", 0);
    fw::msgboxtest::Capture boxes;
    for (int i = 0; i < 4; ++i) boxes.Answer(IDNO);
    TestApp app;
    struct Seen {
        bool hiddenAtStart = false, shown = false, shownAgain = false, itsDocument = false;
        std::size_t lines = 0;
        SIZE scrollArea{};
        int scrolledTo = 0;
        bool hovered = false;
        std::string prompt, afterClose;
    } seen;
    app.whileRunning = [&](TestApp& a) {
        CZelDoc* doc = a.GetActiveDocument();
        if (!doc || !g_app.debugWnd || !g_app.mainFrame) return;
        auto* frame = static_cast<CFrameWnd*>(a.m_pMainWnd);
        seen.hiddenAtStart = !g_app.debugWnd->IsShown();
        fw::ChooseFromMenuBar(frame, 4400);
        fw::uitest::RunUntilIdle();
        seen.shown = g_app.debugWnd->IsShown();
        seen.itsDocument = g_app.debugWnd->GetDocument() == doc;
        seen.lines = g_app.debugWnd->CurrentLines().size();
        if (CStdView* list = g_app.debugWnd->GetListView()) {
            seen.scrollArea = list->GetTotalSize();
            list->ScrollToPosition(POINT{0, 200});
            seen.scrolledTo = list->GetScrollPosition().y;
        }
        fw::ChooseFromMenuBar(frame, 4400);
        fw::uitest::RunUntilIdle();
        seen.shownAgain = g_app.debugWnd->IsShown();
        seen.hovered = fw::HoverMenuBarEntry(frame, 57632);
        fw::uitest::RunUntilIdle();
        CStatBar* bar = g_app.mainFrame->GetStatusBar();
        if (bar) seen.prompt = fw::ToUtf8(bar->GetMessageText());
        fw::CloseMenuBar(frame);
        fw::uitest::RunUntilIdle();
        if (bar) seen.afterClose = bar->GetMessageText();
    };
    fw::uitest::Session session;
    RunApp(app, {testsupport::TestDataPath("edit/mixed.zel")});
    ASSERT_TRUE(app.started);
    EXPECT_TRUE(seen.hiddenAtStart);
    EXPECT_TRUE(seen.shown);
    EXPECT_TRUE(seen.itsDocument);
    EXPECT_GT(seen.lines, 0u) << "the bar at the insertion point has items";
    EXPECT_EQ(seen.scrollArea.cx, 600);
    EXPECT_EQ(seen.scrollArea.cy, 1000) << "the list scrolls over 600 x 1000 once it shows a score";
    EXPECT_EQ(seen.scrolledTo, 200);
    EXPECT_TRUE(seen.shownAgain) << "chosen while shown: hidden first and shown again";
    EXPECT_TRUE(seen.hovered);
    EXPECT_EQ(seen.prompt, "清除");
    EXPECT_EQ(fw::ToUtf8(seen.afterClose), "就绪");
}

// The text tool chosen on the main tool bar shows the main frame's text style bar, with the
// preferences' text size of the chosen text button; its lyrics button (command 4320 after the
// choice) turns on the bar's verse field; another tool hides the bar again.
TEST_F(AppLifeTest, TheTextToolShowsTheStyleBarAndAnotherToolHidesIt) {
    PutUserValue("Preferences\\Auto Flags", "New Dialog", 0);
    fw::msgboxtest::Capture boxes;
    for (int i = 0; i < 4; ++i) boxes.Answer(IDNO);
    TestApp app;
    struct Seen {
        bool made = false, hiddenAtStart = false, textTool = false, shownByText = false, lyricVerse = false;
        bool plainVerse = true, hiddenBySelect = false, shownByCommand = false, hiddenByCommand = false;
        int sizeEntry = -1, lyricSizeEntry = -1, button = -1, wantedSize = -2, wantedLyricSize = -2;
    } seen;
    auto sizeEntryOf = [](int size) {
        int entry = 11;
        for (int i = 0; i < 11; ++i)
            if (CStyleBar::kSizes[i] == size) entry = i;
        return entry;
    };
    app.whileRunning = [&](TestApp& a) {
        CZelDoc* doc = a.GetActiveDocument();
        if (!doc || !g_app.mainToolBar || !g_app.mainFrame) return;
        CStyleBar& bar = StyleBarObject();
        seen.made = bar.IsWindow() && g_app.mainFrame->GetControlBar(59442) == &bar;
        seen.hiddenAtStart = !bar.IsShown();
        // A click on the page makes its pane current.
        doc->currentPane = doc->GetPagePane(0);
        CToolBtn* text = g_app.mainToolBar->FindButton(913);
        CToolBtn* select = g_app.mainToolBar->FindButton(800);
        if (!text || !select) return;
        fw::uitest::Click(text, 12, 12);
        fw::uitest::RunUntilIdle();
        seen.textTool = g_toolState.tool == 913;
        seen.button = g_toolState.button;
        seen.shownByText = bar.IsShown();
        seen.plainVerse = bar.verseMode != 0;
        seen.sizeEntry = bar.sizeField.current;
        if (seen.button >= 0 && seen.button <= 4) seen.wantedSize = sizeEntryOf(g_preferences.Font(seen.button).size);
        fw::uitest::Click(select, 12, 12);
        fw::uitest::RunUntilIdle();
        seen.hiddenBySelect = !bar.IsShown();
        // The text palette's lyrics button, then the tool-changed command to the main frame.
        g_toolState.tool = 913;
        g_toolState.button = 4;
        g_app.mainFrame->SendMessage(WM_COMMAND, 4320, 0);
        fw::uitest::RunUntilIdle();
        seen.shownByCommand = bar.IsShown();
        seen.lyricVerse = bar.verseMode == 1;
        seen.lyricSizeEntry = bar.sizeField.current;
        seen.wantedLyricSize = sizeEntryOf(g_preferences.Font(4).size);
        g_toolState.tool = 800;
        g_app.mainFrame->SendMessage(WM_COMMAND, 4320, 0);
        fw::uitest::RunUntilIdle();
        seen.hiddenByCommand = !bar.IsShown();
    };
    fw::uitest::Session session;
    RunApp(app, {testsupport::TestDataPath("edit/mixed.zel")});
    ASSERT_TRUE(app.started);
    EXPECT_TRUE(seen.made) << "start-up makes the style bar as bar 59442";
    EXPECT_TRUE(seen.hiddenAtStart);
    EXPECT_TRUE(seen.textTool);
    EXPECT_TRUE(seen.shownByText);
    ASSERT_GE(seen.button, 0);
    ASSERT_LE(seen.button, 4);
    EXPECT_EQ(seen.plainVerse, seen.button == 4);
    EXPECT_EQ(seen.sizeEntry, seen.wantedSize);
    EXPECT_TRUE(seen.hiddenBySelect);
    EXPECT_TRUE(seen.shownByCommand);
    EXPECT_TRUE(seen.lyricVerse);
    EXPECT_EQ(seen.lyricSizeEntry, seen.wantedLyricSize);
    EXPECT_TRUE(seen.hiddenByCommand);
}

// The graphics gallery opened in the program: the score's first page draws as the gallery's
// reference picture, and the Edit of a graphic and of a harp pedal marking sends the document
// the graphic's (4117) and the harp's (4106) commands, which make their operations.
TEST_F(AppLifeTest, TheGraphicsGalleryDrawsAndItsItemsEditThroughTheDocument) {
    PutUserValue("Preferences\\Auto Flags", "New Dialog", 0);
    fw::msgboxtest::Capture boxes;
    for (int i = 0; i < 4; ++i) boxes.Answer(IDNO);
    TestApp app;
    bool compared = false;
    testsupport::PictureDifference difference;
    std::vector<std::string> made;
    app.whileRunning = [&](TestApp& a) {
        CZelDoc* doc = a.GetActiveDocument();
        CScore* score = doc ? doc->GetScore() : nullptr;
        if (!score || !score->GetPage(0)) return;
        CBitmap picture, reference;
        if (!DrawPageToPicture(score->GetPage(0), picture)) return;
        if (!reference.LoadFile(testsupport::TestDataPath("notation/graphics/gallery100.png"))) return;
        difference = testsupport::ComparePictures(picture, reference);
        compared = true;
        commandtest::MadeTasks tasks;
        for (auto [bar, type] : {std::pair{4, 65}, std::pair{12, 38}}) {
            CTrkBar* tb = score->GetTrkBar(0, bar);
            if (!tb) continue;
            tb->SetCurrent();
            CBarItem* found = nullptr;
            trkbar::ForEachLiveItem(tb, [&](CBarItem* item) {
                if (!found && item->TypeCode() == type) found = item;
            });
            if (found) found->OpenProperties(0, 0);
        }
        made = tasks.classes;
    };
    fw::uitest::Session session;
    RunApp(app, {testsupport::TestDataPath("notation/graphics/gallery.zel")});
    ASSERT_TRUE(app.started);
    ASSERT_TRUE(compared) << "the page was drawn and compared";
    EXPECT_TRUE(difference.Within({})) << difference.total << " pixels changed, " << difference.mostInSquare
                                       << " in the square at " << difference.x << "," << difference.y;
    EXPECT_EQ(made, (std::vector<std::string>{"CEditPlaybackTask", "CHarpTask"}));
}

// Score > Insert Track asks in its dialog for the kind, the place and the set-up: Cancel
// changes nothing and makes no undo step; percussion after the current track plays on MIDI
// channel 10; a piano brings two braced staves before it; an instrument of the library (the 65
// built-in ones, which start-up gives it when no library file has entries) names and sets up a
// single staff. Each insertion undoes byte for byte.
TEST_F(AppLifeTest, TheInsertTrackDialogSetsTheNewTrackUp) {
    PutUserValue("Preferences\\Auto Flags", "New Dialog", 0);
    fw::msgboxtest::Capture boxes;
    for (int i = 0; i < 4; ++i) boxes.Answer(IDNO);
    TestApp app;
    struct Seen {
        std::vector<std::uint8_t> start, cancelled, percussionUndone, pianoUndone, clarinetUndone;
        int tracks = 0, undos = 0, cancelledTracks = 0, cancelledUndos = 0;
        int staffEntries = 0, libraryCount = 0;
        std::string firstEntry, lastEntry;
        int percussionTracks = 0, percussionKind = -1, percussionAt2Name = 0;
        std::vector<int> percussionChannels;
        std::string oldTrack2Name, percussionNeighbour;
        int pianoTracks = 0, pianoClefs[2] = {-1, -1};
        bool pianoBraced = false;
        std::string pianoMovedDown;
        std::string clarinetName, clarinetShort;
        int clarinetTransposition = 0, clarinetProgram = -2, clarinetChannel = -1, clarinetVoices = 0;
        std::vector<UINT> modals;
    } seen;
    app.whileRunning = [&](TestApp& a) {
        CZelDoc* doc = a.GetActiveDocument();
        if (!doc) return;
        CScore* score = doc->GetScore();
        auto* frame = static_cast<CFrameWnd*>(a.m_pMainWnd);
        auto bytes = [doc] { return ScoreFile::WriteToBytes(*doc->GetScore(), *doc); };
        auto choose = [&](UINT id) {
            fw::ChooseFromMenuBar(frame, id);
            fw::uitest::RunUntilIdle();
        };
        auto name = [score](int t) { return std::string(score->GetTrack(t)->GetFullName()); };
        doc->location.insertionPlaced = 1;
        doc->location.trackIndex = 1;
        fw::uitest::RunUntilIdle();
        seen.start = bytes();
        seen.tracks = score->GetTrackCount();
        seen.undos = doc->GetUndoCount();
        seen.oldTrack2Name = score->GetTrackCount() > 2 ? name(2) : "";

        fw::uitest::OnNextModal([&](CDialog& d) {
            auto& dlg = static_cast<CAddTrackDlg&>(d);
            seen.staffEntries = dlg.GetComboCount(CAddTrackDlg::kStaffCombo);
            char text[64] = {};
            dlg.GetComboText(CAddTrackDlg::kStaffCombo, 2, text, sizeof text);
            seen.firstEntry = text;
            dlg.GetComboText(CAddTrackDlg::kStaffCombo, seen.staffEntries - 1, text, sizeof text);
            seen.lastEntry = text;
            seen.libraryCount = g_model.instLib ? g_model.instLib->GetCount() : 0;
            fw::uitest::ClickControl(&d, CAddTrackDlg::kPiano);
            fw::uitest::ClickControl(&d, IDCANCEL);
        });
        choose(33007);
        seen.cancelled = bytes();
        seen.cancelledTracks = score->GetTrackCount();
        seen.cancelledUndos = doc->GetUndoCount();

        // Percussion after the current track.
        const std::string current = name(1);
        fw::uitest::OnNextModal([](CDialog& d) {
            fw::uitest::ClickControl(&d, CAddTrackDlg::kPercussion);
            fw::uitest::ClickControl(&d, CAddTrackDlg::kAfter);
            fw::uitest::ClickControl(&d, IDOK);
        });
        choose(33007);
        seen.percussionTracks = score->GetTrackCount();
        seen.percussionNeighbour = name(1) == current ? "kept" : "moved";
        if (CTrack* t = score->GetTrack(2)) {
            seen.percussionKind = t->GetStaffKind();
            for (int v = 0; v < CTrack::kVoices; ++v) seen.percussionChannels.push_back(t->GetVoiceChannel(v));
        }
        choose(57643);
        seen.percussionUndone = bytes();

        // A piano before the current track.
        fw::uitest::OnNextModal([](CDialog& d) {
            fw::uitest::ClickControl(&d, CAddTrackDlg::kPiano);
            fw::uitest::ClickControl(&d, IDOK);
        });
        choose(33007);
        seen.pianoTracks = score->GetTrackCount();
        if (score->GetTrackCount() > 3) {
            seen.pianoClefs[0] = score->GetTrack(1)->GetClef();
            seen.pianoClefs[1] = score->GetTrack(2)->GetClef();
            seen.pianoBraced = score->GetTrack(1)->IsGrandStaffTop();
            seen.pianoMovedDown = name(3);
        }
        choose(57643);
        seen.pianoUndone = bytes();

        // The library's clarinet in B flat (row 19) as a single staff.
        fw::uitest::OnNextModal([](CDialog& d) {
            static_cast<CAddTrackDlg&>(d).SetComboSel(CAddTrackDlg::kStaffCombo, 2 + 18);
            fw::uitest::ClickControl(&d, IDOK);
        });
        choose(33007);
        if (CTrack* t = score->GetTrack(1)) {
            seen.clarinetName = t->GetFullName();
            seen.clarinetShort = t->GetAbbreviation();
            seen.clarinetTransposition = t->GetTransposition();
            seen.clarinetProgram = t->GetVoiceProgram(0);
            seen.clarinetChannel = t->GetVoiceChannel(0);
            seen.clarinetVoices = t->GetVoiceCount();
        }
        choose(57643);
        seen.clarinetUndone = bytes();
        seen.modals = fw::uitest::ModalsRun();
    };
    fw::uitest::Session session;
    RunApp(app, {testsupport::TestDataPath("edit/mixed.zel")});
    ASSERT_TRUE(app.started);
    ASSERT_FALSE(seen.start.empty());
    ASSERT_GE(seen.tracks, 2);
    EXPECT_EQ(seen.libraryCount, 65) << "the built-in instruments";
    EXPECT_EQ(seen.staffEntries, 2 + 65) << "treble, bass, then the library's instruments";
    EXPECT_EQ(seen.firstEntry, "Alto");
    EXPECT_EQ(seen.lastEntry, "Xylophone");
    EXPECT_EQ(seen.cancelledTracks, seen.tracks);
    EXPECT_EQ(seen.cancelledUndos, seen.undos) << "Cancel makes no undo step";
    EXPECT_EQ(seen.cancelled, seen.start);

    EXPECT_EQ(seen.percussionTracks, seen.tracks + 1);
    EXPECT_EQ(seen.percussionNeighbour, "kept") << "after the current track";
    EXPECT_EQ(seen.percussionKind, 1);
    EXPECT_EQ(seen.percussionChannels, std::vector<int>(8, 9)) << "every voice on MIDI channel 10";
    EXPECT_EQ(seen.percussionUndone, seen.start);

    EXPECT_EQ(seen.pianoTracks, seen.tracks + 2);
    EXPECT_EQ(seen.pianoClefs[0], 0);
    EXPECT_EQ(seen.pianoClefs[1], 1);
    EXPECT_TRUE(seen.pianoBraced);
    EXPECT_EQ(seen.pianoUndone, seen.start);

    EXPECT_EQ(seen.clarinetName, "Clarinet in Bb");
    EXPECT_EQ(seen.clarinetShort, "Bb Cl.");
    EXPECT_EQ(seen.clarinetTransposition, 2) << "written a tone above its sound";
    EXPECT_EQ(seen.clarinetProgram, 71);
    EXPECT_EQ(seen.clarinetChannel, 0) << "the instrument's channel";
    EXPECT_EQ(seen.clarinetVoices, 1);
    EXPECT_EQ(seen.clarinetUndone, seen.start);
    EXPECT_EQ(std::count(seen.modals.begin(), seen.modals.end(), CAddTrackDlg::kTemplateId), 4);
}

// Score > Insert Track and Delete Track through the menu bar: a treble staff goes in at the
// current track, a track comes out, and each undoes byte for byte; the only track cannot go.
TEST_F(AppLifeTest, TheScoreMenuInsertsAndDeletesTracksAndUndoesThem) {
    PutUserValue("Preferences\\Auto Flags", "New Dialog", 0);
    fw::msgboxtest::Capture boxes;
    for (int i = 0; i < 4; ++i) boxes.Answer(IDNO);
    TestApp app;
    struct Seen {
        std::vector<std::uint8_t> start, inserted, undone, redone, deleted, deleteUndone, deleteRedone;
        int tracksAtStart = 0, tracksInserted = 0, tracksDeleted = 0, clefInserted = -1;
        fw::MenuBarEntryState insert, remove, removeOnlyTrack;
        int tracksOnlyOne = 0;
    } seen;
    app.whileRunning = [&](TestApp& a) {
        CZelDoc* doc = a.GetActiveDocument();
        if (!doc) return;
        auto* frame = static_cast<CFrameWnd*>(a.m_pMainWnd);
        auto bytes = [doc] { return ScoreFile::WriteToBytes(*doc->GetScore(), *doc); };
        auto choose = [&](UINT id) {
            auto state = fw::ChooseFromMenuBar(frame, id);
            fw::uitest::RunUntilIdle();
            return state;
        };
        doc->location.insertionPlaced = 1;
        doc->location.trackIndex = 1;
        // The marks' places are stored too, and the window's first paint works them out: the
        // score the operation finds is the painted one.
        fw::uitest::RunUntilIdle();
        seen.start = bytes();
        seen.tracksAtStart = doc->GetScore()->GetTrackCount();
        // The dialog's defaults: a treble staff before the current track.
        fw::uitest::OnNextModal([](CDialog& d) { fw::uitest::ClickControl(&d, IDOK); });
        seen.insert = choose(33007);
        seen.tracksInserted = doc->GetScore()->GetTrackCount();
        if (CTrack* t = doc->GetScore()->GetTrack(1)) seen.clefInserted = t->GetClef();
        seen.inserted = bytes();
        choose(57643);
        seen.undone = bytes();
        choose(57644);
        seen.redone = bytes();
        choose(57643);
        doc->location.trackIndex = 0;
        seen.remove = choose(33008);
        seen.tracksDeleted = doc->GetScore()->GetTrackCount();
        seen.deleted = bytes();
        choose(57643);
        seen.deleteUndone = bytes();
        choose(57644);
        seen.deleteRedone = bytes();
        choose(57643);
        while (doc->GetScore()->GetTrackCount() > 1) doc->GetScore()->DeleteTrack(0);
        doc->location.trackIndex = 0;
        seen.removeOnlyTrack = fw::ChooseFromMenuBar(frame, 33008, false);
        seen.tracksOnlyOne = doc->GetScore()->GetTrackCount();
    };
    fw::uitest::Session session;
    RunApp(app, {testsupport::TestDataPath("edit/mixed.zel")});
    ASSERT_TRUE(app.started);
    ASSERT_FALSE(seen.start.empty());
    ASSERT_GE(seen.tracksAtStart, 2);
    EXPECT_TRUE(seen.insert.enabled);
    EXPECT_EQ(seen.tracksInserted, seen.tracksAtStart + 1);
    EXPECT_EQ(seen.clefInserted, 0) << "a treble staff at the current track";
    // Undo gives the file back and redo the edit, byte for byte.
    EXPECT_NE(seen.inserted, seen.start);
    EXPECT_EQ(seen.undone, seen.start);
    EXPECT_EQ(seen.redone, seen.inserted);
    EXPECT_TRUE(seen.remove.enabled);
    EXPECT_EQ(seen.tracksDeleted, seen.tracksAtStart - 1);
    EXPECT_NE(seen.deleted, seen.start);
    EXPECT_EQ(seen.deleteUndone, seen.start);
    EXPECT_EQ(seen.deleteRedone, seen.deleted);
    EXPECT_FALSE(seen.removeOnlyTrack.enabled) << "the only track cannot be deleted";
    EXPECT_EQ(seen.tracksOnlyOne, 1);
}

namespace {

TEST_F(AppLifeTest, PlayAndStopOfTheTransportPlayTheActiveScoreThroughTheChosenOutput) {
    const fw::midi::Config saved = fw::midi::CurrentConfig();
    fw::midi::Config config = saved;
    config.synth = false;  // the loopback output is the first, so start-up opens it
    fw::midi::Configure(config);
    fw::midi::loopback::AddOutput("Loop Out");
    fw::uitest::Session session;
    TestApp app;
    int stateWhilePlaying = -1, stateAfterStop = -1;
    std::vector<fw::midi::loopback::Captured> log;
    app.whileRunning = [&](TestApp& a) {
        if (!a.GetActiveDocument()) return;
        auto* frame = static_cast<CFrameWnd*>(a.m_pMainWnd);
        fw::clocktest::SetManual(fw::GetTickCount());
        fw::midi::loopback::ClearLog();
        frame->SendMessage(WM_COMMAND, 2502, 0);  // play
        stateWhilePlaying = GetTransportState();
        fw::clocktest::Advance(4000);
        frame->SendMessage(WM_COMMAND, 2501, 0);  // stop
        stateAfterStop = GetTransportState();
        log = fw::midi::loopback::Log();
    };
    RunApp(app, {testsupport::TestDataPath("edit/mixed.zel")});
    fw::midi::loopback::Clear();
    fw::midi::Configure(saved);
    ASSERT_TRUE(app.started);
    EXPECT_EQ(stateWhilePlaying, 1);
    EXPECT_EQ(stateAfterStop, 0);
    // Every note struck got its note-off (a note-off or a note-on of velocity 0).
    std::map<int, int> down;
    int struck = 0;
    for (const fw::midi::loopback::Captured& c : log) {
        const int kind = c.bytes[0] & 0xF0, key = (c.bytes[0] & 15) * 128 + c.bytes[1];
        if (kind == 0x90 && c.bytes[2] != 0) {
            ++down[key];
            ++struck;
        } else if (kind == 0x80 || kind == 0x90) {
            --down[key];
        }
    }
    EXPECT_GE(struck, 4);
    for (const auto& [key, n] : down) EXPECT_LE(n, 0) << key;
}

// The redirect dialog of a track: it lists "None" and the chosen ports and shows the track's
// device; OK stores the two ports, a redirect with only one of them set is kept but makes no
// entry of the redirect table, both set make one; Cancel and Clear.
TEST_F(AppLifeTest, ARedirectWithOnePortSetIsStoredButDoesNothing) {
    const fw::midi::Config saved = fw::midi::CurrentConfig();
    fw::midi::Config config = saved;
    config.synth = false;
    fw::midi::Configure(config);
    fw::midi::loopback::AddOutput("Loop A");
    fw::midi::loopback::AddInput("Loop In");
    fw::uitest::Session session;
    TestApp app;
    struct Seen {
        int outputOnly = -2, inputOnly = -2, tableOnly = -1, tableBoth = -1, afterCancel = -2, afterClear = -2;
        int outputId = -1, inputId = -1, bothOutput = -2, bothInput = -2;
        std::vector<std::string> outputs, inputs;
        std::string device;
        bool ok = false, cancelled = true;
    } seen;
    app.whileRunning = [&](TestApp& a) {
        CZelDoc* doc = a.GetActiveDocument();
        if (!doc || !doc->GetScore() || !g_app.outPorts || !g_app.inPorts) return;
        CTrack* track = doc->GetScore()->GetTrack(0);
        if (!track) return;
        seen.outputId = g_app.outPorts->GetCount() > 0 ? g_app.outPorts->GetIdAt(0) : -1;
        seen.inputId = g_app.inPorts->GetCount() > 0 ? g_app.inPorts->GetIdAt(0) : -1;
        auto entries = [](CDialog& d, int id) {
            std::vector<std::string> out;
            auto* combo = static_cast<CComboBox*>(d.GetDlgItem(id));
            for (int i = 0; i < combo->GetCount(); ++i) {
                CString text;
                combo->GetLBText(i, text);
                out.emplace_back(text.c_str());
            }
            return out;
        };
        // The redirect output alone.
        fw::uitest::OnNextModal([&](CDialog& d) {
            seen.outputs = entries(d, CRedirectDlg::kOutput);
            seen.inputs = entries(d, CRedirectDlg::kInput);
            char text[160] = {};
            d.GetDlgItemText(CRedirectDlg::kDevice, text, sizeof text);
            seen.device = text;
            static_cast<CComboBox*>(d.GetDlgItem(CRedirectDlg::kOutput))->SetCurSel(1);
            fw::uitest::ClickControl(&d, IDOK);
        });
        seen.ok = RunRedirectDialog(*track);
        seen.outputOnly = rec::Get<std::int16_t>(track, CTrack::kRedirectPort);
        seen.inputOnly = rec::Get<std::int16_t>(track, CTrack::kInputPort);
        a.OnIdle(0);
        seen.tableOnly = int(g_app.redirects.size());
        // Both: one entry.
        fw::uitest::OnNextModal([&](CDialog& d) {
            static_cast<CComboBox*>(d.GetDlgItem(CRedirectDlg::kInput))->SetCurSel(1);
            fw::uitest::ClickControl(&d, IDOK);
        });
        RunRedirectDialog(*track);
        seen.bothOutput = rec::Get<std::int16_t>(track, CTrack::kRedirectPort);
        seen.bothInput = rec::Get<std::int16_t>(track, CTrack::kInputPort);
        a.OnIdle(0);
        seen.tableBoth = int(g_app.redirects.size());
        // Clear, then Cancel: nothing changes.
        fw::uitest::OnNextModal([&](CDialog& d) {
            fw::uitest::ClickControl(&d, CRedirectDlg::kClear);
            fw::uitest::ClickControl(&d, IDCANCEL);
        });
        seen.cancelled = !RunRedirectDialog(*track);
        seen.afterCancel = rec::Get<std::int16_t>(track, CTrack::kRedirectPort);
        // Clear and OK: none.
        fw::uitest::OnNextModal([&](CDialog& d) {
            fw::uitest::ClickControl(&d, CRedirectDlg::kClear);
            fw::uitest::ClickControl(&d, IDOK);
        });
        RunRedirectDialog(*track);
        seen.afterClear = rec::Get<std::int16_t>(track, CTrack::kRedirectPort) & rec::Get<std::int16_t>(track, CTrack::kInputPort);
        a.OnIdle(0);
    };
    RunApp(app, {testsupport::TestDataPath("edit/mixed.zel")});
    fw::midi::loopback::Clear();
    fw::midi::Configure(saved);
    ASSERT_TRUE(app.started);
    ASSERT_GE(seen.outputId, 0);
    ASSERT_GE(seen.inputId, 0);
    EXPECT_EQ(seen.outputs, (std::vector<std::string>{"None", "Loop A"}));
    EXPECT_EQ(seen.inputs, (std::vector<std::string>{"None", "Loop In"}));
    EXPECT_FALSE(seen.device.empty());
    EXPECT_TRUE(seen.ok);
    EXPECT_EQ(seen.outputOnly, seen.outputId);
    EXPECT_EQ(seen.inputOnly, -1);
    EXPECT_EQ(seen.tableOnly, 0) << "one port set makes no redirect";
    EXPECT_EQ(seen.bothOutput, seen.outputId);
    EXPECT_EQ(seen.bothInput, seen.inputId);
    EXPECT_EQ(seen.tableBoth, 1);
    EXPECT_TRUE(seen.cancelled);
    EXPECT_EQ(seen.afterCancel, seen.outputId);
    EXPECT_EQ(seen.afterClear, -1);
}

// The MIDI ports dialog of the running program: Cancel after changing the selection leaves
// exactly the ports open before; OK with one output opens it alone and moves the metronome's
// and thru's devices to it; OK with no output asks with dialog 279 and, continuing without,
// keeps no output.
TEST_F(AppLifeTest, ThePortsDialogOpensTheChosenPortsAndCancelKeepsThoseOpenBefore) {
    const fw::midi::Config saved = fw::midi::CurrentConfig();
    fw::midi::Config config = saved;
    config.synth = false;
    fw::midi::Configure(config);
    fw::midi::loopback::AddOutput("Loop A");
    fw::midi::loopback::AddOutput("Loop B");
    fw::midi::loopback::AddOutput("Keyboard", "Loop In");
    fw::midi::loopback::AddInput("Loop In");
    fw::uitest::Session session;
    TestApp app;
    auto names = [](const CDevices* list) {
        std::vector<std::string> out;
        for (int i = 0; list && i < list->GetCount(); ++i) out.emplace_back(list->GetAt(i).name);
        return out;
    };
    struct Seen {
        std::vector<std::string> before, afterCancel, afterOne, afterNone;
        bool okOne = false, okNone = false;
        int thruDevice = -2, accented = -2, unaccented = -2, oneId = -1;
        std::vector<UINT> modals;
        std::vector<std::array<int, 3>> testNotes;
        int litRow = -2, litAfter = -2;
    } seen;
    app.whileRunning = [&](TestApp& a) {
        if (!a.GetActiveDocument() || !g_app.outPorts) return;
        seen.before = names(g_app.outPorts);
        // Select the rows of the output list named, the others not.
        auto choose = [](CDialog& d, std::vector<std::string> wanted) {
            auto* list = static_cast<CListBox*>(d.GetDlgItem(CMidiPortsDlg::kOutputs));
            for (int i = 0; i < list->GetCount(); ++i) {
                CString text;
                list->GetText(i, text);
                list->SetSel(i, std::find(wanted.begin(), wanted.end(), text.c_str()) != wanted.end());
            }
        };
        fw::clocktest::SetManual(fw::GetTickCount());
        fw::uitest::OnNextModal([&](CDialog& d) {
            // The test notes on the open output, their waits on the dialog's timer.
            auto& ports = static_cast<CMidiPortsDlg&>(d);
            fw::midi::loopback::ClearLog();
            ports.StartTest(g_app.outPorts->GetIdAt(0));
            for (int i = 0; i < 200 && ports.TestRunning(); ++i) {
                fw::clocktest::Advance(1000 / 60 + 1);
                fw::uitest::FireTimer(&d, 2);
            }
            for (const fw::midi::loopback::Captured& c : fw::midi::loopback::Log())
                seen.testNotes.push_back({c.bytes[0], c.bytes[1], c.bytes[2]});
            // A key played on the input lights its row for 5/60 s.
            const fw::midi::PortId keyboard = fw::midi::OpenOutput("Keyboard");
            fw::midi::SendShort(keyboard, 0x90, 60, 100);
            fw::uitest::FireTimer(&d, 2);
            seen.litRow = ports.LitRow();
            fw::clocktest::Advance(6 * 1000 / 60 + 1);
            fw::uitest::FireTimer(&d, 2);
            seen.litAfter = ports.LitRow();
            fw::midi::SendShort(keyboard, 0x80, 60, 64);
            fw::midi::Close(keyboard);
            choose(d, {"Loop B"});
            fw::uitest::ClickControl(&d, IDCANCEL);
        });
        static_cast<CFrameWnd*>(a.m_pMainWnd)->SendMessage(WM_COMMAND, 36401, 0);  // the ports command
        seen.afterCancel = names(g_app.outPorts);
        fw::uitest::OnNextModal([&](CDialog& d) {
            choose(d, {"Loop B"});
            fw::uitest::ClickControl(&d, IDOK);
        });
        seen.okOne = RunPortsDialog();
        seen.afterOne = names(g_app.outPorts);
        seen.oneId = g_app.outPorts->GetCount() == 1 ? g_app.outPorts->GetIdAt(0) : -1;
        seen.thruDevice = g_preferences.Word(Preferences::kThruDevice);
        seen.accented = g_preferences.Word(Preferences::kAccentedClick + 6);
        seen.unaccented = g_preferences.Word(Preferences::kUnaccentedClick + 6);
        fw::uitest::OnNextModal([&](CDialog& d) {
            choose(d, {});
            fw::uitest::OnNextModal([](CDialog& ask) { ask.EndDialog(IDOK); });  // continue without
            fw::uitest::ClickControl(&d, IDOK);
        });
        seen.okNone = RunPortsDialog();
        seen.afterNone = names(g_app.outPorts);
        seen.modals = fw::uitest::ModalsRun();
    };
    RunApp(app, {testsupport::TestDataPath("edit/mixed.zel")});
    fw::midi::loopback::Clear();
    fw::midi::Configure(saved);
    ASSERT_TRUE(app.started);
    ASSERT_FALSE(seen.before.empty());
    EXPECT_EQ(seen.afterCancel, seen.before);
    EXPECT_TRUE(seen.okOne);
    EXPECT_EQ(seen.afterOne, std::vector<std::string>{"Loop B"});
    EXPECT_EQ(seen.thruDevice, seen.oneId);
    EXPECT_EQ(seen.accented, seen.oneId);
    EXPECT_EQ(seen.unaccented, seen.oneId);
    EXPECT_TRUE(seen.okNone);
    EXPECT_TRUE(seen.afterNone.empty());
    EXPECT_NE(std::find(seen.modals.begin(), seen.modals.end(), 278u), seen.modals.end());
    EXPECT_NE(std::find(seen.modals.begin(), seen.modals.end(), 279u), seen.modals.end());
    // Three short notes of key 67 and one of key 63 on the first channel.
    const std::vector<std::array<int, 3>> notes = {{0x90, 67, 64}, {0x80, 67, 0}, {0x90, 67, 64}, {0x80, 67, 0},
                                                   {0x90, 67, 64}, {0x80, 67, 0}, {0x90, 63, 64}, {0x80, 63, 0}};
    EXPECT_EQ(seen.testNotes, notes);
    EXPECT_EQ(seen.litRow, 0) << "the input's row lit";
    EXPECT_EQ(seen.litAfter, -1) << "and dark again";
}

// The metronome dialog of the running program (command 36204): its test plays one accented and
// three unaccented clicks, each followed by its pause; a chord played on the input sets the
// focused note field; Cancel leaves the preferences as they were.
TEST_F(AppLifeTest, TheMetronomeDialogsTestPlaysFourClicksAndAChordSetsTheFocusedNote) {
    const fw::midi::Config saved = fw::midi::CurrentConfig();
    fw::midi::Config config = saved;
    config.synth = false;
    fw::midi::Configure(config);
    fw::midi::loopback::AddOutput("Loop Out");
    fw::midi::loopback::AddOutput("Keyboard", "Loop In");
    fw::midi::loopback::AddInput("Loop In");
    fw::uitest::Session session;
    TestApp app;
    struct Seen {
        std::vector<std::array<int, 3>> clicks;
        std::vector<int> at;
        int noteAfterChord = -1, velocityAfterChord = -1;
        bool restored = false;
        bool ran = false;
    } seen;
    app.whileRunning = [&](TestApp& a) {
        if (!a.GetActiveDocument()) return;
        fw::clocktest::SetManual(fw::GetTickCount());
        const std::vector<std::uint8_t> before(g_preferences.bytes, g_preferences.bytes + Preferences::kSize);
        fw::uitest::OnNextModal([&](CDialog& d) {
            auto& metro = static_cast<CMetroDlg&>(d);
            seen.ran = true;
            fw::midi::loopback::ClearLog();
            fw::uitest::ClickControl(&d, CMetroDlg::kTest);
            // After the click is delivered: the clicks' waits run on the dialog's timer.
            fw::uitest::Call([&] {
                // When each message went out, in 1/60 s.
                std::size_t sent = fw::midi::loopback::Log().size();
                seen.at.assign(sent, GetTicks());
                for (int i = 0; i < 600 && metro.TestRunning(); ++i) {
                    fw::clocktest::Advance(1000 / 60 + 1);
                    fw::uitest::FireTimer(&d, 2);
                    for (; sent < fw::midi::loopback::Log().size(); ++sent) seen.at.push_back(GetTicks());
                }
                for (const fw::midi::loopback::Captured& c : fw::midi::loopback::Log())
                    seen.clicks.push_back({c.bytes[0], c.bytes[1], c.bytes[2]});
                // A chord of one key while the accented note field has the focus.
                metro.GotoControl(CMetroDlg::kAccented.note);
                TheInputQueue().Put(0, 0x90, 60, 100);
                TheInputQueue().Put(0, 0x80, 60, 64);
                fw::uitest::FireTimer(&d, 2);
                seen.noteAfterChord = metro.GetComboSel(CMetroDlg::kAccented.note);
                // A chord played on the loopback keyboard while the unaccented velocity field
                // has the focus.
                metro.GotoControl(CMetroDlg::kUnaccented.velocity);
                const fw::midi::PortId keyboard = fw::midi::OpenOutput("Keyboard");
                fw::midi::SendShort(keyboard, 0x90, 62, 77);
                fw::midi::SendShort(keyboard, 0x80, 62, 64);
                fw::midi::Close(keyboard);
                fw::uitest::FireTimer(&d, 2);
                seen.velocityAfterChord = metro.GetNumericField(CMetroDlg::kUnaccented.velocity);
            });
            fw::uitest::ClickControl(&d, IDCANCEL);
        });
        static_cast<CFrameWnd*>(a.m_pMainWnd)->SendMessage(WM_COMMAND, 36204, 0);
        seen.restored = std::equal(before.begin(), before.end(), g_preferences.bytes);
    };
    RunApp(app, {testsupport::TestDataPath("edit/mixed.zel")});
    fw::midi::loopback::Clear();
    fw::midi::Configure(saved);
    ASSERT_TRUE(app.started);
    ASSERT_TRUE(seen.ran);
    // The preferences' sounds: the accented key 76 at 120, the unaccented at 80, channel 10.
    const std::vector<std::array<int, 3>> clicks = {{0x99, 76, 120}, {0x89, 76, 0}, {0x99, 76, 80}, {0x89, 76, 0},
                                                    {0x99, 76, 80},  {0x89, 76, 0}, {0x99, 76, 80}, {0x89, 76, 0}};
    EXPECT_EQ(seen.clicks, clicks);
    // Each click lasts its duration in 1/60 s (50 ticks: 3, 40 ticks: 2), then a pause of 16.
    const int waits[] = {3, 16, 2, 16, 2, 16, 2};
    ASSERT_EQ(seen.at.size(), 8u);
    for (int i = 0; i < 7; ++i) {
        EXPECT_GE(seen.at[i + 1] - seen.at[i], waits[i]) << i;
        EXPECT_LE(seen.at[i + 1] - seen.at[i], waits[i] + 1) << i;
    }
    EXPECT_EQ(seen.noteAfterChord, 60);
    EXPECT_EQ(seen.velocityAfterChord, 77);
    EXPECT_TRUE(seen.restored);
}

// The metronome dialog's device lists are the combined output list (the engine's instruments
// first, numbered); a click device the list does not hold selects no entry and is kept when the
// controls are read, on a channel change and on OK.
TEST_F(AppLifeTest, TheMetronomesDevicesAreTheCombinedListAndAnUnlistedDeviceIsKept) {
    const fw::midi::Config saved = fw::midi::CurrentConfig();
    fw::midi::Config config = saved;
    config.synth = false;
    fw::midi::Configure(config);
    fw::midi::loopback::AddOutput("Loop Out");
    testsupport::FakeEngine engine;
    engine.AddSlot(2000, "Strings", 1);
    fw::uitest::Session session;
    TestApp app;
    struct Seen {
        std::vector<std::string> devices;
        int accentedSel = -2, unaccentedSel = -2, accented = 0, unaccented = 0, unaccentedChannel = -1;
        bool ran = false;
    } seen;
    app.whileRunning = [&](TestApp& a) {
        if (!a.GetActiveDocument() || seen.ran) return;
        const int accented = Preferences::kAccentedClick, unaccented = Preferences::kUnaccentedClick;
        g_preferences.SetWord(accented + 6, 2000);
        g_preferences.SetWord(unaccented + 6, 77);  // no port of the list
        fw::uitest::OnNextModal([&](CDialog& d) {
            auto& metro = static_cast<CMetroDlg&>(d);
            seen.ran = true;
            auto* devices = static_cast<CComboBox*>(d.GetDlgItem(CMetroDlg::kAccented.device));
            for (int i = 0; i < devices->GetCount(); ++i) {
                CString text;
                devices->GetLBText(i, text);
                seen.devices.emplace_back(text.c_str());
            }
            seen.accentedSel = metro.GetComboSel(CMetroDlg::kAccented.device);
            seen.unaccentedSel = metro.GetComboSel(CMetroDlg::kUnaccented.device);
            metro.SetComboSel(CMetroDlg::kUnaccented.channel, 4);
            metro.OnControl(CMetroDlg::kUnaccented.channel);
            fw::uitest::ClickControl(&d, IDOK);
        });
        static_cast<CFrameWnd*>(a.m_pMainWnd)->SendMessage(WM_COMMAND, 36204, 0);
        seen.accented = g_preferences.Word(accented + 6);
        seen.unaccented = g_preferences.Word(unaccented + 6);
        seen.unaccentedChannel = g_preferences.Word(unaccented + 8);
    };
    RunApp(app, {testsupport::TestDataPath("edit/mixed.zel")});
    fw::midi::loopback::Clear();
    fw::midi::Configure(saved);
    ASSERT_TRUE(app.started);
    ASSERT_TRUE(seen.ran);
    EXPECT_EQ(seen.devices, (std::vector<std::string>{"1 - Strings: 1", "2 - Loop Out"}));
    EXPECT_EQ(seen.accentedSel, 0);
    EXPECT_EQ(seen.unaccentedSel, -1);
    EXPECT_EQ(seen.accented, 2000);
    EXPECT_EQ(seen.unaccented, 77);
    EXPECT_EQ(seen.unaccentedChannel, 4);
}

// The recording options dialog of the running program (command 36400): "One Voice" switches
// the transcription on; with "Type" all the kind boxes are greyed; a chord played on the input
// sets the split key; OK keeps what was set, Cancel gives the preferences back.
TEST_F(AppLifeTest, TheRecordingOptionsDialogsOneVoiceTranscribesAndAChordSetsTheSplitKey) {
    const fw::midi::Config saved = fw::midi::CurrentConfig();
    fw::midi::Config config = saved;
    config.synth = false;
    fw::midi::Configure(config);
    fw::midi::loopback::AddOutput("Loop Out");
    fw::midi::loopback::AddOutput("Keyboard", "Loop In");
    fw::midi::loopback::AddInput("Loop In");
    fw::uitest::Session session;
    TestApp app;
    struct Seen {
        bool transcribeOnByOneVoice = false, kindsGreyedForAll = false, kindsOnForOnly = false;
        int splitKey = -1;
        bool kept = false, restored = false;
    } seen;
    app.whileRunning = [&](TestApp& a) {
        if (!a.GetActiveDocument()) return;
        auto* frame = static_cast<CFrameWnd*>(a.m_pMainWnd);
        g_preferences.SetByte(Preferences::kTranscribe, 0);
        g_preferences.SetByte(Preferences::kOneVoice, 0);
        g_preferences.SetByte(Preferences::kFilterType, 0);
        fw::uitest::OnNextModal([&](CDialog& d) {
            auto& dlg = static_cast<CRecordDlg&>(d);
            seen.kindsGreyedForAll = !d.GetDlgItem(CRecordDlg::kFirstKind)->IsWindowEnabled();
            fw::uitest::ClickControl(&d, CRecordDlg::kOneVoice);
            fw::uitest::ClickControl(&d, CRecordDlg::kOnly);
            fw::uitest::Call([&] {
                seen.transcribeOnByOneVoice = dlg.GetCheck(CRecordDlg::kTranscribe);
                seen.kindsOnForOnly = d.GetDlgItem(CRecordDlg::kLastKind)->IsWindowEnabled();
                const fw::midi::PortId keyboard = fw::midi::OpenOutput("Keyboard");
                fw::midi::SendShort(keyboard, 0x90, 48, 100);
                fw::midi::SendShort(keyboard, 0x80, 48, 64);
                fw::midi::Close(keyboard);
                fw::uitest::FireTimer(&d, 2);
            });
            fw::uitest::ClickControl(&d, IDOK);
        });
        frame->SendMessage(WM_COMMAND, 36400, 0);
        seen.splitKey = g_preferences.Byte(Preferences::kSplitPitch);
        seen.kept = g_preferences.Byte(Preferences::kTranscribe) == 1 && g_preferences.Byte(Preferences::kOneVoice) == 1 &&
                    g_preferences.Byte(Preferences::kFilterType) == 1;
        const std::vector<std::uint8_t> before(g_preferences.bytes, g_preferences.bytes + Preferences::kSize);
        fw::uitest::OnNextModal([&](CDialog& d) {
            fw::uitest::ClickControl(&d, CRecordDlg::kExcept);
            fw::uitest::ClickControl(&d, CRecordDlg::kSplit);
            fw::uitest::ClickControl(&d, IDCANCEL);
        });
        frame->SendMessage(WM_COMMAND, 36400, 0);
        seen.restored = std::equal(before.begin(), before.end(), g_preferences.bytes);
    };
    RunApp(app, {testsupport::TestDataPath("edit/mixed.zel")});
    fw::midi::loopback::Clear();
    fw::midi::Configure(saved);
    ASSERT_TRUE(app.started);
    EXPECT_TRUE(seen.kindsGreyedForAll);
    EXPECT_TRUE(seen.transcribeOnByOneVoice);
    EXPECT_TRUE(seen.kindsOnForOnly);
    EXPECT_EQ(seen.splitKey, 48);
    EXPECT_TRUE(seen.kept);
    EXPECT_TRUE(seen.restored);
}

// At rest (nothing playing, the pointer off the page) the score window's tick slows to half the
// caret's blink, so the program sleeps; the transport's play quickens it to 60 a second at once,
// and it slows again after the stop.
TEST_F(AppLifeTest, AtRestTheScoreWindowsTickSlowsAndPlayQuickensIt) {
    const fw::midi::Config saved = fw::midi::CurrentConfig();
    fw::midi::Config config = saved;
    config.synth = false;
    fw::midi::Configure(config);
    fw::midi::loopback::AddOutput("Loop Out");
    fw::uitest::Session session;
    TestApp app;
    UINT atRest = 0, playing = 0, stopped = 0;
    app.whileRunning = [&](TestApp& a) {
        CZelDoc* doc = a.GetActiveDocument();
        CTransport* bar = g_app.transport;
        auto* view = doc ? dynamic_cast<CZelView*>(doc->view) : nullptr;
        if (!view || !bar) return;
        fw::clocktest::SetManual(fw::GetTickCount());
        fw::uitest::RunUntilIdle();
        view->OnTick();
        atRest = view->tickMs;
        fw::uitest::Click(&bar->buttons[3], 12, 12);  // play
        fw::uitest::RunUntilIdle();
        playing = view->tickMs;
        fw::clocktest::Advance(500);
        fw::uitest::Click(&bar->buttons[2], 12, 12);  // stop
        fw::uitest::RunUntilIdle();
        view->OnTick();
        stopped = view->tickMs;
    };
    RunApp(app, {testsupport::TestDataPath("edit/mixed.zel")});
    fw::midi::loopback::Clear();
    fw::midi::Configure(saved);
    ASSERT_TRUE(app.started);
    const UINT slow = std::max<UINT>(1000 / 60, UINT(fw::GetCaretBlinkTime()) / 2);
    EXPECT_EQ(atRest, slow);
    EXPECT_GT(atRest, 1000u / 60);
    EXPECT_EQ(playing, 1000u / 60);
    EXPECT_EQ(stopped, slow);
}

// The transport bar of the running frame: start-up docks it along the top at 132 x 33 with the
// five buttons alone; floating it is 316 x 75 with every control; its play button plays the
// active score and its stop button stops it; record while playing stops; the punch-in field
// takes the insertion point, the end of a bar as the next bar's start; docked again it hides
// the fields.
TEST_F(AppLifeTest, TheTransportBarsButtonsPlayAndStopAndDockingHidesItsFields) {
    const fw::midi::Config saved = fw::midi::CurrentConfig();
    fw::midi::Config config = saved;
    config.synth = false;
    fw::midi::Configure(config);
    fw::midi::loopback::AddOutput("Loop Out");
    fw::uitest::Session session;
    TestApp app;
    struct Seen {
        bool floating = false, docked = false, dockedAgain = false, hiddenByCommand = false, shownByCommand = false;
        SIZE floatSize{}, dockSize{};
        bool fieldsShownFloating = false, fieldsHiddenDocked = false, fieldsHiddenAgain = false;
        int afterPlay = -1, afterRecordWhilePlaying = -1, afterStop = -1;
        bool playPressed = false, playReleased = false;
        int punchBar = -1, punchTick = -1;
        bool punchOn = false, punchOff = false;
        int punchedState = -1, punchFromBar = -1, punchToBar = -1;
        int notesSent = 0;
        int thruPort = -1, thruDevice = -2, thruChannel = -1, thruPatch = -1;
        int followedItem = -2, offeredItem = -3;
        bool patchSent = false;
        std::string floatingPicture, dockedPicture;
    } seen;
    testsupport::TempDir pictures;
    app.whileRunning = [&](TestApp& a) {
        CZelDoc* doc = a.GetActiveDocument();
        CTransport* bar = g_app.transport;
        if (!doc || !bar) return;
        auto* frame = static_cast<CFrameWnd*>(a.m_pMainWnd);
        fw::clocktest::SetManual(fw::GetTickCount());
        fw::uitest::RunUntilIdle();
        auto visible = [bar](bool all) {
            const bool fields[] = {bar->countOff.IsWindowVisible(), bar->punchIn.barPane.IsWindowVisible(),
                                   bar->punchOut.tickPane.IsWindowVisible(), bar->punchButton.IsWindowVisible(),
                                   bar->thruDevice.IsWindowVisible(), bar->thruPatch.IsWindowVisible()};
            for (bool f : fields)
                if (f != all) return false;
            return bar->buttons[0].IsWindowVisible() && bar->buttons[4].IsWindowVisible();
        };
        RECT r;
        seen.docked = !bar->IsFloating();
        bar->GetWindowRect(&r);
        seen.dockSize = SIZE{r.right - r.left, r.bottom - r.top};
        seen.fieldsHiddenDocked = visible(false);
        seen.dockedPicture = pictures.path() + "/docked.png";
        if (!bar->SaveImage(seen.dockedPicture)) seen.dockedPicture.clear();

        frame->FloatControlBar(bar, POINT{560, 60});
        fw::uitest::RunUntilIdle();
        seen.floating = bar->IsFloating();
        bar->GetClientRect(&r);
        seen.floatSize = SIZE{r.right - r.left, r.bottom - r.top};
        seen.fieldsShownFloating = visible(true);
        seen.floatingPicture = pictures.path() + "/floating.png";
        if (!bar->SaveImage(seen.floatingPicture)) seen.floatingPicture.clear();

        // The thru buttons: the device and channel, then the patch, which is sent at once.
        const int port = g_app.outPorts->GetIdAt(0);
        fw::midi::loopback::ClearLog();
        // The output box runs while the button is held; the channel box then waits for a
        // click.
        fw::uitest::Press(&bar->thruDevice, 20, 8);
        testsupport::ChooseInMenuBoxes({0, 2});  // the first output, the third channel
        fw::uitest::RunUntilIdle();
        seen.thruDevice = g_preferences.Word(Preferences::kThruDevice);
        seen.thruChannel = g_preferences.Word(Preferences::kThruChannel);
        // "Follow" is on: the box offers the current track's voice's patch.
        {
            CTrack* track = doc->GetScore()->GetTrack(doc->location.trackIndex);
            const std::int32_t patch = track->GetVoicePatch(std::max(0, int(doc->location.voice)));
            seen.followedItem = patch == -1 || (patch & 0xFF) == 0xFF ? 0 : int(patch & 0xFF) + 1;
            // A thru patch of its own, which the followed track's replaces in what is offered.
            g_preferences.SetDword(Preferences::kThruPatch, seen.followedItem == 101 ? 99 : 100);
        }
        fw::uitest::Press(&bar->thruPatch, 20, 8);
        fw::uitest::Call([&seen] {
            if (auto* box = dynamic_cast<CMenuBox*>(CWnd::GetCapture())) seen.offeredItem = box->current;
        });
        testsupport::ChooseInMenuBoxes({6});  // program 5 ("None" is the first item)
        fw::uitest::RunUntilIdle();
        seen.thruPatch = g_preferences.Dword(Preferences::kThruPatch) & 0xFF;
        for (const fw::midi::loopback::Captured& c : fw::midi::loopback::Log())
            if (c.bytes[0] == 0xC2 && c.bytes[1] == 5) seen.patchSent = true;
        seen.thruPort = port;

        // The punch-in field takes the insertion point; the end of bar 0 is bar 1's start.
        doc->location.barIndex = 0;
        doc->location.time = 1920;
        fw::uitest::Click(&bar->punchIn.button, 4, 4);
        fw::uitest::RunUntilIdle();
        bar->punchIn.GetPosition(&seen.punchBar, &seen.punchTick);
        doc->location.time = 0;

        // With the punch on and the punch-out before the punch-in, recording runs to the end.
        bar->punchOut.SetPosition(0, 480);
        fw::uitest::Click(&bar->punchButton, 4, 4);
        fw::uitest::RunUntilIdle();
        seen.punchOn = bar->punch;
        fw::uitest::Click(&bar->buttons[4], 12, 12);  // record
        fw::uitest::RunUntilIdle();
        seen.punchedState = GetTransportState();
        seen.punchFromBar = g_app.tapeDeck->GetPlayRange().fromBar;
        seen.punchToBar = g_app.tapeDeck->GetPlayRange().toBar;
        fw::uitest::Click(&bar->buttons[2], 12, 12);  // stop
        fw::uitest::RunUntilIdle();
        fw::uitest::Click(&bar->punchButton, 4, 4);
        fw::uitest::RunUntilIdle();
        seen.punchOff = !bar->punch;
        doc->location.barIndex = 0;
        doc->location.time = 0;

        fw::midi::loopback::ClearLog();
        fw::uitest::Click(&bar->buttons[3], 12, 12);  // play
        fw::uitest::RunUntilIdle();
        seen.afterPlay = GetTransportState();
        seen.playPressed = bar->buttons[3].GetState() == 1;
        fw::clocktest::Advance(3000);
        fw::uitest::Click(&bar->buttons[4], 12, 12);  // record while playing: a stop
        fw::uitest::RunUntilIdle();
        seen.afterRecordWhilePlaying = GetTransportState();
        seen.playReleased = bar->buttons[3].GetState() == 0 && bar->buttons[4].GetState() == 0;
        for (const fw::midi::loopback::Captured& c : fw::midi::loopback::Log())
            if ((c.bytes[0] & 0xF0) == 0x90 && c.bytes[2] != 0) ++seen.notesSent;
        fw::uitest::Click(&bar->buttons[3], 12, 12);  // play again, then the stop button
        fw::uitest::RunUntilIdle();
        fw::uitest::Click(&bar->buttons[2], 12, 12);
        fw::uitest::RunUntilIdle();
        seen.afterStop = GetTransportState();

        frame->DockControlBar(bar);
        fw::uitest::RunUntilIdle();
        seen.dockedAgain = !bar->IsFloating();
        seen.fieldsHiddenAgain = visible(false);
        frame->SendMessage(WM_COMMAND, 37000, 0);  // hide the bar, then show it
        seen.hiddenByCommand = !bar->IsVisible();
        frame->SendMessage(WM_COMMAND, 37000, 0);
        seen.shownByCommand = bar->IsVisible();
    };
    RunApp(app, {testsupport::TestDataPath("edit/mixed.zel")});
    fw::midi::loopback::Clear();
    fw::midi::Configure(saved);
    ASSERT_TRUE(app.started);
    EXPECT_TRUE(seen.docked);
    EXPECT_EQ(seen.dockSize.cx, 132);
    EXPECT_EQ(seen.dockSize.cy, 33);
    EXPECT_TRUE(seen.fieldsHiddenDocked);
    EXPECT_TRUE(seen.floating);
    EXPECT_EQ(seen.floatSize.cx, 316);
    EXPECT_EQ(seen.floatSize.cy, 75);
    EXPECT_TRUE(seen.fieldsShownFloating);
    EXPECT_EQ(seen.punchBar, 1);
    EXPECT_EQ(seen.punchTick, 0);
    EXPECT_TRUE(seen.punchOn);
    EXPECT_EQ(seen.punchedState, 2);
    EXPECT_EQ(seen.punchFromBar, 1);
    EXPECT_EQ(seen.punchToBar, 32767) << "a punch-out before the punch-in records to the end";
    EXPECT_TRUE(seen.punchOff);
    EXPECT_EQ(seen.thruDevice, seen.thruPort);
    EXPECT_EQ(seen.thruChannel, 2);
    EXPECT_EQ(seen.thruPatch, 5);
    EXPECT_EQ(seen.offeredItem, seen.followedItem) << "the followed track's patch is offered";
    EXPECT_TRUE(seen.patchSent);
    EXPECT_EQ(seen.afterPlay, 1);
    EXPECT_TRUE(seen.playPressed);
    EXPECT_EQ(seen.afterRecordWhilePlaying, 0);
    EXPECT_TRUE(seen.playReleased);
    EXPECT_GE(seen.notesSent, 2);
    EXPECT_EQ(seen.afterStop, 0);
    EXPECT_TRUE(seen.dockedAgain);
    EXPECT_TRUE(seen.fieldsHiddenAgain);
    EXPECT_TRUE(seen.hiddenByCommand);
    EXPECT_TRUE(seen.shownByCommand);
    // The bar's pictures: floating with every control, docked with the five buttons.
    for (const auto& [shot, reference] : {std::pair{seen.floatingPicture, "app/transport-floating.png"},
                                          std::pair{seen.dockedPicture, "app/transport-docked.png"}}) {
        CBitmap picture;
        ASSERT_TRUE(!shot.empty() && picture.LoadFile(shot)) << reference;
        testsupport::ExpectPictureMatches(picture, testsupport::TestDataPath(reference));
    }
}

}  // namespace

// In the running program the notes button of the main tool bar makes the note tool current, a
// click on the start-up score's page enters a note, and the Edit menu's Undo takes it back.
TEST_F(AppLifeTest, ANoteToolClickOnThePageEntersANoteThatUndoTakesBack) {
    PutUserValue("Preferences\\Auto Flags", "New Dialog", 0);
    fw::msgboxtest::Capture boxes;
    for (int i = 0; i < 4; ++i) boxes.Answer(IDNO);
    TestApp app;
    int notesAfterClick = -1, notesAfterUndo = -1, pitch = -1;
    bool toolChosen = false;
    app.whileRunning = [&](TestApp& a) {
        CZelDoc* doc = a.GetActiveDocument();
        auto* wnd = dynamic_cast<CZelWnd*>(CMDIChildWnd::MDIGetActive(&g_app.mainFrame->Client()));
        if (!doc || !wnd) return;
        CPagePane* pane = wnd->GetView()->GetPane(0);
        CScore* score = doc->GetScore();
        CBar* bar = score->GetBar(0);
        CStaff* staff = score->GetTrkBar(0, 0)->GetStaff();
        const RECT paper = score->GetPage(0)->GetPaperRect();
        const int x = bar->FractionToX(bar->TickToFraction(480, false)) - paper.left;
        const int y = staff->PositionToY(1) - paper.top;
        // The main tool bar's notes button makes the note tool current (the quarter note).
        CToolBtn* notes = g_app.mainToolBar ? g_app.mainToolBar->FindButton(ToolState::kNote) : nullptr;
        if (!notes) return;
        fw::uitest::Click(notes, 12, 12);
        fw::uitest::RunUntilIdle();
        toolChosen = g_toolState.tool == ToolState::kNote && g_toolState.value == 3;
        fw::uitest::Move(pane, x, y);
        fw::uitest::Click(pane, x, y);
        fw::uitest::RunUntilIdle();
        auto count = [&] {
            int n = 0;
            trkbar::ForEachLiveItem(score->GetTrkBar(0, 0), [&](CBarItem* it) {
                if (!it->IsNote()) return;
                ++n;
                pitch = entry::HeadAt(it, 0)[entry::kHeadPitch];
            });
            return n;
        };
        notesAfterClick = count();
        fw::ChooseFromMenuBar(static_cast<CFrameWnd*>(a.m_pMainWnd), 57643);
        fw::uitest::RunUntilIdle();
        notesAfterUndo = count();
    };
    fw::uitest::Session session;
    RunApp(app);
    ASSERT_TRUE(app.started);
    EXPECT_TRUE(toolChosen);
    EXPECT_EQ(notesAfterClick, 1);
    EXPECT_EQ(pitch, 72);  // treble clef, one step above the middle line: C5
    EXPECT_EQ(notesAfterUndo, 0);
}

namespace {

// The notes of track t: bar, time, pitch and value (played length) of every head.
std::vector<std::array<int, 4>> NotesOfTrack(CScore& s, int t) {
    std::vector<std::array<int, 4>> out;
    for (int b = 0; b < s.GetBarCount(); ++b) {
        CTrkBar* tb = s.GetTrkBar(t, b);
        for (CBarItem* i = tb ? tb->GetItems() : nullptr; i && i->TypeCode() != 255; i = i->NextItem()) {
            if (i->IsRemoved() || (i->TypeCode() != 144 && i->TypeCode() != 112)) continue;
            auto* n = static_cast<CRawNote*>(i);
            for (int k = 0; k < n->HeadCountField(); ++k)
                out.push_back({b, i->TimeField() + n->Head(k)->StartOffset(), n->Head(k)->Pitch(), n->Head(k)->Duration()});
        }
    }
    return out;
}

// File > Export of the running frame writes the score's notes: the file imported again holds
// the same pitches in the same bars, at the same places, with the same values.
TEST_F(AppLifeTest, FileExportOfTheRunningFrameWritesNotesThatImportReadsBack) {
    fw::uitest::Session session;
    testsupport::TempDir dir;
    const std::string path = dir.path() + "/plain.mid";
    TestApp app;
    std::vector<std::array<int, 4>> before, after;
    bool written = false;
    fw::MenuBarEntryState exportEntry;
    app.whileRunning = [&](TestApp& a) {
        auto* doc = dynamic_cast<CZelDoc*>(a.GetActiveDocument());
        if (!doc) return;
        before = NotesOfTrack(*doc->GetScore(), 0);
        fw::filedialogtest::Script dialogs;
        dialogs.Answer(path);
        exportEntry = fw::ChooseFromMenuBar(static_cast<CFrameWnd*>(a.m_pMainWnd), 32802);  // File > Export
        fw::uitest::RunUntilIdle();
        written = fs::exists(path);
        if (!written) return;
        auto saved = g_midiImport.optionsDialog;
        g_midiImport.optionsDialog = nullptr;  // the proposal as it stands
        CZelDoc again;
        if (again.OnOpenDocument(path.c_str())) after = NotesOfTrack(*again.GetScore(), 0);
        g_midiImport.optionsDialog = saved;
    };
    RunApp(app, {testsupport::TestDataPath("midi/export/plain.zel")});
    ASSERT_TRUE(app.started);
    EXPECT_TRUE(exportEntry.found && exportEntry.enabled);
    ASSERT_TRUE(written);
    ASSERT_EQ(before.size(), 5u);
    EXPECT_EQ(after, before);
}


// The standard tool bar's Open button on MIDI files: a file the reader refuses is named in the
// message with the reason after it, and a file whose last event lies thousands of bars past
// its notes opens as long as its music.
TEST_F(AppLifeTest, FileOpenOfAMidiFileSaysWhyItIsRefusedOrOpensAsLongAsItsMusic) {
    fw::uitest::Session session;
    fw::msgboxtest::Capture boxes;
    TestApp app;
    bool openEnabled = false;
    std::string refusal;
    int bars = -1;
    const std::string refused = testsupport::TestDataPath("midi/hostile/tick-wrap-notes.mid");
    const std::string far = testsupport::TestDataPath("midi/hostile/far-note-off.mid");
    app.whileRunning = [&](TestApp& a) {
        CStdToolBtn* open = g_app.stdToolBar ? g_app.stdToolBar->FindButton(57601) : nullptr;
        if (!open) return;
        openEnabled = open->btnEnabled;
        const auto saved = g_midiImport.optionsDialog;
        g_midiImport.optionsDialog = nullptr;  // the proposal as it stands
        fw::filedialogtest::Script dialogs;
        dialogs.Answer(refused);
        fw::uitest::Click(open, 12, 12);
        fw::uitest::RunUntilIdle();
        for (const fw::msgboxtest::Shown& shown : boxes.shown())
            if (shown.text.find("tick-wrap-notes.mid") != std::string::npos) refusal = fw::ToUtf8(shown.text);
        dialogs.Answer(far);
        fw::uitest::Click(open, 12, 12);
        fw::uitest::RunUntilIdle();
        if (auto* doc = dynamic_cast<CZelDoc*>(a.GetActiveDocument()); doc && doc->GetPathName() == far)
            bars = doc->GetScore()->GetBarCount();
        g_midiImport.optionsDialog = saved;
    };
    RunApp(app);
    ASSERT_TRUE(app.started);
    EXPECT_TRUE(openEnabled);
    const std::size_t name = refusal.find("tick-wrap-notes.mid"), reason = refusal.find("时间超出了乐谱所能容纳的长度");
    EXPECT_NE(reason, std::string::npos) << refusal;
    EXPECT_LT(name, reason) << refusal;
    EXPECT_EQ(bars, 1);
}

// Recording in the running program: the transport bar's record button records what is played
// on the loopback keyboard into the current track (replacing its notes in the bars recorded),
// the stop button ends it, and the Edit menu's Undo takes the whole recording back.
TEST_F(AppLifeTest, TheRecordButtonRecordsTheLoopbackKeyboardAsOneUndoableEdit) {
    const fw::midi::Config saved = fw::midi::CurrentConfig();
    fw::midi::Config config = saved;
    config.synth = false;
    fw::midi::Configure(config);
    fw::midi::loopback::AddOutput("Loop Out");
    fw::midi::loopback::AddOutput("Keyboard", "Keys");
    fw::midi::loopback::AddInput("Keys");
    fw::uitest::Session session;
    TestApp app;
    struct Seen {
        std::vector<std::array<int, 4>> before, recorded, undone;
        int state = -1, inputs = 0;
    } seen;
    app.whileRunning = [&](TestApp& a) {
        CZelDoc* doc = a.GetActiveDocument();
        CTransport* bar = g_app.transport;
        if (!doc || !bar) return;
        g_preferences.SetByte(Preferences::kFilterType, 0);
        g_preferences.SetByte(Preferences::kTranscribe, 0);
        g_preferences.SetByte(Preferences::kClickInRecord, 0);
        g_preferences.SetByte(Preferences::kClickInCountoff, 0);
        g_preferences.SetByte(Preferences::kSplitEnabled, 0);
        // The keyboard's input chosen in the ports dialog.
        fw::uitest::OnNextModal([](CDialog& d) {
            auto* inputs = static_cast<CListBox*>(d.GetDlgItem(CMidiPortsDlg::kInputs));
            for (int i = 0; i < inputs->GetCount(); ++i) {
                CString text;
                inputs->GetText(i, text);
                inputs->SetSel(i, std::string(text.c_str()) == "Keys");
            }
            fw::uitest::ClickControl(&d, IDOK);
        });
        static_cast<CFrameWnd*>(a.m_pMainWnd)->SendMessage(WM_COMMAND, 36401, 0);
        seen.inputs = g_app.inPorts->GetCount();
        const fw::midi::PortId keyboard = fw::midi::OpenOutput("Keyboard");
        if (!keyboard) return;
        CScore* score = doc->GetScore();
        doc->location.barIndex = 0;
        doc->location.time = 0;
        doc->location.trackIndex = 0;
        seen.before = NotesOfTrack(*score, 0);
        fw::clocktest::SetManual(fw::GetTickCount());
        fw::uitest::Click(&bar->buttons[4], 12, 12);  // record
        fw::uitest::RunUntilIdle();
        seen.state = GetTransportState();
        fw::clocktest::Advance(250);
        fw::midi::SendShort(keyboard, 0x90, 60, 100);
        fw::clocktest::Advance(500);
        fw::midi::SendShort(keyboard, 0x80, 60, 64);
        fw::clocktest::Advance(250);
        fw::uitest::Click(&bar->buttons[2], 12, 12);  // stop
        fw::uitest::RunUntilIdle();
        seen.recorded = NotesOfTrack(*score, 0);
        fw::ChooseFromMenuBar(static_cast<CFrameWnd*>(a.m_pMainWnd), 57643);
        fw::uitest::RunUntilIdle();
        seen.undone = NotesOfTrack(*score, 0);
        fw::midi::Close(keyboard);
    };
    RunApp(app, {testsupport::TestDataPath("edit/mixed.zel")});
    fw::midi::loopback::Clear();
    fw::midi::Configure(saved);
    ASSERT_TRUE(app.started);
    EXPECT_EQ(seen.inputs, 1);
    EXPECT_EQ(seen.state, 2);
    // One played note, in bar 0, about a quarter note long; the track's other notes of the bars
    // recorded are replaced.
    std::vector<std::array<int, 4>> inBarZero;
    for (const auto& n : seen.recorded)
        if (n[0] == 0) inBarZero.push_back(n);
    ASSERT_EQ(inBarZero.size(), 1u);
    EXPECT_EQ(inBarZero[0][2], 60);
    EXPECT_GT(inBarZero[0][3], 240);
    EXPECT_LT(inBarZero[0][3], 720);
    EXPECT_EQ(seen.undone, seen.before);
}

}  // namespace

// Text typed onto the page in the running program: the main tool bar's text tool, a click on
// the score window's page pane, typing, the style bar's bold, Copy and Paste from the main
// frame's Edit menu (they reach the editor) and Esc; the text is one bold bar text of the first
// track, and the saved score holds it.
TEST_F(AppLifeTest, TheTextToolTypesABoldTextOntoThePageThroughTheStyleBarAndTheEditMenu) {
    PutUserValue("Preferences\\Auto Flags", "New Dialog", 0);
    fw::msgboxtest::Capture boxes;
    for (int i = 0; i < 4; ++i) boxes.Answer(IDNO);
    TestApp app;
    struct Seen {
        bool toolChosen = false, editorOpened = false, styleBarTargets = false, closed = false;
        fw::MenuBarEntryState copy, paste;
        std::string typed, pasted;
        int undo = -1;
    } seen;
    const std::string saved = home.root() + "/typed.zel";
    std::string script;
    app.whileRunning = [&](TestApp& a) {
        CZelDoc* doc = a.GetActiveDocument();
        auto* wnd = dynamic_cast<CZelWnd*>(CMDIChildWnd::MDIGetActive(&g_app.mainFrame->Client()));
        if (!doc || !wnd || !g_app.mainToolBar) return;
        auto* frame = static_cast<CFrameWnd*>(a.m_pMainWnd);
        CPagePane* pane = wnd->GetView()->GetPane(0);
        CScore* score = doc->GetScore();
        CBar* bar = score->GetBar(0);
        CStaff* staff = score->GetTrkBar(0, 0)->GetStaff();
        const RECT paper = score->GetPage(0)->GetPaperRect();
        const int x = bar->FractionToX(100) - paper.left;
        const int y = staff->PositionToY(12) - paper.top;
        // The script starts from the same score in the same window arrangement.
        if (!doc->WriteNative((home.root() + "/start.zel").c_str())) return;
        script = "open start.zel\nwindow mode " + std::to_string(doc->location.arrangementMode) + " zoom " +
                 std::to_string(doc->GetZoom()) + "\ntool 913 button 0\nclick 0:0:100:12\n";
        CToolBtn* text = g_app.mainToolBar->FindButton(ToolState::kText);
        if (!text) return;
        fw::uitest::Click(text, 12, 12);
        fw::uitest::RunUntilIdle();
        g_toolState.button = 0;  // the palette's plain text
        seen.toolChosen = g_toolState.tool == ToolState::kText;
        fw::uitest::Move(pane, x + 5, y + 5);
        fw::uitest::Move(pane, x, y);
        fw::uitest::Click(pane, x, y);
        fw::uitest::RunUntilIdle();
        CTextEdit* editor = doc->textTask ? doc->textTask->Editor() : nullptr;
        seen.editorOpened = editor != nullptr;
        if (!editor) return;
        CStyleBar& styleBar = StyleBarObject();
        seen.styleBarTargets = styleBar.GetTarget() == doc->textTask;
        fw::uitest::Type(editor, "Allegro");
        fw::uitest::RunUntilIdle();
        seen.typed = editor->Text();
        editor->SetSel(0, -1);
        fw::uitest::Click(&styleBar.buttons[0], 12, 12);  // bold, 2701
        fw::uitest::RunUntilIdle();
        seen.copy = fw::ChooseFromMenuBar(frame, 57634);
        fw::uitest::RunUntilIdle();
        editor->SetSel(7, 7);
        seen.paste = fw::ChooseFromMenuBar(frame, 57637);
        fw::uitest::RunUntilIdle();
        seen.pasted = editor->Text();
        fw::uitest::Key(editor, VK_ESCAPE);
        fw::uitest::RunUntilIdle();
        seen.closed = doc->textTask == nullptr && styleBar.GetTarget() == nullptr;
        seen.undo = doc->GetUndoCount();
        doc->WriteNative(saved);
        script += "type Allegro\npress shift+Home\ncmd 2701\ncmd 57634\npress End\ncmd 57637\npress Esc\nsave z.zel\n";
    };
    fw::uitest::Session session;
    RunApp(app);
    ASSERT_TRUE(app.started);
    EXPECT_TRUE(seen.toolChosen);
    ASSERT_TRUE(seen.editorOpened) << "the click opens the editor on the page";
    EXPECT_TRUE(seen.styleBarTargets);
    EXPECT_EQ(seen.typed, "Allegro");
    EXPECT_TRUE(seen.copy.enabled);
    EXPECT_TRUE(seen.paste.enabled) << "the clipboard holds the copy";
    EXPECT_EQ(seen.pasted, "AllegroAllegro");
    EXPECT_TRUE(seen.closed) << "Esc ends entry";
    EXPECT_EQ(seen.undo, 1);

    CZelDoc reread;
    ASSERT_TRUE(reread.OnOpenDocument(saved.c_str()));
    std::vector<std::string> texts;
    std::vector<int> styles;
    trkbar::ForEachLiveItem(reread.GetScore()->GetTrkBar(0, 0), [&](CBarItem* it) {
        if (it->TypeCode() != CText::kTypeCode) return;
        auto* t = reinterpret_cast<CText*>(it);
        texts.push_back(t->GetText());
        styles.push_back(t->IsSingleFont() ? t->GetSingleFont().style : -1);
    });
    EXPECT_EQ(texts, std::vector<std::string>{"AllegroAllegro"});
    EXPECT_EQ(styles, std::vector<int>{FontRef::kBold}) << "bold all through: one font";

    // The whole saved score is the one zelscript's run of the same steps saves.
    ASSERT_FALSE(script.empty());
    std::ofstream(home.root() + "/typed.zs") << script;
    std::string log;
    ASSERT_EQ(testsupport::RunTool("zelscript", "typed.zs", &log, home.root()), 0) << log;
    const std::string differ = testsupport::ScoreDifference(saved, home.root() + "/z.zel");
    EXPECT_TRUE(differ.empty()) << "bytes differ at" << differ << "\n" << log;
}

namespace {

// The runs of every track's bars, end records included.
std::vector<std::vector<std::uint8_t>> AllRuns(CScore& s) {
    std::vector<std::vector<std::uint8_t>> out;
    for (int t = 0; t < s.GetTrackCount(); ++t)
        for (int b = 0; b < s.GetBarCount(); ++b) {
            CTrkBar* tb = s.GetTrkBar(t, b);
            const auto* p = reinterpret_cast<const std::uint8_t*>(tb->GetItems());
            out.emplace_back(p, p + tb->GetRunLength());
        }
    return out;
}

int NotesIn(CScore& s, int t, int b) {
    int n = 0;
    for (CBarItem* i = s.GetTrkBar(t, b)->GetItems(); i && i->TypeCode() != 255; i = i->NextItem())
        if (!i->IsRemoved() && i->IsNote()) ++n;
    return n;
}

}  // namespace

// In the running program a bar copied with the Edit menu goes into another bar through Edit >
// Paste and through Edit > Paste Special (its dialog answered OK with notes on), and Undo of the
// same menu gives every run back byte for byte.
TEST_F(AppLifeTest, TheEditMenusPasteAndPasteSpecialPutACopiedBarIntoAnotherAndUndoTakesItBack) {
    PutUserValue("Preferences\\Auto Flags", "New Dialog", 0);
    fw::msgboxtest::Capture boxes;
    for (int i = 0; i < 4; ++i) boxes.Answer(IDNO);
    TestApp app;
    std::vector<int> pasted;
    std::vector<bool> undone;
    app.whileRunning = [&](TestApp& a) {
        CZelDoc* doc = a.GetActiveDocument();
        if (!doc) return;
        auto* frame = static_cast<CFrameWnd*>(a.m_pMainWnd);
        CScore& score = *doc->GetScore();
        CTrkBar* tb = score.GetTrkBar(0, 0);
        tb->SetCurrent();
        std::vector<CBarItem*> placed;
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
        // Selected once both are in (an insertion may move the run).
        CSelect* sel = doc->GetSelection();
        for (CBarItem* i = tb->GetItems(); i && i->TypeCode() != 255; i = i->NextItem())
            if (i->IsNote()) placed.push_back(i);
        for (CBarItem* item : placed) sel->SelectItem(item, -32767, tb, false);
        sel->lower[1] = sel->upper[1] = 0;
        sel->lower[3] = sel->upper[3] = 0;
        sel->lower[4] = sel->lower[5] = 0;
        sel->upper[4] = sel->upper[5] = 32767;
        fw::ChooseFromMenuBar(frame, 57634);
        fw::uitest::RunUntilIdle();
        for (CBarItem* i = tb->GetItems(); i && i->TypeCode() != 255; i = i->NextItem()) i->Deselect();
        sel->Reset();
        const auto before = AllRuns(score);
        for (int id : {57637, 57639}) {
            doc->SetCurrentBar(2, false);
            doc->location.trackIndex = 0;
            doc->location.time = 0;
            doc->location.voice = 0;
            doc->location.allVoices = 0;
            doc->location.insertionPlaced = 1;
            PasteOptions()[kPasteNotes] = 1;
            if (id == 57639) fw::uitest::OnNextModal([](CDialog& d) { fw::uitest::ClickControl(&d, IDOK); });
            fw::ChooseFromMenuBar(frame, UINT(id));
            fw::uitest::RunUntilIdle();
            pasted.push_back(NotesIn(score, 0, 2));
            fw::ChooseFromMenuBar(frame, 57643);
            fw::uitest::RunUntilIdle();
            undone.push_back(AllRuns(score) == before);
        }
    };
    fw::uitest::Session session;
    RunApp(app);
    ASSERT_TRUE(app.started);
    EXPECT_EQ(pasted, (std::vector<int>{2, 2}));
    EXPECT_EQ(undone, (std::vector<bool>{true, true}));
}

// Lyrics in the running program: the text palette's lyric button, a click under a note of the
// score window, syllables typed, and copy (2662) from the style bar's lyric menu: the system
// clipboard then holds the verse as plain text.
TEST_F(AppLifeTest, TheLyricButtonTypesSyllablesTheLyricMenuCopiesTheVerseAndTheLyricWindowFlowsAText) {
    PutUserValue("Preferences\\Auto Flags", "New Dialog", 0);
    fw::msgboxtest::Capture boxes;
    for (int i = 0; i < 4; ++i) boxes.Answer(IDNO);
    TestApp app;
    struct Seen {
        bool notes = false, editorOpened = false, lyricMode = false, verseField = false, closed = false;
        bool windowShown = false, applyEnabled = false, fieldsFollow = false;
        std::vector<std::string> syllables, flowed;
        std::string clipboard, loaded;
        int track = -1, bar = -1;
    } seen;
    app.whileRunning = [&](TestApp& a) {
        CZelDoc* doc = a.GetActiveDocument();
        auto* wnd = dynamic_cast<CZelWnd*>(CMDIChildWnd::MDIGetActive(&g_app.mainFrame->Client()));
        if (!doc || !wnd || !g_app.mainToolBar) return;
        CPagePane* pane = wnd->GetView()->GetPane(0);
        CScore* score = doc->GetScore();
        // A bar of the first page with two notes of voice 1 on the first track.
        std::vector<CBarItem*> notes;
        int barIndex = -1;
        for (int b = 0; b < score->GetBarCount() && barIndex < 0; ++b) {
            notes.clear();
            trkbar::ForEachLiveItem(score->GetTrkBar(0, b), [&](CBarItem* it) {
                if (it->IsNote() && it->VoiceField() == 0) notes.push_back(it);
            });
            if (notes.size() >= 2 && score->GetBar(b)->GetPage() == score->GetPage(0)) barIndex = b;
        }
        seen.notes = barIndex >= 0;
        if (!seen.notes) return;
        CBar* bar = score->GetBar(barIndex);
        CStaff* staff = score->GetTrkBar(0, barIndex)->GetStaff();
        const RECT paper = score->GetPage(0)->GetPaperRect();
        const int x = bar->FractionToX(notes[0]->PositionField()) - paper.left;
        const int y = staff->PositionToY(-8) - paper.top;
        CToolBtn* text = g_app.mainToolBar->FindButton(ToolState::kText);
        if (!text) return;
        fw::uitest::Click(text, 12, 12);
        fw::uitest::RunUntilIdle();
        g_toolState.button = 4;  // the palette's lyrics
        g_app.mainFrame->SendMessage(WM_COMMAND, 4320, 0);
        fw::uitest::RunUntilIdle();
        fw::uitest::Move(pane, x + 5, y + 5);
        fw::uitest::Move(pane, x, y);
        fw::uitest::Click(pane, x, y);
        fw::uitest::RunUntilIdle();
        seen.editorOpened = doc->textTask && doc->textTask->Editor();
        if (!seen.editorOpened) return;
        seen.lyricMode = doc->textTask->Editor()->lyricMode != 0;
        CStyleBar& styleBar = StyleBarObject();
        seen.verseField = styleBar.verseMode != 0;
        for (const char c : std::string("Hap-py ")) {
            if (!doc->textTask || !doc->textTask->Editor()) break;
            fw::uitest::Type(doc->textTask->Editor(), std::string(1, c).c_str());
            fw::uitest::RunUntilIdle();
        }
        styleBar.HandleCommand(2662);
        fw::uitest::RunUntilIdle();
        seen.closed = doc->textTask == nullptr;
        seen.track = doc->location.trackIndex;
        seen.bar = doc->location.barIndex;
        for (int t = 0; t < score->GetTrackCount(); ++t)
            for (int b = 0; b < score->GetBarCount(); ++b)
                trkbar::ForEachLiveItem(score->GetTrkBar(t, b), [&](CBarItem* it) {
                    if (it->IsLyric()) seen.syllables.push_back(static_cast<CLyric*>(it)->GetText());
                });
        seen.clipboard = fw::GetClipboardText();
        // The Window menu's lyric window: it shows the verse at the insertion point, and its
        // Apply flows a text onto the notes.
        fw::ChooseFromMenuBar(g_app.mainFrame, 37004);
        fw::uitest::RunUntilIdle();
        CLyricWnd* lyrics = g_app.lyricWnd;
        seen.windowShown = lyrics && lyrics->IsVisible() && lyrics->Editor();
        if (!seen.windowShown) return;
        // It opens on the insertion point's track, bar and voice; here the typed bar is loaded.
        seen.fieldsFollow = lyrics->GetInt(CLyricWnd::kTrackField) == doc->location.trackIndex + 1 &&
                            lyrics->GetInt(CLyricWnd::kBarField) == doc->location.barIndex + 1 &&
                            lyrics->GetInt(CLyricWnd::kVoiceField) == doc->location.voice + 1;
        int typedTrack = 0, typedBar = 0;
        for (int t = score->GetTrackCount() - 1; t >= 0; --t)
            for (int b = score->GetBarCount() - 1; b >= 0; --b)
                trkbar::ForEachLiveItem(score->GetTrkBar(t, b), [&](CBarItem* it) {
                    if (it->IsLyric()) typedTrack = t, typedBar = b;
                });
        lyrics->SetPlace(typedTrack + 1, typedBar + 1, lyrics->GetInt(CLyricWnd::kVoiceField), 1);
        if (CWnd* load = lyrics->GetDlgItem(CLyricWnd::kLoad)) fw::uitest::Click(load, 5, 5);
        fw::uitest::RunUntilIdle();
        seen.loaded = lyrics->Editor()->GetText();
        CWnd* apply = lyrics->GetDlgItem(CLyricWnd::kApply);
        seen.applyEnabled = apply && apply->IsWindowEnabled();
        lyrics->Editor()->SetAllText("One two");
        if (apply) fw::uitest::Click(apply, 5, 5);
        fw::uitest::RunUntilIdle();
        for (int t = 0; t < score->GetTrackCount(); ++t)
            for (int b = 0; b < score->GetBarCount(); ++b)
                trkbar::ForEachLiveItem(score->GetTrkBar(t, b), [&](CBarItem* it) {
                    if (it->IsLyric()) seen.flowed.push_back(static_cast<CLyric*>(it)->GetText());
                });
    };
    fw::uitest::Session session;
    RunApp(app, {testsupport::TestDataPath("edit/mixed.zel")});
    ASSERT_TRUE(app.started);
    ASSERT_TRUE(seen.notes);
    ASSERT_TRUE(seen.editorOpened) << "the lyric click opens the editor under the note";
    EXPECT_TRUE(seen.lyricMode);
    EXPECT_TRUE(seen.verseField) << "the style bar shows its verse field";
    EXPECT_TRUE(seen.closed) << "copy ends entry";
    EXPECT_EQ(seen.syllables, (std::vector<std::string>{"Hap", "py"})) << "track " << seen.track << " bar " << seen.bar;
    EXPECT_EQ(seen.clipboard, "Hap-py ");
    ASSERT_TRUE(seen.windowShown) << "37004 from the menu bar shows the lyric window";
    EXPECT_TRUE(seen.fieldsFollow) << "the window opens at the insertion point";
    EXPECT_EQ(seen.loaded.substr(0, 6), "Hap-py") << "Load reads the verse from the bar on";
    EXPECT_TRUE(seen.applyEnabled);
    EXPECT_EQ(seen.flowed, (std::vector<std::string>{"One", "two"}));
}
