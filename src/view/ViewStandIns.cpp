#include "view/ViewStandIns.h"

#include <atomic>

#include "framework/Globals.h"
#include "framework/ToolBar.h"
#include "model/DocumentStandIns.h"

namespace {
std::atomic<CScore*> g_playScore{nullptr};
std::atomic<std::uint64_t> g_playPosition{0};
std::atomic<int> g_countOff{0};
std::atomic<int> g_transport{0};

std::uint64_t Pack(int bar, int beat, int tick) {
    return std::uint64_t(std::uint16_t(bar)) << 48 | std::uint64_t(std::uint16_t(beat)) << 32 | std::uint32_t(tick);
}

void Reset() {
    g_playScore = nullptr;
    g_playPosition = 0;
    g_countOff = 0;
    g_transport = 0;
    CTransport::Commands().clear();
}
const bool registered = (fw::RegisterGlobalsReset(&Reset), true);
}  // namespace

CScore* Performer::GetScore() { return g_playScore.load(); }
void Performer::SetScore(CScore* score) { g_playScore.store(score); }

void Performer::GetPosition(int* bar, int* beat, int* tick) {
    const std::uint64_t p = g_playPosition.load();
    if (bar) *bar = std::int16_t(p >> 48);
    if (beat) *beat = std::int16_t(p >> 32);
    if (tick) *tick = std::int32_t(std::uint32_t(p));
}

void Performer::SetPosition(int bar, int beat, int tick) { g_playPosition.store(Pack(bar, beat, tick)); }
int Performer::GetCountOff() { return g_countOff.load(); }
void Performer::SetCountOff(int value) { g_countOff.store(value); }

int GetTransportState() { return g_transport.load(); }
void SetTransportState(int state) { g_transport.store(state); }

bool CTransport::Create(CFrameWnd* frame) {
    if (!CControlBar::Create("Transport", frame, fw::NextControlBarId(), CBRS_TOP | CBRS_TOOLTIPS | CBRS_FLYBY, SIZE{300, 24})) return false;
    EnableDocking(CBRS_ALIGN_ANY);
    return true;
}

std::vector<int>& CTransport::Commands() {
    static std::vector<int> ids;
    return ids;
}

void CTransport::OnTransportCommand(int id) {
    Commands().push_back(id);
    if (id == kStop) {
        SetTransportState(0);
        PlaybackRunning() = false;
    }
}
