// The document's life cycle, title and modified flag, its share of the score's drawing state
// (overlays, dirty rectangles, the room for titles) and the enumeration of its views.
#include "model/ZelDoc.h"

#include "model/Bar.h"
#include "model/TextTask.h"

#include "framework/CmdUI.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "framework/App.h"
#include "framework/CodePage.h"
#include "framework/StringTable.h"
#include "framework/Window.h"
#include "model/EditTask.h"
#include "model/TaskMakers.h"
#include "model/Select.h"
#include "model/ApplicationOps.h"
#include "model/ModelGlobals.h"
#include "model/NewScore.h"
#include "model/PlaybackHooks.h"
#include "model/Page.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "platform/DrawGlobals.h"
#include "platform/Port.h"
#include "platform/PortLayer.h"

namespace {

constexpr UINT kUntitledString = 61440;
constexpr UINT kTitleStrings[] = {6615, 6616, 6617, 6618};
constexpr UINT kPageNumberString = 6619;
constexpr int kTitleSize = 24;
constexpr int kNoticeOffset = -360;  // the notice sits this far (twentieths of a point) up

std::vector<CZelDoc*>& documentList() {
    static std::vector<CZelDoc*> list;
    return list;
}
std::uint32_t g_nextSerial = 0;

void putTitleText(TitleBlock& block, UINT id) {
    std::string text;
    fw::LoadStringResource(id, text);
    fw::CopyText(block.lines[0].text, TitleLine::kTextSize, text);
}

}  // namespace

const std::vector<CZelDoc*>& Documents() { return documentList(); }

// --- creation and destruction ---------------------------------------------------------------

CZelDoc::CZelDoc() {
    documentList().push_back(this);
    InstallCommands();
    serial = ++g_nextSerial;
    GetCurrentSpacing(spacing);
    location.allVoices = 1;
    location.words[0] = 4;
    location.words[1] = 80;
    location.words[2] = 64;
    scoreSize = 100 - kDefaultStaffReduction;
    score = new CScore(this);
    engraver = g_preferences.Engraver();
    SetModified(false);
    ownPrinter = std::make_unique<PrinterSettings>();
    printer = ownPrinter.get();
    InitPageSetup(true);
    RecalcPageGeometry(false, false);
    selection = std::make_unique<CSelect>();
    selection->document = this;
    selection->score = score;

    InitTitleBlocks(titles);
    for (int b = 0; b < 4; ++b) putTitleText(titles[b], kTitleStrings[b]);
    titles[0].lines[0].font.size = kTitleSize;
    titles[0].lines[0].font.style = FontRef::kBold;
    putTitleText(titles[6], kPageNumberString);
    titles[3].yOffset = kNoticeOffset;
    titles[4].alignment = 0;
    titles[5].alignment = 2;

    InitMarkPlaybackTable(markPlayback);
    fontMap = FontMap{};
    fontMap.Init();
    FileSpec::GetProgramFolder(file);
    SetScoreSize(scoreSize);
}

CZelDoc::~CZelDoc() {
    fw::ForgetUpdateHandlers(this);
    ClearUndo();
    if (g_model.currentDoc == this) g_model.currentDoc = nullptr;
    // The current context and the last hit that point into this score go with it: the next
    // score built or read must not measure against a bar of this one.
    // (The current bar may belong to a score freed before: it is compared, never read.)
    bool ownsContext = score && g_model.currentScore == score;
    if (score && !ownsContext && g_model.currentBar)
        for (int i = 0, n = score->GetBarCount(); i < n && !ownsContext; ++i)
            ownsContext = score->GetBar(i) == g_model.currentBar;
    if (ownsContext) {
        g_model.currentScore = nullptr;
        g_model.currentPage = nullptr;
        g_model.currentLine = nullptr;
        g_model.currentBar = nullptr;
        g_model.currentStaff = nullptr;
        g_model.currentTrack = nullptr;
        g_model.currentTrkBar = nullptr;
        g_model.finderBar = nullptr;
        g_model.dragItem = nullptr;
        g_model.hitBar = nullptr;
        g_model.hitItem = nullptr;
        g_model.hitTrkBar = nullptr;
    }
    // What MakeCurrent pointed into this document goes with it.
    if (g_model.engraverSettings == &engraver) g_model.engraverSettings = nullptr;
    if (g_draw.fontMap == &fontMap) g_draw.fontMap = nullptr;
    auto& list = documentList();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    delete score;
    score = nullptr;
    selection.reset();
    printer = nullptr;
    ownPrinter.reset();
}

void CZelDoc::MakeCurrent() {
    g_model.currentDoc = this;
    g_model.currentScore = score;
    g_model.engraverSettings = &engraver;
    g_draw.fontMap = &fontMap;
}

void CZelDoc::ClearCurrent() {
    g_model.currentDoc = nullptr;
    g_model.currentScore = nullptr;
    g_model.currentPage = nullptr;
    g_model.engraverSettings = &g_preferences.Engraver();
}

void CZelDoc::OnCloseDocument() {
    MakeCurrent();
    if (textTask && currentPane) currentPane->CloseTextEditor();
    if (PlaybackRunning() && score && g_playbackHooks.PlayedScore() == score)
        g_playbackHooks.TransportCommand(kTransportStop);
    if (CWinApp* app = AfxGetApp()) app->ActivateDocument(nullptr);
    ClearCurrent();
    CDocument::OnCloseDocument();
}

void CZelDoc::DoIdleWork() {
    if (!view) return;
    if (g_model.repitch && RepitchFromInput()) return;
    if (g_model.currentDoc == this) return;
    MakeCurrent();
    if (location.page) location.page->MakeCurrent();
}

bool CZelDoc::RepitchFromInput() {
    const ApplicationOps& app = AppOps();
    if (!app.collectChord) return false;
    std::uint8_t entries[16][4] = {};
    const int n = app.collectChord(entries);
    if (n <= 0 || !selection || selection->GetItemCount() != 1 || selection->GetNoteCount() != 1) return false;
    CScoreTask* task = MakeTask("CNewPitchTask", *this);
    auto* walk = dynamic_cast<ChordPitchWalk*>(task);
    auto* cruise = dynamic_cast<CCruise*>(task);
    if (!walk || !cruise) {
        delete task;
        return false;
    }
    cruise->Attach(this, 0, n);
    walk->SetPitches(&entries[0][0], n);
    DoTask(task);
    // On to the next note, selected, for the next chord.
    for (CBaseItem* next = StepToItem(true, false, true); next; next = StepToItem(true, false, true))
        if (static_cast<CBarItem*>(next)->IsNote()) break;
    return true;
}

// --- title and modified flag ------------------------------------------------------------------

void CZelDoc::SetModified(bool modified) {
    if (modified == IsModified()) return;
    SetModifiedFlag(modified);
    SetTitle(GetPlainTitle().c_str());
}

void CZelDoc::SetTitle(const char* name) {
    if (!name) {
        std::string untitled;
        fw::LoadStringResource(kUntitledString, untitled);
        CDocument::SetTitle(untitled.c_str());
    } else {
        std::string title = name;
        if (!title.empty()) {
            const std::size_t dot = title.rfind('.');
            if (dot != std::string::npos) title.resize(dot);
        }
        CDocument::SetTitle(title.c_str());
    }
    if (view) view->TitleChanged();
}

std::string CZelDoc::GetPlainTitle() const {
    std::string title = GetTitle();
    if (!title.empty() && title.back() == '*') title.pop_back();
    return title;
}

// --- drawing state ------------------------------------------------------------------------------

void CZelDoc::AddDirtyRect(const RECT& rect, int page) {
    if (currentTask && redrawIntoTask)
        currentTask->AddDirtyRect(rect, page);
    else if (selection)
        selection->AddDirtyRect(rect, page);
}

bool CZelDoc::SaveBarForUndo(int track, int bar) {
    if (!currentTask) return true;
    return currentTask->SaveBar(bar) && currentTask->SaveTrackBar(track, bar);
}

void CZelDoc::DeselectAll() {
    if (selection) selection->ClearAll();
    NotifyWindows(1, kHintSelectionCleared);
}

void CZelDoc::SetDisplayFlag(int value, int kind) {
    // Kinds 0, 5, 1, 2, 4 address the overlays in their stored order.
    static const int kSlotOfKind[7] = {0, 2, 3, -1, 4, 1, -1};
    const auto v = std::uint8_t(value);
    if (kind == 6)
        std::fill(std::begin(location.overlays), std::end(location.overlays), v);
    else if (kind >= 0 && kind < 7 && kSlotOfKind[kind] >= 0)
        location.overlays[kSlotOfKind[kind]] = v;
    if (!view || !score) return;
    for (int p = 0; p < score->GetPageCount(); ++p)
        if (CPagePaneBase* pane = GetPagePane(p)) pane->Invalidate();
}

int CZelDoc::GetPageTopSpace(int page) const {
    constexpr int kTitleRoom = 2160, kPlainRoom = 1440;
    if (page == 0) return kTitleRoom;
    for (int b = 1; b < TitleBlock::kBlocks; ++b)
        if (titles[b].allPages != 0) return kTitleRoom;
    return kPlainRoom;
}

// --- services of the score ----------------------------------------------------------------------

bool CZelDoc::GetSelectedBarRange(int* first, int* last) const {
    if (!selection || selection->IsEmpty()) return false;
    *first = selection->lower[3];
    *last = selection->upper[3];
    return true;
}

void CZelDoc::RecalcAfterEdit() {
    CTrkBar* keep = g_model.currentTrkBar;
    if (score) score->RecalcBars(false);
    if (currentTask) currentTask->SetLayoutChanged();
    g_model.currentTrkBar = keep;
    if (keep) keep->SetCurrent();
}

bool CZelDoc::GetTrackName(int track, char* buffer) {
    CTrack* t = score ? score->GetTrack(track) : nullptr;
    if (!t) return false;
    t->GetName(buffer, false);
    return true;
}

bool CZelDoc::ApplyNewScoreSettings(const NewScoreSettings& settings) {
    // The score is built over the main window's client area (a screen context without one).
    // It is popped on every way out.
    struct ClientPort {
        CClientDC dc{AfxGetMainWnd()};
        ClientPort() { PushPort(&dc); }
        ~ClientPort() { PopPort(); }
    } port;
    SetTitle(nullptr);
    if (settings.jazzFont && g_draw.jazzFace != FontRef::kNoFace) fontMap.musicFace = g_draw.jazzFace;
    SetZoom(zoom, false);
    if (!score || !BuildNewScore(*score, settings, this)) return false;
    if (settings.jazzFont) ApplyJazzFont();
    SetCurrentBar(0, true);
    if (CWinApp* app = AfxGetApp()) app->ActivateDocument(this);
    return true;
}

// --- views ----------------------------------------------------------------------------------------

// Positions count through the base's views (1..n), the piano-roll panes (n+1..n+m), then the
// track view; the state lives in the position itself, so two enumerations never disturb each
// other.
POSITION CZelDoc::GetFirstViewPosition() const {
    if (!view) return 0;
    return views_.empty() && pianoRollPanes.empty() && !trackView ? 0 : 1;
}

CView* CZelDoc::GetNextView(POSITION& pos) const {
    const POSITION base = POSITION(views_.size());
    const POSITION panes = base + POSITION(pianoRollPanes.size());
    const POSITION all = panes + (trackView ? 1 : 0);
    if (pos <= 0 || pos > all) {
        pos = 0;
        return nullptr;
    }
    CView* v = pos <= base    ? views_[std::size_t(pos - 1)]
               : pos <= panes ? pianoRollPanes[std::size_t(pos - base - 1)]
                              : trackView;
    pos = pos < all ? pos + 1 : 0;
    return v;
}
