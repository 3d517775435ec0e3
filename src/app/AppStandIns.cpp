#include "app/AppStandIns.h"

void RunMidiDeviceDialog() {}

bool CZelToolBar::CreateIn(CFrameWnd* frame, const char* title, unsigned id, int width) {
    if (!Create(title, frame, id, CBRS_TOP | CBRS_TOOLTIPS | CBRS_FLYBY, SIZE{width, 24})) return false;
    EnableDocking(CBRS_ALIGN_ANY);
    return true;
}

bool EngineHost::Start(CWnd*) {
    ++StartAttempts();
    return false;
}

int& EngineHost::StartAttempts() {
    static int attempts = 0;
    return attempts;
}
