#include "model/Playback.h"

#include <cstdint>

#include "framework/Globals.h"

namespace {
std::atomic<CScore*> g_playScore{nullptr};
std::atomic<std::uint64_t> g_playPosition{0};
std::atomic<int> g_transport{0};

std::uint64_t Pack(int bar, int beat, int tick) {
    return std::uint64_t(std::uint16_t(bar)) << 48 | std::uint64_t(std::uint16_t(beat)) << 32 | std::uint32_t(tick);
}

void Reset() {
    g_playScore = nullptr;
    g_playPosition = 0;
    g_transport = 0;
}
const bool registered = (fw::RegisterGlobalsReset(&Reset), true);
}  // namespace

std::atomic<bool>& PlaybackRunning() {
    static std::atomic<bool> running{false};
    return running;
}

CScore* GetPlayedScore() { return g_playScore.load(); }
void SetPlayedScore(CScore* score) { g_playScore.store(score); }

void GetPlayPosition(int* bar, int* beat, int* tick) {
    const std::uint64_t p = g_playPosition.load();
    if (bar) *bar = std::int16_t(p >> 48);
    if (beat) *beat = std::int16_t(p >> 32);
    if (tick) *tick = std::int32_t(std::uint32_t(p));
}

void SetPlayPosition(int bar, int beat, int tick) { g_playPosition.store(Pack(bar, beat, tick)); }

int GetTransportState() { return g_transport.load(); }
void SetTransportState(int state) { g_transport.store(state); }
