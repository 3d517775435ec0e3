#include "app/Splash.h"

#include <string>

#include "framework/App.h"
#include "framework/Clock.h"
#include "framework/DC.h"
#include "platform/FileNames.h"
#include "platform/RvqUtil.h"

namespace {

CSplashWnd* g_splash = nullptr;
DWORD g_closeAt = 0;  // the earliest closing time (milliseconds)

}  // namespace

CSplashWnd* CSplashWnd::Current() { return g_splash; }

bool CSplashWnd::Show(DWORD minimumMs) {
    if (g_splash) return true;
    static const DWORD colours = GetColorCount();
    if (colours < 256) return false;
    auto* splash = new CSplashWnd;
    RECT none{0, 0, 0, 0};
    if (!splash->CreateEx(WS_EX_TOPMOST, nullptr, "", WS_POPUP | WS_VISIBLE, none, nullptr, 0)) {
        delete splash;
        return false;
    }
    g_splash = splash;
    splash->SetTopmost(true);
    splash->UpdateWindow();
    g_closeAt = fw::GetTickCount() + minimumMs;
    return true;
}

void CSplashWnd::Close(bool immediately) {
    if (CSplashWnd* splash = g_splash) {
        if (!immediately) {
            const auto left = std::int32_t(g_closeAt - fw::GetTickCount());
            if (left > 0) fw::SleepMs(DWORD(left));
        }
        g_splash = nullptr;
        splash->DestroyWindow();
        delete splash;
    }
    if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd && app->m_pMainWnd->IsWindow()) app->m_pMainWnd->SetFocus();
}

void CSplashWnd::SetTopmost(bool on) {
    ModifyStyleEx(on ? 0 : WS_EX_TOPMOST, on ? WS_EX_TOPMOST : 0, SWP_NOMOVE | SWP_NOSIZE);
}

int CSplashWnd::OnCreate(CREATESTRUCT* cs) {
    if (CWnd::OnCreate(cs) == -1) return -1;
    FileSpec folder;
    FileSpec::GetProgramFolder(folder);
    std::string path = folder.path;
    if (!path.empty() && path.back() != '/') path += '/';
    path += kPictureName;
    if (!picture_.LoadFile(path)) return -1;
    const SIZE size = picture_.GetSize();
    RECT work;
    GetWorkArea(&work);
    const int x = work.left + ((work.right - work.left) - size.cx) / 2;
    const int y = work.top + ((work.bottom - work.top) - size.cy) / 2;
    MoveWindow(x, y, size.cx, size.cy, FALSE);
    return 0;
}

void CSplashWnd::OnPaint() {
    CPaintDC dc(this);
    CDC memory;
    memory.CreateCompatibleDC(&dc);
    CBitmap* old = memory.SelectObject(&picture_);
    const SIZE size = picture_.GetSize();
    dc.BitBlt(0, 0, size.cx, size.cy, &memory, 0, 0, SRCCOPY);
    memory.SelectObject(old);
}
