// The sizable docking control bar of the palettes that the floating tool windows derive from:
// the least form of it that CFloatWnd needs until the palettes' own bar exists.
#pragma once
#include <cstdint>

#include "framework/ControlBar.h"

class CSizingControlBarG : public CControlBar {
public:
    // Edge-style bits of the sizing bar.
    enum : DWORD { kShowEdges = 0x10, kSizeChildren = 0x20 };

    // Makes the bar in the frame with a title (code page), a default size and a control id.
    BOOL Create(const char* title, CFrameWnd* frame, SIZE defaultSize, UINT id);

    SIZE floatSize;   // the bar's floating size
    SIZE dockedSize;  // its docked size
    DWORD edgeStyle = 0;
};
