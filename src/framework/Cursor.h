// The mouse pointer: its shape and the display counter that hides it.
//
// Without an application object these only keep their state, so code that sets cursors
// runs unchanged in tools and tests.
#pragma once
#include <string>

#include "framework/Types.h"

class CBitmap;

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
// program's own cursors by resource id: the picture cursors/<id>.png of the installed data
// folder with its hot spot from cursors/hotspots.txt ("id x y" lines), shown as the arrow
// when there is no picture. Pictures are read once and kept.
void SetCursor(UINT id);
// The id last set (0 before any).
UINT CurrentCursor();

// Moves the display counter up (show) or down (hide) and returns its new value; the pointer
// is hidden while the counter is negative.
int ShowCursor(bool show);

// A program cursor's picture as read: its size, hot spot and number of transparent pixels;
// false when the program has no picture for `id`.
struct CursorPicture {
    int width = 0;
    int height = 0;
    POINT hotSpot{0, 0};
    int clearPixels = 0;
};
bool GetCursorPicture(UINT id, CursorPicture* out);

// Writes a drawn cursor picture as a PNG file in which the pixels of colour `clear` are
// transparent; false when it cannot.
bool SaveCursorPicture(const CBitmap& drawn, COLORREF clear, const std::string& utf8Path);

namespace cursortest {
// Counter 0, pointer shown, no cursor set.
void Reset();
// The shape the last SetCursor put on show, while it is: its id when the program has a
// picture for it or the system has the shape, else IDC_ARROW; 0 after Reset.
UINT DisplayedCursor();
}  // namespace cursortest

}  // namespace fw
