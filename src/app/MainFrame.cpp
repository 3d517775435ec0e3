#include "app/MainFrame.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "app/AppGlobals.h"
#include "app/AppStandIns.h"
#include "app/StatBar.h"
#include "app/ZelApp.h"
#include "framework/CmdUI.h"
#include "framework/ControlBar.h"
#include "framework/DC.h"
#include "framework/Gdi.h"
#include "framework/Input.h"
#include "framework/Registry.h"
#include "framework/Screen.h"
#include "model/Playback.h"
#include "model/TaskMakers.h"
#include "platform/FloatWnd.h"
#include "platform/MenuFilter.h"
#include "platform/Numeric.h"
#include "platform/PlatformGlobals.h"
#include "platform/RvqUtil.h"
#include "platform/StdDlgGlobals.h"
#include "view/ToolState.h"

namespace {

// The width and height of an icon, which a pulled-back placement keeps on the screen.
constexpr int kIconSize = 32;

void PutLong(std::string& out, std::int32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(char((std::uint32_t(v) >> (8 * i)) & 0xFF));
}
std::int32_t GetLong(const std::string& in, int at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= std::uint32_t(std::uint8_t(in[at + i])) << (8 * i);
    return std::int32_t(v);
}

std::string BarKey(int index) { return std::string(CZelDesktop::kBarStateSection) + "-Bar" + std::to_string(index); }
std::string SummaryKey() { return std::string(CZelDesktop::kBarStateSection) + "-Summary"; }

}  // namespace

BOOL CMDIClientWnd::OnEraseBkgnd(CDC* dc) {
    RECT r;
    GetClientRect(&r);
    CBitmap pattern;
    CBrush brush;
    if (pattern.LoadBitmap(kBackgroundBitmap) && brush.CreatePatternBrush(pattern))
        dc->FillRect(&r, &brush);
    else
        dc->FillSolidRect(&r, RGB(128, 128, 128));
    return TRUE;
}

CZelDesktop::CZelDesktop() = default;

CZelDesktop::~CZelDesktop() {
    delete statusBar_;
    statusBar_ = nullptr;
}

bool CZelDesktop::Create() {
    RECT r{0, 0, 1024, 720};
    if (!CFrameWnd::Create(nullptr, kProgramName, WS_OVERLAPPEDWINDOW, r, nullptr, 0)) return false;
    LoadMenuBar(kMainMenu);
    FilterMenu(GetMenu());
    InstallAccelerators();
    if (!RestoreWindowPlacement()) ShowWindow(SW_SHOWMAXIMIZED);
    return true;
}

int CZelDesktop::OnCreate(CREATESTRUCT* cs) {
    if (CFrameWnd::OnCreate(cs) == -1) return -1;
    RECT none{0, 0, 0, 0};
    if (!client_.Create(nullptr, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, none, this, CMDIClientWnd::kId))
        return -1;
    EnableDocking(CBRS_ALIGN_ANY);
    statusBar_ = new CStatBar;
    if (!statusBar_->Create(this)) return -1;
    statusBar_->SetBarStyle(statusBar_->GetBarStyle() | CBRS_TOOLTIPS | CBRS_FLYBY);
    DockControlBar(statusBar_);
    return 0;
}

namespace {
constexpr UINT kCtrl = 2;
constexpr UINT kCloseCommand = 57602;
constexpr int kTransportCountIn = 3;
}  // namespace

void CZelDesktop::InstallAccelerators() {
    std::vector<std::pair<UINT, UINT>> keys;
    for (const fw::Accelerator& a : fw::AcceleratorsFromMenu(GetMenu())) {
        // The score window's typed keys read Delete themselves: with nothing selected it erases
        // next to the insertion point, which Clear cannot.
        if (a.mods == 0 && a.vk == VK_DELETE) continue;
        keys.emplace_back((a.mods << 16) | a.vk, a.id);
    }
    keys.emplace_back((kCtrl << 16) | (VK_F1 + 3), kCloseCommand);
    SetAccelerators(std::move(keys));
}

BOOL CZelDesktop::PreTranslateMessage(MSG* msg) {
    if (msg && msg->message == WM_KEYDOWN && msg->wParam == 'C' && GetTransportState() == kTransportCountIn &&
        fw::GetKeyState(VK_CONTROL) < 0 && fw::GetKeyState(VK_SHIFT) >= 0 && fw::GetKeyState(VK_MENU) >= 0)
        return FALSE;
    return CFrameWnd::PreTranslateMessage(msg);
}

// The desktop's navigation keys are the floating windows' key codes.
int CZelDesktop::NavigationCode(unsigned vk) { return int(FloatWndKeyCode(vk)); }

void CZelDesktop::OnKeyDown(UINT vk, UINT repeat, UINT flags) {
    if (const int code = NavigationCode(vk)) {
        OnChar(UINT(code), repeat, flags);
        return;
    }
    CFrameWnd::OnKeyDown(vk, repeat, flags);
}

void CZelDesktop::OnChar(UINT ch, UINT repeat, UINT flags) {
    // A number being typed into a field takes the key first.
    if (CNumeric* numeric = g_ui.currentNumeric) {
        numeric->TypeKey(ch, flags);
        return;
    }
    if (ToolKeyHandler() && ToolKeyHandler()(int(ch))) return;
    CFrameWnd::OnChar(ch, repeat, flags);
}

void CZelDesktop::OnClose() {
    const StyleBarOperations& styleBar = StyleBarOps();
    if (styleBar.isShown && styleBar.show && styleBar.isShown()) styleBar.show(false);
    if (CZelApp* app = TheZelApp(); app && !app->SaveAllModified()) return;
    CFrameWnd::OnClose();
}

BOOL CZelDesktop::DestroyWindow() {
    if (IsWindow()) SaveWindowPlacement();
    return CFrameWnd::DestroyWindow();
}

// --- placement --------------------------------------------------------------------------------

std::string CZelDesktop::PackPlacement(const WINDOWPLACEMENT& p) {
    std::string out;
    PutLong(out, std::int32_t(p.length));
    PutLong(out, std::int32_t(p.flags));
    PutLong(out, std::int32_t(p.showCmd));
    for (const LONG v : {p.ptMinPosition.x, p.ptMinPosition.y, p.ptMaxPosition.x, p.ptMaxPosition.y,
                         p.rcNormalPosition.left, p.rcNormalPosition.top, p.rcNormalPosition.right,
                         p.rcNormalPosition.bottom})
        PutLong(out, v);
    return out;
}

bool CZelDesktop::UnpackPlacement(const std::string& b, WINDOWPLACEMENT* p) {
    if (b.size() != std::size_t(kPlacementSize) || GetLong(b, 0) != kPlacementSize) return false;
    p->length = UINT(GetLong(b, 0));
    p->flags = UINT(GetLong(b, 4));
    p->showCmd = UINT(GetLong(b, 8));
    p->ptMinPosition = POINT{GetLong(b, 12), GetLong(b, 16)};
    p->ptMaxPosition = POINT{GetLong(b, 20), GetLong(b, 24)};
    p->rcNormalPosition = RECT{GetLong(b, 28), GetLong(b, 32), GetLong(b, 36), GetLong(b, 40)};
    return true;
}

void CZelDesktop::ClampPlacement(WINDOWPLACEMENT* p, int screenWidth, int screenHeight) {
    RECT& r = p->rcNormalPosition;
    const LONG width = r.right - r.left, height = r.bottom - r.top;
    r.left = std::min<LONG>(r.left, screenWidth - kIconSize);
    r.top = std::min<LONG>(r.top, screenHeight - kIconSize);
    r.right = r.left + width;
    r.bottom = r.top + height;
    if (p->showCmd == SW_SHOWMINIMIZED) p->showCmd = SW_RESTORE;
}

void CZelDesktop::SaveWindowPlacement() {
    WINDOWPLACEMENT p;
    if (!GetWindowPlacement(&p)) return;
    RegKeyRecord key;
    if (!OpenRegKey(key, g_platform.programKeyPath, nullptr, KEY_READ | KEY_WRITE, HKEY_CURRENT_USER)) return;
    const std::string bytes = PackPlacement(p);
    SetRegBinary(key, "WindowPlacement", bytes.data(), bytes.size());
}

bool CZelDesktop::RestoreWindowPlacement() {
    RegKeyRecord key;
    if (!OpenRegKey(key, g_platform.programKeyPath, nullptr, KEY_READ, HKEY_CURRENT_USER)) return false;
    DWORD type = 0, size = 0;
    if (RegQueryValueEx(key.hKey, "WindowPlacement", nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        size != DWORD(kPlacementSize))
        return false;
    std::string bytes(size, '\0');
    if (RegQueryValueEx(key.hKey, "WindowPlacement", nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &size) !=
        ERROR_SUCCESS)
        return false;
    WINDOWPLACEMENT p;
    if (!UnpackPlacement(bytes, &p)) return false;
    RECT current;
    GetWindowRect(&current);
    ClampPlacement(&p, fw::GetSystemMetrics(SM_CXSCREEN), fw::GetSystemMetrics(SM_CYSCREEN));
    if (p.rcNormalPosition.left > current.right || p.rcNormalPosition.top > current.bottom) return false;
    SetWindowPlacement(&p);
    return true;
}

// --- bar state --------------------------------------------------------------------------------

void CZelDesktop::SaveBarState() {
    const std::vector<CControlBar*> bars = GetControlBars();
    // The sizing bars' three sizes first, under "<section>-SCBar-<id>".
    for (CControlBar* bar : bars)
        if (auto* sizing = dynamic_cast<CSizingControlBar*>(bar)) sizing->SaveState(kBarStateSection);
    int index = 0;
    for (CControlBar* bar : bars) {
        if (!bar->IsWindow()) continue;
        const std::string key = BarKey(index++);
        RECT r;
        bar->GetWindowRect(&r);
        SaveRegDword(key.c_str(), "BarID", DWORD(bar->GetDlgCtrlID()));
        SaveRegDword(key.c_str(), "Visible", bar->IsVisible() ? 1 : 0);
        SaveRegDword(key.c_str(), "Floating", bar->IsFloating() ? 1 : 0);
        SaveRegDword(key.c_str(), "XPos", DWORD(r.left));
        SaveRegDword(key.c_str(), "YPos", DWORD(r.top));
    }
    SaveRegDword(SummaryKey().c_str(), "Bars", DWORD(index));
}

bool CZelDesktop::LoadBarState() {
    const int count = int(LoadRegDword(SummaryKey().c_str(), "Bars", 0));
    if (count <= 0 || count > 256) return false;
    struct Stored {
        CControlBar* bar;
        bool visible, floating;
        POINT at;
    };
    std::vector<Stored> stored;
    for (int i = 0; i < count; ++i) {
        const std::string key = BarKey(i);
        const DWORD id = LoadRegDword(key.c_str(), "BarID", 0);
        CControlBar* bar = GetControlBar(UINT(id));
        if (!bar) return false;  // a bar the program no longer has: the whole state is left
        stored.push_back({bar, LoadRegDword(key.c_str(), "Visible", 1) != 0,
                          LoadRegDword(key.c_str(), "Floating", 0) != 0,
                          POINT{LONG(LoadRegDword(key.c_str(), "XPos", 0)), LONG(LoadRegDword(key.c_str(), "YPos", 0))}});
    }
    for (const Stored& s : stored)
        if (auto* sizing = dynamic_cast<CSizingControlBar*>(s.bar)) sizing->LoadState(kBarStateSection);
    for (const Stored& s : stored) {
        if (s.floating)
            FloatControlBar(s.bar, s.at);
        else if (s.bar->IsFloating())
            DockControlBar(s.bar);
        ShowControlBar(s.bar, s.visible);
    }
    return true;
}
