// Private to the framework: what a CWnd holds of the platform, and the message router that
// turns the platform's events into the program's messages.
#pragma once
#include <QEvent>
#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QWidget>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/UiTest.h"
#include "framework/Window.h"

class QScrollBar;
class QTimer;

// The files of a drop (HDROP), code page paths.
struct DropFiles {
    std::vector<std::string> paths;
};

namespace fw {

// Kinds of window: a plain window of the program, a frame, a dialog, or one of the controls.
enum class WndKind { Window, Frame, Dialog, Button, Edit, Static, Combo, List, ScrollBar, Slider, Spin, Progress, OwnerDraw, Tree };

// The state of one scroll bar (of a window, or a scroll-bar control).
struct ScrollState {
    int min = 0;
    int max = 100;
    int page = 0;
    int pos = 0;
    int trackPos = 0;
    bool shown = false;
    bool enabled = true;
};

// State of a native control (Controls.cpp).
struct ControlData;
struct ControlDataDeleter {
    void operator()(ControlData* d) const;
};

}  // namespace fw

struct CWnd::Impl {
    CWnd* self = nullptr;
    // The window; for a frame the outer top-level window.
    QPointer<QWidget> widget;
    // Where the client area is: children, painting and client coordinates (the widget itself
    // for every window but a frame).
    QPointer<QWidget> client;
    // The picture the window shows: device contexts on the window draw into it (at any time,
    // not only while painting), and the widget paints it.
    std::shared_ptr<QImage> backing;
    QObject* backingPainter = nullptr;

    fw::WndKind kind = fw::WndKind::Window;
    DWORD style = 0;
    DWORD exStyle = 0;
    UINT classStyle = CS_DBLCLKS;
    UINT classCursor = 0;
    int id = 0;
    CWnd* parent = nullptr;  // the parent (child windows) or the owner (top-level windows)
    std::vector<CWnd*> children;  // child windows in the order they were made (z-order from the top)
    // Controls the framework made with this window and that were destroyed on their own (a
    // placeholder replaced): freed with this window.
    std::vector<CWnd*> orphans;
    QSize lastSize{-1, -1};       // the client size last told by WM_SIZE
    CFont* font = nullptr;
    // Made by the framework (a template's control): deleted with its window.
    bool frameworkOwned = false;
    bool destroying = false;
    int busy = 0;  // events of this window being handled right now

    // Painting.
    QRegion update;
    bool erase = false;
    bool paintPosted = false;
    bool redrawOff = false;
    QRect paintRect;  // the update bounds while WM_PAINT runs
    // Owner-drawn controls that must be drawn (this window is their parent).
    bool drawItemsPosted = false;
    bool ownerDirty = false;  // an owner-drawn control: its parent must draw it

    // Timers by id.
    std::map<UINT_PTR, QTimer*> timers;

    // The window's own scroll bars.
    fw::ScrollState hs, vs;
    QPointer<QScrollBar> hbar, vbar;
    // The square between the two bars when both are shown.
    QPointer<QWidget> barCorner;

    std::unique_ptr<fw::ControlData, fw::ControlDataDeleter> control;

    QWidget* surface() const { return client ? client.data() : widget.data(); }
};

namespace fw {

// The window's backing picture, made or grown to the client's size (white where new); null
// when the window has no widget.
std::shared_ptr<QImage> WindowBacking(CWnd::Impl& impl);

// The CWnd a widget belongs to (null when none); binding a widget to a window.
CWnd* WndOf(const QObject* widget);
void BindWidget(QWidget* widget, CWnd* wnd);
void UnbindWidget(QWidget* widget);

// Event types the framework posts to its widgets.
enum : int { kPaintEvent = QEvent::User + 601, kDrawItemsEvent = QEvent::User + 602, kPumpEvent = QEvent::User + 603 };

// The router: every platform event of a window's widget passes here. Returns true when the
// event was handled (eaten); false lets the widget's own handling run (native controls).
bool RouteEvent(CWnd* wnd, QWidget* target, QEvent* event);
// Calls a window's WindowProc (the router's access to the protected member).
LRESULT CallWindowProc(CWnd* wnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CallDefWindowProc(CWnd* wnd, UINT message, WPARAM wParam, LPARAM lParam);
// Walks PreTranslateMessage from msg->hwnd up to its top-level window; true when eaten.
bool WalkPreTranslate(MSG* msg);

// Painting requests: the window's update region gained something / an owner-drawn control
// must be drawn by its parent.
void SchedulePaint(CWnd* wnd);
void ScheduleDrawItems(CWnd* parent);
// Runs a pending paint of the window now (and its owner-drawn children), when it has one.
void RunPaint(CWnd* wnd, bool evenHidden = false);
void RunDrawItems(CWnd* parent, bool evenHidden = false);

// Nothing waiting: no posted message, no paint or drawing of a visible window.
bool FrameworkIdle();
// Drops whatever the framework keeps about a window that goes away (queued messages, capture,
// pending paints).
void ForgetWindow(CWnd* wnd);
// Counts input events seen (the modal mouse loop waits for this to change).
unsigned InputGeneration();
void NoteInput();
// The current message (set while WindowProc runs); Pop answers whether its window is still
// there. InMessage: some message is being handled.
void PushCurrentMessage(const MSG& msg);
bool PopCurrentMessage();
const MSG* CurrentMessage();
bool InMessage();

// The colours of the platform.
COLORREF ColorOf(int sysColor);

// --- uitest (UiTest.cpp) ---
bool UiTestActive();
// A nested loop's turn under a script: runs events until idle, then delivers one step.
// Returns false when the script is empty (and nothing ran).
bool UiTestFeedStep(bool tickEndsWait, bool* ticked);
// Runs events until the framework is idle (bounded).
void RunUntilFrameworkIdle();
// The pointer position the script keeps; setting it.
bool UiTestCursor(POINT* pt);
void UiTestSetCursor(int x, int y);
// The program moves the pointer: recorded for the script (TakeWarps).
void UiTestWarpCursor(int x, int y);
// The script ran dry in a mouse loop: releases the buttons it holds.
void UiTestReleaseButtons();
// Modal dialogs and menus under the script.
bool UiTestRunModalHandler(CDialog& dlg);  // false when no handler was waiting
void UiTestNoteModal(UINT templateId);
void UiTestForcedEnd();
// A pop-up menu under the script: records it and fills in its answer; false without a script.
bool UiTestTrackMenu(uitest::ShownMenu* shown);
// A window goes away: the script's steps for it are dropped.
void UiTestForget(CWnd* wnd);

void UiTestSetCursorFromEvent(int x, int y);

// Headless: the platform shows nothing a user could answer.
bool Headless();

// --- between the framework's files ---
QWidget* NewWndWidget(CWnd* wnd, QWidget* parent, bool topLevel);
QWidget* CreateControlWidget(CWnd* wnd, const char* className, DWORD style, QWidget* parent);
// The tree control's widget (TreeCtrl.cpp).
QWidget* CreateTreeWidget(CWnd* wnd, DWORD style, QWidget* parent);
// The rich-text control's widget (RichEdit.cpp).
QWidget* CreateRichEditWidget(CWnd* wnd, DWORD style, QWidget* parent);
LRESULT ControlDefProc(CWnd* wnd, UINT message, WPARAM wParam, LPARAM lParam, bool fromEvent, bool nativeDone);
void LayoutScrollBars(CWnd* wnd);
// Puts the scroll bars (and the corner between them) of the window whose client area is
// `surface` above its children.
void RaiseScrollBars(QWidget* surface);
void DestroyControlData(CWnd* wnd);
bool ControlSetText(CWnd* wnd, const QString& text);
bool ControlGetText(const CWnd* wnd, QString* text);
// A control moved, was resized, shown or changed state: combos keep their field height,
// owner-drawn controls are drawn again by their parent.
void ControlMoved(CWnd* wnd);
void SendSizeIfChanged(CWnd* wnd);
// A combo box keeps its selection field's height; the height asked for is its dropped height.
int ComboGeometryHeight(CWnd* wnd, int requestedHeight);
bool SubclassControl(CWnd* control, CWnd* newWnd);
CWnd* CaptureWnd();
void ForgetCapture(CWnd* wnd);
void FrameLayoutOuter(CWnd* frame);
BOOL AttachMenuBar(CFrameWnd* frame, UINT menuId);
CMenu* FrameMenu(const CFrameWnd* frame);
void DropFrameMenu(const CFrameWnd* frame);
void FrameLayout(CFrameWnd* frame);
// The multiple-document area (Mdi.cpp): a press or the focus reached wnd, so the child frame
// holding it becomes active; an area was resized, so its maximised frames follow.
void ActivateMdiChildOf(CWnd* wnd);
void MdiAreaResized(CWnd* area);

}  // namespace fw
