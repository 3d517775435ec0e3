// The state of a command's menu entry or bar button while its update handler decides it: the
// command's id, whether it is enabled, and its check mark (0 none, 1 checked). Update handlers
// are kept per command target; the idle pass (WM_IDLEUPDATECMDUI, sent to every window under
// the main window when the program goes idle) lets controls that stand for commands run them.
#pragma once
#include <functional>

#include "framework/Messages.h"
#include "framework/Types.h"

class CCmdTarget;
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
    virtual void SetText(const char*) {}

    // Runs the update handler of target for the id; without one, disables when asked. True
    // when a handler ran.
    bool DoUpdate(CCmdTarget* target, bool disableIfNoHandler);

    UINT m_nID = 0;
    CWnd* m_pOther = nullptr;  // the control that stands for the command, if any
    bool enabled = true;
    bool enableChanged = false;
    int checked = 0;
};

namespace fw {

// The update handler of command id on target (a later one replaces an earlier one).
void AddUpdateHandler(CCmdTarget* target, UINT id, std::function<void(CCmdUI*)> handler);
// Drops target's handlers (when it goes away).
void ForgetUpdateHandlers(CCmdTarget* target);
// Sends message to every window under wnd, depth first.
void SendMessageToDescendants(CWnd* wnd, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace fw
