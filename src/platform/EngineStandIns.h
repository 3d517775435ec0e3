// Least forms of what the program asks of the audio engine and its rack of software
// instruments, which later work writes: the engine host (start, idle, shutdown and the queue of
// messages for the instruments) and the plug-in table of instrument slots. Without an engine the
// table is empty and the engine is never open, so nothing reaches it.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class CWnd;

// The engine's handle of one loaded instrument.
using EngineHandle = void*;

// One message queued for an instrument: its engine handle, its millisecond within the engine's
// current block, and the three message bytes.
struct EngineEvent {
    EngineHandle handle = nullptr;
    double msOffset = 0;
    std::uint8_t bytes[3] = {};
    std::uint8_t spare[5] = {};
};
static_assert(sizeof(EngineEvent) == 24);

// The engine's ring of queued messages: an entry is written at the write index, which then
// advances, wrapping after the last entry. The engine reads the entries up to the write index.
struct EngineRing {
    static constexpr int kSize = 512;
    EngineEvent entries[kSize];
    std::atomic<std::uint32_t> writeIndex{0};
};

class EngineHost {
public:
    // The engine is not present: it never starts. The attempts to start it are counted.
    static bool Start(CWnd* mainWindow);
    static int& StartAttempts();
    static bool Available() { return false; }
    static void Idle() {}
    static void Shutdown() {}
    // The open engine's ring (null: the engine is not open). The engine hands it over when it
    // opens and takes it back (null) before it closes.
    static void AttachRing(EngineRing* ring);
    static bool IsOpen();
    // When the engine is open: the entry written at the ring's write index, which advances and
    // wraps after 511. Senders on different threads take turns, so no entry is half written
    // when the index passes it.
    static void QueueEvent(EngineHandle handle, double msOffset, const std::uint8_t bytes[3]);
};

// One instrument slot of the engine's rack: the port id (2000 and up) the program sends to, the
// mute flag (set on the user-interface thread, read by the clock's), the engine's handle, and
// the instrument's name and slot number.
class PlugInSlot {
public:
    PlugInSlot(int portId, std::string name, int number, EngineHandle handle)
        : portId_(portId), number_(number), handle_(handle), name_(std::move(name)) {}
    int GetPortId() const { return portId_; }
    bool IsMuted() const { return muted_; }
    void SetMuted(bool muted) { muted_ = muted; }
    EngineHandle GetEngineHandle() const { return handle_; }
    // The name, a colon and a space, and the slot number ("Strings: 2").
    void GetDisplayName(char* text, std::size_t size) const;

private:
    int portId_;
    int number_;
    EngineHandle handle_;
    std::string name_;
    std::atomic<bool> muted_{false};
};

// The rack: its instrument slots in rack order. Slots are put in and taken out on the
// user-interface thread while no playback runs.
class PlugInTable {
public:
    static int GetCount();
    // Slot i, null outside the table.
    static PlugInSlot* GetSlot(int index);
    // The index of the slot with that port id, -1 when none.
    static int IndexOfPort(int portId);
    // An instrument the engine has loaded joins the rack.
    static void AddSlot(std::unique_ptr<PlugInSlot> slot);
    // Closes every instrument: the rack is empty.
    static void CloseAll();
};
