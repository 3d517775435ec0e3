// The mouse pointer: its shape and the display counter that hides it.
//
// Without an application object these only keep their state, so code that sets cursors
// runs unchanged in tools and tests.
#pragma once
#include "framework/Types.h"

// The system's pointer shapes.
enum : UINT {
    IDC_ARROW = 32512,
    IDC_IBEAM = 32513,
    IDC_WAIT = 32514,
    IDC_CROSS = 32515,
    IDC_UPARROW = 32516,
    IDC_SIZENWSE = 32642,
    IDC_SIZENESW = 32643,
    IDC_SIZEWE = 32644,
    IDC_SIZENS = 32645,
    IDC_SIZEALL = 32646,
    IDC_NO = 32648,
    IDC_HAND = 32649,
    IDC_APPSTARTING = 32650,
};

namespace fw {

// Shows the pointer shape `id` until the mouse next moves; then the window under the pointer
// chooses again. Ids from 32512 are the system's shapes (IDC_...); smaller ids are the
// program's own cursors by resource id, shown as the arrow while they have no image.
void SetCursor(UINT id);
// The id last set (0 before any).
UINT CurrentCursor();

// Moves the display counter up (show) or down (hide) and returns its new value; the pointer
// is hidden while the counter is negative.
int ShowCursor(bool show);

namespace cursortest {
// Counter 0, pointer shown, no cursor set.
void Reset();
}  // namespace cursortest

}  // namespace fw
