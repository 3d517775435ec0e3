#include "app/AppStandIns.h"

std::vector<std::string>& StoredMidiInPorts() {
    static std::vector<std::string> names;
    return names;
}
std::vector<std::string>& StoredMidiOutPorts() {
    static std::vector<std::string> names;
    return names;
}
void CMidiInPorts::Load() { names = StoredMidiInPorts(); }
void CMidiOutPorts::Load() { names = StoredMidiOutPorts(); }
void RunMidiDeviceDialog() {}

bool CZelToolBar::CreateIn(CFrameWnd* frame, const char* title, unsigned id, int width) {
    if (!Create(title, frame, id, CBRS_TOP | CBRS_TOOLTIPS | CBRS_FLYBY, SIZE{width, 24})) return false;
    EnableDocking(CBRS_ALIGN_ANY);
    return true;
}

bool CStatBar::Create(CFrameWnd* frame) {
    if (!CControlBar::Create("", frame, kStatusBarId, CBRS_BOTTOM, SIZE{400, 20})) return false;
    EnableDocking(CBRS_ALIGN_BOTTOM);
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
