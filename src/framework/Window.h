// Windows of the framework (the first, smallest share: a frame window with a title).
#pragma once
#include <memory>
#include <string>

#include "framework/Types.h"

enum { SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOW = 5 };

class CWnd {
public:
    CWnd();
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    bool IsWindow() const;
    bool IsWindowVisible() const;
    void ShowWindow(int cmd);
    void SetWindowText(const char* text);  // code page
    std::string GetWindowText() const;     // code page
    void DestroyWindow();
    // Converts between the window's client coordinates and the screen's.
    void ClientToScreen(POINT* pt) const;
    void ScreenToClient(POINT* pt) const;

    struct Impl;
    Impl* impl() const { return impl_.get(); }

protected:
    std::unique_ptr<Impl> impl_;
};

class CFrameWnd : public CWnd {
public:
    // Creates the top-level frame with a title (code page); false when it cannot.
    bool Create(const char* title);
};

namespace fw {
// The mouse pointer's position on the screen, and moving it there.
void GetCursorPos(POINT* pt);
void SetCursorPos(int x, int y);
}  // namespace fw
