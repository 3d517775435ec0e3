#include "platform/FloatWndStandIns.h"

BOOL CSizingControlBarG::Create(const char* title, CFrameWnd* frame, SIZE defaultSize, UINT id) {
    floatSize = defaultSize;
    dockedSize = defaultSize;
    return CControlBar::Create(title, frame, id, CBRS_TOP | CBRS_SIZE_DYNAMIC, defaultSize);
}
