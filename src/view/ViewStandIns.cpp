#include "view/ViewStandIns.h"

#include <atomic>

#include "framework/Globals.h"
#include "framework/ToolBar.h"
#include "model/DocumentStandIns.h"

namespace {
std::atomic<int> g_countOff{0};
CTransport::Handler g_transportHandler = nullptr;

void Reset() {
    g_countOff = 0;
    CTransport::Commands().clear();
}
const bool registered = (fw::RegisterGlobalsReset(&Reset), true);
}  // namespace

int GetPlayCountOff() { return g_countOff.load(); }
void SetPlayCountOff(int value) { g_countOff.store(value); }

bool CTransport::Create(CFrameWnd* frame) {
    if (!CControlBar::Create("Transport", frame, fw::NextControlBarId(), CBRS_TOP | CBRS_TOOLTIPS | CBRS_FLYBY, SIZE{300, 24})) return false;
    EnableDocking(CBRS_ALIGN_ANY);
    return true;
}

std::vector<int>& CTransport::Commands() {
    static std::vector<int> ids;
    return ids;
}

void CTransport::SetHandler(Handler handler) { g_transportHandler = handler; }

void CTransport::OnTransportCommand(int id) {
    Commands().push_back(id);
    if (g_transportHandler) {
        g_transportHandler(id);
    } else if (id == kStop) {
        SetTransportState(0);
        PlaybackRunning() = false;
    }
}
