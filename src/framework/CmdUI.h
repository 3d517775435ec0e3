// The state of a command's menu entry or bar button while its update handler decides it: the
// command's id, whether it is enabled, and its check mark (0 none, 1 checked). Update handlers
// are kept per command target; the idle pass (WM_IDLEUPDATECMDUI, sent to every window under
// the main window when the program goes idle) lets controls that stand for commands run them.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "framework/Messages.h"
#include "framework/Types.h"

class CCmdTarget;
class CFrameWnd;
class CMenu;
class CWnd;

class CCmdUI {
public:
    explicit CCmdUI(UINT id = 0) : m_nID(id) {}
    virtual ~CCmdUI() = default;
    virtual void Enable(bool on = true) {
        enabled = on;
        enableChanged = true;
    }
    virtual void SetCheck(int check = 1) { checked = check; }
    // A new text for the entry (code page; a menu entry keeps "&" and the tab's accelerator).
    virtual void SetText(const char* newText) {
        text = newText ? newText : "";
        textChanged = true;
    }

    // Runs the update handler of target for the id; without one, disables when asked. True
    // when a handler ran.
    bool DoUpdate(CCmdTarget* target, bool disableIfNoHandler);

    UINT m_nID = 0;
    CWnd* m_pOther = nullptr;  // the control that stands for the command, if any
    CMenu* m_pMenu = nullptr;  // the pop-up that holds the entry, if it is a menu entry
    UINT m_nIndex = 0;         // the entry's position in that pop-up (a handler that put entries
                               // in after it moves it to the last of them)
    std::string text;          // the entry's text as it is (and as a handler set it)
    bool textChanged = false;
    bool enabled = true;
    bool enableChanged = false;
    int checked = 0;
};

namespace fw {

// The update handler of command id on target (a later one replaces an earlier one).
void AddUpdateHandler(CCmdTarget* target, UINT id, std::function<void(CCmdUI*)> handler);
// Drops target's handlers (when it goes away).
void ForgetUpdateHandlers(CCmdTarget* target);
// Runs the update handler of ui's id along a frame's command route: the active child frame's
// view, the view's document, the child frame, the frame, the application. True when one ran.
bool RouteCommandUpdate(CFrameWnd* frame, CCmdUI* ui);
// The update pass over a pop-up of a frame's menu (and the pop-ups inside it), before it
// opens: each entry's state, check mark and text as its update handler leaves them. An entry
// without a handler keeps its state.
void UpdateMenuPopup(CFrameWnd* frame, CMenu* popup);

// A key that chooses a command: virtual key and modifiers (1 Shift, 2 Ctrl, 4 Alt).
struct Accelerator {
    UINT mods = 0;
    UINT vk = 0;
    UINT id = 0;
};
// The accelerator of a menu text: the keys after its tab ("Ctrl+Z", "Shift+F5", "Del"); false
// when it names none.
bool ParseAcceleratorText(const std::string& text, UINT* mods, UINT* vk);
// Every entry of a menu (pop-ups inside it too) whose text names keys after its tab.
std::vector<Accelerator> AcceleratorsFromMenu(CMenu* menu);

// Sends message to every window under wnd, depth first.
void SendMessageToDescendants(CWnd* wnd, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace fw
