// The clef tool: a click puts the palette's clef in. At the very start of the score it changes
// the staff's and the track's clef; anywhere else a clef item goes in at the next note or rest
// of any voice and the heads after it move for the new clef.
#include <algorithm>

#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/Clef.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/Handles.h"
#include "platform/PortLayer.h"
#include "platform/Theory.h"
#include "view/PlaceTools.h"
#include "view/ToolState.h"

namespace {
constexpr int kMovableButton = 2;
// The insertion point's word that gives a new clef's size in percent; the movable C clef
// takes a little more.
constexpr int kClefSizeWord = 1;
constexpr int kMovableExtraPercent = 5;
// The tracks either side of the clicked one whose bars a clef's snapshot keeps.
constexpr int kNeighbourTracks = 2;

CClef* Clef(CEditTool& tool) { return static_cast<CClef*>(tool.ScratchItem()); }
}  // namespace

bool CClefTool::SaveTrackBarRange(int track1, int bar1, int, int) {
    SetLayoutChanged();
    if (!SaveLines()) return false;
    if (bar1 == 0 && !SaveTracks()) return false;
    if (!score) return true;
    const int last = score->GetBarCount() - 1;
    const int first = std::max(track1 - kNeighbourTracks, 0);
    const int end = std::min(track1 + kNeighbourTracks, score->GetTrackCount() - 1);
    return CScoreTask::SaveTrackBarRange(first, bar1, end, std::max(last, bar1));
}

void CClefTool::BuildItem() {
    const int button = g_toolState.button;
    const int code = std::max(CClef::CodeForPaletteButton(button), 0);
    CClef* clef = CClef::Construct(scratch);
    if (!clef) return;
    clef->SetCode(code);
    clef->SetClefStaffPos(CTheory::GetClefSymbolPos(code));
    clef->SetPositionField(own.position);
    const int percent = (document ? document->location.words[kClefSizeWord] : 100) +
                        (button == kMovableButton ? kMovableExtraPercent : 0);
    clef->SetScale(percent);
    clickStaffPosition = own.staffPosition;
    item = clef;
}

void CClefTool::MoveGhost() {
    CClef* clef = Clef(*this);
    if (clef->TypeCode() != CClef::kTypeCode) return;
    clef->SetPositionField(std::int16_t(std::clamp(clef->PositionField() + positionStep, 0, 1023)));
    if (g_toolState.button != kMovableButton) return;
    int pos = 0;
    if (CClef::DragStaffPos(targetStaffPos - clickStaffPosition, &pos)) clef->SetClefStaffPos(pos);
}

void CClefTool::Place() {
    CClef* clef = Clef(*this);
    if (!score || clef->TypeCode() != CClef::kTypeCode) return;
    if (g_toolState.button == kMovableButton) clef->SetCode(CClef::CClefCodeForPosition(clef->GetClefStaffPos()));
    const int code = clef->GetCode();
    CTrkBar* tb = score->GetTrkBar(own.trackIndex, own.barIndex);
    CTrack* track = score->GetTrack(own.trackIndex);
    if (!tb || !track) return;
    SaveTrackBar(own.trackIndex, own.barIndex);
    tb->SetCurrent();
    SetLayoutChanged();
    SetChanged(true);
    if (own.barIndex == 0 && own.position < 1) {
        // The score's first clef: the staff's and the track's own. The heads move for it while
        // the old clef still stands.
        tb->RecalcTimes(nullptr, nullptr);
        tb->SetCurrent();
        tb->RepositionForClef(0, code);
        if (CStaff* staff = own.staff ? own.staff : tb->GetStaff()) staff->SetClef(std::uint8_t(code));
        if (score->transposedDisplay)
            track->SetTransposedClef(code);
        else
            track->SetClef(code);
    } else {
        const int time = tb->PositionToVoiceTime(-1, own.position);
        const std::uint8_t scale = clef->CBaseItem::Scale();
        clef->InitNew(0, time, own.position);
        clef->CBaseItem::SetScale(scale);
        CBarItem* placed = tb->InsertCopy(clef);
        if (!placed) ThrowOutOfMemory();
        newItem = placed;
        tb->SetCurrent();
        tb->RecalcTimes(nullptr, nullptr);
        tb->SetCurrent();
        tb->RepositionForClef(own.position, code);
    }
    StartWaitCursor(false);
    item = nullptr;
}
