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

// Layout modes of a bar's dynamic layout.
enum : DWORD {
    LM_STRETCH = 0x01,
    LM_HORZ = 0x02,
    LM_MRUWIDTH = 0x04,
    LM_HORZDOCK = 0x08,
    LM_VERTDOCK = 0x10,
    LM_LENGTHY = 0x20,
    LM_COMMIT = 0x40,
};

// Control ids of a frame's four dock bars and of the floating mini frames.
enum : UINT {
    AFX_IDW_DOCKBAR_TOP = 59419,
    AFX_IDW_DOCKBAR_LEFT = 59420,
    AFX_IDW_DOCKBAR_RIGHT = 59421,
    AFX_IDW_DOCKBAR_BOTTOM = 59422,
    AFX_IDW_DOCKBAR_FLOAT = 59423,
};

class CFrameWnd;

// The bar list of one dock bar: bars in row order, a null entry before, between and after
// rows.
using DockBarList = std::vector<class CControlBar*>;

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

    // The size the bar asks for while docked: stretched to the whole length, or its own.
    virtual SIZE CalcFixedLayout(BOOL stretch, BOOL horz);
    // The size the bar asks for in a layout mode (LM_...); length -1: the frame is laying out.
    virtual SIZE CalcDynamicLayout(int length, DWORD mode);
    // Whether the bar, alone in its row, spans the row's whole length (true: tool bars and
    // the status bar; bars that share rows out by their own sizes answer false).
    virtual bool SpansRow() const;
    // The id of the dock bar that holds the bar (AFX_IDW_DOCKBAR_...; the floating id while
    // floating; 0 before it is docked or floated).
    UINT GetDockBarId() const;
    // The bar list of the bar's dock bar (null while floating) and the dock bar's rectangle in
    // the frame's client coordinates (as the last layout left it).
    DockBarList* GetDockBarList() const;
    RECT GetDockBarRect() const;

    // The drag of the bar by the pointer (a press on a bar that belongs to a dock bar, or on a
    // floating one): released over a dock bar the bar may dock at (its rectangle, moved with
    // the pointer, meets the dock bar's), it docks there in the row under the pointer, before
    // the first bar of that row past the pointer, or in a new row above or below the others;
    // released elsewhere it floats with its top-left where the pointer took it. A release
    // where the press was, a right press, Escape or a lost capture change nothing.
    void StartDrag(POINT screenPt);
    bool IsDragging() const;
    // The sizing of a floating bar's tool window by an edge or corner (hit codes 10-17: left,
    // right, top, top-left, top-right, bottom, bottom-left, bottom-right): the edges named
    // follow the pointer, the others stay; the window keeps its size limits.
    void StartFrameSizing(int hitCode, POINT screenPt);
    bool IsFrameSizing() const;

    struct BarImpl;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void EndDrag(POINT screenPt, bool drop);
    std::unique_ptr<BarImpl> bar_;
    friend class CFrameWnd;
};

