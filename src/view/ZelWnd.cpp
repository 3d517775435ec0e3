// The score window's frame: its view, rulers and corner, title, activation, closing and
// placement.
#include "view/ZelWnd.h"

#include <algorithm>

#include "framework/Input.h"
#include "framework/StringTable.h"
#include "model/ZelDoc.h"
#include "view/ZelView.h"

namespace {
constexpr UINT kTitlePrefix = 6060;
constexpr int kViewId = 0xE900 + 0x100;  // the frame's first pane
}  // namespace

CZelWnd::CZelWnd() = default;

CZelWnd::~CZelWnd() {
    // The window goes while it is still a score window, so that the area hears it leave.
    if (IsWindow()) DestroyWindow();
    SetActiveView(nullptr);
    if (ownView) ownView->DestroyWindow();
}

bool CZelWnd::Create(CWnd* parent, const RECT& rect, CZelDoc* doc) {
    if (!CreateFrame(parent, rect, "")) return false;
    flagByte = 0;
    ownView = std::make_unique<CZelView>();
    RECT client;
    GetClientRect(&client);
    if (!ownView->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL, client, this, kViewId))
        return false;
    view = ownView.get();
    SetActiveView(view);
    view->AttachDocument(doc, this);
    OnUpdateFrameTitle(true);
    return true;
}

void CZelWnd::CreateRulers(CZelDoc* doc) {
    if (!rulersMade) {
        corner.Create(this, 0, RECT{0, 0, CRuler::kThickness, CRuler::kThickness}, CPane::kAnchorStart,
                      CPane::kAnchorStart);
        hRuler.Create(this, 0, RECT{CRuler::kThickness, 0, 10000, CRuler::kThickness}, CPane::kAnchorStart,
                      CPane::kAnchorStart);
        vRuler.Create(this, 0, RECT{0, CRuler::kThickness, CRuler::kThickness, 10000}, CPane::kAnchorStart,
                      CPane::kAnchorStart);
        hRuler.horizontal = 1;
        rulersMade = true;
    }
    corner.SetDocument(doc);
    hRuler.SetDocument(doc);
    vRuler.SetDocument(doc);
}

void CZelWnd::PlaceRulers(bool shown) {
    if (!IsWindow()) return;
    RECT client;
    GetClientRect(&client);
    const int t = CRuler::kThickness;
    if (rulersMade) {
        const int cmd = shown ? SW_SHOW : SW_HIDE;
        corner.ShowWindow(cmd);
        hRuler.ShowWindow(cmd);
        vRuler.ShowWindow(cmd);
        if (shown) {
            hRuler.SetRect(t, 0, std::max<int>(0, client.right - t), t);
            vRuler.SetRect(0, t, t, std::max<int>(0, client.bottom - t));
        }
    }
    if (view && view->IsWindow()) {
        const int inset = shown && rulersMade ? t : 0;
        view->MoveWindow(inset, inset, std::max<int>(0, client.right - inset), std::max<int>(0, client.bottom - inset));
        view->CWnd::Invalidate();
    }
}

void CZelWnd::OnSize(UINT type, int cx, int cy) {
    CWnd::OnSize(type, cx, cy);
    PlaceRulers(view && view->rulersShown);
}

std::string CZelWnd::FrameTitle(bool addToTitle) const {
    if (!addToTitle || !document) return {};
    std::string title;
    fw::LoadStringResource(kTitlePrefix, title);
    title += document->GetTitle();
    if (document->IsModified()) title += "*";
    return title;
}

void CZelWnd::OnUpdateFrameTitle(bool addToTitle) { SetWindowText(FrameTitle(addToTitle).c_str()); }

void CZelWnd::OnMDIActivate(bool activate, bool buttonDown, POINT screenPointer) {
    ignoreNextClick = 0;
    if (!activate) return;
    RECT client;
    GetClientRect(&client);
    ClientToScreen(&client);
    if (buttonDown && screenPointer.x >= client.left && screenPointer.x < client.right &&
        screenPointer.y >= client.top && screenPointer.y < client.bottom)
        ignoreNextClick = 1;
    if (document) document->MakeCurrent();
}

void CZelWnd::OnMDIActivate(BOOL activate, CWnd* activateWnd, CWnd* deactivateWnd) {
    ignoreNextClick = 0;
    CMDIChildWnd::OnMDIActivate(activate, activateWnd, deactivateWnd);
    POINT pointer{};
    fw::GetCursorPos(&pointer);
    OnMDIActivate(activate != FALSE, (fw::GetKeyState(VK_LBUTTON) & 0x8000) != 0, pointer);
}

void CZelWnd::OnClose() {
    if (!document) {
        DestroyWindow();
        return;
    }
    if (!document->SaveModified()) return;
    // The window lets go of its document, goes (the area activates the next window) and closes
    // the document, which the application then lets go of.
    CZelDoc* doc = document;
    if (view) view->document = nullptr;
    if (doc->view == view) doc->view = nullptr;
    doc->currentPane = nullptr;
    document = nullptr;
    DestroyWindow();
    doc->OnCloseDocument();
}

void CZelWnd::SetUpFromDocument() {
    if (!document || !GetParent()) return;
    document->RestoreWindowPlacement();
}

void CZelWnd::GetPlacement(bool& maximised, RECT& rect) const {
    if (GetParent()) {
        maximised = IsMaximized();
        rect = GetNormalRect();
        return;
    }
    WINDOWPLACEMENT wp{};
    GetWindowPlacement(&wp);
    maximised = wp.showCmd == SW_SHOWMAXIMIZED;
    rect = wp.rcNormalPosition;
}

void CZelWnd::SetPlacement(bool maximised, const RECT& wanted) {
    RECT parent{0, 0, 0x7FFF, 0x7FFF};
    if (CWnd* p = GetParent()) p->GetClientRect(&parent);
    RECT r = wanted;
    r.left = std::max<LONG>(0, r.left);
    r.top = std::max<LONG>(0, r.top);
    const LONG w = std::min<LONG>(r.right - wanted.left, parent.right);
    const LONG h = std::min<LONG>(r.bottom - wanted.top, parent.bottom);
    r.right = r.left + w;
    r.bottom = r.top + h;
    if (GetParent()) {
        SetNormalRect(r);
        if (maximised)
            MDIMaximize();
        else
            MDIRestore();
        return;
    }
    WINDOWPLACEMENT wp{};
    GetWindowPlacement(&wp);
    wp.rcNormalPosition = r;
    wp.showCmd = maximised ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
    SetWindowPlacement(&wp);
}
