// Windows of the framework: command targets, the window class with its messages and virtual
// handlers, frames, window device contexts, capture, timers, scroll bars and modal mouse loops.
//
// A CWnd is a window on the screen once created (Create, or a derived class's own creation)
// and until DestroyWindow or its destructor. Messages reach it through WindowProc, which
// calls the virtual On... handlers below; a handler that is not overridden does the
// window's default handling (DefWindowProc). Texts are in the program's code page.
//
// Painting: Invalidate and InvalidateRect collect an update region; the window is then sent
// WM_ERASEBKGND (when asked) and WM_PAINT from the event loop. Device contexts on a window
// (CClientDC, CPaintDC, the drawing code's own) draw into the window's picture, which the
// screen shows; drawing at any other time than WM_PAINT is fine too.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/DC.h"
#include "framework/Input.h"  // VK_ key codes
#include "framework/Messages.h"
#include "framework/String.h"
#include "framework/Types.h"

class CFont;
class CScrollBar;
class CMenu;
class CWnd;
class CControlBar;

// Window styles.
enum : DWORD {
    WS_OVERLAPPED = 0x00000000,
    WS_POPUP = 0x80000000,
    WS_CHILD = 0x40000000,
    WS_MINIMIZE = 0x20000000,
    WS_VISIBLE = 0x10000000,
    WS_DISABLED = 0x08000000,
    WS_CLIPSIBLINGS = 0x04000000,
    WS_CLIPCHILDREN = 0x02000000,
    WS_MAXIMIZE = 0x01000000,
    WS_CAPTION = 0x00C00000,
    WS_BORDER = 0x00800000,
    WS_DLGFRAME = 0x00400000,
    WS_VSCROLL = 0x00200000,
    WS_HSCROLL = 0x00100000,
    WS_SYSMENU = 0x00080000,
    WS_THICKFRAME = 0x00040000,
    WS_GROUP = 0x00020000,
    WS_TABSTOP = 0x00010000,
    WS_MINIMIZEBOX = 0x00020000,
    WS_MAXIMIZEBOX = 0x00010000,
    WS_OVERLAPPEDWINDOW = 0x00CF0000,
};
enum : DWORD {
    WS_EX_DLGMODALFRAME = 0x00000001,
    WS_EX_TOPMOST = 0x00000008,
    WS_EX_ACCEPTFILES = 0x00000010,
    WS_EX_TRANSPARENT = 0x00000020,
    WS_EX_TOOLWINDOW = 0x00000080,
    WS_EX_WINDOWEDGE = 0x00000100,
    WS_EX_CLIENTEDGE = 0x00000200,
    WS_EX_STATICEDGE = 0x00020000,
};
// Window-class styles (kept with the window; CS_DBLCLKS decides whether a second click
// arrives as a double click).
enum : UINT {
    CS_VREDRAW = 0x0001,
    CS_HREDRAW = 0x0002,
    CS_DBLCLKS = 0x0008,
    CS_OWNDC = 0x0020,
    CS_BYTEALIGNWINDOW = 0x2000,
    CS_GLOBALCLASS = 0x4000,
};

enum {
    SW_HIDE = 0,
    SW_SHOWNORMAL = 1,
    SW_SHOWMINIMIZED = 2,
    SW_SHOWMAXIMIZED = 3,
    SW_MAXIMIZE = 3,
    SW_SHOWNOACTIVATE = 4,
    SW_SHOW = 5,
    SW_MINIMIZE = 6,
    SW_SHOWNA = 8,
    SW_RESTORE = 9,
};

enum : UINT {
    SWP_NOSIZE = 0x0001,
    SWP_NOMOVE = 0x0002,
    SWP_NOZORDER = 0x0004,
    SWP_NOREDRAW = 0x0008,
    SWP_NOACTIVATE = 0x0010,
    SWP_FRAMECHANGED = 0x0020,
    SWP_SHOWWINDOW = 0x0040,
    SWP_HIDEWINDOW = 0x0080,
};

enum : UINT {
    RDW_INVALIDATE = 0x0001,
    RDW_INTERNALPAINT = 0x0002,
    RDW_ERASE = 0x0004,
    RDW_VALIDATE = 0x0008,
    RDW_NOERASE = 0x0020,
    RDW_NOCHILDREN = 0x0040,
    RDW_ALLCHILDREN = 0x0080,
    RDW_UPDATENOW = 0x0100,
    RDW_ERASENOW = 0x0200,
    RDW_FRAME = 0x0400,
};

// Hit-test codes (WM_SETCURSOR's low word of lParam).
enum : int { HTERROR = -2, HTTRANSPARENT = -1, HTNOWHERE = 0, HTCLIENT = 1, HTCAPTION = 2 };

// ChildWindowFromPoint flags.
enum : UINT { CWP_ALL = 0, CWP_SKIPINVISIBLE = 1, CWP_SKIPDISABLED = 2, CWP_SKIPTRANSPARENT = 4 };

// GetWindow relations.
enum : UINT { GW_HWNDFIRST = 0, GW_HWNDLAST = 1, GW_HWNDNEXT = 2, GW_HWNDPREV = 3, GW_OWNER = 4, GW_CHILD = 5 };

// Metrics of the window system's parts, beyond those of framework/Screen.h.
enum : int {
    SM_CXVSCROLL = 2,
    SM_CYHSCROLL = 3,
    SM_CYVTHUMB = 9,
    SM_CXFRAME = 32,  // the sizing border of a window that can be resized
    SM_CYFRAME = 33,
    SM_CXHTHUMB = 10,
    SM_CXHSCROLL = 21,
    SM_CYVSCROLL = 20,
    SM_CXDOUBLECLK = 36,
    SM_CYDOUBLECLK = 37,
    SM_CXEDGE = 45,
    SM_CYEDGE = 46,
};

// System colours (GetSysColor): the indices of framework/Gdi.h, and a few more names.
using fw::COLOR_WINDOW;
using fw::COLOR_WINDOWTEXT;
using fw::COLOR_HIGHLIGHT;
using fw::COLOR_HIGHLIGHTTEXT;
using fw::COLOR_BTNFACE;
using fw::COLOR_BTNSHADOW;
using fw::COLOR_BTNTEXT;
using fw::COLOR_BTNHIGHLIGHT;
using fw::GetSysColor;
enum : int {
    COLOR_SCROLLBAR = 0,
    COLOR_BACKGROUND = 1,
    COLOR_3DFACE = 15,
    COLOR_3DSHADOW = 16,
    COLOR_GRAYTEXT = 17,
    COLOR_3DHILIGHT = 20,
    COLOR_3DDKSHADOW = 21,
    COLOR_3DLIGHT = 22,
};

// Files dropped on a window (the drop handle of the original): the paths in the program's code
// page, in the order the desktop gave them. It lives while WM_DROPFILES is handled.
struct DropFiles;
using HDROP = const DropFiles*;
// The number of files of a drop (index 0xFFFFFFFF), or file `index`'s path: copied into
// buffer (size bytes with the terminator, cut without splitting a double-byte character) and
// its length returned; with buffer null, the length the whole path needs without the
// terminator. 0 for an index past the last file.
UINT DragQueryFile(HDROP drop, UINT index, char* buffer, UINT size);
// Ends the handling of a drop (the framework frees it; kept for the callers' form).
void DragFinish(HDROP drop);

struct CREATESTRUCT {
    void* lpCreateParams = nullptr;
    CWnd* hwndParent = nullptr;
    UINT id = 0;
    int cy = 0;
    int cx = 0;
    int y = 0;
    int x = 0;
    DWORD style = 0;
    const char* lpszName = nullptr;
    const char* lpszClass = nullptr;
    DWORD dwExStyle = 0;
};

// The receiver of commands: a table of handlers by command id and by id range, consulted by
// OnCmdMsg. Windows, the application and documents are command targets.
// A top-level window's placement: its show state and its normal (restored) rectangle on the
// screen. Laid out as the 44-byte record the program stores (little-endian 32-bit fields).
struct WINDOWPLACEMENT {
    UINT length = 44;
    UINT flags = 0;
    UINT showCmd = 1;  // SW_SHOWNORMAL, SW_SHOWMINIMIZED or SW_SHOWMAXIMIZED
    POINT ptMinPosition{};
    POINT ptMaxPosition{};
    RECT rcNormalPosition{};
};
static_assert(sizeof(WINDOWPLACEMENT) == 44, "the stored placement record is 44 bytes");

class CCmdTarget {
public:
    CCmdTarget();
    virtual ~CCmdTarget();
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;

    // Handles command `id` with notification code `code` (0 for menus, buttons and
    // accelerators); true when a handler took it. The base looks in the table.
    virtual BOOL OnCmdMsg(UINT id, int code);

    // Table entries; later entries for the same id come first. A range handler gets the id.
    void AddCommand(UINT id, std::function<void()> handler);
    void AddCommandRange(UINT first, UINT last, std::function<void(UINT)> handler);
    // Handlers for notification codes other than 0 (control notifications).
    void AddNotify(UINT id, int code, std::function<void()> handler);

private:
    struct Entry {
        UINT first;
        UINT last;
        int code;
        std::function<void(UINT)> handler;
    };
    std::vector<Entry> commands_;
};

class CWnd : public CCmdTarget {
public:
    CWnd();
    ~CWnd() override;

    // --- creation and destruction ---
    // Creates the window. className null or "" makes a plain window of this class; the
    // control classes "BUTTON", "EDIT", "STATIC", "COMBOBOX", "LISTBOX", "SCROLLBAR",
    // "msctls_trackbar32", "msctls_updown32", "msctls_progress32", "SysTreeView32" and
    // "SysLink" (a link) make those controls.
    // With WS_CHILD, rect is in the parent's client coordinates; without, on the screen and
    // the window is top-level (owned by parent when given). Sends WM_CREATE (OnCreate: -1
    // refuses) and, for WS_VISIBLE, shows the window. False when it cannot be made.
    virtual BOOL Create(const char* className, const char* windowName, DWORD style, const RECT& rect,
                        CWnd* parent, UINT id, void* createParams = nullptr);
    BOOL CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, const RECT& rect,
                  CWnd* parent, UINT id, void* createParams = nullptr);
    // Destroys the window and its children (WM_DESTROY to each, then PostNcDestroy).
    virtual BOOL DestroyWindow();
    bool IsWindow() const;
    // This window while it exists, else null (the window handle of the original).
    CWnd* GetSafeHwnd() const;
    // Called after the window is gone; the base does nothing (self-deleting windows delete
    // themselves here).
    virtual void PostNcDestroy();

    // Class style bits (CS_...) of the window; CS_DBLCLKS is on for plain windows.
    UINT GetClassStyle() const;
    void SetClassStyle(UINT style);
    // The pointer shape shown over the client area when WM_SETCURSOR is not handled
    // (IDC_... or one of the program's cursor ids; 0: the arrow).
    void SetClassCursor(UINT cursorId);

    // --- text ---
    void SetWindowText(const char* text);
    std::string GetWindowText() const;
    int GetWindowText(char* buffer, int size) const;  // at most size-1 bytes, terminated
    void GetWindowText(CString& text) const;
    int GetWindowTextLength() const;
    void SetFont(CFont* font, BOOL redraw = TRUE);
    CFont* GetFont() const;

    // --- visibility, state and focus ---
    bool IsWindowVisible() const;
    BOOL ShowWindow(int cmd);
    BOOL EnableWindow(BOOL enable = TRUE);
    bool IsWindowEnabled() const;
    CWnd* SetFocus();
    static CWnd* GetFocus();
    void BringWindowToTop();
    void SetForegroundWindow();
    DWORD GetStyle() const;
    DWORD GetExStyle() const;
    BOOL ModifyStyle(DWORD remove, DWORD add, UINT swpFlags = 0);
    BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT swpFlags = 0);
    void HideCaret();
    void ShowCaret();

    // --- geometry ---
    void GetClientRect(RECT* rect) const;
    // The window's rectangle on the screen.
    void GetWindowRect(RECT* rect) const;
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
    void MoveWindow(const RECT& rect, BOOL repaint = TRUE);
    // after: ignored (z-order stays) unless it is this window's sibling to be below.
    BOOL SetWindowPos(const CWnd* after, int x, int y, int cx, int cy, UINT flags);
    void CenterWindow(CWnd* alternate = nullptr);
    // The show state and normal rectangle of a top-level window; Set shows the window that
    // way (showCmd as ShowWindow takes it). False when the window does not exist.
    BOOL GetWindowPlacement(WINDOWPLACEMENT* placement) const;
    BOOL SetWindowPlacement(const WINDOWPLACEMENT* placement);
    void ClientToScreen(POINT* pt) const;
    void ClientToScreen(RECT* rect) const;
    void ScreenToClient(POINT* pt) const;
    void ScreenToClient(RECT* rect) const;
    // Maps points from this window's client coordinates to `to`'s (null: the screen).
    void MapWindowPoints(CWnd* to, POINT* pts, int count) const;
    void MapWindowPoints(CWnd* to, RECT* rect) const;

    // --- relations ---
    CWnd* GetParent() const;
    CWnd* SetParent(CWnd* parent);
    CWnd* GetTopLevelParent() const;
    CWnd* GetOwner() const;
    // The child window with the control id (the first one found), or null.
    CWnd* GetDlgItem(int id) const;
    int GetDlgCtrlID() const;
    int SetDlgCtrlID(int id);
    // Children in z-order from the top (GW_CHILD, GW_HWNDNEXT, ...).
    CWnd* GetWindow(UINT relation) const;
    // The child under a point in client coordinates (this window when the point is inside
    // but over no child; null outside).
    CWnd* ChildWindowFromPoint(POINT pt, UINT flags = CWP_ALL) const;
    static CWnd* WindowFromPoint(POINT screenPt);
    // The window's help context id (0: none), which the help command looks for from the window
    // under the pointer up through its parents.
    void SetWindowContextHelpId(DWORD id);
    DWORD GetWindowContextHelpId() const;
    // The program's top-level window with this title (code page); windows of other programs
    // are not seen, so a class name other than null finds nothing.
    static CWnd* FindWindow(const char* className, const char* title);
    // Every child window, in creation order.
    std::vector<CWnd*> GetChildren() const;

    // --- painting ---
    void Invalidate(BOOL erase = TRUE);
    void InvalidateRect(const RECT* rect, BOOL erase = TRUE);
    void ValidateRect(const RECT* rect);
    // Runs a pending WM_PAINT now.
    void UpdateWindow();
    BOOL RedrawWindow(const RECT* rect = nullptr, const void* region = nullptr,
                      UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    // The bounds of the pending update region; false (and an empty rect) when none.
    BOOL GetUpdateRect(RECT* rect, BOOL erase = FALSE);
    // While off, invalidations collect but no WM_PAINT is sent (WM_SETREDRAW).
    void SetRedraw(BOOL redraw = TRUE);
    // Moves the client area's pixels (within rect, clipped to clip; null: all) by (dx, dy)
    // and invalidates what is uncovered; children move along when rect is null.
    void ScrollWindow(int dx, int dy, const RECT* rect = nullptr, const RECT* clip = nullptr);

    // --- messages ---
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    LRESULT SendDlgItemMessage(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // The message being handled (for handlers that want its time, point or raw parameters).
    static const MSG* GetCurrentMessage();
    // Called by the message pump for every input message bound for this window or one of its
    // children, from the target up to its top-level window; true eats the message.
    virtual BOOL PreTranslateMessage(MSG* msg);

    // --- timers ---
    // Starts (or restarts) timer `id`: WM_TIMER every `ms` milliseconds; returns id (0 when
    // the window does not exist).
    UINT_PTR SetTimer(UINT_PTR id, UINT ms, void* unused = nullptr);
    BOOL KillTimer(UINT_PTR id);

    // --- mouse capture ---
    // All mouse messages go to this window until ReleaseCapture.
    CWnd* SetCapture();
    static CWnd* GetCapture();

    // --- scroll bars of the window itself (SB_HORZ, SB_VERT, SB_BOTH) ---
    BOOL SetScrollInfo(int bar, const SCROLLINFO* info, BOOL redraw = TRUE);
    BOOL GetScrollInfo(int bar, SCROLLINFO* info, UINT mask = SIF_ALL) const;
    int SetScrollPos(int bar, int pos, BOOL redraw = TRUE);
    int GetScrollPos(int bar) const;
    void SetScrollRange(int bar, int minPos, int maxPos, BOOL redraw = TRUE);
    void GetScrollRange(int bar, int* minPos, int* maxPos) const;
    // The greatest position: maximum - max(page - 1, 0).
    int GetScrollLimit(int bar) const;
    void ShowScrollBar(int bar, BOOL show = TRUE);
    // Shows (enable) or hides the window's own bar.
    void EnableScrollBarCtrl(int bar, BOOL enable = TRUE);
    BOOL EnableScrollBar(int bar, UINT arrows = 0);
    // A scroll-bar control standing in for the window's own bar (none in the base).
    virtual CScrollBar* GetScrollBarCtrl(int bar) const;

    // --- dialog-item helpers ---
    void SetDlgItemText(int id, const char* text);
    int GetDlgItemText(int id, char* buffer, int size) const;
    int GetDlgItemText(int id, CString& text) const;
    void SetDlgItemInt(int id, UINT value, BOOL isSigned = TRUE);
    // The text's integer (leading blanks, a sign when signed, digits); *ok false when none.
    UINT GetDlgItemInt(int id, BOOL* ok = nullptr, BOOL isSigned = TRUE) const;
    void CheckDlgButton(int id, UINT check);
    UINT IsDlgButtonChecked(int id) const;
    void CheckRadioButton(int first, int last, int check);
    int GetCheckedRadioButton(int first, int last) const;
    // Makes this object the window of the parent's control `id` (the control keeps its kind
    // and state; messages now reach this object's handlers first).
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    // The menu of a frame (null for others).
    virtual CMenu* GetMenu() const;

    // Whether files dropped on the window (or on a child of it that does not take them
    // itself) arrive as WM_DROPFILES (OnDropFiles): the style WS_EX_ACCEPTFILES.
    void DragAcceptFiles(BOOL accept = TRUE);

    // Writes the window's picture as it shows on the screen, children included (pending
    // paints are run first), into a PNG file (UTF-8 path); false when it cannot.
    bool SaveImage(const std::string& utf8Path);

    struct Impl;
    Impl* impl() const { return impl_.get(); }

protected:
    // The window procedure: hands messages to the handlers below; unknown ones to
    // DefWindowProc.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Default handling of a message (native controls handle their own messages here).
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // DefWindowProc of the current message.
    LRESULT Default();

    // WM_COMMAND: routes the command through OnCmdMsg (control notifications carry the
    // control's id and code); true when handled.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);

    virtual int OnCreate(CREATESTRUCT* cs);
    virtual void OnDestroy();
    virtual void OnPaint();
    virtual BOOL OnEraseBkgnd(CDC* dc);
    virtual void OnSize(UINT type, int cx, int cy);
    virtual void OnMove(int x, int y);
    virtual void OnShowWindow(BOOL show, UINT status);
    virtual void OnTimer(UINT_PTR id);
    virtual void OnClose();
    virtual void OnLButtonDown(UINT flags, POINT pt);
    virtual void OnLButtonUp(UINT flags, POINT pt);
    virtual void OnLButtonDblClk(UINT flags, POINT pt);
    virtual void OnRButtonDown(UINT flags, POINT pt);
    virtual void OnRButtonUp(UINT flags, POINT pt);
    virtual void OnRButtonDblClk(UINT flags, POINT pt);
    virtual void OnMButtonDown(UINT flags, POINT pt);
    virtual void OnMButtonUp(UINT flags, POINT pt);
    virtual void OnMouseMove(UINT flags, POINT pt);
    // pt on the screen, as the platform gives it.
    virtual BOOL OnMouseWheel(UINT flags, short delta, POINT pt);
    virtual void OnKeyDown(UINT vk, UINT repeat, UINT flags);
    virtual void OnKeyUp(UINT vk, UINT repeat, UINT flags);
    virtual void OnChar(UINT ch, UINT repeat, UINT flags);
    virtual void OnSetFocus(CWnd* oldWnd);
    virtual void OnKillFocus(CWnd* newWnd);
    virtual void OnHScroll(UINT code, UINT pos, CScrollBar* bar);
    virtual void OnVScroll(UINT code, UINT pos, CScrollBar* bar);
    virtual BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);
    virtual void OnDrawItem(int id, DRAWITEMSTRUCT* dis);
    virtual void OnGetMinMaxInfo(MINMAXINFO* info);
    virtual void OnCaptureChanged(CWnd* wnd);
    virtual void OnCancelMode();
    virtual void OnEnable(BOOL enable);
    // The user asked for a context menu over wnd (the default of a right button's release, or
    // the menu key): screenPt is where, (-1, -1) from the keyboard. A child window's default
    // passes it to its parent.
    virtual void OnContextMenu(CWnd* wnd, POINT screenPt);
    // Files were dropped on the window (DragAcceptFiles); the default does nothing.
    virtual void OnDropFiles(HDROP drop);
    virtual void OnInitMenuPopup(CMenu* popup, UINT index, BOOL sysMenu);
    // A menu entry came under the pointer (id, flags 0), or the menu closed (id 0, flags
    // 0xFFFF).
    virtual void OnMenuSelect(UINT id, UINT flags);

    std::unique_ptr<Impl> impl_;

    friend struct WindowRouter;
};

// Releases the mouse capture.
BOOL ReleaseCapture();

// The unique number of a named message (from 0xC000), the same for the same name.
UINT RegisterWindowMessage(const char* name);

// A message posted for a window: true when one in [first, last] (0, 0: any) for wnd (null:
// any window of the program) is waiting; PM_REMOVE takes it out of the queue. Only messages
// the program posted (PostMessage) and characters made by TranslateMessage are in the queue.
BOOL PeekMessage(MSG* msg, CWnd* wnd, UINT first, UINT last, UINT remove);
// For a key-down message: puts the character it makes (WM_CHAR) into the queue, ahead of
// everything else. True when it made one.
BOOL TranslateMessage(const MSG* msg);
// Hands a message to its window's WindowProc.
LRESULT DispatchMessage(const MSG* msg);

class CControlBar;
using DockBarList = std::vector<CControlBar*>;

class CFrameWnd : public CWnd {
public:
    CFrameWnd();
    ~CFrameWnd() override;
    // Creates the top-level frame with a title (code page); false when it cannot.
    bool Create(const char* title);
    BOOL Create(const char* className, const char* windowName, DWORD style, const RECT& rect, CWnd* parent,
                UINT id, void* createParams = nullptr) override;
    // Puts a menu bar on the frame (from a menu resource); false when there is none.
    BOOL LoadMenuBar(UINT menuId);
    CMenu* GetMenu() const override;
    // Commands from the frame's menu and children: the frame's table, then the application's.
    BOOL OnCmdMsg(UINT id, int code) override;
    // Before a pop-up of the frame's menu opens: the update pass over its entries.
    void OnInitMenuPopup(CMenu* popup, UINT index, BOOL sysMenu) override;
    // The entry under the pointer puts its prompt into the message field; a closed menu puts
    // the idle message ("Ready") back.
    void OnMenuSelect(UINT id, UINT flags) override;
    // The message field of the frame's status bar (the child 59393) shows a text; an empty
    // one leaves the field as it is.
    void SetMessageText(const char* text);
    // ... or the prompt of a command: its string up to the first line feed (none: nothing).
    void SetMessageText(UINT id);
    static constexpr UINT kStatusBarId = 59393, kIdleMessageId = 57345;
    // The frame's accelerators: a key pressed in the frame or any window inside it that
    // matches one runs the command's update handler and, when that leaves it enabled, the
    // command; a greyed command's key is used up without running it.
    // Each pair is (modifiers << 16 | virtual key, command id); modifiers 1 Shift, 2 Ctrl, 4 Alt.
    void SetAccelerators(std::vector<std::pair<UINT, UINT>> keysToIds) { accelerators_ = std::move(keysToIds); }
    BOOL PreTranslateMessage(MSG* msg) override;

    // Control bars (framework/ControlBar.h). The edges where bars may dock (CBRS_ALIGN_...).
    void EnableDocking(DWORD alignMask);
    // Docks the bar at its first allowed edge that the frame allows (the top first).
    void DockControlBar(CControlBar* bar);
    // Floats the bar with its top-left at pt (screen coordinates).
    void FloatControlBar(CControlBar* bar, POINT pt, DWORD style = 0x2000 /* CBRS_ALIGN_TOP */);
    void ShowControlBar(CControlBar* bar, BOOL show, BOOL delay = FALSE);
    // Docks the bar in the dock bar dockBarId (AFX_IDW_DOCKBAR_...): at the end of row `row`
    // (counted from 0), or in a new last row when row is -1 or past the last.
    void DockControlBarAt(CControlBar* bar, UINT dockBarId, int row = -1);
    // The bar list of a dock bar (null for another id).
    DockBarList* GetDockBarList(UINT dockBarId) const;
    // Asks for a layout on the next turn of the event loop (several requests: one layout).
    void DelayRecalcLayout();
    // The client area the docked bars leave free (frame client coordinates), as the layout
    // would leave it now; nothing moves.
    RECT QueryFreeClientRect();
    // Lays out the docked bars along the top (those aligned CBRS_ALIGN_BOTTOM along the
    // bottom) and the first pane (id 0xE900) between them.
    virtual void RecalcLayout();
    // The frame's control bar with this id, or null; every bar made in the frame, in order.
    CControlBar* GetControlBar(UINT id) const;
    std::vector<CControlBar*> GetControlBars() const;

protected:
    void OnSize(UINT type, int cx, int cy) override;

private:
    std::vector<std::pair<UINT, UINT>> accelerators_;  // (mods << 16 | virtual key, command id)
};

// The window whose commands the program routes (the application's main window).
CWnd* AfxGetMainWnd();

// A device context on a window's client area (its picture); measures only when the window
// does not exist.
class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* wnd);
    ~CClientDC() override;
};

// The update rectangle of a WM_PAINT.
struct PAINTSTRUCT {
    CDC* hdc = nullptr;
    BOOL fErase = FALSE;
    RECT rcPaint;
};

// Made in OnPaint: a client DC that takes the update region (its bounds in m_ps.rcPaint) and
// marks it painted.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* wnd);
    ~CPaintDC() override;
    PAINTSTRUCT m_ps;
};

namespace fw {

// The mouse pointer's position on the screen, and moving it there (skipped where the display
// does not let a program move the pointer). While a uitest script drives the input, the
// pointer is where the script put it.
void GetCursorPos(POINT* pt);
void SetCursorPos(int x, int y);

// Window-system metrics: the SM_ values above, else framework/Screen.h's GetSystemMetrics.
int GetWindowMetric(int index);
// Lines to scroll per wheel notch (3 unless the system says otherwise).
int GetWheelScrollLines();

// One turn of a modal mouse loop. When no mouse button is down, returns false at once.
// Otherwise runs the event loop (paints, timers and input are handled, the modifier keys and
// the pointer stay current) until the pointer moves, a button or key changes, or timeoutMs
// milliseconds pass (0: no limit); returns true while a button is still down. A loop that
// polls the button therefore reads:  while (fw::MouseLoopStep(timeout)) { ... }
bool MouseLoopStep(UINT timeoutMs = 0);
// Runs the event loop until no mouse button is down.
void WaitMouseRelease();
// Runs the event loop until a mouse button is down (at once when one is); false when none
// comes (a scripted test whose script ran dry).
bool WaitMousePress();
// Whether a mouse button is down.
bool MouseButtonsDown();

// Runs the events that are waiting (posted messages, paints, timers that are due) and
// returns; does not wait. Under a scripted-input session each call delivers one step first;
// otherwise calls closer than 50 ms of real time to the last one that ran return at once.
void PumpMessages();

}  // namespace fw
