// An open audio engine for tests: its ring attached to the engine host and instrument slots put
// into the plug-in table; both are taken back when it goes.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/EngineStandIns.h"

namespace testsupport {

class FakeEngine {
public:
    FakeEngine() {
        PlugInTable::CloseAll();
        EngineHost::AttachRing(&ring);
    }
    ~FakeEngine() {
        EngineHost::AttachRing(nullptr);
        PlugInTable::CloseAll();
    }
    FakeEngine(const FakeEngine&) = delete;
    FakeEngine& operator=(const FakeEngine&) = delete;

    // A slot on a port; its engine handle is the address of its own byte of `handles`.
    PlugInSlot& AddSlot(int portId, const std::string& name, int number, bool muted = false) {
        auto slot = std::make_unique<PlugInSlot>(portId, name, number, HandleOf(portId));
        slot->SetMuted(muted);
        PlugInSlot& added = *slot;
        PlugInTable::AddSlot(std::move(slot));
        return added;
    }
    EngineHandle HandleOf(int portId) { return &handles[std::size_t(portId) % sizeof handles]; }
    // Entries queued so far (the write index from 0, before any wrap).
    std::uint32_t WriteIndex() const { return ring.writeIndex.load(); }

    EngineRing ring;
    std::uint8_t handles[64] = {};
};

}  // namespace testsupport
