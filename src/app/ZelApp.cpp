#include "app/ZelApp.h"
#include "app/MidiFileHooks.h"

#include "edit/Commands.h"
#include "model/TaskMakers.h"
#include "model/TextTask.h"
#include "model/ApplicationOps.h"
#include "view/ToolState.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>
#include <string>

#include "app/AppGlobals.h"
#include "app/NewDocDlg.h"
#include "app/AppStandIns.h"
#include "app/MainFrame.h"
#include "app/MetroDlg.h"
#include "app/MidiPortsDlg.h"
#include "app/RecordDlg.h"
#include "app/PlaybackHooks.h"
#include "app/RedirectDlg.h"
#include "model/DocumentStandIns.h"
#include "sequencer/SequencerGlobals.h"
#include "app/Splash.h"
#include "app/StatBar.h"
#include "app/TapeDeck.h"
#include "app/Transport.h"
#include "chrome/MainToolBar.h"
#include "chrome/StyleBar.h"
#include "chrome/ToolBox.h"
#include "view/DebugWnd.h"
#include "framework/Dialog.h"
#include "framework/Exceptions.h"
#include "framework/CodePage.h"
#include "framework/File.h"
#include "framework/Midi.h"
#include "formats/MusicXmlImport.h"
#include "midi/Performer.h"
#include "model/Playback.h"
#include "model/PlaybackHooks.h"
#include "model/Playback.h"
#include "framework/MessageBox.h"
#include "framework/MusicFont.h"
#include "framework/SingleInstance.h"
#include "framework/StringTable.h"
#include "model/MidiOut.h"
#include "platform/Devices.h"
#include "model/InstLib.h"
#include "model/ModelGlobals.h"
#include "model/ScoreStructureStandIns.h"
#include "model/NewScore.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "notation/NotationClasses.h"
#include "platform/DebugLog.h"
#include "platform/DlgCombosStandIns.h"
#include "platform/DrawGlobals.h"
#include "platform/FileNames.h"
#include "platform/FontMap.h"
#include "platform/Handles.h"
#include "platform/Numeric.h"
#include "platform/PlatformGlobals.h"
#include "platform/Port.h"
#include "platform/PortLayer.h"
#include "platform/RvqUtil.h"
#include "platform/StdDlgGlobals.h"
#include "view/MidiChoosers.h"
#include "view/PenTask.h"
#include "view/ZelWnd.h"

namespace {

// Dialogs and messages of start-up.
enum : unsigned {
    kAudioEngineQuestion = 421,
    kNoMidiInput = 280,
    kNoMidiOutput = 279,
    kMusicFontMissing = 10018,
    kDefaultFileString = 6611,
};
constexpr int kSplashMs = 3000;
constexpr int kTicksPerMinute = 3600;
constexpr const char* kRecentSection = "Recent File List";

std::string LoadText(unsigned id) {
    std::string s;
    fw::LoadStringResource(id, s);
    return s;
}

}  // namespace

CZelApp* TheZelApp() { return static_cast<CZelApp*>(AfxGetApp()); }

CZelApp::CZelApp() : CWinApp(kProgramName) { InstallCommands(); }

CZelApp::~CZelApp() = default;

// --- start-up ---------------------------------------------------------------------------------

namespace {
// The style bar the main tool bar made, null before it is made.
CStyleBar* MadeStyleBar() { return static_cast<CStyleBar*>(g_chrome.styleBar); }

// The document shows, hides and sets up the text style bar through these.
void RegisterStyleBarOperations() {
    StyleBarOperations& ops = StyleBarOps();
    ops.show = [](bool on) {
        if (CStyleBar* bar = MadeStyleBar()) on ? bar->Show() : bar->Hide();
    };
    ops.isShown = [] { return MadeStyleBar() && MadeStyleBar()->IsShown(); };
    ops.setLyricMode = [](bool on) {
        if (CStyleBar* bar = MadeStyleBar()) bar->SetVerseMode(on);
    };
    ops.setVerse = [](int verse) {
        if (CStyleBar* bar = MadeStyleBar()) bar->SetMenuChoice(verse);
    };
    ops.showFont = [](const FontRef& font) {
        if (CStyleBar* bar = MadeStyleBar()) bar->ShowFont(font);
    };
    // The text being typed is the style bar's target while its editor is open.
    SetTextTaskListener([](CTextTask* task) {
        if (CStyleBar* bar = MadeStyleBar()) bar->SetTarget(task);
    });
}
}  // namespace

bool CZelApp::InitInstance() {
    g_app.startupInProgress = 1;
    journal_.clear();

    // One instance: a later one asks the first to come to the front and ends.
    lock_ = std::make_unique<fw::InstanceLock>("zelmarin");
    if (!lock_->Acquire()) {
        lock_->AskFirstToRaise();
        lock_.reset();
        return false;
    }

    RegisterTrackClass();
    RegisterNotationClasses();
    // The document's commands reach the edit operations and the palette's chosen button.
    edit::RegisterOperations();
    RegisterViewOperations();
    // Opening a MIDI file imports it through its options dialog and the transcription.
    RegisterMidiFileHooks();
    // Opening a MusicXML file imports it.
    formats::RegisterScoreFormats();
    ChosenPaletteButton() = [] { return int(g_toolState.button); };
    ToolKeyHandler() = [](int ch) { return g_app.mainToolBar && g_app.mainToolBar->HandleKey(ch); };
    CurrentToolId() = [] { return int(g_toolState.tool); };
    ChosenSubTool() = [] { return int(g_toolState.subTool); };
    RegisterStyleBarOperations();
    RegisterApplicationOps();
    RegisterPlaybackHooks();
    // The track's voice pop-ups choose through the menu-box choosers.
    RegisterMidiChoosers();
    SetUpProgramFolder();

    bool splash = true;
    for (const std::string& a : m_args)
        if (a == "-nologo" || a == "--nologo") splash = false;
    if (splash) splashShown_ = CSplashWnd::Show(kSplashMs);

    if (!InitSubsystems()) return false;
    LoadStdProfileSettings();

    if (splashShown_) {
        CSplashWnd::Close(true);
        if (m_pMainWnd) m_pMainWnd->UpdateWindow();
    }

    // The first start asks whether to use the audio engine.
    if (g_preferences.Byte(Preferences::kAskAudioEngine)) {
        CDialog question(kAudioEngineQuestion, m_pMainWnd);
        const bool yes = question.DoModal() == IDOK;
        g_app.audioEngineOn = yes ? 1 : 0;
        g_preferences.SetByte(Preferences::kUseEngine, yes ? 1 : 0);
    }
    if (g_app.audioEngineOn) {
        EngineHost::Start(m_pMainWnd);
        if (!EngineHost::Available()) {
            EngineHost::Shutdown();
            g_app.audioEngineOn = 0;
        }
    }

    // A file named on the command line; one that cannot be opened has been reported, and the
    // start-up score opens instead.
    const char* named = nullptr;
    for (const std::string& a : m_args)
        if (!a.empty() && a[0] != '-') {
            named = a.c_str();
            break;
        }
    if (!named || !OpenDocumentFile(named)) OpenStartupDocument();
    // A score is open and ready: MIDI input is taken from now on.
    if (g_app.midi) g_app.midi->SetInputAccepted(true);

    if (m_pMainWnd) m_pMainWnd->UpdateWindow();
    if (g_app.mainFrame) g_app.mainFrame->LoadBarState();
    g_app.startupInProgress = 0;
    return true;
}

bool CZelApp::InitSubsystems() {
    InitEnvironment();
    InitGlobals();
    if (!CreateMainFrame()) return false;
    lock_->Listen([this] {
        ++raised_;
        if (m_pMainWnd && m_pMainWnd->IsWindow()) {
            if (m_pMainWnd->GetStyle() & WS_MINIMIZE) m_pMainWnd->ShowWindow(SW_RESTORE);
            m_pMainWnd->SetForegroundWindow();
        }
    });
    if (!InitFonts()) return false;

    g_preferences.SetDefaultFonts(LanguageFontSize(0));
    g_preferences.Init();
    // The audio engine is used as the preferences say ("Use Engine").
    g_app.audioEngineOn = g_preferences.Byte(Preferences::kUseEngine) ? 1 : 0;
    // What the lower layers take from the loaded preferences.
    g_preferences.MakeFontsCurrent();
    for (int i = 0; i < 8; ++i) g_model.voiceColors[i] = g_preferences.Byte(Preferences::kVoiceColors + i);
    g_model.engraverSettings = &g_preferences.Engraver();

    if (!CreateObjects()) return false;

    g_app.idleEnabled = 1;
    g_model.newScore = NewScoreSettings{};
    g_model.newScore.arrangement = 1;
    g_model.newScore.tempoDisplay = 2;
    g_model.newScore.tempo = 9600;
    CNewDocDlg::LoadDefaultTexts(g_model.newScore);
    return true;
}

void CZelApp::InitEnvironment() {
    g_app.currentTrack = 0;
    g_app.versionWord = 0x0410;
    g_app.formatWords[0] = 25;
    g_app.formatWords[1] = 1024;
    g_app.japanese = GetLanguage() == 1 ? 1 : 0;
    g_app.windowsNT5 = 1;  // the engine's platform is always there
    g_app.audioEngineOn = g_app.windowsNT5;
}

void CZelApp::InitGlobals() {
    g_app.lastAutosave = std::uint32_t(GetTicks());
    lastActive_ = nullptr;
    g_app.scratch = new std::uint8_t[kScratchSize];
    g_ui.noneText = "None";
    g_app.defaultTextSize = std::int16_t(LanguageFontSize(9));
    g_ui.interfaceTextSize = LanguageFontSize(9);
    g_app.lastThruTrack = -1;
}

bool CZelApp::CreateMainFrame() {
    auto* frame = new CZelDesktop;
    if (!frame->Create()) {
        delete frame;
        return false;
    }
    g_app.mainFrame = frame;
    m_pMainWnd = frame;
    Note("+CZelDesktop");
    return true;
}

bool CZelApp::MusicFontInstalled() { return fw::MusicFontAvailable(); }

bool CZelApp::InitFonts() {
    InitDrawing();
    if (!MusicFontInstalled()) {
        CSplashWnd::Close(true);
        AfxMessageBox(LoadText(kMusicFontMissing).c_str(), MB_OK | MB_ICONSTOP);
        return false;
    }
    // Rotated text keeps its angle on this platform.
    g_draw.suppressOrientation = g_app.windowsNT5 == 0;
    FontRef jazz;
    if (const CFontList* list = GetFontList()) list->FindFace("JazzCW", &jazz, false);
    g_draw.jazzFace = jazz.face;
    return true;
}

bool CZelApp::CreateMidiLayer() {
    g_app.midi = CreateMidi();
    if (!g_app.midi) return false;
    g_app.performer = new Performer(g_app.midi);
    SetPerformer(g_app.performer);
    g_playbackHooks.playLock = &g_app.performer->PlayLock();
    g_playbackHooks.trackPortChanged = [](int track, int port, int) {
        if (g_app.performer && GetTransportState() != 0) g_app.performer->TrackPortChanged(track, port);
    };
    g_app.tapeDeck = new CTapeDeck(g_app.midi, g_app.performer);
    if (g_app.transport) g_app.transport->SetTapeDeck(g_app.tapeDeck);
    return true;
}

bool CZelApp::CreateToolBars() {
    CFrameWnd* frame = g_app.mainFrame;
    g_app.stdToolBar = new CStdToolBar;
    if (!frame || !g_app.stdToolBar->Create(frame)) return false;
    Note("+CStdToolBar");
    // The main tool bar makes the palettes, the transport bar and the text style bar with it.
    g_app.mainToolBar = new CMainToolBar;
    g_app.transport = new CTransport;
    g_app.transport->SetTapeDeck(g_app.tapeDeck);
    if (!g_app.mainToolBar->Create(frame, [](CFrameWnd* f) { return g_app.transport->Create(f); })) return false;
    Note("+CMainToolBar");
    Note("+CTransport");
    return true;
}

bool CZelApp::CreateObjects() {
    try {
        StartLog("Application");
        LogText("Creating MIDI Objects", true);
        if (!CreateMidiLayer()) return false;
        Note("+CMidi");

        LogText("Creating Libraries", true);
        g_app.allotLib = new CAllotLib;
        g_platform.chordLib = new CChordLib;
        g_app.drumLib = &DrumLib();  // the model's, which outlives the application
        g_platform.exprLib = new CExprLib;
        ExpressionLibrary() = g_platform.exprLib;
        g_model.instLib = new CInstLib;
        g_app.fontLib = new CFontLib;
        g_platform.guitarLib = new CGuitarLib;
        for (const char* n : {"+CAllotLib", "+CChordLib", "+CDrumLib", "+CExprLib", "+CInstLib", "+CFontLib", "+CGuitarLib"})
            Note(n);

        LogText("Opening MIDI ports", true);
        g_app.devices = new CSystemDevices;
        g_app.inPorts = new CMidiInPorts;
        g_app.outPorts = new CMidiOutPorts;
        LoadMidiPorts(*g_app.devices, *g_app.inPorts, *g_app.outPorts);
        SetMidiOutPorts(g_app.outPorts);
        // The score model asks this one list which output ports are chosen (and open).
        ChosenOutputPorts() = [] {
            std::vector<int> ids;
            if (g_app.outPorts)
                for (int i = 0; i < g_app.outPorts->GetCount(); ++i)
                    if (g_app.outPorts->IsPortAvailable(g_app.outPorts->GetIdAt(i))) ids.push_back(g_app.outPorts->GetIdAt(i));
            return ids;
        };
        if (g_app.midi) g_app.midi->SetPorts(g_app.inPorts, g_app.outPorts);
        Note("+CDevices");
        Note("+CMidiInPorts");
        Note("+CMidiOutPorts");

        // Devices present but none chosen: the user is told (and may choose now).
        if (midiInGetNumDevs() > 0 && g_app.inPorts->GetCount() == 0 && !g_preferences.Byte(Preferences::kAllowNoInputs)) {
            CSplashWnd::Close(true);
            CDialog warning(kNoMidiInput, m_pMainWnd);
            if (warning.DoModal() == IDOK)
                g_preferences.SetByte(Preferences::kAllowNoInputs, 1);
            else
                RunPortsDialog();
        }
        if (midiOutGetNumDevs() > 0 && g_app.outPorts->GetCount() == 0) {
            CSplashWnd::Close(true);
            CDialog warning(kNoMidiOutput, m_pMainWnd);
            if (warning.DoModal() != IDOK) RunPortsDialog();
        }

        g_app.marker = new std::uint8_t(0);

        LogText("Creating Toolbars", true);
        if (!CreateToolBars()) return false;
        if (CStatBar* status = g_app.mainFrame ? g_app.mainFrame->GetStatusBar() : nullptr) status->Init();
        // The document tells the status bar when its insertion point moved.
        g_model.statusUpdate = [] {
            if (CStatBar* status = g_app.mainFrame ? g_app.mainFrame->GetStatusBar() : nullptr) status->Update();
        };

        LogText("Creating Support Windows", true);
        CFrameWnd* frame = g_app.mainFrame;
        g_app.trackWnd = new CTrackWnd;
        g_app.trackWnd->Create(frame);
        // The document's notices for the track window, and the redirect dialog its device
        // column opens.
        DocumentHintTargets()[4] = [](int code) {
            if (g_app.trackWnd) g_app.trackWnd->OnNotify(UINT(code));
        };
        g_sequencer.redirectDialog = [](CTrack& track) { return RunRedirectDialog(track); };
        g_app.chordWnd = new CChordWnd;
        g_app.chordWnd->Create(frame);
        g_app.lyricWnd = new CLyricWnd;
        g_app.lyricWnd->Create(frame);
        if (g_app.windowsNT5) {
            g_app.vstWnd = new CVSTWnd;
            g_app.vstWnd->Create(frame);
        }
        g_app.graphicHolder = new CGraphicWndHolder;
        g_app.stepWnd = new CStepWnd;
        g_app.stepWnd->Create(frame);
        g_app.noteSize = new CNoteSize;
        g_app.noteSize->Create(frame);
        g_app.debugWnd = new CDebugWnd;
        g_app.debugWnd->Create(frame);
        for (const char* n : {"+CTrackWnd", "+CChordWnd", "+CLyricWnd", "+CVSTWnd", "+CGraphicWndHolder", "+CStepWnd",
                              "+CNoteSize", "+CDebugWnd"})
            if (g_app.vstWnd || std::strcmp(n, "+CVSTWnd") != 0) Note(n);

        LogText("Loading Libraries", true);
        for (CLibrary* lib : {static_cast<CLibrary*>(g_app.allotLib), static_cast<CLibrary*>(g_platform.chordLib),
                              static_cast<CLibrary*>(g_platform.exprLib),
                              static_cast<CLibrary*>(g_app.fontLib), static_cast<CLibrary*>(g_platform.guitarLib),
                              static_cast<CLibrary*>(g_model.instLib)})
            lib->LoadDefault();
    } catch (const CException&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }

    // The three bars along the top, each to the right of the one before.
    for (CControlBar* bar : {static_cast<CControlBar*>(g_app.stdToolBar), static_cast<CControlBar*>(g_app.mainToolBar),
                             static_cast<CControlBar*>(g_app.transport)}) {
        g_app.mainFrame->DockControlBar(bar);
        g_app.mainFrame->ShowControlBar(bar, TRUE);
    }
    return true;
}

// --- documents --------------------------------------------------------------------------------

CZelDoc* CZelApp::OpenDocumentFile(const char* path) {
    if (!path) return nullptr;
    // A document that cannot be read has told the user why.
    if (!AddDocument(ScoreTemplate().OpenDocumentFile(path))) return nullptr;
    AddToRecentFileList(path);
    OpenScoreWindow(active_);
    return active_;
}

const CDocTemplate& CZelApp::ScoreTemplate() {
    static const CDocTemplate scores(kScoreTemplateId, [] { return CZelDoc::CreateObject(); });
    return scores;
}

bool CZelApp::AddDocument(std::unique_ptr<CDocument> made) {
    auto* doc = dynamic_cast<CZelDoc*>(made.get());
    if (!doc) return false;
    made.release();
    documents_.emplace_back(doc);
    active_ = doc;
    return true;
}

void CZelApp::OpenScoreWindow(CZelDoc* doc) {
    FreeClosed();
    if (!doc || !g_app.mainFrame || !g_app.mainFrame->Client().IsWindow()) return;
    RECT client;
    g_app.mainFrame->Client().GetClientRect(&client);
    auto wnd = std::make_unique<CZelWnd>();
    // The window takes the placement stored with the score, or its default size.
    if (!wnd->Create(&g_app.mainFrame->Client(), client, doc)) return;
    // A score window has no title bar to move or size it by: it takes the whole area (and
    // follows it), its stored rectangle kept as its normal one.
    wnd->MDIMaximize();
    windows_.push_back(std::move(wnd));
    windows_.back()->MDIActivate();
}

std::vector<CZelDoc*> CZelApp::Documents() const {
    std::vector<CZelDoc*> out;
    for (const auto& d : documents_) out.push_back(d.get());
    return out;
}

void CZelApp::ActivateDocument(CDocument* doc) {
    // Besides the open documents, one the template is still making (its new score is built)
    // exists before the list takes it; a closed one waiting to be freed is never active again.
    auto* zel = dynamic_cast<CZelDoc*>(doc);
    const std::vector<CZelDoc*>& existing = ::Documents();
    if (doc && (!zel || std::find(existing.begin(), existing.end(), zel) == existing.end())) return;
    for (const auto& d : closedDocuments_)
        if (d.get() == doc) return;
    SetActiveDocument(zel);
}

void CZelApp::RemoveDocument(CDocument* doc) {
    auto it = std::find_if(documents_.begin(), documents_.end(), [doc](const auto& d) { return d.get() == doc; });
    if (it == documents_.end()) return;
    // The closing window has let go of its document and is gone already.
    for (auto w = windows_.begin(); w != windows_.end();) {
        if ((*w)->document == doc || !(*w)->IsWindow()) {
            closedWindows_.push_back(std::move(*w));
            w = windows_.erase(w);
        } else {
            ++w;
        }
    }
    closedDocuments_.push_back(std::move(*it));
    documents_.erase(it);
    if (lastActive_ == doc) lastActive_ = nullptr;
    // The next idle pass makes the active window's document the active one.
    if (active_ == doc) SetActiveDocument(nullptr);
}

CZelDoc* CZelApp::ActiveWindowDocument() const {
    if (g_app.mainFrame && g_app.mainFrame->Client().IsWindow())
        if (auto* wnd = dynamic_cast<CZelWnd*>(CMDIChildWnd::MDIGetActive(&g_app.mainFrame->Client())))
            return wnd->document;
    return active_;
}

void CZelApp::FreeClosed() {
    closedWindows_.clear();
    closedDocuments_.clear();
}

CZelDoc* CZelApp::NewDocument() {
    if (!AddDocument(ScoreTemplate().OpenDocumentFile(nullptr))) return nullptr;
    OpenScoreWindow(active_);
    return active_;
}

void CZelApp::OnFileNew() {
    if (!g_preferences.Byte(Preferences::kNewDialog)) {
        NewDocument();
        return;
    }
    // The New dialog: its settings record replaces the new-score settings on OK; a template
    // opens as a document and takes the settings.
    CNewDocDlg dialog;
    if (!dialog.Run()) return;
    g_model.newScore = dialog.settings;
    if (g_model.newScore.arrangement != 4) {
        NewDocument();
        return;
    }
    if (CZelDoc* doc = OpenDocumentFile(dialog.templatePath.path)) {
        BuildNewScore(*doc->GetScore(), g_model.newScore, doc);
        doc->UpdateAllViews(nullptr, 0, nullptr);
    }
}

void CZelApp::OpenStartupDocument() {
    const std::string name = LoadText(kDefaultFileString);
    CFile probe;
    if (probe.Open(name.c_str(), CFile::modeRead)) {
        probe.Close();
        if (CZelDoc* doc = OpenDocumentFile(name.c_str())) {
            doc->SetTitle(nullptr);
            doc->SetPathName("", false);
            if (!recent_.empty() && recent_.front() == name) recent_.erase(recent_.begin());
            SetActiveDocument(doc);
            return;
        }
    }
    OnFileNew();
    if (g_app.mainToolBar) g_app.mainToolBar->SetDocument(active_);
    if (g_app.transport) g_app.transport->SetDocument(active_);
}

void CZelApp::SetActiveDocument(CZelDoc* doc) {
    for (auto& wnd : windows_) wnd->OnUpdateFrameTitle(true);
    if (CNumeric* numeric = g_ui.currentNumeric) numeric->EndEdit();
    if (g_app.mainFrame)
        if (CStatBar* status = g_app.mainFrame->GetStatusBar()) status->SetDocument(doc);
    if (g_app.mainToolBar) g_app.mainToolBar->SetDocument(doc);
    if (g_app.lyricWnd) g_app.lyricWnd->SetDocument(doc);
    if (g_app.trackWnd) g_app.trackWnd->SetDocument(doc);
    for (CSupportWnd* w : {static_cast<CSupportWnd*>(g_app.chordWnd), static_cast<CSupportWnd*>(g_app.graphicHolder),
                           static_cast<CSupportWnd*>(g_app.stepWnd)})
        if (w) w->SetDocument(doc);
    if (g_app.debugWnd) g_app.debugWnd->SetDocument(doc);
    if (g_app.transport) g_app.transport->SetDocument(doc);
    if (doc) {
        doc->MakeCurrent();
    } else {
        CZelDoc::ClearCurrent();
    }
    active_ = doc;
}

void CZelApp::SetAppActive(bool active) { g_app.idleEnabled = active ? 1 : 0; }

void CZelApp::OnActivateApp(bool active) {
    if (!g_app.startupInProgress && g_app.mainFrame) SetAppActive(active);
}

void CZelApp::AutosaveDocument(CZelDoc& doc) { doc.Autosave(); }

// --- recent files -----------------------------------------------------------------------------

void CZelApp::LoadStdProfileSettings() {
    recent_.clear();
    for (int i = 1; i <= kRecentFiles; ++i) {
        char name[FileSpec::kPathSize] = {};
        const std::string value = "File" + std::to_string(i);
        if (LoadRegString(kRecentSection, value.c_str(), name, sizeof name) && name[0]) recent_.push_back(name);
    }
}

void CZelApp::SaveStdProfileSettings() const {
    for (int i = 1; i <= kRecentFiles; ++i) {
        const std::string value = "File" + std::to_string(i);
        SaveRegString(kRecentSection, value.c_str(), std::size_t(i) <= recent_.size() ? recent_[i - 1].c_str() : "");
    }
}

void CZelApp::AddToRecentFileList(const char* path) {
    if (!path || !*path) return;
    std::erase(recent_, std::string(path));
    recent_.insert(recent_.begin(), path);
    if (recent_.size() > std::size_t(kRecentFiles)) recent_.resize(kRecentFiles);
    // Kept at once, so that a program that ends without its shutdown still has the list.
    if (!g_app.startupInProgress) SaveStdProfileSettings();
}

void CZelApp::OpenRecentFile(unsigned id) {
    const std::size_t index = id - kFirstRecentCommand;
    if (id < kFirstRecentCommand || index >= recent_.size()) return;
    const std::string path = recent_[index];
    if (OpenDocumentFile(path.c_str())) return;
    // A file that is gone or damaged has been reported; it leaves the list.
    std::erase(recent_, path);
    SaveStdProfileSettings();
}

// --- closing ----------------------------------------------------------------------------------

bool CZelApp::SaveAllModified() {
    for (CZelDoc* doc : Documents())
        if (!doc->SaveModified()) return false;
    return true;
}

void CZelApp::OnFileClose() {
    if (!g_app.mainFrame || !g_app.mainFrame->Client().IsWindow()) return;
    if (CMDIChildWnd* wnd = CMDIChildWnd::MDIGetActive(&g_app.mainFrame->Client())) wnd->SendMessage(WM_CLOSE);
}

void CZelApp::OnAppExit() {
    if (m_pMainWnd && m_pMainWnd->IsWindow()) m_pMainWnd->PostMessage(WM_CLOSE);
}

// --- idle work --------------------------------------------------------------------------------

bool CZelApp::OnIdle(long count) {
    FreeClosed();
    const bool more = CWinApp::OnIdle(count);
    if (count < 0 || !g_app.idleEnabled) return more;
    if (g_app.mainFrame)
        if (CStatBar* status = g_app.mainFrame->GetStatusBar()) status->CheckMidiActivity();
    EngineHost::Idle();

    CZelDoc* doc = ActiveWindowDocument();
    if (doc != lastActive_ || doc != active_) {
        SetActiveDocument(doc);
        lastActive_ = doc;
        if (!g_app.redirects.empty() && g_app.midi) g_app.midi->SetRedirects({});
        g_app.redirects.clear();
    }
    if (doc && doc->GetScore()) {
        CScore* score = doc->GetScore();
        const int trackIndex = doc->location.trackIndex;
        const int voice = doc->location.voice;
        if (CTrack* track = score->GetTrack(trackIndex)) {
            g_app.currentDevice = std::int16_t(track->GetDevice());
            track->GetVoiceDefName(voice, g_model.currentVoiceName);
            // The thru target follows the current track.
            if (g_preferences.Byte(Preferences::kThruFollow) && trackIndex != g_app.lastThruTrack) {
                const std::int32_t patch = track->GetVoicePatch(voice);
                const int channel = track->GetVoiceChannel(voice);
                if (g_app.currentDevice != g_preferences.Word(Preferences::kThruDevice) ||
                    patch != g_preferences.Dword(Preferences::kThruPatch) ||
                    channel != g_preferences.Word(Preferences::kThruChannel)) {
                    g_preferences.SetWord(Preferences::kThruDevice, g_app.currentDevice);
                    g_preferences.SetDword(Preferences::kThruPatch, patch);
                    g_preferences.SetWord(Preferences::kThruChannel, std::int16_t(channel));
                    g_model.thruChangePending = true;
                }
            }
        }
        g_app.lastThruTrack = std::int16_t(trackIndex);

        // The redirect table: a track whose accepted input and redirect output are both set
        // plays that input on the redirect output; swapped whole into the layer when it changes.
        std::vector<RedirectEntry> redirects;
        for (int t = 0; t < score->GetTrackCount() && redirects.size() < 256; ++t) {
            CTrack* track = score->GetTrack(t);
            if (!track) continue;
            const auto input = rec::Get<std::int16_t>(track, CTrack::kInputPort);
            const auto redirect = rec::Get<std::int16_t>(track, CTrack::kRedirectPort);
            if (input == -1 || redirect == -1) continue;
            redirects.push_back({std::int16_t(track->GetDevice()), input, redirect});
        }
        if (redirects != g_app.redirects) {
            if (g_app.midi) g_app.midi->SetRedirects(redirects);
            g_app.redirects = std::move(redirects);
        }

        if (g_model.thruChangePending) {
            OnCommandRange(kThruCommand);
            g_model.thruChangePending = false;
        }
        doc->DoIdleWork();
        if (g_app.stepWnd && g_app.stepWnd->IsVisible()) g_app.stepWnd->IdleUpdate();
    }

    // Autosave: every "Save Minutes"; while playing the time moves on without a save.
    const auto now = std::uint32_t(GetTicks());
    const std::uint32_t interval = std::uint32_t(g_preferences.Byte(Preferences::kSaveMinutes)) * kTicksPerMinute;
    if (now >= g_app.lastAutosave + interval) {
        if (g_preferences.Byte(Preferences::kAutoSave) && !PlaybackRunning())
            for (const std::unique_ptr<CZelDoc>& d : documents_) AutosaveDocument(*d);
        g_app.lastAutosave = now;
    }
    return more;
}

int CZelApp::ServeRaiseRequests() { return lock_ ? lock_->ServePending() : 0; }

// --- shutdown ---------------------------------------------------------------------------------

int CZelApp::ExitInstance() {
    const bool started = g_app.startupInProgress == 0;
    // The bars and windows that follow the active document (the track window among them) let go
    // of it before the documents go.
    SetActiveDocument(nullptr);
    windows_.clear();
    documents_.clear();
    FreeClosed();
    active_ = lastActive_ = nullptr;
    if (started) {
        g_preferences.Save();
        SaveStdProfileSettings();
        PlugInTable::CloseAll();
        if (g_app.audioEngineOn) EngineHost::Shutdown();
    }
    DeleteSingletons();
    AppOps() = {};
    CSplashWnd::Close(true);
    lock_.reset();
    g_app.startupInProgress = 0;
    return 0;
}

void CZelApp::DeleteSingletons() {
    const bool started = g_app.startupInProgress == 0;
    if (g_app.tapeDeck && GetTransportState() != 0) g_app.tapeDeck->OnCommand(CTapeDeck::kStop);
    if (g_app.midi && GetTransportState() != 0) {
        g_app.midi->StopPlayback();
        SetTransportState(0);
    }
    if (g_app.transport) g_app.transport->SetTapeDeck(nullptr);
    delete g_app.tapeDeck;
    g_app.tapeDeck = nullptr;
    if (g_app.performer) {
        g_playbackHooks.playLock = nullptr;
        g_playbackHooks.trackPortChanged = nullptr;
        SetPerformer(nullptr);
        delete g_app.performer;
        g_app.performer = nullptr;
    }
    if (g_app.midi) {
        DestroyMidi(g_app.midi);
        g_app.midi = nullptr;
        Note("-CMidi");
    }
    delete[] g_app.scratch;
    g_app.scratch = nullptr;
    auto drop = [this](auto*& p, const char* name) {
        if (!p) return;
        delete p;
        p = nullptr;
        Note(name);
    };
    drop(g_app.marker, "-marker");
    drop(g_app.devices, "-CDevices");
    if (GetMidiOutPorts() == g_app.outPorts) SetMidiOutPorts(nullptr);
    drop(g_app.inPorts, "-CMidiInPorts");
    ChosenOutputPorts() = nullptr;
    drop(g_app.outPorts, "-CMidiOutPorts");
    drop(g_app.allotLib, "-CAllotLib");
    drop(g_platform.chordLib, "-CChordLib");
    if (g_app.drumLib) {
        g_app.drumLib = nullptr;
        Note("-CDrumLib");
    }
    ExpressionLibrary() = nullptr;
    drop(g_platform.exprLib, "-CExprLib");
    drop(g_model.instLib, "-CInstLib");
    drop(g_app.fontLib, "-CFontLib");
    drop(g_platform.guitarLib, "-CGuitarLib");
    drop(g_app.graphicHolder, "-CGraphicWndHolder");
    drop(g_app.noteSize, "-CNoteSize");
    drop(g_app.stepWnd, "-CStepWnd");
    drop(g_app.vstWnd, "-CVSTWnd");
    drop(g_app.chordWnd, "-CChordWnd");
    drop(g_app.lyricWnd, "-CLyricWnd");
    drop(g_app.trackWnd, "-CTrackWnd");
    drop(g_app.debugWnd, "-CDebugWnd");
    // The frame goes last, with its bars; its placement is kept only after a whole start.
    drop(g_app.transport, "-CTransport");
    drop(g_app.mainToolBar, "-CMainToolBar");
    drop(g_app.stdToolBar, "-CStdToolBar");
    if (CZelDesktop* frame = g_app.mainFrame) {
        if (started)
            frame->DestroyWindow();
        else
            frame->CFrameWnd::DestroyWindow();
        delete frame;
        g_app.mainFrame = nullptr;
        Note("-CZelDesktop");
    }
    m_pMainWnd = nullptr;
}

// --- language ---------------------------------------------------------------------------------

int CZelApp::GetLanguage() {
    static const char* const kLanguages[] = {"English", "Japanese", "German", "French", "Spanish", "Portuguese"};
    RegKeyRecord key;
    char name[64] = "English";
    if (!OpenRegKey(key, g_platform.programKeyPath, nullptr, KEY_READ, HKEY_LOCAL_MACHINE)) return 0;
    GetRegString(key, "Language", "English", name, sizeof name);
    for (int i = 0; i < 6; ++i) {
        const std::string_view want = kLanguages[i];
        const std::string_view have = name;
        if (want.size() != have.size()) continue;
        bool same = true;
        for (std::size_t c = 0; c < want.size() && same; ++c)
            same = std::tolower(static_cast<unsigned char>(want[c])) == std::tolower(static_cast<unsigned char>(have[c]));
        if (same) return i;
    }
    return 0;
}

int CZelApp::LanguageFontSize(int size) { return size + (GetLanguage() == 1 ? 2 : 0); }
