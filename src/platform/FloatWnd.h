// The base of the program's floating, dockable tool windows: one-call creation as a floating
// bar, show and hide through the main frame, size limits, the navigation keys turned into the
// program's key codes, and one child window sized with the bar.
#pragma once
#include <cstdint>

#include "platform/SizingBar.h"

class CFloatWnd : public CSizingControlBarG {
public:
    CFloatWnd();
    ~CFloatWnd() override;

    virtual void HideBar();                                                    // 70
    // Creates the bar in the main frame with title string titleId at rect (screen), docking
    // only at the top when dockable, floating at rect's top-left. False when it was not made.
    virtual bool SetupDocking(UINT titleId, int unused, const RECT& rect, bool dockable);  // 71
    // The child window sized with the bar (none in the base).
    virtual CWnd* GetChildWindow();                                           // 72
    virtual void ShowBar();                                                    // 73
    virtual bool IsBarWindow();                                                // 74
    // A key the bar takes itself (program key codes); true when handled.
    virtual bool KeyDown(UINT key, UINT repeat, UINT flags);                   // 75
    virtual bool KeyChar(UINT ch, UINT repeat, UINT flags);                    // 76
    // Minimum 100 x 100; maximum the maximised screen, 24 pixels less high.
    virtual void InitSizes();                                                  // 77
    // Keeps the child's top offset and gives it the width and the height less that offset.
    virtual void SizeChild(int width, int height);                             // 78
    virtual void OnNotify(UINT code);                                          // 79

    bool IsShown() { return IsWindowVisible(); }

    std::int32_t minTrackWidth = 100;
    std::int32_t minTrackHeight = 100;
    std::int32_t maxTrackWidth = 0;
    std::int32_t maxTrackHeight = 0;
    CWnd* child = nullptr;

protected:
    void OnKeyDown(UINT vk, UINT repeat, UINT flags) override;
    void OnChar(UINT ch, UINT repeat, UINT flags) override;
    void OnSize(UINT type, int cx, int cy) override;
    void OnGetMinMaxInfo(MINMAXINFO* info) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
};

// The program's key code of a navigation key in a floating window (Page Up 11, Page Down 12,
// End 4, Home 1, Left 28, Up 30, Right 29, Down 31, Delete 8); 0 for other keys.
UINT FloatWndKeyCode(UINT vk);
