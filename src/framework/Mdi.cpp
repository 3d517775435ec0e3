// The multiple-document area: which child frame of each area is active, activation by a press
// or the focus, the next child when the active one goes, maximised frames that follow their
// area, and the routing of commands to the active child.
#include "framework/Mdi.h"

#include <algorithm>
#include <map>

#include "framework/View.h"
#include "framework/WindowImpl.h"

namespace {
// The active child frame of each area.
std::map<const CWnd*, CMDIChildWnd*>& ActiveByArea() {
    static std::map<const CWnd*, CMDIChildWnd*> active;
    return active;
}
// Set while an activation runs: the messages it sends do not start another.
bool g_activating = false;
}  // namespace

struct MdiArea {
    // The frame leaves its area: it is deactivated and the next child frame of the area (the
    // first in the area's order) becomes active.
    static void Leave(CMDIChildWnd* frame) {
        CWnd* area = frame->GetParent();
        auto& active = ActiveByArea();
        auto it = active.find(area);
        if (it == active.end() || it->second != frame) return;
        active.erase(it);
        frame->SendMessage(WM_MDIACTIVATE, WPARAM(frame), LPARAM(0));
        if (!area || !area->IsWindow()) return;
        for (CWnd* w : area->GetChildren()) {
            auto* next = dynamic_cast<CMDIChildWnd*>(w);
            if (next && next != frame && next->IsWindow()) {
                next->MDIActivate();
                return;
            }
        }
    }
};

CMDIChildWnd::CMDIChildWnd() = default;

CMDIChildWnd::~CMDIChildWnd() {
    if (IsWindow()) DestroyWindow();
    auto& active = ActiveByArea();
    for (auto it = active.begin(); it != active.end();)
        it = it->second == this ? active.erase(it) : std::next(it);
}

bool CMDIChildWnd::CreateFrame(CWnd* client, const RECT& rect, const char* title) {
    const DWORD style = (client ? WS_CHILD : WS_OVERLAPPED) | WS_CAPTION | WS_VISIBLE;
    if (!CWnd::Create(nullptr, title ? title : "", style, rect, client, 0)) return false;
    normal_ = rect;
    return true;
}

bool CMDIChildWnd::IsActive() const {
    const auto& active = ActiveByArea();
    auto it = active.find(GetParent());
    return it != active.end() && it->second == this;
}

CMDIChildWnd* CMDIChildWnd::MDIGetActive(const CWnd* client) {
    const auto& active = ActiveByArea();
    auto it = active.find(client);
    return it == active.end() ? nullptr : it->second;
}

void CMDIChildWnd::MDIActivate() {
    if (!IsWindow() || IsActive()) return;
    const bool outer = !g_activating;
    g_activating = true;
    CWnd* area = GetParent();
    auto& active = ActiveByArea();
    CMDIChildWnd* old = MDIGetActive(area);
    active[area] = this;
    if (old && old->IsWindow()) old->SendMessage(WM_MDIACTIVATE, WPARAM(old), LPARAM(this));
    if (area) BringWindowToTop();
    SendMessage(WM_MDIACTIVATE, WPARAM(old), LPARAM(this));
    if (outer) g_activating = false;
}

void CMDIChildWnd::MDIMaximize() {
    if (!maximized_) normal_ = GetNormalRect();
    maximized_ = true;
    if (CWnd* area = GetParent()) {
        RECT r;
        area->GetClientRect(&r);
        MoveWindow(r);
    }
}

void CMDIChildWnd::MDIRestore() {
    if (!maximized_) return;
    maximized_ = false;
    MoveWindow(normal_);
}

RECT CMDIChildWnd::GetNormalRect() const {
    if (maximized_ || !IsWindow()) return normal_;
    RECT r;
    GetWindowRect(&r);
    if (CWnd* area = GetParent()) area->ScreenToClient(&r);
    return r;
}

void CMDIChildWnd::SetNormalRect(const RECT& rect) {
    normal_ = rect;
    if (!maximized_) MoveWindow(rect);
}

BOOL CMDIChildWnd::OnCmdMsg(UINT id, int code) {
    if (activeView_ && activeView_->OnCmdMsg(id, code)) return TRUE;
    return CWnd::OnCmdMsg(id, code);
}

void CMDIChildWnd::OnMDIActivate(BOOL activate, CWnd*, CWnd*) {
    if (activeView_) activeView_->OnActivateView(activate, activeView_, activeView_);
}

LRESULT CMDIChildWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MDIACTIVATE: {
        auto* deactivated = reinterpret_cast<CWnd*>(wParam);
        auto* activated = reinterpret_cast<CWnd*>(lParam);
        OnMDIActivate(activated == this, activated, deactivated);
        return 0;
    }
    case WM_DESTROY: MdiArea::Leave(this); break;
    default: break;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

namespace fw {

void ActivateMdiChildOf(CWnd* wnd) {
    if (g_activating) return;
    for (CWnd* w = wnd; w; w = (w->GetStyle() & WS_CHILD) ? w->GetParent() : nullptr) {
        auto* frame = dynamic_cast<CMDIChildWnd*>(w);
        if (!frame) continue;
        // A frame of its own is not part of an area.
        if (frame->GetParent() && (frame->GetStyle() & WS_CHILD)) frame->MDIActivate();
        return;
    }
}

void MdiAreaResized(CWnd* area) {
    if (!area) return;
    for (CWnd* w : area->GetChildren()) {
        auto* frame = dynamic_cast<CMDIChildWnd*>(w);
        if (frame && frame->IsWindow() && frame->IsMaximized()) frame->MDIMaximize();
    }
}

CMDIChildWnd* ActiveChildOfFrame(const CWnd* frame) {
    for (const auto& [area, child] : ActiveByArea())
        if (area && child && child->IsWindow() && area->GetParent() == frame) return child;
    return nullptr;
}

}  // namespace fw
