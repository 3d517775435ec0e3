#include "platform/EngineStandIns.h"

#include <mutex>
#include <vector>

#include "framework/CodePage.h"

namespace {

std::atomic<EngineRing*> g_ring{nullptr};
std::mutex g_ringWriters;
std::vector<std::unique_ptr<PlugInSlot>> g_slots;

}  // namespace

bool EngineHost::Start(CWnd*) {
    ++StartAttempts();
    return false;
}

int& EngineHost::StartAttempts() {
    static int attempts = 0;
    return attempts;
}

void EngineHost::AttachRing(EngineRing* ring) {
    std::lock_guard<std::mutex> lock(g_ringWriters);
    g_ring = ring;
}

bool EngineHost::IsOpen() { return g_ring.load() != nullptr; }

void EngineHost::QueueEvent(EngineHandle handle, double msOffset, const std::uint8_t bytes[3]) {
    std::lock_guard<std::mutex> lock(g_ringWriters);
    EngineRing* ring = g_ring.load();
    if (!ring || !bytes) return;
    const std::uint32_t at = ring->writeIndex.load(std::memory_order_relaxed) % EngineRing::kSize;
    EngineEvent& e = ring->entries[at];
    e.handle = handle;
    e.msOffset = msOffset;
    for (int i = 0; i < 3; ++i) e.bytes[i] = bytes[i];
    // The entry is whole before the index shows it to the engine.
    ring->writeIndex.store((at + 1) % EngineRing::kSize, std::memory_order_release);
}

void PlugInSlot::GetDisplayName(char* text, std::size_t size) const {
    fw::CopyText(text, size, name_ + ": " + std::to_string(number_));
}

int PlugInTable::GetCount() { return int(g_slots.size()); }

PlugInSlot* PlugInTable::GetSlot(int index) {
    return index >= 0 && index < GetCount() ? g_slots[std::size_t(index)].get() : nullptr;
}

int PlugInTable::IndexOfPort(int portId) {
    for (int i = 0; i < GetCount(); ++i)
        if (g_slots[std::size_t(i)]->GetPortId() == portId) return i;
    return -1;
}

void PlugInTable::AddSlot(std::unique_ptr<PlugInSlot> slot) {
    if (slot) g_slots.push_back(std::move(slot));
}

void PlugInTable::CloseAll() { g_slots.clear(); }
