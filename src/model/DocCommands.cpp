// The document's command dispatch: every command that acts on one score, from the menus, the
// palettes, the page panes, the track view and the transport bar, and the update handlers that
// grey, check and name the File, Edit, Score and Measure entries.
#include <algorithm>
#include <cstring>

#include "framework/App.h"
#include "framework/Clipboard.h"
#include "framework/CmdUI.h"
#include "framework/Cursor.h"
#include "framework/StringTable.h"
#include "framework/View.h"
#include "model/ApplicationOps.h"
#include "model/DocumentStandIns.h"
#include "model/TextTask.h"
#include "model/EditTask.h"
#include "model/MenuUI.h"
#include "model/ModelGlobals.h"
#include "model/Preferences.h"
#include "model/Record.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/Bar.h"
#include "model/TaskMakers.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "platform/PortLayer.h"

namespace {

enum : unsigned {
    kIfSelected = 1,     // nothing is made unless the selection holds an item
    kReselectOff = 2,    // the walk's reselect flag cleared after attach
    kLayoutChanged = 4,  // the operation changes the layout
    kWaitCursor = 8,     // the animated wait cursor runs until the operation is done
};

// How a row's argument is found.
enum ArgKind { kArgConst, kArgId, kArgIdMinus, kArgButton, kArgButtonPlus32, kArgDrumEntry };

struct TaskRow {
    int first, last;
    const char* className;
    int commandId;  // 0 and above as given; -1 the id itself
    ArgKind argKind;
    int argValue;  // the constant, or what is subtracted from the id
    unsigned flags;
};

constexpr int kSelf = -1;

// Palette, internal and menu ids that make one operation.
const TaskRow kTaskRows[] = {
    {926, 926, "CImprovTask", 926, kArgConst, 0, 0},
    {1000, 1008, "CDurationTask", 4903, kArgIdMinus, 1000, kReselectOff},
    {1020, 1020, "CGraceTask", kSelf, kArgConst, 0, 0},
    {35709, 35709, "CGraceTask", kSelf, kArgConst, 0, 0},
    {1022, 1024, "CAddAcciTask", kSelf, kArgIdMinus, 1021, 0},
    {1530, 1533, "CNudgeTask", kSelf, kArgId, 0, kReselectOff},
    {2300, 2308, "CBarlineTask", 0, kArgId, 0, 0},
    {33224, 33224, "CBarlineTask", 0, kArgId, 0, 0},
    {2900, 2907, "CDrumTask", kSelf, kArgId, 0, 0},
    {4000, 4000, "CAddAcciTask", 4000, kArgButton, 0, 0},
    {4004, 4004, "CAddDotTask", 4004, kArgConst, 0, 0},
    {4007, 4007, "CAddMarkTask", 4007, kArgButton, 0, kIfSelected | kReselectOff},
    {4101, 4101, "CAddBarreTask", 4101, kArgConst, -1, 0},
    {4102, 4102, "CEditPlaybackTask", kSelf, kArgConst, 0, 0},
    {4111, 4111, "CEditPlaybackTask", kSelf, kArgConst, 0, 0},
    {4116, 4117, "CEditPlaybackTask", kSelf, kArgConst, 0, 0},
    {4103, 4103, "CEditDynamicTask", kSelf, kArgConst, 0, 0},
    {4104, 4104, "CEndingTask", kSelf, kArgConst, 0, 0},
    {4105, 4105, "CEditExprTask", kSelf, kArgConst, 0, 0},
    {4106, 4106, "CHarpTask", kSelf, kArgConst, 0, 0},
    {4110, 4110, "CRepeatTask", kSelf, kArgConst, 0, 0},
    {4114, 4114, "CEditGuitarFrameTask", kSelf, kArgConst, 0, 0},
    {4115, 4115, "CEditCrescTask", kSelf, kArgConst, 0, 0},
    {4118, 4118, "CEditEnclosureTask", kSelf, kArgConst, 0, 0},
    {4130, 4130, "CEditGlissTask", kSelf, kArgConst, 0, 0},
    {4200, 4200, "CAddAcciTask", 4200, kArgConst, -1, 0},
    {4201, 4201, "CEraseBarTask", kSelf, kArgConst, 0, 0},
    {4203, 4203, "CEraseBarTask", kSelf, kArgConst, 0, 0},
    {4202, 4202, "CEraseBracketTask", kSelf, kArgConst, 0, 0},
    {4205, 4205, "CErasePageTextTask", kSelf, kArgConst, 0, 0},
    {4206, 4206, "CTrackTask", kSelf, kArgId, 0, kWaitCursor | kLayoutChanged},
    {4312, 4312, "CTrackTask", kSelf, kArgId, 0, kWaitCursor | kLayoutChanged},
    {4300, 4300, "CBreakLineTask", 4300, kArgConst, 0, 0},
    {35803, 35803, "CCapoTask", kSelf, kArgId, 0, 0},
    {4310, 4311, "CAddPedalTask", kSelf, kArgIdMinus, 4310, kIfSelected},
    {4313, 4313, "CPctTask", kSelf, kArgConst, 0, 0},
    {4334, 4334, "CPctTask", kSelf, kArgConst, 1, 0},
    {4322, 4324, "CAddGroupTask", kSelf, kArgIdMinus, 4322, 0},
    {4801, 4803, "CPenTask", kSelf, kArgId, 0, kIfSelected | kReselectOff},
    {4810, 4821, "CPenTask", kSelf, kArgId, 0, kIfSelected | kReselectOff},
    {4830, 4835, "CPenTask", kSelf, kArgId, 0, kIfSelected | kReselectOff},
    {4903, 4903, "CHeadTask", kSelf, kArgButton, 0, kIfSelected | kReselectOff},
    {4904, 4904, "CHeadTask", kSelf, kArgButtonPlus32, 0, kIfSelected | kReselectOff},
    {51000, 51001, "CAddDrumExprTask", kSelf, kArgDrumEntry, 0, 0},
    {51002, 51002, "CChangeDrumPitchTask", 51002, kArgDrumEntry, 0, 0},
    // The Edit menu's operations.
    {4207, 4207, "CEraseTask", 4207, kArgConst, 0, 0},
    {57632, 57632, "CDeleteTask", 57632, kArgId, 0, 0},
    {57637, 57637, "CPasteTask", 57637, kArgConst, 0, 0},
    {32870, 32870, "CPasteTask", 32870, kArgConst, 1, 0},
    {57639, 57639, "CPasteTask", 57639, kArgConst, 2, 0},
    {32871, 32871, "CVisibleTask", kSelf, kArgConst, 0, 0},
    {32872, 32872, "CVisibleTask", kSelf, kArgConst, 1, 0},
    {32873, 32873, "CColorTask", 32873, kArgId, 0, 0},
    {32875, 32875, "CModifyCtrlTask", 32875, kArgId, 0, 0},
    {32876, 32876, "CMuteTask", kSelf, kArgConst, 1, 0},
    {32877, 32877, "CMuteTask", kSelf, kArgConst, 0, 0},
    {32878, 32878, "COffsetTimeTask", 32878, kArgId, 0, 0},
    // The Score menu's.
    {33000, 33000, "CAddPageTask", 33000, kArgConst, 1, kLayoutChanged},
    {33001, 33001, "CAddPageTask", 33001, kArgConst, 0, kLayoutChanged},
    {33002, 33002, "CPageLayoutTask", 33002, kArgConst, 0, 0},
    {33003, 33003, "CPageSizeTask", 33003, kArgConst, 0, 0},
    {33004, 33004, "CWrapLineTask", 33004, kArgConst, 1, 0},
    {33005, 33005, "CWrapLineTask", 33005, kArgConst, 0, 0},
    {33006, 33006, "COptimizeTask", 33006, kArgConst, 0, 0},
    {33007, 33008, "CTrackTask", kSelf, kArgId, 0, kWaitCursor | kLayoutChanged},
    {33009, 33009, "CSetupTrackTask", 33009, kArgConst, 0, 0},
    {33010, 33010, "CRespaceTask", 33010, kArgConst, 0, 0},
    {33011, 33011, "CRecalcLayoutTask", 33011, kArgConst, 0, 0},
    {33013, 33013, "CAllotmentTask", 33013, kArgConst, 0, 0},
    {33014, 33014, "CArticulationsTask", 33014, kArgConst, 0, 0},
    {33015, 33015, "CEngraverTask", 33015, kArgConst, 0, 0},
    {33018, 33018, "CTimeCodeTask", 33018, kArgConst, 0, 0},
    // The Measure menu's and their pop-up and edit ids.
    {34000, 34001, "CAddBarTask", kSelf, kArgId, 0, kLayoutChanged},
    {33225, 33225, "CAddBarTask", kSelf, kArgId, 0, kLayoutChanged},
    {33227, 33227, "CAddBarTask", kSelf, kArgId, 0, kLayoutChanged},
    {33463, 33463, "CAddBarTask", kSelf, kArgId, 0, kLayoutChanged},
    {34002, 34002, "CWrapBarTask", kSelf, kArgConst, 1, kLayoutChanged},
    {34003, 34003, "CWrapBarTask", kSelf, kArgConst, 0, kLayoutChanged},
    {34004, 34004, "CSplitSystemTask", 34004, kArgConst, 0, 0},
    {34005, 34005, "CKeySigTask", 34005, kArgConst, 1, kLayoutChanged},
    {34006, 34006, "CAddMeterTask", 34006, kArgConst, 0, kLayoutChanged},
    {34007, 34007, "CAddTempoTask", 34007, kArgConst, 0, 0},
    {34008, 34008, "CJumperTask", kSelf, kArgId, 0, 0},
    {4107, 4107, "CJumperTask", kSelf, kArgId, 0, 0},
    {34009, 34009, "CBarNumTask", kSelf, kArgId, 0, 0},
    {4100, 4100, "CBarNumTask", kSelf, kArgId, 0, 0},
    {34010, 34010, "CRebarTask", 34010, kArgConst, 0, 0},
    {34011, 34011, "CMultiBarTask", kSelf, kArgId, 0, 0},
    {4108, 4108, "CMultiBarTask", kSelf, kArgId, 0, 0},
    {34012, 34012, "CFillRestTask", 34012, kArgConst, 0, 0},
    {34013, 34013, "CJustifyTask", 34013, kArgConst, 0, 0},
    // The Note menu's.
    {35100, 35102, "CDeleteTask", kSelf, kArgId, 0, 0},
    {35010, 35025, "CIntervalTask", kSelf, kArgId, 0, kReselectOff},
    {35200, 35203, "CAddBeamTask", kSelf, kArgId, 0, 0},
    {35210, 35213, "CAddBeamTask", kSelf, kArgId, 0, 0},
    {4120, 4127, "CGroupBeamTask", 35201, kArgIdMinus, 4119, 0},
    {35300, 35300, "CAddTieTask", kSelf, kArgConst, 0, kIfSelected},
    {4006, 4006, "CAddTieTask", kSelf, kArgConst, 1, kIfSelected},
    {4908, 4908, "CDurationTask", kSelf, kArgConst, -2, 0},
    {4909, 4909, "CDurationTask", kSelf, kArgConst, -1, 0},
    {35304, 35304, "CGlissTask", kSelf, kArgConst, 0, kIfSelected},
    {35305, 35305, "CGlissTask", kSelf, kArgConst, 1, kIfSelected},
    {35400, 35400, "CFlipTask", kSelf, kArgId, 0, kReselectOff},
    {35404, 35404, "CFlipTask", kSelf, kArgId, 0, kReselectOff},
    {35500, 35501, "CFlipTask", kSelf, kArgId, 0, kReselectOff},
    {35401, 35403, "CEnharmonicTask", kSelf, kArgId, 0, kReselectOff},
    {35600, 35600, "CNewStaffTask", kSelf, kArgConst, 0, 0},
    {35601, 35601, "CNewStaffTask", kSelf, kArgConst, 1, 0},
    {35000, 35000, "CTransposeTask", 35000, kArgConst, 35000, kLayoutChanged},
    {4912, 4913, "CTransposeTask", 35000, kArgId, 0, kLayoutChanged},
    {35001, 35001, "CModifyTask", 35001, kArgConst, 0, 0},
    {35002, 35002, "CHumanizeTask", 0, kArgConst, 35002, 0},
    {35003, 35003, "CQuantizeTask", 35003, kArgConst, 0, 0},
    {35301, 35301, "CAddSlurTask", kSelf, kArgConst, 0, kIfSelected},
    {4005, 4005, "CAddSlurTask", kSelf, kArgConst, 1, kIfSelected},
    {35302, 35302, "CAddOttavaTask", kSelf, kArgId, 0, kIfSelected},
    {4325, 4326, "CAddOttavaTask", kSelf, kArgId, 0, kIfSelected},
    {4109, 4109, "CAddOttavaTask", kSelf, kArgId, 0, 0},
    {35303, 35303, "CAddTupletTask", kSelf, kArgConst, 1, kIfSelected},
    {1106, 1106, "CAddTupletTask", kSelf, kArgConst, 0, kIfSelected},
    {35503, 35503, "CStemTask", kSelf, kArgId, 0, kReselectOff},
    {35505, 35507, "CStemTask", kSelf, kArgId, 0, kReselectOff},
    {35602, 35602, "CMoveTrackTask", kSelf, kArgConst, -1, kReselectOff},
    {35603, 35603, "CMoveTrackTask", kSelf, kArgConst, 1, kReselectOff},
    {35700, 35708, "CNotateAsTask", kSelf, kArgId, 0, 0},
    {35800, 35800, "CNotateTask", 35800, kArgConst, 0, kReselectOff},
    {35801, 35801, "CNoteToRawTask", 35801, kArgConst, 0, kReselectOff},
    {35802, 35802, "CTablatureTask", 35802, kArgConst, 0, 0},
    {35803, 35803, "CCapoTask", 35803, kArgConst, 0, 0},
    {35900, 35907, "CVoiceTask", kSelf, kArgIdMinus, 35900, 0},
    {35910, 35918, "CPlayVoiceTask", kSelf, kArgIdMinus, 35910, kIfSelected},
};

const TaskRow* FindRow(int id) {
    for (const TaskRow& r : kTaskRows)
        if (id >= r.first && id <= r.last) return &r;
    return nullptr;
}

int Button() { return ChosenPaletteButton() ? ChosenPaletteButton()() : 0; }

// The style bar is shown (and can be hidden) only through what start-up put in.
bool StyleBarShown() {
    const StyleBarOperations& bar = StyleBarOps();
    return bar.isShown && bar.show && bar.isShown();
}

bool InRanges(int id, std::initializer_list<std::pair<int, int>> ranges) {
    for (const auto& [a, b] : ranges)
        if (id >= a && id <= b) return true;
    return false;
}

constexpr int kNotifyChanged = 4330;

}  // namespace

// --- making and running one operation -----------------------------------------------------------

bool CommandBuilt(int id) {
    const TaskRow* row = FindRow(id);
    return !row || !OperationNotYetBuilt(row->className);
}

std::vector<CommandRow> CommandRows() {
    std::vector<CommandRow> rows;
    for (const TaskRow& r : kTaskRows) rows.push_back({r.first, r.last, r.className, r.commandId});
    return rows;
}

bool CZelDoc::RunTaskRow(int id) {
    const TaskRow* row = FindRow(id);
    if (!row) return false;
    if ((row->flags & kIfSelected) && (!selection || selection->GetItemCount() <= 0)) return true;
    CScoreTask* task = MakeTask(row->className, *this);
    if (!task) return true;  // its operation is not in the program yet
    const int command = row->commandId == kSelf ? id : row->commandId;
    int arg = 0;
    switch (row->argKind) {
    case kArgConst: arg = row->argValue; break;
    case kArgId: arg = id; break;
    case kArgIdMinus: arg = id - row->argValue; break;
    case kArgButton: arg = Button(); break;
    case kArgButtonPlus32: arg = Button() + 32; break;
    case kArgDrumEntry: arg = location.drumEntry; break;
    }
    if (auto* cruise = dynamic_cast<CCruise*>(task)) {
        cruise->Attach(this, command, arg);
        if (row->flags & kReselectOff) cruise->SetReselect(false);
    } else {
        task->Attach(this, command);
    }
    if (row->flags & kLayoutChanged) task->SetLayoutChanged(true);
    if (row->flags & kWaitCursor) StartWaitCursor(true);
    DoTask(task);
    // An operation whose dialog was cancelled leaves DoTask without stopping the cursor.
    if (row->flags & kWaitCursor) StartWaitCursor(false);
    return true;
}

// --- the one entry ------------------------------------------------------------------------------

void CZelDoc::InstallCommands() {
    // The document's message map: the ranges whose commands it takes from the menus.
    static const std::pair<UINT, UINT> kRanges[] = {
        {32800, 32800}, {32802, 32803}, {57606, 57607}, {57632, 57632}, {57634, 57635}, {57637, 57637},
        {57639, 57639}, {57642, 57644}, {32870, 32878}, {32900, 32917}, {33000, 33019}, {34000, 34013},
        {35000, 35918}, {36000, 36020}, {36300, 36304}, {33403, 33403}, {4327, 4328}, {165, 166},
        {38000, 38012}, {4906, 4906}, {4302, 4306}, {2700, 2708}, {33362, 33365},
        // The erases that the page panes' pop-ups send to the main frame after a hit.
        {4201, 4203}, {4205, 4205}, {4207, 4207}};
    for (const auto& [first, last] : kRanges) AddCommandRange(first, last, [this](UINT id) { OnCommandRange(int(id)); });
    // An entry whose operation is not in the program yet stays grey whatever its handler says.
    const auto add = [this](int first, int last, void (CZelDoc::*handler)(CCmdUI*)) {
        for (int id = first; id <= last; ++id)
            fw::AddUpdateHandler(this, UINT(id), [this, handler](CCmdUI* ui) {
                (this->*handler)(ui);
                // The voices choose the current voice while nothing is selected.
                const int command = int(ui->m_nID);
                const bool choosesVoice =
                    command >= 35900 && command <= 35907 && (!selection || selection->GetItemCount() <= 0);
                if (!CommandBuilt(command) && !choosesVoice) ui->Enable(false);
            });
    };
    add(57603, 57604, &CZelDoc::OnUpdateFileMenu);
    add(32800, 32800, &CZelDoc::OnUpdateFileMenu);
    add(32802, 32803, &CZelDoc::OnUpdateFileMenu);
    add(57606, 57607, &CZelDoc::OnUpdateFileMenu);
    add(57643, 57644, &CZelDoc::OnUpdateEditMenu);
    add(57637, 57637, &CZelDoc::OnUpdateEditMenu);
    add(57639, 57639, &CZelDoc::OnUpdateEditMenu);
    add(57642, 57642, &CZelDoc::OnUpdateEditMenu);
    add(32900, 32917, &CZelDoc::OnUpdateEditMenu);
    add(57634, 57635, &CZelDoc::OnUpdateEditMenu);
    add(57632, 57632, &CZelDoc::OnUpdateEditMenu);
    add(32870, 32878, &CZelDoc::OnUpdateEditMenu);
    add(33000, 33019, &CZelDoc::OnUpdateScoreMenu);
    add(34000, 34013, &CZelDoc::OnUpdateMeasureMenu);
    add(35000, 35918, &CZelDoc::OnUpdateNoteMenu);
    add(36000, 36020, &CZelDoc::OnUpdateOptionsMenu);
    add(36300, 36304, &CZelDoc::OnUpdateOptionsMenu);
    add(33403, 33403, &CZelDoc::OnUpdateOptionsMenu);
    // Save and Save As reach the document's own saves.
    AddCommand(57603, [this] { OnFileSave(); });
    AddCommand(57604, [this] { OnFileSaveAs(); });
}

void CZelDoc::OnCommandRange(int id) {
    if (AppOps().commandObserver) AppOps().commandObserver(id);
    if (!PlaybackRunning()) HideInsertCursor();
    if (textTask) {
        if (InRanges(id, {{2700, 2708}, {57632, 57632}, {57634, 57635}, {57637, 57637}, {57643, 57644}})) {
            textTask->OnCommand(id);
            return;
        }
        if (currentPane) currentPane->CloseTextEditor();
        textTask = nullptr;
    }
    if (InRanges(id, {{32800, 32800}, {32802, 32803}, {57606, 57607}})) return OnFileCommand(id);
    if (InRanges(id, {{4207, 4207}, {32870, 32878}, {32900, 32917}, {57632, 57632}, {57634, 57635}, {57637, 57637},
                      {57639, 57639}, {57642, 57644}}))
        return OnEditCommand(id);
    if (InRanges(id, {{33000, 33019}})) return OnScoreCommand(id);
    if (InRanges(id, {{4100, 4100}, {4107, 4108}, {33225, 33225}, {33227, 33227}, {33463, 33463}, {34000, 34013}}))
        return OnMeasureCommand(id);
    if (InRanges(id, {{33310, 33310}, {33312, 33312}, {38000, 38013}})) {
        OnViewCommand(id);
        return;
    }
    if (IsNoteCommand(id)) return OnNoteCommand(id);
    if (InRanges(id, {{33403, 33403}, {36001, 36018}, {36020, 36020}, {36301, 36304}})) return OnOptionsCommand(id);
    switch (id) {
    case 165:
        SetCurrentPage(0);
        ShowInsertionPoint(0, false);
        return;
    case 166:
        if (score && score->GetPageCount() > 0) {
            SetCurrentPage(score->GetPageCount() - 1);
            ShowInsertionPoint(score->GetBarCount() - 1, false);
        }
        return;
    case 2505:
        location.position = 0;
        location.time = 0;
        ShowInsertionPoint(0, false);
        return;
    case 2500:
    case 2502:
    case 2504:
    case 2501:
        // Record, play and play from start, stop: the playing document shows its insertion point
        // again; a start also switches this document's playback cursor on.
        if (GetTransportState() != 0)
            if (CZelDoc* playing = AppOps().playingDocument ? AppOps().playingDocument() : nullptr)
                playing->RefreshInsertionDisplay();
        if (id == 2501) return;
        if (currentPane) currentPane->SetPlaybackCursorEnabled(true);
        NotifyWindows(1, 4307);
        return;
    case 4307:
    case 4315:
        if (id == 4315 && currentPane) currentPane->CursorOff();
        location.item = nullptr;
        secondLocation.item = nullptr;
        if (currentPane) HideInsertCursor();
        NotifyWindows(1, id);
        return;
    case 4309: ApplyThruSettings(); return;
    case 4320: OnToolChanged(); return;
    case 4337: FollowThruSettings(); return;
    case 4319:
        LayoutViewPanes();
        NotifyWindows(1, 4319);
        return;
    case 4321:
        NotifyWindows(4, 4321);
        NotifyWindows(1, 4321);
        if (score) score->UpdateMuteSolo();
        SetModifiedFlag(true);
        return;
    case 4327:
    case 4328:
        SetCurrentPage(location.pageIndex + (id == 4327 ? 1 : -1));
        return;
    case 4330:
    case 4332: NotifyWindows(1, id); return;
    case 33362:
    case 33363: StepToItem(id == 33363, false, true); return;
    case 33364:
    case 33365: StepToItem(id == 33365, true, true); return;
    default: break;
    }
    if (RunTaskRow(id)) return;
    // No branch: only the arrow cursor comes back.
    fw::SetCursor(IDC_ARROW);
}

// --- the current tool changed -------------------------------------------------------------------

void CZelDoc::OnToolChanged() {
    if (!currentPane) return;
    constexpr int kTextTool = 913, kLyricsButton = 4;
    const StyleBarOperations& bar = StyleBarOps();
    if (CurrentToolId() && CurrentToolId()() == kTextTool) {
        const int button = Button();
        if (bar.setLyricMode) bar.setLyricMode(button == kLyricsButton);
        SetDisplayFlag(button == kLyricsButton ? 1 : 0, 5);
        if (MidiDataBox::shown) MidiDataBox::Show(false);
        if (bar.show) bar.show(true);
        if (button >= 0 && button <= 4 && bar.showFont) bar.showFont(g_preferences.Font(button));
    } else if (StyleBarShown()) {
        bar.show(false);
    }
}

// --- the MIDI thru settings ---------------------------------------------------------------------

void CZelDoc::ApplyThruSettings() {
    // Every voice the score shows of the current track takes the thru port, channel and patch.
    CTrack* track = score ? score->GetTrack(location.trackIndex) : nullptr;
    if (!track) return;
    const Preferences& prefs = g_preferences;
    const auto port = std::uint16_t(prefs.Word(Preferences::kThruDevice));
    const int channel = prefs.Word(Preferences::kThruChannel);
    const std::int32_t patch = prefs.Dword(Preferences::kThruPatch);
    bool changed = false;
    for (int v = 0; v < CTrack::kVoices; ++v) {
        if (!score->IsVoiceShown(v)) continue;
        std::uint8_t* slot = track->Slot(v);
        if (rec::Get<std::uint16_t>(slot, CTrack::kSlotPort) != port) {
            rec::Put(slot, CTrack::kSlotPort, port);
            changed = true;
        }
        if (track->GetVoiceChannel(v) != channel) {
            track->SetVoiceChannel(v, channel);
            changed = true;
        }
        if (track->GetVoicePatch(v) != patch) {
            track->SetVoicePatch(v, patch, false);
            changed = true;
        }
    }
    if (changed) g_model.thruChangePending = true;
}

void CZelDoc::FollowThruSettings() {
    // With "Follow" on, the thru settings become the current track's and voice's.
    Preferences& prefs = g_preferences;
    if (!prefs.Byte(Preferences::kThruFollow)) return;
    CTrack* track = score ? score->GetTrack(location.trackIndex) : nullptr;
    if (!track) return;
    const int voice = std::max(0, int(location.voice));
    const int port = track->GetDevice(), channel = track->GetVoiceChannel(voice);
    const std::int32_t patch = track->GetVoicePatch(voice);
    if (port == prefs.Word(Preferences::kThruDevice) && channel == prefs.Word(Preferences::kThruChannel) &&
        patch == prefs.Dword(Preferences::kThruPatch))
        return;
    prefs.SetWord(Preferences::kThruDevice, std::int16_t(port));
    prefs.SetWord(Preferences::kThruChannel, std::int16_t(channel));
    prefs.SetDword(Preferences::kThruPatch, patch);
    prefs.SetWord(Preferences::kThruTranspose, std::int16_t(track->IsTransposedDisplay() ? -track->GetTransposition() : 0));
    track->GetVoiceDefName(voice, g_model.currentVoiceName);
    g_model.thruChangePending = true;
}

// --- File ---------------------------------------------------------------------------------------

void CZelDoc::OnFileCommand(int id) {
    switch (id) {
    case 32800: Revert(); break;
    case 32802: ExportMidiFile(*this); break;
    case 32803: CExtracter::Run(*this); break;
    case 57606:
        if (printer && printer->RunSetupDialog()) {
            printer->GetPageDefaults(printerPageSetup);
            RecalcPageGeometry(true, true);
        }
        break;
    case 57607:
        if (CView* v = dynamic_cast<CView*>(view)) v->OnCmdMsg(57607, 0);
        break;
    default: break;
    }
}

// --- Edit ---------------------------------------------------------------------------------------

void CZelDoc::OnEditCommand(int id) {
    switch (id) {
    case 57643: Undo(); return;
    case 57644: Redo(); return;
    case 57634:
        if (CopySelectionOperation()) CopySelectionOperation()(*this);
        return;
    case 57635:
        // Cut removes the selection only once its copy is on the clipboard.
        if (!CopySelectionOperation() || !CopySelectionOperation()(*this)) return;
        if (CScoreTask* task = MakeTask("CDeleteTask", *this)) {
            if (auto* cruise = dynamic_cast<CCruise*>(task)) cruise->Attach(this, 57635, 57635);
            else task->Attach(this, 57635);
            DoTask(task);
        }
        return;
    case 57642:
        if (selection && score) selection->SelectTracks(0, score->GetTrackCount() - 1, false);
        NotifyWindows(1, kNotifyChanged);
        return;
    case 32900:
        if (selection) selection->SelectTracks(location.trackIndex, location.trackIndex, false);
        NotifyWindows(1, kNotifyChanged);
        return;
    case 32901:
        if (selection) selection->ClearAll();
        NotifyWindows(1, kNotifyChanged);
        return;
    case 32874: ToggleMidiDataBox(); return;
    default: break;
    }
    if (id >= CSelect::kNoteFilterCommand && id <= CSelect::kLastTypeFilter) {
        if (selection) selection->FilterSelection(id);
        return;
    }
    if (id == CSelect::kFindCommand || id == CSelect::kFindNextCommand) {
        if (selection) selection->FindNext(id);
        return;
    }
    RunTaskRow(id);
}

void CZelDoc::ToggleMidiDataBox() {
    if (StyleBarShown()) StyleBarOps().show(false);
    if (MidiDataBox::shown) {
        MidiDataBox::Show(false);
        g_model.dataDisplayKind = 0;
    } else {
        g_model.dataDisplayKind = g_model.dataView.kind;
        MidiDataBox::Show(true);
    }
}

// --- Score and Measure --------------------------------------------------------------------------

void CZelDoc::OnScoreCommand(int id) {
    switch (id) {
    case 33012: InvalidatePanes(); return;
    case 33016: {
        // The font library edits a copy; the library flag is held at 0 while it runs.
        Preferences& prefs = g_preferences;
        const std::uint8_t flag = prefs.Byte(Preferences::kLibraryAutoSave);
        prefs.SetByte(Preferences::kLibraryAutoSave, 0);
        FontMap copy = fontMap;
        const bool confirmed = CFontLibDlg::Run(copy);
        prefs.SetByte(Preferences::kLibraryAutoSave, flag);
        if (confirmed) {
            fontMap = copy;
            SetModifiedFlag(true);
            InvalidatePanes();
        }
        return;
    }
    case 33017:
        if (EditTitles(0)) InvalidatePanes();
        return;
    case 33019: return;
    default: RunTaskRow(id); return;
    }
}

void CZelDoc::OnMeasureCommand(int id) { RunTaskRow(id); }

// --- the update handlers ------------------------------------------------------------------------

bool CZelDoc::EditorOpen() const { return textTask != nullptr; }

void CZelDoc::OnUpdateFileMenu(CCmdUI* entry) {
    CMenuUI& ui = MenuUI();
    if (PlaybackRunning() || EditorOpen()) {
        ui.Begin(entry, 0);
        return;
    }
    ui.Begin(entry, -1);
    if (ui.Id() == 32800) ui.Enable(IsModified() && !GetPathName().empty());
    for (int id : {57607, 57606, 57603, 57604, 32803, 32802}) ui.EnableId(id);
}

void CZelDoc::OnUpdateEditMenu(CCmdUI* entry) {
    CMenuUI& ui = MenuUI();
    if (PlaybackRunning() || g_model.printing) {
        ui.Begin(entry, 0);
        if (!g_model.printing) ui.EnableId(32874);
        return;
    }
    ui.Begin(entry, -1);
    ui.CheckId(32874, MidiDataBox::shown);
    if (EditorOpen()) {
        textTask->OnUpdateCommand(entry);
        return;
    }
    for (int id : {57642, 32900, 32916, 32917}) ui.EnableId(id);
    const int id = ui.Id();
    if (id == 57637 || id == 32870 || id == 57639)
        ui.Enable(location.insertionPlaced && fw::TheClipboard().GetData() != 0);
    if (id == 57643 || id == 57644) {
        const int count = GetUndoCount(), at = GetUndoPosition();
        CScoreTask* task = id == 57643 ? (count > 0 && at > 0 ? GetLastDoneTask() : nullptr)
                                       : (count > 0 && at < count ? GetUndoEntry(at) : nullptr);
        ui.Enable(task != nullptr);
        SetUndoMenuText(id == 57643 ? kUndoPrefix : kRedoPrefix, id, task ? task->name : 0);
    }
    const bool none = !selection || selection->GetItemCount() <= 0;
    for (int sel : {32875, 57635, 57634, 57632, 32871, 32872, 32876, 32877, 32878, 32873})
        if (id == sel) ui.Enable(!none);
    ui.EnableRange(32901, 32915);
}

std::string UndoLabel(int prefixId, int commandId) {
    std::string text;
    fw::LoadStringResource(UINT(prefixId), text);
    if (commandId != 0) {
        // A tool's name string is its prompt, a line feed and its tip: the prompt names it.
        std::string name;
        fw::LoadStringResource(UINT(commandId), name);
        if (const std::size_t lf = name.find('\n'); lf != std::string::npos) name.resize(lf);
        text += name;
    }
    return text;
}

void CZelDoc::SetUndoMenuText(int prefixId, int entryId, int commandId) {
    CMenuUI& ui = MenuUI();
    if (ui.Id() != entryId) return;
    std::string text = UndoLabel(prefixId, commandId);
    const std::string old = ui.GetItemText();
    if (const std::size_t tab = old.find('\t'); tab != std::string::npos) text += old.substr(tab);
    ui.SetText(text);
}

void CZelDoc::OnUpdateScoreMenu(CCmdUI* entry) {
    CMenuUI& ui = MenuUI();
    ui.Begin(entry, 0);
    if (PlaybackRunning() || g_model.printing || EditorOpen() || !score) return;
    const int id = ui.Id();
    if (location.insertionPlaced) {
        ui.EnableId(33007);
        if (id == 33008) ui.Enable(score->GetTrackCount() > 1);
        ui.EnableId(33009);
        if (id == 33006) {
            CPagePaneBase* pane = GetPagePane(location.pageIndex);
            ui.Enable(pane && pane->IsShown());
        }
        if (id == 33005) {
            CLine* system = score->GetLine(location.systemIndex);
            ui.Enable(system && system->GetBarCount() > 1 && location.pageIndex < score->GetPageCount() - 1);
        }
        ui.EnableId(33004);
    }
    ui.EnableId(33000);
    if (id == 33001) ui.Enable(score->GetPageCount() > 1);
    // The symbol map, the titles and the time code; adding a video (33019) does nothing here.
    for (int on : {33002, 33003, 33011, 33010, 33012, 33013, 33014, 33015, 33016, 33017, 33018}) ui.EnableId(on);
}

void CZelDoc::OnUpdateMeasureMenu(CCmdUI* entry) {
    CMenuUI& ui = MenuUI();
    ui.Begin(entry, 0);
    if (PlaybackRunning() || g_model.printing || EditorOpen() || !score) return;
    const int id = ui.Id();
    if (!location.insertionPlaced) {
        if (id == 34013) ui.Enable(selection && selection->GetItemCount() > 0);
        return;
    }
    ui.EnableId(34000);
    if (id == 34001) ui.Enable(score->GetBarCount() > 1);
    ui.EnableId(34002);
    if (id == 34003) ui.Enable(location.systemIndex < score->GetLineCount() - 1);
    if (id == 34004) {
        ui.Enable(true);
        CBar* bar = score->GetBar(location.barIndex);
        ui.CheckId(34004, bar && bar->HasBarFlag(0x40));
    }
    for (int on : {34007, 34006, 34005, 34008, 34009, 34013, 34011, 34010, 34012}) ui.EnableId(on);
}
