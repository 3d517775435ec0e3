// The application's command routing: palette, transport, library, option, window, VST and help
// commands and the File commands New, Open and Import; everything else goes to the active
// document. Also the update handlers of those ids and the first stage of key handling.
#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

#include "app/AboutDlg.h"
#include "app/AppGlobals.h"
#include "app/AppStandIns.h"
#include "app/MainFrame.h"
#include "app/MetroDlg.h"
#include "app/MidiPortsDlg.h"
#include "app/RecordDlg.h"
#include "app/Transport.h"
#include "app/ZelApp.h"
#include "chrome/MainToolBar.h"
#include "chrome/ToolBox.h"
#include "framework/Clock.h"
#include "framework/CodePage.h"
#include "framework/CmdUI.h"
#include "framework/File.h"
#include "framework/Help.h"
#include "framework/Paths.h"
#include "framework/StringTable.h"
#include "framework/Input.h"
#include "framework/Mdi.h"
#include "framework/Menu.h"
#include "framework/MessageBox.h"
#include "midi/InputQueue.h"
#include "midi/MidiLayer.h"
#include "model/ApplicationOps.h"
#include "model/DocumentStandIns.h"
#include "model/InstLib.h"
#include "model/MenuUI.h"
#include "model/ModelGlobals.h"
#include "model/Playback.h"
#include "model/PlaybackHooks.h"
#include "model/Preferences.h"
#include "model/TaskMakers.h"
#include "model/ZelDoc.h"
#include "platform/FileNames.h"
#include "platform/LibraryStandIns.h"
#include "platform/PlatformGlobals.h"
#include "platform/PortLayer.h"
#include "view/DebugWnd.h"

namespace {

// The preferences flags the Options toggles flip.
struct OptionFlag {
    unsigned id;
    int offset;
};
constexpr OptionFlag kOptionFlags[] = {{36100, Preferences::kBeam},          {36101, Preferences::kSpace},
                                       {36102, Preferences::kRests},         {36103, Preferences::kTranscribe},
                                       {36104, Preferences::kWrap},          {36105, Preferences::kCorrect},
                                       {36106, Preferences::kThruEnabled},   {36201, Preferences::kClickInRecord},
                                       {36202, Preferences::kClickInPlay},   {36203, Preferences::kClickInCountoff}};

// The palettes' blocks, a range each.
constexpr std::pair<unsigned, unsigned> kPaletteBlocks[] = {{1000, 1999}, {2000, 2499}, {2900, 2999}};

bool InRange(unsigned id, unsigned first, unsigned last) { return id >= first && id <= last; }

void FlipByte(int offset) { g_preferences.SetByte(offset, g_preferences.Byte(offset) ? 0 : 1); }

// A control bar shown or hidden by its toggle.
void ToggleBar(CControlBar* bar) {
    if (bar && g_app.mainFrame) g_app.mainFrame->ShowControlBar(bar, !bar->IsVisible());
}

// The library file tags and their libraries.
constexpr char kSpacingTag[] = "ZATL", kChordTag[] = "ZCSL", kDrumTag[] = "ZDML", kExpressionTag[] = "ZELL",
               kInstrumentTag[] = "ZLIL", kGuitarTag[] = "ZLGU", kFontMapTag[] = "FMAP";
enum : unsigned { kLibraryFilterString = 3501, kLibraryExtString = 3502, kNoRecentFilesString = 6612,
                  kNotALibraryAlert = 10008, kScoreFilterString = 3400, kImportFilterString = 3301 };
constexpr unsigned kRefreshCommand = 33012, kChordWindowHint = 4332;
constexpr const char* kHelpFile = "Zelmarin.html";

}  // namespace

void CZelApp::InstallCommands() {
    const auto route = [this](UINT id) { OnCommandRange(id); };
    for (auto [first, last] : std::initializer_list<std::pair<UINT, UINT>>{
             {32801, 32801}, {32810, 32815}, {800, 920},   {1000, 1999}, {2000, 2499}, {2900, 2999},
             {2500, 2560},   {36100, 36999}, {33306, 33309}, {37000, 37012}, {57670, 57671}, {57664, 57664}, {4400, 4400},
             {927, 927},     {4309, 4309},   {4316, 4316},   {4318, 4318},   {4336, 4336},   {4320, 4320}})
        AddCommandRange(first, last, route);
    AddCommand(57600, [this] { OnFileNew(); });
    AddCommand(57601, [this] { OnFileOpen(false); });
    AddCommand(32804, [this] { OnFileImport(); });
    AddCommand(57602, [this] { OnFileClose(); });
    AddCommand(57665, [this] { OnAppExit(); });
    AddCommandRange(kFirstRecentCommand, kLastRecentCommand, [this](UINT id) { OpenRecentFile(id); });

    for (UINT id : UpdatedIds()) fw::AddUpdateHandler(this, id, [](CCmdUI* ui) { UpdateOwnCommand(ui); });
}

std::vector<UINT> CZelApp::UpdatedIds() {
    std::vector<UINT> ids = {57600, 57601, 57602, 32804, 57665, 32801, 10013};
    for (auto [first, last] : std::initializer_list<std::pair<UINT, UINT>>{
             {32810, 32815}, {37000, 37012}, {36100, 36999}, {33306, 33309}, {800, 923}, {2800, 2803}, {2500, 2560},
             {kFirstRecentCommand, kLastRecentCommand}})
        for (UINT id = first; id <= last; ++id) ids.push_back(id);
    return ids;
}

// The application's commands whose window or dialog is not written yet (their least forms in
// app/AppStandIns.h show nothing): grey until it is. Named in the README's Limitations.
constexpr UINT kCommandsNotYetBuilt[] = {32812, 33306, 33307, 33308, 33309, 36402, 36404, 37002, 37003, 37005};

bool CZelApp::CommandNotYetBuilt(UINT id) {
    return std::find(std::begin(kCommandsNotYetBuilt), std::end(kCommandsNotYetBuilt), id) != std::end(kCommandsNotYetBuilt);
}

bool CZelApp::UpdateOwnCommand(CCmdUI* entry) {
    const bool handled = UpdateOwnCommandState(entry);
    if (handled && CommandNotYetBuilt(entry->m_nID)) entry->Enable(false);
    return handled;
}

bool CZelApp::UpdateOwnCommandState(CCmdUI* entry) {
    const UINT id = entry->m_nID;
    if (id == 57600 || id == 57601 || id == 32804 || id == 57665 || id == 32801 || InRange(id, 32810, 32815))
        OnUpdateFile(entry);
    else if (id == 57602)
        OnUpdateClose(entry);
    else if (InRange(id, kFirstRecentCommand, kLastRecentCommand))
        OnUpdateRecentFileMenu(entry);
    else if (InRange(id, 37000, 37012))
        OnUpdateWindows(entry);
    else if (InRange(id, 36100, 36999))
        OnUpdateOptions(entry);
    else if (InRange(id, 33306, 33309))
        OnUpdateVST(entry);
    else if (InRange(id, 800, 923) || id == 10013 || InRange(id, 2800, 2803) || InRange(id, 2500, 2560))
        OnUpdateNeedsDocument(entry);
    else
        return false;
    return true;
}

void CZelApp::RegisterApplicationOps() {
    ApplicationOps& ops = AppOps();
    ops.command = [](int id) {
        auto* app = dynamic_cast<CZelApp*>(AfxGetApp());
        if (app) app->OnCommandRange(unsigned(id));
        else RouteOwnCommand(unsigned(id), nullptr);
    };
    ops.handleKey = [](int ch, int scanCode) { return HandleKey(ch, scanCode); };
    ops.supportWindowKey = [](int ch, int scanCode) {
        if (g_app.stepWnd && g_app.stepWnd->IsVisible() && g_app.stepWnd->HandleKey(ch, scanCode)) return true;
        return g_app.chordWnd && g_app.chordWnd->IsVisible() && g_app.chordWnd->HandleKey(ch, scanCode);
    };
    ops.tempoTap = [] {
        if (g_app.midi) g_app.midi->TapTempo(fw::GetTickCount());
    };
    ops.selectTool = [](int tool) {
        if (g_app.mainToolBar) g_app.mainToolBar->SelectTool(tool);
    };
    ops.dataBoxNextField = [] {
        if (!MidiDataBox::shown) MidiDataBox::Show(true);
        DataBoxNextField();
    };
    ops.clearInputQueue = [] { TheInputQueue().Clear(); };
    ops.playingDocument = []() -> CZelDoc* {
        auto* app = dynamic_cast<CZelApp*>(AfxGetApp());
        CScore* played = g_playbackHooks.PlayedScore();
        if (!app || !played) return nullptr;
        for (CZelDoc* doc : app->Documents())
            if (doc->GetScore() == played) return doc;
        return nullptr;
    };
    ops.collectChord = [](std::uint8_t (*entries)[4]) { return TheInputQueue().CollectChord(entries); };
    ops.stepWindowExists = [] { return g_app.stepWnd && g_app.stepWnd->IsVisible(); };
}

void CZelApp::OnCommandRange(unsigned id) {
    CZelDoc* doc = GetActiveDocument();
    if (!RouteOwnCommand(id, doc) && doc) doc->OnCommandRange(int(id));
}

bool CZelApp::RouteOwnCommand(unsigned id, CZelDoc* doc) {
    for (const OptionFlag& f : kOptionFlags) {
        if (f.id != id) continue;
        FlipByte(f.offset);
        // Clicks in record and in the count-off exclude each other.
        if (id == 36201 && g_preferences.Byte(Preferences::kClickInRecord)) g_preferences.SetByte(Preferences::kClickInCountoff, 0);
        if (id == 36203 && g_preferences.Byte(Preferences::kClickInCountoff)) g_preferences.SetByte(Preferences::kClickInRecord, 0);
        return true;
    }
    switch (id) {
    case 927:
        for (CZelDoc* d : ::Documents()) d->OnCommandRange(int(kRefreshCommand));
        return true;
    case 4309:
        if (doc) doc->OnCommandRange(4309);
        return true;
    case 4316:
    case kThruCommand:
        if (doc)
            for (int target : {1, 4, 5}) doc->NotifyWindows(target, int(id));
        return true;
    case 4318:
    case 37012:
        if (g_app.mainToolBar) g_app.mainToolBar->OnToolCommand(int(id));
        return true;
    case 4320:
        // The main tool bar's tool change goes to the active document.
        if (doc) doc->OnCommandRange(int(id));
        return true;
    case kDebugWindowCommand:
        if (!g_app.debugWnd) return true;
        g_app.debugWnd->SetDocument(doc);
        if (g_app.debugWnd->IsShown()) g_app.debugWnd->HideBar();
        g_app.debugWnd->ShowBar();
        return true;
    case 32801: OnLoadLibrary(doc); return true;
    case 32810:
        if (g_app.allotLib) g_app.allotLib->Edit();
        return true;
    case 32811:
        if (g_platform.chordLib) g_platform.chordLib->Edit();
        return true;
    case 32812: return true;  // the drum library's dialog comes with the drum library
    case 32813:
        if (g_platform.exprLib) g_platform.exprLib->Edit();
        return true;
    case 32814:
        if (g_platform.guitarLib) g_platform.guitarLib->Edit();
        return true;
    case 32815:
        if (g_model.instLib) g_model.instLib->Edit();
        return true;
    case 33306: RunAudioSettingsDialog(); return true;
    case 33307:
        if (g_app.audioEngineOn) ShowVSTWindow();
        return true;
    case 33308: return true;  // recording the engine to a wave file comes with the engine
    case 33309: return true;  // the plug-in folder comes with the engine
    case 36107: g_app.holdDurations = g_app.holdDurations ? 0 : 1; return true;
    case 36204: RunMetronomeDialog(); return true;
    case 36400: RunRecordDialog(); return true;
    case 36401: RunPortsDialog(); return true;
    case 36402: RunInstrumentManagerDialog(); return true;
    case 36404:
        if (RunPreferencesSheet())
            for (CZelDoc* d : ::Documents()) {
                d->SetCurrentPage(d->location.pageIndex);
                d->LayoutAllPages(true);
                d->UpdateAllViews(nullptr, 32003, nullptr);
                d->InvalidatePanes();
            }
        g_app.lastAutosave = std::uint32_t(GetTicks());
        return true;
    case 36405:
        if (g_app.mainFrame) g_app.mainFrame->SaveBarState();
        return true;
    case 37000: ToggleBar(g_app.transport); return true;
    case 37001:
        if (g_app.trackWnd) g_app.trackWnd->Toggle();
        return true;
    case 37002:
        if (StyleBarOps().isShown && StyleBarOps().isShown() && StyleBarOps().show) StyleBarOps().show(false);
        if (doc && doc->textTask && doc->currentPane) doc->currentPane->CloseTextEditor();
        if (g_app.graphicHolder) g_app.graphicHolder->Toggle();
        return true;
    case 37003:
        if (g_app.lyricWnd && g_app.lyricWnd->IsVisible()) g_app.lyricWnd->Hide();
        if (g_app.chordWnd) g_app.chordWnd->Toggle();
        return true;
    case 37004:
        if (g_app.chordWnd && g_app.chordWnd->IsVisible()) g_app.chordWnd->Hide();
        if (g_app.lyricWnd) g_app.lyricWnd->Toggle();
        return true;
    case 37005:
        if (StyleBarOps().isShown && StyleBarOps().isShown() && StyleBarOps().show) StyleBarOps().show(false);
        if (g_app.stepWnd) g_app.stepWnd->Toggle();
        return true;
    case 37010: ToggleBar(g_app.mainToolBar); return true;
    case 37011: ToggleBar(g_app.stdToolBar); return true;
    case 57670: OnHelp(true); return true;
    case 57671: OnHelp(false); return true;
    case 57664: {
        CAboutDlg about;
        about.DoModal();
        return true;
    }
    default: break;
    }
    // The transport's block, then the palettes' blocks.
    if (InRange(id, 2500, 2599)) {
        g_playbackHooks.TransportCommand(int(id));
        return true;
    }
    for (const auto& [first, last] : kPaletteBlocks)
        if (InRange(id, first, last) && !InRange(id, 2500, 2599)) {
            // Without the main tool bar that made the palettes (the tools) the document takes
            // the id itself.
            CToolBox* palette = g_app.mainToolBar ? PaletteForCommand(int(id)) : nullptr;
            if (!palette) return false;
            palette->SelectCommand(int(id));
            return true;
        }
    return false;
}

bool CZelApp::HandleKey(int ch, int scanCode) {
    constexpr int kF1ScanCode = 59;
    if (g_app.chordWnd && g_app.chordWnd->IsVisible()) return g_app.chordWnd->HandleKey(ch, scanCode);
    if (g_app.transport && g_app.transport->IsVisible() && (ch == '[' || ch == ']')) {
        g_playbackHooks.TransportCommand(ch == '[' ? 2520 : 2530);
        return true;
    }
    if (scanCode == kF1ScanCode) return false;
    return g_app.mainToolBar && g_app.mainToolBar->HandleKey(ch);
}

void CZelApp::OnLoadLibrary(CZelDoc* doc) {
    // The dialog starts in the user's library folder, where the program writes libraries.
    FileSpec record;
    fw::CopyText(record.path, sizeof record.path, CLibrary::FolderPath());
    if (!FileSpec::AskOpen(record, 0, kLibraryFilterString, kLibraryExtString)) return;
    char tag[4] = {};
    CFile file;
    if (!file.Open(record.path, CFile::modeRead)) return;
    const UINT got = file.Read(tag, 4);
    file.Close();
    auto is = [&](const char* want) { return got == 4 && std::memcmp(tag, want, 4) == 0; };
    // Each kind's file record names the chosen file before its library loads it.
    PlatformGlobals::LibraryFiles& files = g_platform.libraryFiles;
    if (is(kSpacingTag) && g_app.allotLib) {
        files.spacing = record;
        if (g_app.allotLib->Load(record) && doc)
            if (const SpacingTable* first = g_app.allotLib->First()) doc->spacing = *first;
    } else if (is(kChordTag) && g_platform.chordLib) {
        files.chord = record;
        g_platform.chordLib->Load(record);
        if (DocumentHintTargets()[0]) DocumentHintTargets()[0](int(kChordWindowHint));
        if (doc) doc->OnCommandRange(int(kRefreshCommand));
    } else if (is(kDrumTag)) {
        // The drum library is loaded with the drum library's own reader when it is written.
        files.drum = record;
    } else if (is(kExpressionTag) && g_platform.exprLib) {
        files.expression = record;
        g_platform.exprLib->Load(record);
    } else if (is(kInstrumentTag) && g_model.instLib) {
        files.instrument = record;
        g_model.instLib->Load(record);
    } else if (is(kGuitarTag) && g_platform.guitarLib) {
        files.guitar = record;
        g_platform.guitarLib->Load(record);
        if (doc) doc->OnCommandRange(int(kRefreshCommand));
    } else if (!is(kFontMapTag)) {
        std::string text;
        fw::LoadStringResource(kNotALibraryAlert, text);
        AfxMessageBox(text.c_str(), MB_ICONEXCLAMATION);
    }
}

void CZelApp::OnFileOpen(bool import) {
    FileSpec record;
    const char* folder = g_preferences.Text(Preferences::kDefaultFolder);
    if (folder[0]) std::strncpy(record.path, folder, sizeof record.path - 1);
    if (!FileSpec::AskOpen(record, 0, import ? kImportFilterString : kScoreFilterString, 0)) return;
    OpenDocumentFile(record.path);
}

void CZelApp::OnFileImport() { OnFileOpen(true); }

void CZelApp::OnHelp(bool withContext) {
    DWORD context = 0;
    if (withContext) {
        POINT at;
        fw::GetCursorPos(&at);
        for (CWnd* w = CWnd::WindowFromPoint(at); w && !context; w = w->GetParent()) context = w->GetWindowContextHelpId();
    }
    const std::string path = fw::InstalledDataFolder() + "/" + kHelpFile;
    fw::ShowHelpFile(path, context ? std::to_string(context) : std::string());
}

// --- update handlers ----------------------------------------------------------------------------

void CZelApp::OnUpdateFile(CCmdUI* entry) {
    CMenuUI& ui = MenuUI();
    ui.Begin(entry, PlaybackRunning() ? 0 : 1);
}

void CZelApp::OnUpdateClose(CCmdUI* entry) {
    // A score window to close, and no playback that would lose its score under it.
    const bool window = g_app.mainFrame && g_app.mainFrame->Client().IsWindow() &&
                        CMDIChildWnd::MDIGetActive(&g_app.mainFrame->Client()) != nullptr;
    MenuUI().Begin(entry, window && !PlaybackRunning() ? 1 : 0);
}

void CZelApp::OnUpdateRecentFileMenu(CCmdUI* entry) {
    CMenuUI& ui = MenuUI();
    ui.Begin(entry, -1);
    CMenu* menu = entry->m_pMenu;
    // Only the first entry's update builds the list; the entries after it are its own.
    if (!menu || entry->m_nID != kFirstRecentCommand) return;
    for (UINT id = kFirstRecentCommand + 1; id <= kLastRecentCommand; ++id) menu->DeleteMenu(id, MF_BYCOMMAND);
    auto* app = dynamic_cast<CZelApp*>(AfxGetApp());
    const std::vector<std::string> none;
    const std::vector<std::string>& files = app ? app->RecentFiles() : none;
    if (files.empty()) {
        std::string text;
        fw::LoadStringResource(kNoRecentFilesString, text);
        entry->SetText(text.c_str());
        entry->Enable(false);
        return;
    }
    const bool playing = PlaybackRunning();
    const auto entryText = [](std::size_t i, const std::string& path) {
        // "&1 name": the file's name, its folder left out.
        const std::size_t slash = path.find_last_of('/');
        std::string text = "&" + std::to_string(i + 1) + " ";
        for (char c : slash == std::string::npos ? path : path.substr(slash + 1)) {
            if (c == '&') text += '&';
            text += c;
        }
        return text;
    };
    entry->SetText(entryText(0, files[0]).c_str());
    entry->Enable(!playing);
    for (std::size_t i = 1; i < files.size(); ++i)
        menu->InsertMenu(entry->m_nIndex + UINT(i), MF_BYPOSITION | MF_STRING | (playing ? MF_GRAYED : 0),
                         kFirstRecentCommand + UINT(i), entryText(i, files[i]).c_str());
    // The update pass goes on after the list.
    entry->m_nIndex += UINT(files.size() - 1);
}

void CZelApp::OnUpdateOptions(CCmdUI* entry) {
    CMenuUI& ui = MenuUI();
    ui.Begin(entry, 0);
    const bool playing = PlaybackRunning();
    for (unsigned id : {36100u, 36101u, 36105u, 36102u, 36103u, 36104u, 36106u, 36107u, 36201u, 36202u, 36203u})
        ui.EnableId(int(id));
    if (!playing)
        for (unsigned id : {36204u, 36400u, 36401u, 36402u, 36404u, 36405u}) ui.EnableId(int(id));
    for (const OptionFlag& f : kOptionFlags) ui.CheckId(int(f.id), g_preferences.Byte(f.offset) != 0);
    ui.CheckId(36107, g_app.holdDurations != 0);
}

void CZelApp::OnUpdateVST(CCmdUI* entry) {
    CMenuUI& ui = MenuUI();
    ui.Begin(entry, 0);
    const bool engine = g_app.audioEngineOn != 0;
    if (engine) ui.EnableId(33307);
    if (PlaybackRunning()) return;
    if (engine) ui.EnableId(33306);
    if (engine && !::Documents().empty()) ui.EnableId(33308);
    if (g_app.windowsNT5 == 1) ui.EnableId(33309);
}

void CZelApp::OnUpdateWindows(CCmdUI* entry) {
    CMenuUI& ui = MenuUI();
    ui.Begin(entry, 0);
    ui.EnableId(37012);
    if (!::Documents().empty()) {
        if (g_app.trackWnd) {
            ui.EnableId(37001);
            ui.CheckId(37001, g_app.trackWnd->IsVisible());
        }
        const std::pair<int, CSupportWnd*> windows[] = {{37002, g_app.graphicHolder},
                                                        {37003, g_app.chordWnd}, {37005, g_app.stepWnd}};
        for (const auto& [id, wnd] : windows) {
            if (!wnd) continue;
            ui.EnableId(id);
            ui.CheckId(id, wnd->IsVisible());
        }
        if (g_app.lyricWnd) {
            ui.EnableId(37004);
            ui.CheckId(37004, g_app.lyricWnd->IsVisible());
        }
    }
    const std::pair<int, CControlBar*> bars[] = {{37000, g_app.transport}, {37010, g_app.mainToolBar},
                                                 {37011, g_app.stdToolBar}};
    for (const auto& [id, bar] : bars) {
        // Enabled, so that a hidden bar can be shown again; checked while shown.
        if (bar) ui.EnableId(id);
        ui.CheckId(id, bar && bar->IsVisible());
    }
}

void CZelApp::OnUpdateNeedsDocument(CCmdUI* entry) {
    CMenuUI& ui = MenuUI();
    ui.Begin(entry, ::Documents().empty() ? 0 : 1);
}
