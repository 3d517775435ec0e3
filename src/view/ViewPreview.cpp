// The print preview window: the print run's sides drawn one at a time into a picture of the
// sheet and shown fitted into the window.
#include "view/ViewPreview.h"

#include <algorithm>

#include "framework/Input.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "view/ZelView.h"
#include "view/ZelWnd.h"

namespace {
constexpr int kBorder = 8;  // pixels of gap colour around the sheet
}  // namespace

bool CPreviewWnd::Start(CZelView* view) {
    if (!view || !view->document || !view->frame || !view->frame->IsWindow()) return false;
    view_ = view;
    info_ = CPrintInfo{};
    info_.preview = true;
    if (!view->OnPreparePrinting(info_)) return false;
    const CZelDoc* doc = view->document;
    paperWidth_ = doc->unscaledPageSetup.GetPaperWidth();
    paperHeight_ = doc->unscaledPageSetup.GetPaperHeight();
    if (info_.landscape) std::swap(paperWidth_, paperHeight_);
    dc_ = std::make_unique<CPrinterDC>();
    if (!dc_->CreatePreview(72, paperWidth_, paperHeight_)) return false;
    view->OnBeginPrinting(dc_.get(), info_);
    info_.curPage = std::max(1, info_.minPage);
    rendered_ = false;
    RECT client;
    view->frame->GetClientRect(&client);
    if (!Create(nullptr, "", WS_CHILD | WS_VISIBLE, client, view->frame, 0)) {
        view->OnEndPrinting(dc_.get(), info_);
        return false;
    }
    BringWindowToTop();
    SetFocus();
    return true;
}

void CPreviewWnd::End() {
    if (!view_) return;
    CZelView* view = view_;
    view_ = nullptr;
    view->OnEndPrinting(dc_.get(), info_);
    DestroyWindow();
    if (view->IsWindow()) view->SetFocus();
}

void CPreviewWnd::ShowSide(int side) {
    side = std::clamp(side, std::max(1, info_.minPage), std::max(1, info_.maxPage));
    if (side == info_.curPage) return;
    info_.curPage = side;
    rendered_ = false;
    Invalidate();
}

RECT CPreviewWnd::SheetRect() const {
    RECT client;
    GetClientRect(&client);
    const int dpi = std::max(1, std::min(int(client.right - 2 * kBorder) * 72 / std::max(1, paperWidth_),
                                         int(client.bottom - 2 * kBorder) * 72 / std::max(1, paperHeight_)));
    const int w = paperWidth_ * dpi / 72, h = paperHeight_ * dpi / 72;
    const int left = (int(client.right) - w) / 2, top = (int(client.bottom) - h) / 2;
    return RECT{left, top, left + w, top + h};
}

void CPreviewWnd::RenderSide() {
    if (!view_ || !dc_) return;
    const RECT sheet = SheetRect();
    const int dpi = std::max(1, int(sheet.right - sheet.left) * 72 / std::max(1, paperWidth_));
    if (!dc_->CreatePreview(dpi, paperWidth_, paperHeight_) || !dc_->StartDoc("preview")) return;
    CPrintInfo side = info_;
    side.continuePrinting = true;
    view_->OnPrepareDC(dc_.get(), &side);
    dc_->StartPage();
    if (side.continuePrinting) view_->OnPrint(dc_.get(), side);
    dc_->EndDoc();
    rendered_ = true;
}

BOOL CPreviewWnd::OnEraseBkgnd(CDC*) { return TRUE; }

void CPreviewWnd::OnPaint() {
    CPaintDC dc(this);
    RECT client;
    GetClientRect(&client);
    dc.FillSolidRect(&client, ColorTable[CZelView::kGapColor]);
    if (!rendered_) RenderSide();
    if (dc_) dc_->DrawPreviewSide(dc, SheetRect());
}

void CPreviewWnd::OnSize(UINT type, int cx, int cy) {
    CWnd::OnSize(type, cx, cy);
    rendered_ = false;
    Invalidate();
}

void CPreviewWnd::OnKeyDown(UINT vk, UINT, UINT) {
    switch (vk) {
    case VK_NEXT:
    case VK_RIGHT:
    case VK_SPACE: ShowSide(info_.curPage + 1); return;
    case VK_PRIOR:
    case VK_LEFT: ShowSide(info_.curPage - 1); return;
    case VK_HOME: ShowSide(info_.minPage); return;
    case VK_END: ShowSide(info_.maxPage); return;
    case VK_ESCAPE:
    case VK_RETURN: End(); return;
    default: return;
    }
}

void CPreviewWnd::OnLButtonDown(UINT, POINT) { ShowSide(info_.curPage + 1); }
