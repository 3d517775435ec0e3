// The state of a command's menu entry or bar button while its update handler decides it: the
// command's id, whether it is enabled, and its check mark (0 none, 1 checked).
#pragma once
#include "framework/Types.h"

class CCmdUI {
public:
    explicit CCmdUI(UINT id = 0) : m_nID(id) {}
    virtual ~CCmdUI() = default;
    virtual void Enable(bool on = true) { enabled = on; }
    virtual void SetCheck(int check = 1) { checked = check; }

    UINT m_nID = 0;
    bool enabled = true;
    int checked = 0;
};
