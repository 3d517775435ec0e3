#include "platform/FloatWnd.h"

#include <algorithm>

#include "framework/Input.h"
#include "framework/Screen.h"
#include "platform/Numeric.h"
#include "platform/PortLayer.h"
#include "platform/StdDlgGlobals.h"

namespace {

CFrameWnd* MainFrame() { return dynamic_cast<CFrameWnd*>(AfxGetMainWnd()); }

int MaximisedWidth() { return fw::GetSystemMetrics(SM_CXFULLSCREEN); }
int MaximisedHeight() { return fw::GetSystemMetrics(SM_CYFULLSCREEN) - 24; }

}  // namespace

UINT FloatWndKeyCode(UINT vk) {
    switch (vk) {
    case VK_PRIOR: return 11;
    case VK_NEXT: return 12;
    case VK_END: return 4;
    case VK_HOME: return 1;
    case VK_LEFT: return 28;
    case VK_UP: return 30;
    case VK_RIGHT: return 29;
    case VK_DOWN: return 31;
    case VK_DELETE: return 8;
    default: return 0;
    }
}

CFloatWnd::CFloatWnd() = default;
CFloatWnd::~CFloatWnd() = default;

void CFloatWnd::HideBar() {
    if (CFrameWnd* frame = MainFrame()) frame->ShowControlBar(this, FALSE);
}

void CFloatWnd::ShowBar() {
    if (CFrameWnd* frame = MainFrame()) frame->ShowControlBar(this, TRUE);
}

bool CFloatWnd::SetupDocking(UINT titleId, int, const RECT& rect, bool dockable) {
    char title[256];
    LoadResString(titleId, title);
    const UINT id = UINT(NewUniqueId());
    CFrameWnd* frame = MainFrame();
    if (!frame) return false;
    const SIZE size{rect.right - rect.left, rect.bottom - rect.top};
    if (!CSizingControlBarG::Create(title, frame, size, id)) return false;
    SetBarStyle((GetBarStyle() & ~DWORD(CBRS_BORDER_ANY)) | CBRS_TOOLTIPS | CBRS_FLYBY);
    edgeStyle |= kShowEdges | kSizeChildren;
    EnableDocking(dockable ? DWORD(CBRS_ALIGN_TOP) : DWORD(0));
    if (dockable) frame->DockControlBar(this);
    frame->FloatControlBar(this, POINT{rect.left, rect.top}, CBRS_ALIGN_TOP);
    InitSizes();
    ApplySizeLimits();
    child = GetChildWindow();
    return true;
}

CWnd* CFloatWnd::GetChildWindow() { return nullptr; }
bool CFloatWnd::IsBarWindow() { return IsWindow(); }
bool CFloatWnd::KeyDown(UINT, UINT, UINT) { return false; }
bool CFloatWnd::KeyChar(UINT, UINT, UINT) { return false; }
void CFloatWnd::OnNotify(UINT) {}

void CFloatWnd::InitSizes() {
    minTrackWidth = 100;
    minTrackHeight = 100;
    maxTrackWidth = MaximisedWidth();
    maxTrackHeight = MaximisedHeight();
}

void CFloatWnd::SizeChild(int w, int h) {
    if (!child || !child->IsWindow()) return;
    RECT r;
    child->GetWindowRect(&r);
    ScreenToClient(&r);
    child->SetWindowPos(nullptr, 0, 0, w, h - r.top, SWP_NOMOVE | SWP_NOZORDER);
}

void CFloatWnd::OnKeyDown(UINT vk, UINT repeat, UINT flags) {
    const UINT code = FloatWndKeyCode(vk);
    if (!code) {
        CWnd::OnKeyDown(vk, repeat, flags);
        return;
    }
    if (g_ui.currentNumeric)
        g_ui.currentNumeric->TypeKey(code, flags);
    else
        KeyDown(code, repeat, flags);
}

void CFloatWnd::OnChar(UINT ch, UINT repeat, UINT flags) {
    if (!KeyChar(ch, repeat, flags)) CWnd::OnChar(ch, repeat, flags);
}

void CFloatWnd::OnSize(UINT type, int cx, int cy) {
    CSizingControlBarG::OnSize(type, cx, cy);
    if (edgeStyle & kSizeChildren) SizeChild(cx, cy);
}

void CFloatWnd::OnGetMinMaxInfo(MINMAXINFO* info) {
    CSizingControlBarG::OnGetMinMaxInfo(info);
    if (!info || !IsFloating()) return;
    info->ptMinTrackSize = POINT{minTrackWidth, minTrackHeight};
    info->ptMaxTrackSize =
        POINT{std::min(maxTrackWidth, MaximisedWidth()), std::min(maxTrackHeight, MaximisedHeight())};
}

BOOL CFloatWnd::OnCommand(WPARAM wParam, LPARAM) {
    OnNotify(LOWORD(DWORD(wParam)));
    return TRUE;
}
