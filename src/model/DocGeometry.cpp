// Page geometry and zoom: the document's page setups (in use, scaled to the view, at score size
// 100, the printer's), the page and pane rectangles computed from them, the conversions between
// score units (1/72 inch at zoom 100) and view pixels, and the zoom with its fit modes and steps.
#include <algorithm>
#include <cstdint>

#include "framework/Arith.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/ScoreArrays.h"
#include "platform/PortLayer.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/ZelDoc.h"

namespace {
constexpr int kFitAllowance = 44;   // pixels of the window a fit mode leaves free
constexpr int kRectAllowance = 32;  // the same when zooming to a rectangle
constexpr int kPageGap = 6;         // pixels around each page in the view
constexpr int kMarginFloorTwips = CZelDoc::kMarginFloor * 20;

int raiseMargin(int twips) { return twips <= kMarginFloorTwips ? kMarginFloorTwips : twips; }

// How many sheets a page spans in one direction: 1, and one more while the page's printable
// extent is larger than that many sheets' printable extents (both in view pixels).
int sheetsSpanned(int page, int sheet) {
    if (sheet <= 0 || page <= sheet) return 1;
    return int(std::min<std::int64_t>((std::int64_t(page) + sheet - 1) / sheet, INT16_MAX));
}
}  // namespace

int CZelDoc::ScaleToView(int v) const { return MulDiv(v, zoom, 100); }
int CZelDoc::ScaleFromView(int v) const { return MulDiv(v, 100, zoom); }

RECT CZelDoc::ScaleRectToView(const RECT& r) const {
    if (zoom == 100) return r;
    return {ScaleToView(r.left), ScaleToView(r.top), ScaleToView(r.right), ScaleToView(r.bottom)};
}

// --- zoom -------------------------------------------------------------------------------------

void CZelDoc::FitFrameToPage() {
    if (!view) return;
    view->PositionPanes();
    view->Invalidate();
}

void CZelDoc::SetZoom(int z, bool redraw) {
    if (z >= -3 && z <= -1) {
        fitMode = std::int16_t(z);
        z = GetFitZoom(z);
    } else {
        fitMode = 0;
    }
    z = std::clamp(z, 1, kMaxZoom);
    if (z != zoom) zoom = std::int16_t(z);
    // The staves take their spaces, music font sizes and pens at the zoom first, so that clefs,
    // brackets and items draw to the scale of the lines; the systems are then laid out again.
    if (score)
        for (int i = 0; i < score->GetLineCount(); ++i)
            if (CLine* line = score->GetLine(i))
                for (int k = 0; line->GetStaffArray() && k < line->GetStaffArray()->GetCount(); ++k)
                    if (CStaff* staff = line->GetStaff(k)) staff->UpdateSpacing(zoom);
    RecalcPageGeometry(false, false);
    if (score)
        for (int i = 0; i < score->GetLineCount(); ++i)
            if (CLine* line = score->GetLine(i)) {
                line->MeasureHeader();
                line->Justify();
            }
    if (!redraw || !view) return;
    view->PositionPanes();
    if (location.arrangementMode == 0) {
        CPagePaneBase* pane = view->GetSinglePane();
        if (pane && pane->GetPageIndex() != location.pageIndex) SetCurrentPage(pane->GetPageIndex());
    }
    if (!ShowInsertionPoint(location.barIndex, true)) {
        view->Invalidate();
        view->Update();
    }
}

int CZelDoc::GetFitZoom(int mode) const {
    const SIZE client = view ? view->GetClientSize() : SIZE{};
    const int w = MulDiv(client.cx - kFitAllowance, 100, pageSetup.GetPaperWidth());
    const int h = MulDiv(client.cy - kFitAllowance, 100, pageSetup.GetPaperHeight());
    switch (mode) {
        case -1: return std::min(w, h);
        case -2: return w;
        case -3: return h;
        default: return zoom;
    }
}

void CZelDoc::ZoomStep(bool in) {
    int next;
    if (in) {
        const int z = zoom + 5;
        if (z > kMaxZoom - 1) return;
        if (z < 30)
            next = 30;
        else if (z < 50)
            next = 50;
        else if (z < 70)
            next = 70;
        else if (z < 100)
            next = z - z % 10 + 10;
        else if (z < 200)
            next = z - z % 25 + 25;
        else
            next = z - z % 50 + 50;
    } else {
        if (zoom == 10) return;
        if (zoom < 31)
            next = 10;
        else if (zoom < 51)
            next = 30;
        else if (zoom < 71)
            next = 50;
        else if (zoom < 101)
            next = (zoom - 10) / 10 * 10;
        else if (zoom < 250)
            next = (zoom - 25) / 25 * 25;
        else
            next = (zoom - 50) / 50 * 50;
    }
    SetZoom(next, false);
    if (!view) return;
    view->PositionPanes();
    if (!ShowInsertionPoint(location.barIndex, true)) {
        view->Invalidate();
        view->Update();
    }
}

void CZelDoc::ZoomToRect(const RECT& rect) {
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) {
        ZoomStep(true);
        return;
    }
    const SIZE client = view ? view->GetClientSize() : SIZE{};
    const int w = MulDiv(client.cx - kRectAllowance, 100, width);
    const int h = MulDiv(client.cy - kRectAllowance, 100, height);
    const int fit = std::min(w, h) / 10 * 10;
    const int oldZoom = zoom;
    const int z = fit * oldZoom / 100;
    if (score) {
        ScoreLocation at = location;
        score->LocatePoint(ScaleFromView(rect.left), ScaleFromView(rect.top), &at);
        location.barIndex = at.barIndex;
        location.position = at.position;
        location.time = at.time;
    }
    SetZoom(z, false);
    if (!view) return;
    view->PositionPanes();
    // The rectangle's centre comes to the middle of the window.
    const int centre = MulDiv((rect.left + rect.right) / 2, zoom, oldZoom);
    view->ScrollTo(POINT{std::max(0, centre - client.cx / 2), view->GetScrollPosition().y});
    view->Invalidate();
    view->Update();
}

// --- page setups --------------------------------------------------------------------------------

void CZelDoc::SetScoreSize(int percent) {
    if (percent <= 0) return;
    scoreSize = std::int16_t(percent);
    pageSetup = unscaledPageSetup;
    pageSetup.Unscale(percent);
    RecalcPageGeometry(true, true);
}

void CZelDoc::SetMargins(int left, int top, int right, int bottom) {
    pageSetup.SetMarginsTwips(left, top, right, bottom);
    RecalcPageGeometry(false, false);
}

void CZelDoc::SetPaperSize(const RECT& paper) {
    RECT r = paper;
    UnscaleRect(&r, scoreSize);
    unscaledPageSetup.SetPaperSizeTwips(r.right - r.left, r.bottom - r.top);
}

void CZelDoc::SetUnscaledMargins(int left, int top, int right, int bottom) {
    RECT r{left, top, right, bottom};
    UnscaleRect(&r, scoreSize);
    unscaledPageSetup.SetMarginsTwips(r.left, r.top, r.right, r.bottom);
}

void CZelDoc::InvalidatePageRects(const PageDirtyRect* list, int count) {
    const int grow = ScaleToView(30);
    for (int i = 0; i < count; ++i) {
        CPagePaneBase* pane = GetPagePane(list[i].page);
        if (!pane) continue;
        const RECT& r = list[i].rect;
        pane->InvalidatePageRect(RECT{r.left - grow, r.top - grow, r.right + grow, r.bottom + grow});
    }
}

RECT CZelDoc::GetScaledPageRect() const {
    const RECT r = pageSetup.GetPaperRect();
    return {MulDiv(r.left, scoreSize, 100), MulDiv(r.top, scoreSize, 100), MulDiv(r.right, scoreSize, 100),
            MulDiv(r.bottom, scoreSize, 100)};
}

RECT CZelDoc::GetScaledMarginRect() const {
    const RECT r = pageSetup.GetMarginRect();
    return {MulDiv(r.left, scoreSize, 100), MulDiv(r.top, scoreSize, 100), MulDiv(r.right, scoreSize, 100),
            MulDiv(r.bottom, scoreSize, 100)};
}

void CZelDoc::InitPageSetup(bool clamp) {
    if (printer) printer->GetPageDefaults(printerPageSetup);
    unscaledPageSetup = printerPageSetup;
    if (clamp) {
        CPageSetup& u = unscaledPageSetup;
        u.SetMarginsTwips(raiseMargin(u.leftMargin), raiseMargin(u.topMargin), raiseMargin(u.rightMargin),
                          raiseMargin(u.bottomMargin));
        pageSetup = unscaledPageSetup;
    }
}

void CZelDoc::FixPageSetup() {
    if (pageSetup.paperWidth > pageSetup.paperHeight && score && score->tilePages == 0 && printer)
        printer->SetPrintOrientation(1);
    InitPageSetup(false);
    RecalcPageGeometry(true, true);
}

void CZelDoc::RecalcPageGeometry(bool relayout, bool redraw) {
    const RECT paper = ScaleRectToView(pageSetup.GetPaperRect());
    const RECT margins = ScaleRectToView(pageSetup.GetMarginRect());
    viewPageSetup.SetPaperSizePoints(paper.right - paper.left, paper.bottom - paper.top);
    viewPageSetup.SetMarginsPoints(margins.left, margins.top, paper.right - margins.right,
                                   paper.bottom - margins.bottom);
    if (score)
        for (int p = 0; p < score->GetPageCount(); ++p) {
            CPage* page = score->GetPage(p);
            if (!page) continue;
            page->SetPrintableRect(margins);
            page->SetPaperRect(paper);
            LayoutOnePage(p);
        }
    TakeLargestSheetCounts();
    if (relayout && view) {
        view->PositionPanes();
        if (redraw) view->Invalidate();
    }
}

bool CZelDoc::LayoutAllPages(bool relayout) {
    LayoutPagesFrom(0);
    return !relayout || LayoutViewPanes();
}

void CZelDoc::LayoutPage(int pageIndex) {
    if (!score || !score->GetPage(pageIndex)) return;
    LayoutOnePage(pageIndex);
    TakeLargestSheetCounts();
}

void CZelDoc::LayoutPagesFrom(int first) {
    if (!score) return;
    for (int p = std::max(0, first); p < score->GetPageCount(); ++p) LayoutOnePage(p);
    TakeLargestSheetCounts();
}

// The page's systems laid out again, and the sheets of paper it spans counted.
void CZelDoc::LayoutOnePage(int pageIndex) {
    CPage* page = score ? score->GetPage(pageIndex) : nullptr;
    if (!page) return;
    for (int s = 0; s < page->GetSystemCount(); ++s)
        if (CLine* line = page->GetLine(s)) line->Relayout();
    if (g_model.noPageTiling) return;
    const SIZE sheet = GetSheetPrintableSize();
    const RECT area = page->GetPrintableRect();
    page->SetColumnsAndRows(sheetsSpanned(area.right - area.left, sheet.cx),
                            sheetsSpanned(area.bottom - area.top, sheet.cy));
}

// A sheet prints the printer's printable area; it is scaled as the pages are (to the score size,
// then to the view), so a page of the printer's own setup spans exactly one.
SIZE CZelDoc::GetSheetPrintableSize() const {
    CPageSetup sheet = printerPageSetup;
    sheet.Unscale(scoreSize);
    const RECT printable = ScaleRectToView(sheet.GetMarginRect());
    return {printable.right - printable.left, printable.bottom - printable.top};
}

// Pages across and down: 1, or in a score that tiles its pages the largest counts of all pages.
void CZelDoc::TakeLargestSheetCounts() {
    if (!score || g_model.noPageTiling) return;
    pagesAcross = pagesDown = 1;
    if (!score->tilePages) return;
    for (int p = 0; p < score->GetPageCount(); ++p)
        if (const CPage* page = score->GetPage(p)) {
            pagesAcross = std::max(pagesAcross, page->GetColumns());
            pagesDown = std::max(pagesDown, page->GetRows());
        }
}

SIZE CZelDoc::GetViewExtent() const {
    const int pages = score ? std::max<int>(1, score->GetPageCount()) : 1;
    const int columns = location.arrangementMode == 1 ? pages : 1;
    const int rows = location.arrangementMode == 2 ? pages : 1;
    return {columns * (viewPageSetup.GetPaperWidth() + kPageGap) + kPageGap,
            rows * (viewPageSetup.GetPaperHeight() + kPageGap) + kPageGap};
}

void CZelDoc::SetArrangementMode(int mode) {
    location.arrangementMode = std::int16_t(mode);
    pageMode = std::int16_t(mode);
    if (!view) return;
    LayoutViewPanes();
    BindCurrentPane();
}

bool CZelDoc::LayoutViewPanes() {
    if (view) view->PositionPanes();
    return true;
}

CPagePaneBase* CZelDoc::GetPagePane(int page) const {
    if (!view) return nullptr;
    CPagePaneBase* pane = view->GetPagePane(page);
    return pane && pane->IsShown() ? pane : nullptr;
}

void CZelDoc::RefreshInsertionDisplay() {
    if (currentPane) currentPane->SetPlaybackCursorEnabled(false);
    ShowInsertionPoint(location.barIndex, false);
    InvalidatePanes();
}

void CZelDoc::InvalidatePanes() {
    if (!view) return;
    if (location.arrangementMode == 0) {
        if (currentPane) currentPane->Invalidate();
        return;
    }
    const int bottom = view->GetScrollPosition().y + view->GetClientSize().cy;
    for (int p = 0; score && p < score->GetPageCount(); ++p) {
        CPagePaneBase* pane = GetPagePane(p);
        if (!pane) continue;
        if (pane->GetTop() >= bottom) break;
        pane->Invalidate();
    }
}
