#include "app/AppStandIns.h"

#include <algorithm>

#include "framework/Midi.h"

std::vector<std::string>& StoredMidiInPorts() {
    static std::vector<std::string> names;
    return names;
}
std::vector<std::string>& StoredMidiOutPorts() {
    static std::vector<std::string> names;
    return names;
}
void CMidiInPorts::Load() { names = StoredMidiInPorts(); }
void CMidiOutPorts::Load() {
    names = StoredMidiOutPorts();
    ids.clear();
    // The system's output ports in the framework's order: a port's id is its place there.
    std::vector<std::string> system;
    for (const fw::midi::PortInfo& port : fw::midi::ListPorts())
        if (port.kind == fw::midi::Kind::Output) system.push_back(port.name);
    for (const std::string& name : names) {
        const auto at = std::find(system.begin(), system.end(), name);
        ids.push_back(at == system.end() ? -1 : int(at - system.begin()));
    }
}

std::vector<int> CMidiOutPorts::GetPortIds() const {
    std::vector<int> out;
    for (int id : ids)
        if (id >= 0) out.push_back(id);
    return out;
}
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
