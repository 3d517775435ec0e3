// Control bars: tool windows that dock at an edge of the main frame or float above it.
//
// A bar is made with Create as a child of a frame; the frame shows it docked (DockControlBar)
// or floating at a point (FloatControlBar), hides and shows it (ShowControlBar). A floating
// bar asks its own OnGetMinMaxInfo for its size limits whenever it is floated or resized.
#pragma once
#include "framework/Window.h"

// Bar styles.
enum : DWORD {
    CBRS_NOALIGN = 0x00000000,
    CBRS_TOOLTIPS = 0x00000010,
    CBRS_FLYBY = 0x00000020,
    CBRS_FLOAT_MULTI = 0x00000040,
    CBRS_BORDER_LEFT = 0x00000100,
    CBRS_BORDER_TOP = 0x00000200,
    CBRS_BORDER_RIGHT = 0x00000400,
    CBRS_BORDER_BOTTOM = 0x00000800,
    CBRS_BORDER_ANY = 0x00000F00,
    CBRS_ALIGN_LEFT = 0x00001000,
    CBRS_ALIGN_TOP = 0x00002000,
    CBRS_ALIGN_RIGHT = 0x00004000,
    CBRS_ALIGN_BOTTOM = 0x00008000,
    CBRS_ALIGN_ANY = 0x0000F000,
    CBRS_LEFT = CBRS_ALIGN_LEFT | CBRS_BORDER_RIGHT,
    CBRS_TOP = CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM,
    CBRS_RIGHT = CBRS_ALIGN_RIGHT | CBRS_BORDER_LEFT,
    CBRS_BOTTOM = CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP,
    CBRS_SIZE_DYNAMIC = 0x00000004,
    CBRS_SIZE_FIXED = 0x00000002,
    CBRS_GRIPPER = 0x00400000,
};

class CFrameWnd;

class CControlBar : public CWnd {
public:
    CControlBar();
    ~CControlBar() override;

    // Makes the bar (hidden until the frame docks or floats it) with a title (code page), a
    // control id, bar style bits and its first size.
    BOOL Create(const char* title, CFrameWnd* frame, UINT id, DWORD barStyle, SIZE size);
    DWORD GetBarStyle() const;
    void SetBarStyle(DWORD style);
    // The edges the bar may dock at (CBRS_ALIGN_...; 0: none, the bar only floats).
    void EnableDocking(DWORD alignMask);
    DWORD GetDockingAlign() const;
    bool IsFloating() const;
    bool IsVisible() const;
    CFrameWnd* GetDockingFrame() const;
    // Puts the bar's size limits in effect again (after its OnGetMinMaxInfo changed).
    void ApplySizeLimits();

    struct BarImpl;

private:
    std::unique_ptr<BarImpl> bar_;
    friend class CFrameWnd;
};

