// Sizes of the screen and of the window system's parts, from the primary screen.
#pragma once

enum : int {
    SM_CXSCREEN = 0,       // width of the primary screen
    SM_CYSCREEN = 1,       // height of the primary screen
    SM_CYCAPTION = 4,      // height of a window caption
    SM_CXBORDER = 5,       // width of a thin window border
    SM_CYBORDER = 6,       // height of a thin window border
    SM_CYMENU = 15,        // height of a one-line menu bar
    SM_CXFULLSCREEN = 16,  // width of the work area
    SM_CYFULLSCREEN = 17,  // height of the work area below a caption
};

namespace fw {

// The metric, in pixels. Without a screen: a 1024 x 768 screen, caption 22, border 1,
// menu 20. Unknown indices give 0.
int GetSystemMetrics(int index);

// How long the text caret stays shown (and hidden) in one blink, in milliseconds: half the
// platform's cursor flash period; 530 without a platform value.
unsigned GetCaretBlinkTime();

// The primary screen's work area (the screen less the desktop's panels), in screen
// coordinates: left, top, right, bottom.
void GetWorkArea(int* left, int* top, int* right, int* bottom);

// Whether windows show their contents while they are dragged or sized (the system's
// full-window-drag setting; on unless a test turns it off).
bool GetDragFullWindows();

namespace screentest {
// Turns the full-window-drag setting on or off (tests); Reset turns it on again.
void SetDragFullWindows(bool on);
// Sets the work area that GetWorkArea reports (tests); Reset goes back to the screen's.
void SetWorkArea(int left, int top, int right, int bottom);
void Reset();
}  // namespace screentest

}  // namespace fw
