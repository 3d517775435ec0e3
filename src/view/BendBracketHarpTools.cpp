// The bend, bracket and harp tools, and the page pane's clicks that start them: the guitar
// palette's bend and barre buttons, the staves palette and the group palette's harp pedal
// marking.
#include "view/BendBracketHarpTools.h"

#include <algorithm>
#include <cstring>

#include "framework/Gdi.h"
#include "model/Graphic.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/Select.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/TieType.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/PlatformGlobals.h"
#include "platform/PortLayer.h"
#include "view/PagePane.h"
#include "view/ToolState.h"
#include "view/ViewStandIns.h"

namespace {
constexpr int kInsertStaffCommand = 4312;
constexpr int kJoinedBarlines = 127;
}  // namespace

// --- the bend and the barre ---------------------------------------------------------------------------

void CBendTool::BuildItem() {
    const bool barre = g_toolState.button == kBarreButton;
    line = static_cast<CBend*>(ConstructClass(barre ? CBarre::kType : CBend::kType, scratch));
    if (!line || !insertion) return;
    if (barre && g_toolState.subTool == 0) {
        // A barre at one fret: only sideways.
        horizontal = 1;
        g_platform.shiftDown = 1;
        axisLockAllowed = 1;
        level = 1;
    }
    line->PlaceAt(*insertion);
    item = line;
    if (line->Kind() == kWaveKind) line->SetKind(kWaveKind + g_toolDefaults.vibratoShape);
    if (score) {
        if (CBar* bar = score->GetBar(own.barIndex)) g_model.currentBar = bar;
        if (CTrkBar* tb = score->GetTrkBar(own.trackIndex, own.barIndex)) tb->SetCurrent();
    }
    // The drag moves the line's last point: its end.
    handle = std::int16_t(line->PointCount() + 1);
    g_model.hitPart = handle;
}

void CBendTool::MoveItemDrag() {
    // The end, whatever a hit test since the press left in the hit record.
    g_model.hitPart = handle;
    CEditTool::MoveItemDrag();
}

void CBendTool::MouseMove(POINT cur, POINT prev, POINT st) {
    if (level && waiting) {
        if (std::abs(cur.x - st.x) < kThreshold && std::abs(cur.y - st.y) < kThreshold) return;
        waiting = 0;
        horizontal = 1;
    }
    CEditTool::MouseMove(cur, prev, st);
}

void CBendTool::EndItemDrag() {
    ForceShowCursor();
    Place();
    if (document)
        if (CSelect* sel = document->GetSelection()) sel->ClearAll();
    ended = 1;
}

CDragTask* CPagePane::OnGuitarTool(int, int, CScoreItem* hitItem) {
    auto* tool = new CBendTool;
    g_viewDrag.tool = CBendTool::kToolId;
    tool->Start(document, hitItem && hitItem->IsNote() ? hitItem : nullptr, CBendTool::kToolId);
    return tool;
}

// --- the bracket band --------------------------------------------------------------------------------

int CBracketTool::KindOfButton(int button) {
    switch (button) {
        case 8: return 3;
        case 9: return 2;
        case 10: return 1;
        default: return kJoinedBarlines;
    }
}

bool CBracketTool::SaveTrackBarRange(int, int, int, int) { return SaveAll(); }

void CBracketTool::BeginItemDrag() {
    ForceHideCursor();
    band = RECT{start.x - 1, start.y - 1, start.x - 1, start.y - 1};
    DrawFeedback();
}

void CBracketTool::MoveItemDrag() {
    band.right = current.x;
    band.bottom = current.y;
}

void CBracketTool::DrawFeedback() {
    CPage* page = score ? score->GetPage(g_model.dragStart.pageIndex) : nullptr;
    if (!page) return;
    page->DrawInPane(nullptr, [](CScoreItem*, void* self) {
        static_cast<CBracketTool*>(self)->DrawDragImage();
        return 1;
    }, this);
}

void CBracketTool::EndFeedback() { DrawFeedback(); }

void CBracketTool::DrawDragImage() {
    CArtist* a = g_draw.artist;
    if (!a) return;
    const RECT r{std::min(band.left, band.right), std::min(band.top, band.bottom), std::max(band.left, band.right),
                 std::max(band.top, band.bottom)};
    a->SetROP2(R2_NOT);
    a->FrameRectInColor(r);
    a->SetCopyMode();
}

void CBracketTool::EndItemDrag() {
    // The band goes (drawn again by inversion).
    DrawFeedback();
    ForceShowCursor();
    ended = 1;
    if (!moved || !score || !insertion) {
        undoable = 0;
        return;
    }
    int topY = start.y, bottomY = current.y;
    if (bottomY < topY) std::swap(topY, bottomY);
    ScoreLocation top = *insertion;
    score->LocatePoint(start.x, topY, &top);
    CLine* topLine = score->GetLine(top.systemIndex);
    if (!topLine) return;
    g_model.currentStaff = top.staff;
    const int first = top.trackIndex;
    int last = topLine->GetStaffCount() - 1;
    ScoreLocation bottom = *insertion;
    score->LocatePoint(current.x, bottomY, &bottom);
    if (bottom.systemIndex == top.systemIndex) last = bottom.trackIndex;
    const int kind = KindOfButton(g_toolState.button);
    for (int s = 0; s < score->GetLineCount(); ++s)
        if (CLine* line = score->GetLine(s)) line->SetBracket(kind, first, last, true);
    SetLayoutChanged(true);
    SetChanged(true);
}

CDragTask* CPagePane::OnStaffTool(int, int) {
    if (g_toolState.button < CBracketTool::kFirstButton) {
        document->OnCommandRange(kInsertStaffCommand);
        return nullptr;
    }
    auto* tool = new CBracketTool;
    g_viewDrag.tool = CBracketTool::kToolId;
    tool->Start(document, nullptr, CBracketTool::kNameId);
    return tool;
}

// --- the harp pedal marking ----------------------------------------------------------------------------

void CHarpTool::BuildItem() {
    harp = reinterpret_cast<CHarpPed*>(scratch);
    if (harp->TypeCode() != CHarpPed::kType) {
        harp = nullptr;
        return;
    }
    if (CStaff* staff = g_model.dragStart.staff) harp->SetYOffset(staff->YToOffset(start.y));
    harp->SetXOffset(own.xOffset);
    item = harp;
}

CDragTask* CPagePane::StartHarpTool(int, int) {
    if (!document || !location) return nullptr;
    alignas(8) std::uint8_t record[CHarpPed::kSize + 16] = {};
    auto* harp = static_cast<CHarpPed*>(ConstructClass(CHarpPed::kType, record));
    if (!harp) return nullptr;
    harp->PlaceAt(*location);
    CHarpDlg dialog(harp);
    if (dialog.DoModal() != IDOK) return nullptr;
    auto* tool = new CHarpTool;
    g_viewDrag.tool = ToolState::kGroup;
    tool->Start(document, nullptr, CHarpTool::kNameId);
    std::memcpy(tool->scratch, record, sizeof record);
    return tool;
}
