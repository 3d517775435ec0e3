// The MIDI input queue: channel messages from the input thread to the user-interface thread,
// a byte ring of 6-byte records with a wrap marker, under its own lock.
#pragma once
#include <cstdint>

#include "framework/Types.h"
#include "midi/ScopedLock.h"

// A channel message as the device layer hands it on: time in ticks, status with its channel,
// two data bytes.
struct ChannelMessage {
    std::uint32_t time;
    std::uint8_t status;
    std::uint8_t data1;
    std::uint8_t data2;
    std::uint8_t spare;
};

// A queued message as the reader gets it: the status without its channel, the whole time.
struct QueueRecord {
    std::uint32_t time;    // ticks at which it arrived
    std::uint8_t status;   // 0x80, 0x90, ... 0xE0
    std::uint8_t data1;
    std::uint8_t data2;
};

// Ring layout: a 6-byte record is a 32-bit little-endian word (bits 8-31 the time's low 24
// bits, bits 0-7 the status) and the two data bytes. Status 0xFF is the wrap marker; status 0xFE
// carries the time's top 8 bits for the records after it, so times never wrap.
constexpr int kQueueRecordBytes = 6;
constexpr std::uint8_t kQueueWrapMarker = 0xFF;
constexpr std::uint8_t kQueueTimeHigh = 0xFE;

class CQueue {
public:
    static constexpr int kBuiltInBytes = 1024;

    CQueue();
    ~CQueue();
    CQueue(const CQueue&) = delete;
    CQueue& operator=(const CQueue&) = delete;

    // A ring of that many bytes (the built-in 1,024 stay when it cannot be had), emptied.
    void Init(int bytes);
    void Clear();
    // Appends a channel message; false, with nothing written and the refusal counted, when the
    // ring has no room for it (unread records are never overwritten).
    bool Put(std::uint32_t time, std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    // System messages are dropped as success; a note-on of velocity 0 is queued as a note-off
    // of velocity 64; the channel is left off. The put's result.
    bool Accept(const ChannelMessage& message);
    // Copies the next unread record out and consumes it; false when none is unread.
    bool Get(QueueRecord* record);
    // Copies the next unread record out and leaves it unread; false when none is unread.
    bool Peek(QueueRecord* record) const;
    // The chord played: entries of {0x90, key, velocity, release velocity}. The number of
    // notes (and the queue cleared) once every one taken has been released, else 0.
    int CollectChord(std::uint8_t entries[16][4]);

    int GetCapacity() const;
    int GetUsedBytes() const;
    int GetWriteOffset() const;
    int GetReadOffset() const;
    // Records refused for want of room since Init.
    std::uint32_t GetRefusedCount() const;

private:
    bool Fits(int records) const;
    void Write(std::uint32_t word, std::uint8_t data1, std::uint8_t data2);
    // The record at *offset, following a wrap marker, and *offset moved past it.
    const std::uint8_t* Next(int* offset) const;

    mutable CriticalSection lock_;
    int readOffset_ = 0;
    int writeOffset_ = 0;
    int usedBytes_ = 0;
    int capacity_ = kBuiltInBytes;
    std::uint8_t* ring_ = builtIn_;
    HGLOBAL block_ = 0;
    bool newData_ = false;
    std::uint32_t putHigh_ = 0;  // the time's top 8 bits the last put record carries
    std::uint32_t getHigh_ = 0;  // the same for the reader
    std::uint32_t refused_ = 0;
    std::uint8_t builtIn_[kBuiltInBytes] = {};
};

// Sorts collected chord entries by key, ascending.
void SortChordEntries(std::uint8_t entries[][4], int count);
