// What the document does for its windows: a new score for File New, the score window's
// placement, the View commands with the zoom dialog, a selection that starts in another view
// and the state of the style bar's commands.
#include <iterator>

#include "framework/CmdUI.h"
#include "framework/View.h"
#include "framework/Window.h"
#include "model/ModelGlobals.h"
#include "model/ViewPctDlg.h"
#include "model/ZelDoc.h"
#include "model/TextTask.h"

namespace {

constexpr int kPaperGaps = 12;  // pixels beside the paper in the view, both sides together

// The style bar's commands.
enum : UINT {
    kStylePlain = 2700,
    kStyleBold = 2701,
    kStyleUnderline = 2703,
    kStyleTransparent = 2704,
    kStyleBackground = 2705,
    kAlignLeft = 2706,
    kAlignRight = 2708,
};

// The View commands.
enum : int {
    kZoomIn = 38008,
    kZoomOut = 38009,
    kFitWindow = 38010,
    kZoomAsk = 38011,
    kSinglePage = 38005,
    kPagesStacked = 38007,
    kFitPageWidth = 33310,
    kFitPageHeight = 33312,
};
struct ZoomCommand {
    int id;
    int zoom;  // a percentage, or a fit mode
};
constexpr ZoomCommand kZoomCommands[] = {{38000, 250}, {38001, 200}, {38002, 150}, {38003, 125},
                                         {38004, 100}, {38012, 75},  {38013, 50},  {kFitWindow, -1},
                                         {kFitPageWidth, -2}, {kFitPageHeight, -3}};

}  // namespace

bool CZelDoc::OnNewDocument() {
    if (!CDocument::OnNewDocument()) return false;
    return ApplyNewScoreSettings(g_model.newScore);
}

void CZelDoc::RestoreWindowPlacement() {
    RECT r{windowRect[0], windowRect[1], windowRect[2], windowRect[3]};
    if (r.right <= r.left || r.bottom <= r.top) {
        const int frame = fw::GetWindowMetric(SM_CXVSCROLL) + 2 * fw::GetWindowMetric(SM_CXFRAME) +
                          2 * fw::GetWindowMetric(SM_CXEDGE);
        r.right = r.left + viewPageSetup.GetPaperWidth() + kPaperGaps + frame;
        r.bottom = r.top + viewPageSetup.GetPaperHeight() + kPaperGaps + frame;
        windowRect[2] = r.right;
        windowRect[3] = r.bottom;
    }
    if (view) view->SetWindowPlacement(maximised != 0, r);
}

void CZelDoc::AskZoom() {
    CViewPctDlg dialog(zoom);
    if (dialog.RunModal(CViewPctDlg::kTemplateId)) SetZoom(dialog.percent, true);
}

bool CZelDoc::OnViewCommand(int id) {
    for (const ZoomCommand& c : kZoomCommands)
        if (c.id == id) {
            SetZoom(c.zoom, true);
            return true;
        }
    switch (id) {
        case kZoomIn: ZoomStep(true); return true;
        case kZoomOut: ZoomStep(false); return true;
        case kZoomAsk: AskZoom(); return true;
        default: break;
    }
    if (id >= kSinglePage && id <= kPagesStacked) {
        SetArrangementMode(id - kSinglePage);
        return true;
    }
    return false;
}

void CZelDoc::SetSelectionView(CView* selecting) {
    const bool scoreView = selecting && view && dynamic_cast<CZelViewBase*>(selecting) == view;
    if (!scoreView && selection) selection->FlushDirtyRects();
    for (CView* pane : pianoRollPanes)
        if (pane && pane != selecting) pane->Invalidate();
}

void CZelDoc::OnUpdateStyleBar(CCmdUI* state) const {
    if (!state || state->m_nID < kStylePlain || state->m_nID > kAlignRight) return;
    const UINT id = state->m_nID;
    if (!textTask) {
        state->Enable(false);
        if (id == kStyleTransparent || id == kStyleBackground) state->SetCheck(0);
        return;
    }
    state->Enable(true);
    if (id == kStyleTransparent || id == kStyleBackground) {
        if (!textTask->flags[0]) state->Enable(false);
        if (id == kStyleBackground) state->SetCheck(textTask->flags[1] ? 1 : 0);
    } else if (id >= kAlignLeft) {
        state->SetCheck(textTask->alignment == int(id - kAlignLeft) ? 1 : 0);
    } else if (id == kStylePlain) {
        state->SetCheck((textTask->styleBits & 7) == 0 ? 1 : 0);
    } else if (id <= kStyleUnderline) {
        state->SetCheck((textTask->styleBits & (1 << (id - kStyleBold))) != 0 ? 1 : 0);
    }
}
