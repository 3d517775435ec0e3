// The page pane's window and painting: the whole page in a paint, an edited rectangle through a
// memory bitmap copied in one piece.
#include "view/PagePane.h"

#include "model/TextTask.h"

#include <algorithm>

#include "framework/Globals.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/Port.h"
#include "view/ViewGlobals.h"
#include "view/ZelView.h"

CPagePane::CPagePane() = default;

CPagePane::~CPagePane() {
    if (document && document->currentPane == this) document->currentPane = nullptr;
}

bool CPagePane::SetPage(CZelView* owner, CZelDoc* doc, const RECT& rect, int id, int page) {
    view = owner;
    pageNumber = std::int16_t(page);
    textEditor = nullptr;
    selectInstead = 0;
    hitKind = 0;
    previewStaff = -1;
    previewX = -1;
    Attach(doc);
    if (!Create(owner, id, rect, kAnchorFixed, kAnchorFixed)) return false;
    eraseBackground = 1;
    return true;
}

void CPagePane::Attach(CZelDoc* doc) {
    document = doc;
    score = doc ? doc->GetScore() : nullptr;
    location = doc ? &doc->location : nullptr;
}

int CPagePane::GetTop() const {
    if (!IsWindow()) return 0;
    RECT r;
    GetWindowRect(&r);
    if (CWnd* parent = GetParent()) parent->ScreenToClient(&r);
    return int(r.top);
}

bool CPagePane::IsVisible() const {
    if (document && document->location.arrangementMode == 0) return pageNumber == document->location.pageIndex;
    if (!IsWindow() || !IsWindowVisible() || !view) return false;
    RECT r;
    GetWindowRect(&r);
    view->ScreenToClient(&r);
    const SIZE c = view->GetClientSize();
    return r.right > 0 && r.bottom > 0 && r.left < c.cx && r.top < c.cy;
}

bool CPagePane::AttachDrawing(CDC& dc) {
    if (!IsWindow()) return false;
    HideCaret();
    return dc.AttachWindow(this);
}

void CPagePane::TrackMouse(CMouseTask* task, POINT start) {
    if (!IsWindow()) return;
    // The pointer may leave the pane: the view scrolls after it.
    constexpr LONG kFar = 1 << 20;
    const bool was = tracking;
    tracking = true;
    CPane::TrackMouse(task, start, RECT{-kFar, -kFar, kFar, kFar});
    tracking = was;
}

bool CPagePane::AutoScroll(POINT point) {
    if (!IsWindow() || !view) return false;
    RECT r;
    GetWindowRect(&r);
    view->ScreenToClient(&r);
    const POINT scroll = view->GetScrollPosition();
    return view->AutoScroll(POINT{point.x + r.left + scroll.x, point.y + r.top + scroll.y});
}

// --- painting -------------------------------------------------------------------------------------

void CPagePane::DrawPage(POINT origin) {
    CArtist* a = GetArtist();
    CPage* page = score ? score->GetPage(pageNumber) : nullptr;
    if (!a || !page || !document) return;
    a->SetZoom(document->GetZoom());
    const RECT paper = page->GetPaperRect();
    RECT update{};
    if (g_draw.currentPort) g_draw.currentPort->GetClipBox(&update);
    a->SetWindowOrg(paper.left + origin.x, paper.top + origin.y);
    fw::ScopedGlobal<RECT> keepUpdate(g_model.updateRect);
    g_model.updateRect = {paper.left + origin.x + update.left, paper.top + origin.y + update.top,
                          paper.left + origin.x + update.right, paper.top + origin.y + update.bottom};
    page->Draw();
    page->MakeCurrent();
    if (g_preferences.Byte(Preferences::kGridDisplay)) DrawGrid(*page);
    a->SetWindowOrg(0, 0);
}

void CPagePane::Paint(const RECT&) {
    if (!IsWindow()) return;
    ForgetMarks();
    DrawPage(POINT{0, 0});
    // An open text editor is drawn again at once over the page.
    if (CTextEdit* editor = document && document->textTask ? document->textTask->Editor() : nullptr) {
        editor->Invalidate(TRUE);
        editor->UpdateWindow();
    }
}

BOOL CPagePane::OnEraseBkgnd(CDC* dc) {
    if (!dc) return TRUE;
    RECT client;
    GetClientRect(&client);
    PushPort(dc);
    if (CArtist* a = GetArtist()) {
        a->SetCopyMode();
        a->FillRectColor(client, kPaperColor);
    }
    PopPort();
    return TRUE;
}

void CPagePane::InvalidateAll() {
    RECT client;
    GetClientRect(&client);
    RedrawRect(client);
}

void CPagePane::RedrawRect(const RECT& wanted) {
    if (!IsWindow()) return;
    HideCaret();
    DrawPreview(true);
    RECT client;
    GetClientRect(&client);
    const RECT r{std::max(wanted.left, client.left), std::max(wanted.top, client.top),
                 std::min(wanted.right, client.right), std::min(wanted.bottom, client.bottom)};
    if (r.left >= r.right || r.top >= r.bottom) return;
    const int w = int(r.right - r.left), h = int(r.bottom - r.top);
    CClientDC windowDC(this);
    CDC mem;
    CBitmap bitmap;
    if (!mem.CreateCompatibleDC(&windowDC) || !bitmap.CreateBitmap(w, h)) {
        InvalidateRect(&r, TRUE);
        UpdateWindow();
        return;
    }
    CBitmap* old = mem.SelectObject(&bitmap);
    mem.SetTextAlign(TA_BASELINE);
    mem.SetBkMode(TRANSPARENT);
    PushPort(&mem);
    if (CArtist* a = GetArtist()) {
        a->SetCopyMode();
        a->FillRectColor(RECT{0, 0, w, h}, kPaperColor);
    }
    DrawPage(POINT{int(r.left), int(r.top)});
    PopPort();
    windowDC.BitBlt(int(r.left), int(r.top), w, h, &mem, 0, 0, SRCCOPY);
    mem.SelectObject(old);
}
