// The performer's timed MIDI events and the fixed pool of nodes that holds them, sorted by
// time; the clock thread walks its front and plays what has fallen due. A pool one thread alone
// uses (a MIDI file export's) takes no lock.
#pragma once
#include <cstdint>

#include "midi/ScopedLock.h"

// What an event is (how each plays: the performer's tick).
enum : std::uint8_t {
    kEventNote = 0x90,
    kEventLyric = 0xF7,
    kEventHeldNote = 0xF8,
    kEventPatch = 0xF9,
    kEventDoubling = 0xFA,
    kEventTempoHold = 0xFB,
    kEventKeySignature = 0xFC,
    kEventTempo = 0xFD,
    kEventChannelMessage = 0xFE,
    kEventBarMarker = 0xFF,
};

struct PerfEvent {
    PerfEvent* next;         // next node of the list that holds it (used or free)
    std::int32_t time;       // ticks (480 a quarter) at which it falls due
    std::int16_t port;       // output port id; a tempo hold keeps the saved tempo here
    std::uint8_t track;
    std::uint8_t voice;      // 0-7
    std::uint8_t sounding;   // note: 1 between its note-on and note-off; doubling: the flag; hold: begun
    std::uint8_t channel;    // 0-15
    std::uint8_t kind;       // kEvent...
    std::uint8_t data1;      // key, a message's status nibble, a key signature
    std::uint8_t data2;      // note-on velocity, a message's first data byte, a meter value
    std::uint8_t data3;      // note-off velocity, a message's second data byte, a meter value
    std::int32_t param;      // end time of notes and holds, next bar, tempo, packed patch word
};

class EventPool {
public:
    static constexpr int kNodes = 10000;

    // Whether other threads reach the pool: a shared pool takes its lock in every operation.
    enum class Sharing { Shared, OneThread };

    explicit EventPool(Sharing sharing = Sharing::Shared) : shared_(sharing == Sharing::Shared) { Reset(); }
    EventPool(const EventPool&) = delete;
    EventPool& operator=(const EventPool&) = delete;

    // Empties the used list, rewinds, and links every node into the free list in storage order.
    void Reset();
    // A node from the free list linked in by time, after every node not later than `time` (so
    // equal times keep the order of insertion), its time set; null, changing nothing, when the
    // pool is full. The caller fills the other fields.
    PerfEvent* Insert(std::int32_t time);
    // The same with every field copied from `event` under the lock: what a thread other than
    // the walking one inserts, so the walker never reads a node being filled.
    PerfEvent* Insert(const PerfEvent& event);
    void Rewind();
    // The node after the cursor, or null.
    PerfEvent* PeekAtCursor();
    void AdvanceCursor();
    // Unlinks the node after the cursor into the free list; the cursor stays, so the next
    // peek gives the node that followed. Does nothing when no node is there.
    void RemoveAtCursor();
    // Calls visit(node) for the nodes from the first on, under one hold of the lock, until it
    // answers false or the list ends. The visitor only reads.
    template <typename Visit>
    void VisitFromHead(Visit&& visit) const {
        Guard lock(*this);
        for (const PerfEvent* e = usedHead_.next; e && visit(*e); e = e->next) {
        }
    }
    // Whether n more nodes leave the pool short of full: count + n < 10,000.
    bool HasRoom(std::int16_t n) const;
    int GetCount() const;

private:
    // Holds the pool's lock for a scope when the pool is shared.
    class Guard {
    public:
        explicit Guard(const EventPool& pool) : section_(pool.shared_ ? &pool.lock_ : nullptr) {
            if (section_) section_->lock();
        }
        ~Guard() {
            if (section_) section_->unlock();
        }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

    private:
        CriticalSection* section_;
    };

    const bool shared_;
    mutable CriticalSection lock_;
    std::int16_t count_ = 0;
    PerfEvent nodes_[kNodes];
    PerfEvent freeHead_{};
    PerfEvent usedHead_{};
    PerfEvent* cursor_ = &usedHead_;
    // The node inserted last (the list's head when it has gone): an insert at its time or later
    // walks on from it.
    PerfEvent* hint_ = &usedHead_;
};
