// The placing tools' base: start on the document's insertion point, build the item at the press,
// locate and place it at the release, and keep what it changed for undo.
#include "view/EditTool.h"

#include <algorithm>
#include <cstring>

#include "framework/Exceptions.h"
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/Select.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"
#include "platform/Handles.h"
#include "platform/PlatformGlobals.h"
#include "platform/PortLayer.h"

namespace {
// The bare item a placing tool starts from: type 255, 16 bytes.
constexpr std::uint8_t kBareType = 255;
constexpr std::uint16_t kBareSize = 16;
}  // namespace

void CEditTool::Start(CZelDoc* doc, CScoreItem* hit, int toolId) {
    Begin(doc, hit, toolId);
    if (!doc) return;
    insertion = &doc->location;
    std::memset(scratch, 0, sizeof scratch);
    // The bare item the tools build over: type 255, 16 bytes (the tools construct their own).
    scratch[rec::kType] = kBareType;
    rec::Put<std::int16_t>(scratch, rec::kSize, std::int16_t(kBareSize));
    newItem = nullptr;
    g_model.currentStaff = insertion->staff;
    own = *insertion;
    followStaff = 0;
    own.xOffset = insertion->xOffset;
    if (score) {
        if (CBar* b = score->GetBar(insertion->barIndex)) g_model.currentBar = b;
        if (CTrkBar* tb = score->GetTrkBar(insertion->trackIndex, insertion->barIndex)) tb->SetCurrent();
    }
    ctrlFlag = g_platform.ctrlDown ? 1 : 0;
    altFlag = g_platform.altDown ? 1 : 0;
    MarkTracks();
}

void CEditTool::MarkTracks() {
    if (ctrlFlag) {
        std::fill(std::begin(trackMask), std::end(trackMask), std::uint8_t(1));
        return;
    }
    std::fill(std::begin(trackMask), std::end(trackMask), std::uint8_t(0));
    if (!altFlag || !score || !insertion) return;
    for (int t = 0; t < std::min<int>(score->GetTrackCount(), kTracks); ++t) {
        CTrkBar* tb = score->GetTrkBar(t, insertion->barIndex);
        if (!tb) continue;
        bool notes = false;
        trkbar::ForEachLiveItem(tb, [&](CBarItem* it) { notes = notes || it->IsNote(); });
        trackMask[t] = notes ? 1 : 0;
    }
}

void CEditTool::Place() {
    if (!followStaff) own.position = 1023;
    CTrkBar* tb = score ? score->GetTrkBar(own.trackIndex, own.barIndex) : nullptr;
    if (!tb) return;
    SaveTrackBar(own.trackIndex, own.barIndex);
    tb->SetCurrent();
    CBarItem* placed = tb->InsertCopy(ScratchItem());
    if (!placed) ThrowOutOfMemory();
    SetChanged(true);
    AddItemRect(placed);
    item = nullptr;
}

bool CEditTool::SaveTrackBarRange(int track1, int bar1, int track2, int bar2) {
    if (!SaveBars(bar1, bar2)) return false;
    const int last = score ? score->GetBarCount() - 1 : bar2;
    return CScoreTask::SaveTrackBarRange(track1, std::max(bar1 - 1, 0), track2, std::min(bar2 + 1, last));
}

void CEditTool::BeginItemDrag() {
    ForceHideCursor();
    if (CStaff* staff = g_model.dragStart.staff) pressOffset = std::int16_t(staff->YToPosition(start.y));
    BuildItem();
    DrawFeedback();
}

void CEditTool::MoveItemDrag() {
    if (item) item->DragBy(this);
}

void CEditTool::EndItemDrag() {
    ForceShowCursor();
    if (score && own.page && own.pageIndex < score->GetPageCount()) {
        score->LocatePoint(current.x, current.y, &own);
        own.bar = score->GetBar(own.barIndex);
        if (own.bar) own.time = own.bar->FractionToTick(own.position);
        own.trkBar = score->GetTrkBar(own.trackIndex, own.barIndex);
    }
    Place();
    if (document)
        if (CSelect* sel = document->GetSelection()) sel->ClearAll();
    ended = 1;
}

void CEditTool::MouseUp(POINT cur, POINT prev, POINT st) {
    current = cur;
    previous = prev;
    start = st;
    g_viewDrag.feedbackOn = false;
    g_model.dragStart.item = nullptr;
    g_model.dragOffsetX = g_model.dragOffsetY = 0;
    g_model.itemDragX = 0;
    moved = (cur.x != st.x || cur.y != st.y) ? 1 : 0;
    // A placing tool's click is its whole work: it is undoable whenever it changed the score.
    try {
        EndItemDrag();
    } catch (const CException&) {
        ForceShowCursor();
        item = nullptr;
        if (keepsPlaced) {
            // The copies placed before memory ran out stay until undo.
            ended = 1;
            undoable = changed;
        }
        throw;
    }
    undoable = changed;
    ForceShowCursor();
    item = nullptr;
}
