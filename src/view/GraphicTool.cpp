// The graphics palette's click: a free shape drawn from the press to the release into the bar
// pressed, with the palette's pen; the symbol button places a free symbol, or a mark on a note
// or rest, after the symbol dialog.
#include <algorithm>
#include <cstring>

#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/Graphic.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/NotationGlobals.h"
#include "platform/Handles.h"
#include "view/MarkTool.h"
#include "view/PagePane.h"
#include "view/ShapeTools.h"
#include "view/ToolState.h"
#include "view/ViewGlobals.h"
#include "view/ViewStandIns.h"

namespace {
constexpr int kSymbolNameId = 4009;
constexpr int kIdOk = 1;
// Option bits 3 and 5 of a new shape: set unless the palette's apply-at-once option is on,
// which a placed shape never has.
constexpr std::uint8_t kOutlineOption1 = 0x08, kOutlineOption2 = 0x20;
constexpr int kArrowShift = 1;
}  // namespace

CDragTask* CPagePane::OnGraphicTool(int x, int y, CScoreItem* hitItem) {
    if (g_toolState.button == CGraphicTool::kSymbolButton) {
        CSymbolDlg dialog;
        if (dialog.DoModal() != kIdOk) return nullptr;
        if (!hitItem) return StartSymbolTool(x, y, nullptr);
        if (!hitItem->IsNoteOrRest()) return nullptr;
        auto* mark = new CMarkTool;
        g_viewDrag.tool = CGraphicTool::kToolId;
        mark->Start(document, hitItem, kSymbolNameId);
        return mark;
    }
    auto* tool = new CGraphicTool;
    g_viewDrag.tool = CGraphicTool::kToolId;
    tool->Start(document, hitItem, CGraphicTool::kNameId);
    return tool;
}

void CGraphicTool::BuildItem() {
    const int kind = std::clamp<int>(g_toolState.button, CGraphic::kRect, CGraphic::kWedge);
    auto* g = static_cast<CGraphic*>(ConstructClass(CGraphic::TypeOfKind(kind), scratch));
    if (!g || !score) return;
    g->SetKind(kind);
    g->PlaceAt(own);
    g->SetFlag8Bit1(true);
    g->SetLineWidth(g_toolDefaults.lineWidth);
    g->SetLineStyle(g_toolDefaults.lineStyle);
    const bool filled = g_toolDefaults.fillMode != 0 || kind == CGraphic::kLine || kind == CGraphic::kWedge;
    std::uint8_t flags = std::uint8_t((g_toolDefaults.arrowStyle & 3) << kArrowShift);
    if (filled) flags |= CGraphic::kFilled;
    flags |= kOutlineOption1 | kOutlineOption2;
    g->SetFlags(flags);

    // At the press: a line starts and ends there, every other shape reaches 360 to the right and
    // 30 down; the drag moves the far corner.
    const bool line = kind == CGraphic::kLine;
    g->SetStartDx(own.xOffset);
    g->SetStartDy(own.verticalOffset);
    g->SetEndBars(0);
    g->SetEndPosition(own.position);
    g->SetEndDx(own.xOffset + (line ? 0 : kStartWidth));
    g->SetEndDy(own.verticalOffset + (line ? 0 : kStartHeight));
    g->SetEndStaff(0);
    g_notation.graphicStartDragX = 0;
    g_notation.graphicEndDragX = 0;

    item = g;
    g_model.hitPart = std::int16_t(kDraggedCorner);
    if (CBar* bar = score->GetBar(own.barIndex)) g_model.currentBar = bar;
    if (CTrkBar* tb = score->GetTrkBar(own.trackIndex, own.barIndex)) tb->SetCurrent();

    if (kind == CGraphic::kRoundRect) g->SetRadius(kCornerRadius);
    // A curve's two control points at a quarter and three quarters of its span, above it.
    if (kind == CGraphic::kCurve) {
        g->SetControl(0, kCurveControl1, kCurveHeight);
        g->SetControl(1, kCurveControl2, kCurveHeight);
    }
}

void CGraphicTool::MoveItemDrag() {
    // The far corner, whatever the pointer's hit tests found since the press.
    g_model.hitPart = std::int16_t(kDraggedCorner);
    CEditTool::MoveItemDrag();
}

void CGraphicTool::Place() {
    CBarItem* scratchItem = ScratchItem();
    if (!score || !insertion || !scratchItem->IsGraphic()) return;
    auto* g = CGraphic::Of(scratchItem);
    g->SetStartDx(g->StartDx() + g_notation.graphicStartDragX);
    g->SetEndDx(g->EndDx() + g_notation.graphicEndDragX);
    g_notation.graphicStartDragX = 0;
    g_notation.graphicEndDragX = 0;
    const ScoreLocation& at = *insertion;
    CTrkBar* tb = score->GetTrkBar(at.trackIndex, at.barIndex);
    if (!tb) return;
    SaveTrackBar(at.trackIndex, at.barIndex);
    tb->SetCurrent();
    CBarItem* placed = tb->InsertCopy(g);
    if (!placed) ThrowOutOfMemory();
    SetChanged(true);
    AddItemRect(placed);
    newItem = placed;
    item = nullptr;
}
