// Window messages: the message record, the message numbers and the notification codes that
// windows, dialogs and controls exchange.
#pragma once
#include <cstdint>

#include "framework/Types.h"

class CWnd;

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using INT_PTR = std::intptr_t;
using DWORD_PTR = std::uintptr_t;

// One message as the message pump hands it on: its window, number, two parameters, the time
// (milliseconds, fw::GetTickCount) and the pointer position on the screen.
struct MSG {
    CWnd* hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    DWORD time = 0;
    POINT pt;
};

inline constexpr LPARAM MAKELPARAM(int lo, int hi) { return LPARAM(MAKELONG(WORD(lo), WORD(hi))); }
inline constexpr WPARAM MAKEWPARAM(int lo, int hi) { return WPARAM(MAKELONG(WORD(lo), WORD(hi))); }
// Signed client coordinates packed in a mouse message's lParam.
inline constexpr int GET_X_LPARAM(LPARAM lp) { return SHORT(LOWORD(DWORD(lp))); }
inline constexpr int GET_Y_LPARAM(LPARAM lp) { return SHORT(HIWORD(DWORD(lp))); }
inline constexpr int GET_WHEEL_DELTA_WPARAM(WPARAM wp) { return SHORT(HIWORD(DWORD(wp))); }

enum : UINT {
    WM_NULL = 0x0000,
    WM_CREATE = 0x0001,
    WM_DESTROY = 0x0002,
    WM_MOVE = 0x0003,
    WM_SIZE = 0x0005,
    WM_ACTIVATE = 0x0006,
    WM_SETFOCUS = 0x0007,
    WM_KILLFOCUS = 0x0008,
    WM_ENABLE = 0x000A,
    WM_SETREDRAW = 0x000B,
    WM_SETTEXT = 0x000C,
    WM_GETTEXT = 0x000D,
    WM_GETTEXTLENGTH = 0x000E,
    WM_PAINT = 0x000F,
    WM_CLOSE = 0x0010,
    WM_ERASEBKGND = 0x0014,
    WM_SHOWWINDOW = 0x0018,
    WM_SETTINGCHANGE = 0x001A,
    WM_SETCURSOR = 0x0020,
    WM_GETMINMAXINFO = 0x0024,
    WM_DRAWITEM = 0x002B,
    WM_MEASUREITEM = 0x002C,
    WM_NEXTDLGCTL = 0x0028,
    WM_SETFONT = 0x0030,
    WM_GETFONT = 0x0031,
    WM_WINDOWPOSCHANGING = 0x0046,
    WM_WINDOWPOSCHANGED = 0x0047,
    WM_CONTEXTMENU = 0x007B,
    WM_NCCALCSIZE = 0x0083,
    WM_NCHITTEST = 0x0084,
    WM_NCPAINT = 0x0085,
    WM_GETDLGCODE = 0x0087,
    WM_NCLBUTTONDOWN = 0x00A1,
    WM_NCLBUTTONUP = 0x00A2,
    WM_KEYFIRST = 0x0100,
    WM_KEYDOWN = 0x0100,
    WM_KEYUP = 0x0101,
    WM_CHAR = 0x0102,
    WM_SYSKEYDOWN = 0x0104,
    WM_SYSKEYUP = 0x0105,
    WM_SYSCHAR = 0x0106,
    WM_KEYLAST = 0x0109,
    WM_INITDIALOG = 0x0110,
    WM_COMMAND = 0x0111,
    WM_SYSCOMMAND = 0x0112,
    WM_TIMER = 0x0113,
    WM_HSCROLL = 0x0114,
    WM_VSCROLL = 0x0115,
    WM_INITMENUPOPUP = 0x0117,
    WM_MENUSELECT = 0x011F,
    WM_CTLCOLOR = 0x0019,
    WM_MOUSEFIRST = 0x0200,
    WM_MOUSEMOVE = 0x0200,
    WM_LBUTTONDOWN = 0x0201,
    WM_LBUTTONUP = 0x0202,
    WM_LBUTTONDBLCLK = 0x0203,
    WM_RBUTTONDOWN = 0x0204,
    WM_RBUTTONUP = 0x0205,
    WM_RBUTTONDBLCLK = 0x0206,
    WM_MBUTTONDOWN = 0x0207,
    WM_MBUTTONUP = 0x0208,
    WM_MBUTTONDBLCLK = 0x0209,
    WM_MOUSEWHEEL = 0x020A,
    WM_MOUSELAST = 0x020A,
    WM_CAPTURECHANGED = 0x0215,
    WM_MDIACTIVATE = 0x0222,
    // Files were dropped on a window that accepts them (CWnd::DragAcceptFiles); wParam: the
    // drop (HDROP, framework/Window.h), read with DragQueryFile while the message is handled.
    WM_DROPFILES = 0x0233,
    WM_MDINEXT = 0x0224,
    WM_CANCELMODE = 0x001F,
    WM_IDLEUPDATECMDUI = 0x0363,
    WM_SIZEPARENT = 0x0361,
    WM_INITIALUPDATE = 0x0364,
    // Asks a view's parent for the view's client rectangle (lParam: RECT*); non-zero when the
    // parent gave it. Windows that do not answer return 0.
    WM_RECALCPARENT = 0x0368,
    WM_USER = 0x0400,
    WM_APP = 0x8000,
};

// Mouse-message key flags (wParam of mouse messages).
enum : UINT {
    MK_LBUTTON = 0x0001,
    MK_RBUTTON = 0x0002,
    MK_SHIFT = 0x0004,
    MK_CONTROL = 0x0008,
    MK_MBUTTON = 0x0010,
    // Alt held (the platform's own mouse messages carry no Alt flag; ours do).
    MK_ALT = 0x0020,
};

// Key-message lParam bits: repeat count in the low word, the key's PC scan code in bits 16-23
// (Backspace 14, F1 59; the handlers' key data is the high word), then these.
enum : DWORD {
    KF_EXTENDED_LPARAM = 0x01000000,  // an extended key (keypad Enter, arrows of the arrow block)
    KF_ALTDOWN_LPARAM = 0x20000000,
    KF_REPEAT_LPARAM = 0x40000000,    // the key was down before
    KF_UP_LPARAM = 0x80000000,        // released
};

// Size message types (wParam of WM_SIZE).
enum : UINT { SIZE_RESTORED = 0, SIZE_MINIMIZED = 1, SIZE_MAXIMIZED = 2 };

// Scroll codes (low word of WM_HSCROLL/WM_VSCROLL's wParam; the high word holds the position
// for the thumb codes) and bars.
enum : UINT {
    SB_LINEUP = 0,
    SB_LINELEFT = 0,
    SB_LINEDOWN = 1,
    SB_LINERIGHT = 1,
    SB_PAGEUP = 2,
    SB_PAGELEFT = 2,
    SB_PAGEDOWN = 3,
    SB_PAGERIGHT = 3,
    SB_THUMBPOSITION = 4,
    SB_THUMBTRACK = 5,
    SB_TOP = 6,
    SB_LEFT = 6,
    SB_BOTTOM = 7,
    SB_RIGHT = 7,
    SB_ENDSCROLL = 8,
};
enum : int { SB_HORZ = 0, SB_VERT = 1, SB_CTL = 2, SB_BOTH = 3 };

// Slider (trackbar) scroll codes.
enum : UINT {
    TB_LINEUP = 0,
    TB_LINEDOWN = 1,
    TB_PAGEUP = 2,
    TB_PAGEDOWN = 3,
    TB_THUMBPOSITION = 4,
    TB_THUMBTRACK = 5,
    TB_TOP = 6,
    TB_BOTTOM = 7,
    TB_ENDTRACK = 8,
};

// Control notification codes (high word of WM_COMMAND's wParam).
enum : UINT {
    BN_CLICKED = 0,
    STN_CLICKED = 0,  // a static with SS_NOTIFY, or a link, was clicked
    BN_DOUBLECLICKED = 5,
    EN_SETFOCUS = 0x0100,
    EN_KILLFOCUS = 0x0200,
    EN_CHANGE = 0x0300,
    EN_UPDATE = 0x0400,
    CBN_SELCHANGE = 1,
    CBN_DBLCLK = 2,
    CBN_SETFOCUS = 3,
    CBN_KILLFOCUS = 4,
    CBN_EDITCHANGE = 5,
    CBN_DROPDOWN = 7,
    CBN_CLOSEUP = 8,
    CBN_SELENDOK = 9,
    CBN_SELENDCANCEL = 10,
    LBN_SELCHANGE = 1,
    LBN_DBLCLK = 2,
    LBN_SETFOCUS = 4,
    LBN_KILLFOCUS = 5,
};

// Button messages and states.
enum : UINT {
    BM_GETCHECK = 0x00F0,
    BM_SETCHECK = 0x00F1,
    BM_GETSTATE = 0x00F2,
    BM_SETSTATE = 0x00F3,
    BM_CLICK = 0x00F5,
    BM_SETIMAGE = 0x00F7,
};
enum : int { BST_UNCHECKED = 0, BST_CHECKED = 1, BST_INDETERMINATE = 2 };
enum : int { IMAGE_BITMAP = 0, IMAGE_ICON = 1 };

// Edit messages.
enum : UINT {
    EM_GETSEL = 0x00B0,
    EM_SETSEL = 0x00B1,
    EM_SCROLLCARET = 0x00B7,
    EM_SETREADONLY = 0x00CF,
    EM_LIMITTEXT = 0x00C5,
};

// Combo box messages.
enum : UINT {
    CB_GETEDITSEL = 0x0140,
    CB_LIMITTEXT = 0x0141,
    CB_ADDSTRING = 0x0143,
    CB_DELETESTRING = 0x0144,
    CB_GETCOUNT = 0x0146,
    CB_GETCURSEL = 0x0147,
    CB_GETLBTEXT = 0x0148,
    CB_GETLBTEXTLEN = 0x0149,
    CB_INSERTSTRING = 0x014A,
    CB_RESETCONTENT = 0x014B,
    CB_FINDSTRING = 0x014C,
    CB_SELECTSTRING = 0x014D,
    CB_SETCURSEL = 0x014E,
    CB_SHOWDROPDOWN = 0x014F,
    CB_GETITEMDATA = 0x0150,
    CB_SETITEMDATA = 0x0151,
    CB_GETDROPPEDCONTROLRECT = 0x0152,
    CB_SETITEMHEIGHT = 0x0153,
    CB_GETITEMHEIGHT = 0x0154,
    CB_GETDROPPEDSTATE = 0x0157,
    CB_FINDSTRINGEXACT = 0x0158,
};

// List box messages.
enum : UINT {
    LB_ADDSTRING = 0x0180,
    LB_INSERTSTRING = 0x0181,
    LB_DELETESTRING = 0x0182,
    LB_RESETCONTENT = 0x0184,
    LB_SETSEL = 0x0185,
    LB_SETCURSEL = 0x0186,
    LB_GETSEL = 0x0187,
    LB_GETCURSEL = 0x0188,
    LB_GETTEXT = 0x0189,
    LB_GETTEXTLEN = 0x018A,
    LB_GETCOUNT = 0x018B,
    LB_SELECTSTRING = 0x018C,
    LB_GETTOPINDEX = 0x018E,
    LB_FINDSTRING = 0x018F,
    LB_GETSELCOUNT = 0x0190,
    LB_GETSELITEMS = 0x0191,
    LB_SETTOPINDEX = 0x0197,
    LB_GETITEMRECT = 0x0198,
    LB_GETITEMDATA = 0x0199,
    LB_SETITEMDATA = 0x019A,
    LB_SETITEMHEIGHT = 0x01A0,
    LB_GETITEMHEIGHT = 0x01A1,
    LB_FINDSTRINGEXACT = 0x01A2,
};
enum : int { LB_ERR = -1, CB_ERR = -1 };

// Scroll-bar control messages.
enum : UINT {
    SBM_SETPOS = 0x00E0,
    SBM_GETPOS = 0x00E1,
    SBM_SETRANGE = 0x00E2,
    SBM_GETRANGE = 0x00E3,
    SBM_SETRANGEREDRAW = 0x00E6,
    SBM_SETSCROLLINFO = 0x00E9,
    SBM_GETSCROLLINFO = 0x00EA,
};

// Slider (trackbar) messages.
enum : UINT {
    TBM_GETPOS = WM_USER,
    TBM_GETRANGEMIN = WM_USER + 1,
    TBM_GETRANGEMAX = WM_USER + 2,
    TBM_GETTIC = WM_USER + 3,
    TBM_SETTIC = WM_USER + 4,
    TBM_SETPOS = WM_USER + 5,
    TBM_SETRANGE = WM_USER + 6,
    TBM_SETRANGEMIN = WM_USER + 7,
    TBM_SETRANGEMAX = WM_USER + 8,
    TBM_CLEARTICS = WM_USER + 9,
    TBM_GETTICPOS = WM_USER + 15,
    TBM_GETNUMTICS = WM_USER + 16,
    TBM_SETTICFREQ = WM_USER + 20,
    TBM_SETPAGESIZE = WM_USER + 21,
    TBM_GETPAGESIZE = WM_USER + 22,
    TBM_SETLINESIZE = WM_USER + 23,
    TBM_GETLINESIZE = WM_USER + 24,
};

// Spin-button (up-down) messages.
enum : UINT {
    UDM_SETRANGE = WM_USER + 101,
    UDM_GETRANGE = WM_USER + 102,
    UDM_SETPOS = WM_USER + 103,
    UDM_GETPOS = WM_USER + 104,
    UDM_SETBUDDY = WM_USER + 105,
    UDM_GETBUDDY = WM_USER + 106,
    UDM_SETRANGE32 = WM_USER + 111,
    UDM_GETRANGE32 = WM_USER + 112,
    UDM_SETPOS32 = WM_USER + 113,
    UDM_GETPOS32 = WM_USER + 114,
};

// Progress-bar messages.
enum : UINT {
    PBM_SETRANGE = WM_USER + 1,
    PBM_SETPOS = WM_USER + 2,
    PBM_DELTAPOS = WM_USER + 3,
    PBM_SETSTEP = WM_USER + 4,
    PBM_STEPIT = WM_USER + 5,
    PBM_SETRANGE32 = WM_USER + 6,
    PBM_GETRANGE = WM_USER + 7,
    PBM_GETPOS = WM_USER + 8,
};

// PeekMessage removal flags.
enum : UINT { PM_NOREMOVE = 0, PM_REMOVE = 1 };

// Owner-drawn control painting: WM_DRAWITEM's lParam points at one of these.
enum : UINT { ODT_BUTTON = 4, ODT_STATIC = 5, ODA_DRAWENTIRE = 1, ODS_SELECTED = 1, ODS_DISABLED = 4 };
class CDC;
struct DRAWITEMSTRUCT {
    UINT CtlType = 0;
    UINT CtlID = 0;
    UINT itemID = 0;
    UINT itemAction = ODA_DRAWENTIRE;
    UINT itemState = 0;
    CWnd* hwndItem = nullptr;
    CDC* hDC = nullptr;   // a DC on the control's parent, clipped to nothing
    RECT rcItem;          // the control's rectangle in the parent's client coordinates
};

// WM_GETMINMAXINFO's lParam.
struct MINMAXINFO {
    POINT ptReserved;
    POINT ptMaxSize;
    POINT ptMaxPosition;
    POINT ptMinTrackSize;
    POINT ptMaxTrackSize;
};

// Scroll-bar information (SetScrollInfo/GetScrollInfo).
enum : UINT { SIF_RANGE = 0x1, SIF_PAGE = 0x2, SIF_POS = 0x4, SIF_DISABLENOSCROLL = 0x8, SIF_TRACKPOS = 0x10, SIF_ALL = 0x17 };
struct SCROLLINFO {
    UINT cbSize = sizeof(SCROLLINFO);
    UINT fMask = 0;
    int nMin = 0;
    int nMax = 0;
    UINT nPage = 0;
    int nPos = 0;
    int nTrackPos = 0;
};

namespace fw {

// The program's key code of a key-down message, for the keys that have one: Left 28, Right 29,
// Up 30, Down 31, Delete 127, keypad Enter 3 (VK_RETURN with the extended bit in lParam),
// Enter 13; 0 for every other key (those arrive as their characters through WM_CHAR).
UINT ToolboxKeyCode(UINT vk, LPARAM keyFlags);

}  // namespace fw
