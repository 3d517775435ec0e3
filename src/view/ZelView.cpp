// The score view's pane layout, scrolling with blocks, keys and the gaps between pages.
#include "view/ZelView.h"

#include "model/ApplicationOps.h"

#include "view/ToolState.h"

#include <algorithm>
#include <vector>

#include "framework/App.h"
#include "framework/Input.h"
#include "framework/Screen.h"
#include "framework/Window.h"
#include "model/Page.h"
#include "model/Playback.h"
#include "model/Score.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/Numeric.h"
#include "platform/Port.h"
#include "platform/StdDlgGlobals.h"
#include "view/PagePane.h"
#include "view/ViewPreview.h"
#include "view/Ruler.h"
#include "view/ZelWnd.h"

namespace {
constexpr UINT kExtendedKey = 0x0100;  // the key data's extended-key bit (keypad Enter)
constexpr UINT kFirstViewCommand = 38000, kLastViewCommand = 38013;
constexpr UINT kFitPageWidthCommand = 33310, kFitPageHeightCommand = 33312;
}  // namespace

namespace {
constexpr UINT kQuickTickMs = 1000 / 60;
// The score windows there are, for QuickenTicks.
std::vector<CZelView*>& Views() {
    static std::vector<CZelView*> views;
    return views;
}
}  // namespace

void CZelView::QuickenTicks() {
    for (CZelView* v : Views()) v->SetTickInterval(kQuickTickMs);
}

void CZelView::SetTickInterval(UINT ms) {
    if (!IsWindow() || ms == tickMs) return;
    tickMs = ms;
    SetTimer(kTickTimer, ms);
}

CZelView::CZelView() {
    Views().push_back(this);
    AddCommand(ID_FILE_PRINT, [this] { PrintToPrinter(true); });
    AddCommand(ID_FILE_PRINT_DIRECT, [this] { PrintToPrinter(false); });
    AddCommand(ID_FILE_PRINT_PREVIEW, [this] { PrintPreview(); });
    // The View commands (zoom and page arrangement) are the document's.
    const auto viewCommand = [this](UINT id) {
        if (document) document->OnViewCommand(int(id));
    };
    AddCommandRange(kFirstViewCommand, kLastViewCommand, viewCommand);
    AddCommandRange(kFitPageWidthCommand, kFitPageWidthCommand, viewCommand);
    AddCommandRange(kFitPageHeightCommand, kFitPageHeightCommand, viewCommand);
}

CDocument* CZelView::GetDocument() const { return document; }

CZelView::~CZelView() {
    std::erase(Views(), this);
    if (preview) preview->End();
    preview.reset();
    if (document && document->view == this) document->view = nullptr;
    if (document) document->currentPane = nullptr;
}

int CZelView::PagesPerBlock(int mode, int w, int h) {
    if (mode == 0) return 1;
    const int step = (mode == 1 ? w : h) + kPageGap;
    return std::max(1, step > 0 ? kMaxBlock / step - 2 : 1);
}

int CZelView::Mode() const { return document ? document->location.arrangementMode : 0; }

void CZelView::AttachDocument(CZelDoc* doc, CZelWnd* wnd) {
    document = doc;
    score = doc ? doc->GetScore() : nullptr;
    location = doc ? &doc->location : nullptr;
    frame = wnd;
    if (doc) doc->view = this;
    tickMs = 0;
    SetTickInterval(kQuickTickMs);
    if (wnd) {
        wnd->document = doc;
        wnd->view = this;
        hRuler = &wnd->hRuler;
        vRuler = &wnd->vRuler;
    }
    OnInitialUpdate();
}

void CZelView::OnInitialUpdate() {
    if (!document) return;
    // The document's view set-up runs before the rulers are bound and again for a window that
    // is not maximised.
    if (frame) frame->SetUpFromDocument();
    if (frame) frame->CreateRulers(document);
    if (frame) {
        bool maximised = false;
        RECT normal{};
        frame->GetPlacement(maximised, normal);
        if (!maximised) frame->SetUpFromDocument();
    }
    document->MakeCurrent();
    document->RecalcPageGeometry(true, true);
    document->BindCurrentPane();
    ShowRulers(score && score->showRulers);
}

void CZelView::OnActivateView(BOOL activate, CView* activateView, CView* deactivateView) {
    CScrollView32::OnActivateView(activate, activateView, deactivateView);
    if (activate && document)
        if (CWinApp* app = AfxGetApp()) app->ActivateDocument(document);
}

// --- layout ---------------------------------------------------------------------------------------

bool CZelView::LayoutPanes() {
    if (!document) return true;
    score = document->GetScore();
    const int n = std::max(1, score ? int(score->GetPageCount()) : 1);
    pageCount = n;
    const SIZE extent = document->GetViewExtent();
    SetScrollSizes(MM_TEXT, extent);
    currentBlock = -1;
    pageWidth = document->viewPageSetup.GetPaperWidth();
    pageHeight = document->viewPageSetup.GetPaperHeight();
    const int mode = Mode();
    pagesPerBlock = PagesPerBlock(mode, pageWidth, pageHeight);
    blockWidth = (pageWidth + kPageGap) * (mode == 1 ? pagesPerBlock : 1);
    blockHeight = (pageHeight + kPageGap) * (mode == 2 ? pagesPerBlock : 1);

    if (int(panes.size()) > n) panes.resize(std::size_t(n));
    while (int(panes.size()) < n) {
        const int i = int(panes.size());
        auto pane = std::make_unique<CPagePane>();
        const RECT r{kPageGap, kPageGap, kPageGap + pageWidth, kPageGap + pageHeight};
        if (!pane->SetPage(this, document, r, i + 1, i)) return false;
        pane->ShowWindow(mode != 0 || i == 0 ? SW_SHOW : SW_HIDE);
        panes.push_back(std::move(pane));
    }

    const POINT scroll = GetScrollPosition();
    POINT at{kPageGap, kPageGap};
    for (int i = 0; i < n; ++i) {
        CPagePane* pane = panes[std::size_t(i)].get();
        pane->SetPageNumber(i);
        pane->Attach(document);
        pane->MoveWindow(at.x - scroll.x, at.y - scroll.y, pageWidth, pageHeight, FALSE);
        if (mode != 0) {
            pane->ShowWindow(SW_SHOW);
            if (mode == 1)
                at.x += kPageGap + pageWidth;
            else
                at.y += kPageGap + pageHeight;
        } else {
            pane->ShowWindow(i == 0 ? SW_SHOW : SW_HIDE);
        }
    }

    if (document->location.pageIndex > n - 1) document->location.pageIndex = std::uint16_t(n - 1);
    SetTotalSize();
    document->currentPane = nullptr;
    document->BindCurrentPane();
    ScrollToPosition(GetScrollPosition());
    if (rulersShown) RedrawRulers();
    document->ShowInsertionPoint(document->location.barIndex, false);
    return true;
}

void CZelView::SetTotalSize() {
    RECT r{kPageGap, kPageGap, kPageGap + pageWidth, kPageGap + pageHeight};
    const int mode = Mode();
    if (mode != 0 && pageCount > 1) {
        if (mode == 2)
            r.bottom += (pageCount - 1) * (pageHeight + kPageGap);
        else
            r.right += (pageCount - 1) * (pageWidth + kPageGap);
    }
    r = {r.left - kPageGap, r.top - kPageGap, r.right + kPageGap, r.bottom + kPageGap};
    r = {0, 0, r.right - r.left - 1, r.bottom - r.top - 1};
    totalRect = r;
    // The bar goes back to the position inside the page shown before the sizes change.
    if (pageStep > 0) SetScrollPos(SB_VERT, pageScrollY);
    pageStep = 0;
    RECT client;
    GetClientRect(&client);
    const SIZE page{std::max<LONG>(1, client.right), std::max<LONG>(1, client.bottom)};
    const SIZE line{std::max<LONG>(1, page.cx / 10), std::max<LONG>(1, page.cy / 10)};
    SetScrollSizes(MM_TEXT, SIZE{r.right, r.bottom}, page, line);
    if (mode != 0 || pageCount <= 1 || panes.empty()) return;
    // One page shown of several: the bar holds every page's own scroll range one after another.
    const int within = std::max<int>(0, int(totalDev.cy - pageDev.cy));
    const int step = within + 1;
    SetScrollSizes(MM_TEXT, SIZE{r.right, LONG(pageDev.cy + pageCount * step - 1)}, page, line);
    pageStep = step;
    const int shown = std::clamp(panes[0]->GetPageNumber(), 0, pageCount - 1);
    pageScrollY = std::clamp<int>(GetScrollPos(SB_VERT), 0, within);
    SetScrollPos(SB_VERT, shown * step + pageScrollY);
}

POINT CZelView::GetScrollPosition() const {
    POINT at = CScrollView32::GetScrollPosition();
    if (pageStep > 0 && Mode() == 0) at.y = pageScrollY;
    return at;
}

void CZelView::ShowSinglePage(int page) {
    if (panes.empty()) return;
    page = std::clamp(page, 0, std::max(0, pageCount - 1));
    if (panes[0]->GetPageNumber() != page) {
        panes[0]->SetPageNumber(page);
        panes[0]->Invalidate();
        if (document && document->location.pageIndex != page) document->SetCurrentPage(page);
    }
    if (pageStep > 0) SetScrollPos(SB_VERT, page * pageStep + pageScrollY);
}

void CZelView::OnSize(UINT type, int cx, int cy) {
    CScrollView32::OnSize(type, cx, cy);
    // The page's own range follows the window's height.
    if (pageStep > 0 && Mode() == 0 && !panes.empty()) {
        SetTotalSize();
        ScrollToPosition(GetScrollPosition());
    }
}

void CZelView::ShowPage(int page) {
    const int mode = Mode();
    if (mode == 0) {
        if (!panes.empty()) {
            panes[0]->SetPageNumber(page);
            panes[0]->Invalidate();
            if (pageStep > 0) SetScrollPos(SB_VERT, std::clamp(page, 0, pageCount - 1) * pageStep + pageScrollY);
        }
        return;
    }
    POINT at = GetScrollPosition();
    if (mode == 1)
        at.x = page * (pageWidth + kPageGap);
    else
        at.y = page * (pageHeight + kPageGap);
    ScrollToPosition(at);
    UpdateWindow();
}

CPagePane* CZelView::GetPane(int i) const {
    return i >= 0 && i < int(panes.size()) ? panes[std::size_t(i)].get() : nullptr;
}

CPagePane* CZelView::GetShownPane(int page) const {
    if (Mode() == 0) {
        CPagePane* pane = GetPane(0);
        return pane && pane->GetPageNumber() == page ? pane : nullptr;
    }
    return GetPane(page);
}

CPagePane* CZelView::GetVisiblePane(int page) const {
    if (page < 0 || page >= pageCount) return nullptr;
    CPagePane* pane = GetShownPane(page);
    return pane && pane->IsVisible() ? pane : nullptr;
}

CPagePaneBase* CZelView::GetPagePane(int page) { return GetShownPane(page); }
CPagePaneBase* CZelView::GetSinglePane() { return GetPane(0); }

bool CZelView::GetWindowPlacement(bool& maximised, RECT& rect) const {
    if (!frame || !frame->IsWindow()) return false;
    frame->GetPlacement(maximised, rect);
    return true;
}

void CZelView::SetWindowPlacement(bool maximised, const RECT& rect) {
    if (frame && frame->IsWindow()) frame->SetPlacement(maximised, rect);
}

void CZelView::TitleChanged() {
    if (frame && frame->IsWindow()) frame->OnUpdateFrameTitle(true);
}

void CZelView::InvalidatePanes() {
    if (Mode() == 0) {
        if (CPagePane* pane = GetPane(0)) pane->InvalidateAll();
        return;
    }
    const int current = document ? document->location.pageIndex : 0;
    for (int i = 0; i < int(panes.size()); ++i) {
        CPagePane* pane = panes[std::size_t(i)].get();
        if (pane->IsVisible())
            pane->InvalidateAll();
        else if (i > current)
            break;
    }
}

// --- scrolling ------------------------------------------------------------------------------------

SIZE CZelView::GetClientSize() const {
    RECT client;
    GetClientRect(&client);
    return {client.right, client.bottom};
}

RECT CZelView::GetScrollRange() const {
    return {0, 0, totalRect.right, totalRect.bottom};
}

RECT CZelView::GetVisibleRect() const {
    const POINT s = GetScrollPosition();
    const SIZE c = GetClientSize();
    return {s.x, s.y, s.x + c.cx, s.y + c.cy};
}

void CZelView::PlaceBlock(int block, int offset, POINT scroll) {
    const int mode = Mode();
    const int first = block * pagesPerBlock;
    for (int i = 0; i < int(panes.size()); ++i) {
        CPagePane* pane = panes[std::size_t(i)].get();
        if (i < first - 1 || i > first + pagesPerBlock + 1) {
            pane->ShowWindow(SW_HIDE);
            pane->MoveWindow(kParked, kParked, 1, 1, FALSE);
            continue;
        }
        const int along = kPageGap + (i - first) * ((mode == 1 ? pageWidth : pageHeight) + kPageGap) - offset;
        if (mode == 1)
            pane->MoveWindow(along, kPageGap - scroll.y, pageWidth, pageHeight, FALSE);
        else
            pane->MoveWindow(kPageGap - scroll.x, along, pageWidth, pageHeight, FALSE);
        pane->ShowWindow(SW_SHOW);
    }
}

void CZelView::ParkHiddenPanes() {
    for (auto& pane : panes)
        if (!pane->IsWindowVisible()) pane->MoveWindow(kParked, kParked, 1, 1, FALSE);
}

void CZelView::ScrollToPosition(POINT pt) {
    if (panes.empty() || !document) {
        CScrollView32::ScrollToPosition(pt);
        return;
    }
    const int x = std::clamp<int>(pt.x, 0, std::max(0, GetScrollLimit(SB_HORZ)));
    const int y = std::clamp<int>(pt.y, 0, std::max(0, GetScrollLimit(SB_VERT)));
    const int mode = Mode();
    if (mode == 0 && pageStep > 0) {
        // Inside the page shown; the bar stands at that page's part of its range.
        const POINT old{GetScrollPos(SB_HORZ), pageScrollY};
        const int local = std::clamp<int>(pt.y, 0, pageStep - 1);
        const int shown = std::clamp(panes[0]->GetPageNumber(), 0, pageCount - 1);
        pageScrollY = local;
        SetScrollPos(SB_HORZ, x);
        SetScrollPos(SB_VERT, shown * pageStep + local);
        const int dx = int(old.x - x), dy = int(old.y - local);
        if (dx || dy) ScrollWindow(dx, dy);
        return;
    }
    if (mode == 0) {
        CScrollView32::ScrollToDevicePosition(POINT{x, y});
        return;
    }
    const POINT old = GetScrollPosition();
    const int block = mode == 1 ? x / std::max(1, blockWidth) : y / std::max(1, blockHeight);
    const int offset = mode == 1 ? x % std::max(1, blockWidth) : y % std::max(1, blockHeight);
    SetScrollPos(SB_HORZ, x);
    SetScrollPos(SB_VERT, y);
    if (block != currentBlock) {
        PlaceBlock(block, offset, POINT{x, y});
        CWnd::Invalidate();
    } else {
        const int dx = int(old.x - x), dy = int(old.y - y);
        if (dx || dy) {
            ScrollWindow(dx, dy);
            ParkHiddenPanes();
        }
    }
    currentBlock = block;
}

BOOL CZelView::OnScroll(UINT code, UINT pos, BOOL doScroll) {
    UpdateRulerMarks(false);
    const POINT before = GetScrollPosition();
    const BOOL result = CScrollView32::OnScroll(code, pos, doScroll);
    const POINT after = GetScrollPosition();
    if (doScroll && rulersShown && (before.x != after.x || before.y != after.y)) RedrawRulers();
    return result;
}

BOOL CZelView::OnScrollBy(SIZE by, BOOL doScroll) {
    if (panes.empty() || !document) return CScrollView32::OnScrollBy(by, doScroll);
    const DWORD style = GetStyle();
    if (!(style & WS_VSCROLL)) by.cy = 0;
    if (!(style & WS_HSCROLL)) by.cx = 0;
    if (Mode() == 0 && pageStep > 0) {
        // Along the bar: a position past the page shown shows the page it belongs to.
        const POINT from{GetScrollPos(SB_HORZ), GetScrollPos(SB_VERT)};
        const long long x = std::clamp<long long>(from.x + (long long)by.cx, 0, std::max(0, GetScrollLimit(SB_HORZ)));
        const long long y = std::clamp<long long>(from.y + (long long)by.cy, 0, std::max(0, GetScrollLimit(SB_VERT)));
        if (x == from.x && y == from.y) return FALSE;
        if (!doScroll) return TRUE;
        const int page = std::min<int>(pageCount - 1, int(y / pageStep));
        const int local = int(y - (long long)page * pageStep);
        if (page != panes[0]->GetPageNumber()) {
            ShowSinglePage(page);
            CWnd::Invalidate();
        }
        ScrollToPosition(POINT{LONG(x), LONG(local)});
        return TRUE;
    }
    const POINT from = GetScrollPosition();
    const long long x = std::clamp<long long>(from.x + (long long)by.cx, 0, std::max(0, GetScrollLimit(SB_HORZ)));
    const long long y = std::clamp<long long>(from.y + (long long)by.cy, 0, std::max(0, GetScrollLimit(SB_VERT)));
    if (x == from.x && y == from.y) return FALSE;
    if (doScroll) ScrollToPosition(POINT{LONG(x), LONG(y)});
    return TRUE;
}

bool CZelView::AutoScroll(POINT pt) {
    pt.x = std::clamp<LONG>(pt.x, totalRect.left, totalRect.right);
    pt.y = std::clamp<LONG>(pt.y, totalRect.top, totalRect.bottom);
    const RECT visible = GetVisibleRect();
    int dx = 0, dy = 0;
    if (pt.x < visible.left)
        dx = -6;
    else if (pt.x > visible.right)
        dx = 6;
    if (pt.y < visible.top)
        dy = -4;
    else if (pt.y > visible.bottom)
        dy = 4;
    if (!dx && !dy) return false;
    UpdateRulerMarks(false);
    const POINT s = GetScrollPosition();
    ScrollToPosition(POINT{std::max<LONG>(0, s.x + dx), std::max<LONG>(0, s.y + dy)});
    if (rulersShown) RedrawRulers();
    UpdateWindow();
    return true;
}

void CZelView::HandScroll() {
    constexpr UINT kPollMs = 20;
    POINT last;
    fw::GetCursorPos(&last);
    while (fw::MouseLoopStep(kPollMs)) {
        POINT now;
        fw::GetCursorPos(&now);
        if (now.x == last.x && now.y == last.y) continue;
        UpdateRulerMarks(false);
        const POINT s = GetScrollPosition();
        ScrollToPosition(POINT{std::max<LONG>(0, s.x - (now.x - last.x)), std::max<LONG>(0, s.y - (now.y - last.y))});
        if (rulersShown) RedrawRulers();
        UpdateWindow();
        last = now;
    }
}

void CZelView::CalcWindowRect(RECT* rect, bool adjustOutside) {
    if (frame && rulersShown) frame->PlaceRulers(true);
    CScrollView32::CalcWindowRect(rect, adjustOutside);
}

// --- rulers ---------------------------------------------------------------------------------------

void CZelView::ShowRulers(bool on) {
    rulersShown = on ? 1 : 0;
    if (score) score->showRulers = rulersShown;
    if (frame) frame->PlaceRulers(on);
}

void CZelView::UpdateRulerMarks(bool show, POINT viewPoint) {
    if (!hRuler || !vRuler || !hRuler->IsWindow()) return;
    if (!show) {
        hRuler->SetMark(-1);
        vRuler->SetMark(-1);
        return;
    }
    const POINT s = GetScrollPosition();
    hRuler->SetMark(int(viewPoint.x - s.x) + 2);
    vRuler->SetMark(int(viewPoint.y - s.y));
}

void CZelView::RedrawRulers() {
    if (!hRuler || !vRuler || !hRuler->IsWindow()) return;
    hRuler->Invalidate();
    vRuler->Invalidate();
    hRuler->UpdateWindow();
    vRuler->UpdateWindow();
}

// --- keys -----------------------------------------------------------------------------------------

void CZelView::OnKeyDown(UINT vk, UINT, UINT flags) {
    switch (vk) {
    case VK_PRIOR: OnScroll((0xFFu | (UINT(SB_PAGEUP) << 8)), 0); return;
    case VK_NEXT: OnScroll((0xFFu | (UINT(SB_PAGEDOWN) << 8)), 0); return;
    case VK_END: OnScroll((0xFFu | (UINT(SB_BOTTOM) << 8)), 0); return;
    case VK_HOME:
        OnScroll((0xFFu | (UINT(SB_TOP) << 8)), 0);
        if (document) document->SetCurrentBar(0, true);
        return;
    case VK_LEFT: CharPath(28, flags); return;
    case VK_UP: CharPath(30, flags); return;
    case VK_RIGHT: CharPath(29, flags); return;
    case VK_DOWN: CharPath(31, flags); return;
    case VK_DELETE: CharPath(8, flags); return;
    default: break;
    }
}

void CZelView::OnChar(UINT ch, UINT, UINT flags) { CharPath(ch, flags); }

void CZelView::CharPath(UINT ch, UINT flags) {
    if (ch == 13 && (flags & kExtendedKey)) ch = 3;
    if (g_ui.currentNumeric) {
        g_ui.currentNumeric->TypeKey(ch, flags);
        return;
    }
    // The document reads the key first; what it leaves ends with the application's key handler,
    // whose last step is the main tool bar's shortcuts.
    // The key data's low byte is the key's scan code; a view without a document hands its keys
    // to the application.
    const int scanCode = int(flags & 0xFF);
    if (document)
        document->OnKeyChar(int(ch), scanCode);
    else if (AppOps().handleKey)
        AppOps().handleKey(int(ch), scanCode);
}

// --- background -----------------------------------------------------------------------------------

BOOL CZelView::OnEraseBkgnd(CDC* dc) {
    CArtist* a = GetArtist();
    if (!a || !dc) return TRUE;
    PushPort(dc);
    a->SetCopyMode();
    const POINT s = GetScrollPosition();
    RECT update{};
    dc->GetClipBox(&update);
    auto strip = [&](RECT r) {
        r = {r.left - s.x, r.top - s.y, r.right - s.x, r.bottom - s.y};
        const RECT meet{std::max(r.left, update.left), std::max(r.top, update.top), std::min(r.right, update.right),
                        std::min(r.bottom, update.bottom)};
        if (meet.left < meet.right && meet.top < meet.bottom) a->FillRectColor(meet, kGapColor);
    };
    strip({0, 0, totalRect.right + 1, kPageGap});
    strip({0, 0, kPageGap, totalRect.bottom + 1});
    const int mode = Mode();
    const int shown = mode == 0 ? 1 : pageCount;
    for (int i = 0; i < shown; ++i) {
        const int left = kPageGap + (mode == 1 ? i * (pageWidth + kPageGap) : 0);
        const int top = kPageGap + (mode == 2 ? i * (pageHeight + kPageGap) : 0);
        strip({left + pageWidth, top - kPageGap, left + pageWidth + kPageGap, top + pageHeight + kPageGap});
        strip({left - kPageGap, top + pageHeight, left + pageWidth + kPageGap, top + pageHeight + kPageGap});
    }
    PopPort();
    if (auto* pane = document ? dynamic_cast<CPagePane*>(document->currentPane) : nullptr) pane->DrawPreview(true);
    return TRUE;
}

void CZelView::OnDraw(CDC*) {}

void CZelView::OnTimer(UINT_PTR id) {
    if (id == kTickTimer) OnTick();
}

void CZelView::OnTick() {
    auto* pane = document ? dynamic_cast<CPagePane*>(document->currentPane) : nullptr;
    if (pane) pane->OnTick();
    // At rest nothing but the caret's blink needs the tick.
    const bool busy = PlaybackRunning() || (pane && pane->IsUnderPointer());
    SetTickInterval(busy ? kQuickTickMs : std::max<UINT>(kQuickTickMs, UINT(fw::GetCaretBlinkTime()) / 2));
}
