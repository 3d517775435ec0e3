// The MIDI input queue. The ring's block is shared with the input thread, so it is held locked
// (GlobalLock) for its whole life and never reached through DerefHandle.
#include "midi/InputQueue.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/Handles.h"

namespace {

std::uint32_t ReadWord(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

}  // namespace

CQueue::CQueue() = default;

CQueue::~CQueue() {
    if (block_) {
        UnlockHandle(block_);
        FreeHandle(block_);
    }
}

void CQueue::Init(int bytes) {
    ScopedLock lock(&lock_);
    if (block_) {
        UnlockHandle(block_);
        FreeHandle(block_);
        block_ = 0;
    }
    ring_ = builtIn_;
    capacity_ = kBuiltInBytes;
    if (bytes >= 2 * kQueueRecordBytes + 10) {
        if (HGLOBAL h = AllocHandle(std::uint32_t(bytes))) {
            if (auto* p = static_cast<std::uint8_t*>(LockHandle(h))) {
                block_ = h;
                ring_ = p;
                capacity_ = bytes;
            } else {
                FreeHandle(h);
            }
        }
    }
    refused_ = 0;
    Clear();
}

void CQueue::Clear() {
    ScopedLock lock(&lock_);
    readOffset_ = 0;
    writeOffset_ = 0;
    usedBytes_ = 0;
    newData_ = false;
    putHigh_ = 0;
    getHigh_ = 0;
}

// Whether `records` more records can be written without touching an unread one.
bool CQueue::Fits(int records) const {
    int w = writeOffset_;
    int used = usedBytes_;
    const int r = readOffset_;
    for (int i = 0; i < records; ++i) {
        const bool wrap = w + 10 >= capacity_;
        const int at = wrap ? 0 : w;
        if (used > 0) {
            if (w > r) {
                if (wrap && at + kQueueRecordBytes > r) return false;
            } else if (w < r) {
                if (wrap || w + kQueueRecordBytes > r) return false;
            } else {
                return false;  // the ring is full to the byte
            }
        }
        w = at + kQueueRecordBytes;
        used += kQueueRecordBytes;
    }
    return true;
}

void CQueue::Write(std::uint32_t word, std::uint8_t data1, std::uint8_t data2) {
    if (writeOffset_ + 10 >= capacity_) {
        // The marker's status byte is its first; what fits of the rest is cleared.
        std::uint8_t marker[kQueueRecordBytes] = {kQueueWrapMarker};
        std::memcpy(ring_ + writeOffset_, marker, std::min(kQueueRecordBytes, capacity_ - writeOffset_));
        writeOffset_ = 0;
    }
    std::uint8_t* p = ring_ + writeOffset_;
    for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(word >> (8 * i));
    p[4] = data1;
    p[5] = data2;
    writeOffset_ += kQueueRecordBytes;
    usedBytes_ += kQueueRecordBytes;
}

bool CQueue::Put(std::uint32_t time, std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    ScopedLock lock(&lock_);
    const std::uint32_t high = time >> 24;
    const bool newHigh = high != putHigh_;
    if (!Fits(newHigh ? 2 : 1)) {
        ++refused_;
        return false;
    }
    if (newHigh) {
        Write(high << 8 | kQueueTimeHigh, 0, 0);
        putHigh_ = high;
    }
    Write((time & 0xFFFFFF) << 8 | status, data1, data2);
    newData_ = true;
    return true;
}

bool CQueue::Accept(const ChannelMessage& message) {
    std::uint8_t status = message.status;
    if (status >= 0xF0 || status < 0x80) return true;
    std::uint8_t data2 = message.data2;
    status &= 0xF0;
    if (status == 0x90 && data2 == 0) {
        status = 0x80;
        data2 = 64;
    }
    return Put(message.time, status, message.data1, data2);
}

const std::uint8_t* CQueue::Next(int* offset) const {
    if (ring_[*offset] == kQueueWrapMarker) *offset = 0;
    const std::uint8_t* p = ring_ + *offset;
    *offset += kQueueRecordBytes;
    if (*offset >= capacity_) *offset = 0;
    return p;
}

bool CQueue::Get(QueueRecord* record) {
    ScopedLock lock(&lock_);
    while (usedBytes_ > 0) {
        const std::uint8_t* p = Next(&readOffset_);
        usedBytes_ -= kQueueRecordBytes;
        const std::uint32_t word = ReadWord(p);
        if ((word & 0xFF) == kQueueTimeHigh) {
            getHigh_ = word >> 8;
            continue;
        }
        record->time = getHigh_ << 24 | word >> 8;
        record->status = std::uint8_t(word);
        record->data1 = p[4];
        record->data2 = p[5];
        return true;
    }
    return false;
}

bool CQueue::Peek(QueueRecord* record) const {
    ScopedLock lock(&lock_);
    int offset = readOffset_, used = usedBytes_;
    std::uint32_t high = getHigh_;
    while (used > 0) {
        const std::uint8_t* p = Next(&offset);
        used -= kQueueRecordBytes;
        const std::uint32_t word = ReadWord(p);
        if ((word & 0xFF) == kQueueTimeHigh) {
            high = word >> 8;
            continue;
        }
        record->time = high << 24 | word >> 8;
        record->status = std::uint8_t(word);
        record->data1 = p[4];
        record->data2 = p[5];
        return true;
    }
    return false;
}

int CQueue::CollectChord(std::uint8_t entries[16][4]) {
    ScopedLock lock(&lock_);
    if (!newData_) return 0;
    newData_ = false;
    int notes = 0, releases = 0;
    bool released[16] = {};
    int offset = readOffset_;
    for (int left = usedBytes_; left > 0; left -= kQueueRecordBytes) {
        const std::uint8_t* p = Next(&offset);
        const std::uint8_t status = p[0];
        if (status == 0x90 && notes < 16) {
            entries[notes][0] = 0x90;
            entries[notes][1] = p[4];
            entries[notes][2] = p[5];
            entries[notes][3] = 0;
            ++notes;
        } else if (status == 0x80) {
            // Only the release of a key taken counts, so a seventeenth key's release (or one of
            // a key held before the chord began) never completes the chord early or forever
            // keeps it open.
            for (int i = 0; i < notes; ++i)
                if (entries[i][1] == p[4] && !released[i]) {
                    released[i] = true;
                    entries[i][3] = p[5];
                    ++releases;
                    break;
                }
        }
    }
    if (notes > 0 && releases == notes) {
        Clear();
        return notes;
    }
    return 0;
}

int CQueue::GetCapacity() const {
    ScopedLock lock(&lock_);
    return capacity_;
}

int CQueue::GetUsedBytes() const {
    ScopedLock lock(&lock_);
    return usedBytes_;
}

int CQueue::GetWriteOffset() const {
    ScopedLock lock(&lock_);
    return writeOffset_;
}

int CQueue::GetReadOffset() const {
    ScopedLock lock(&lock_);
    return readOffset_;
}

std::uint32_t CQueue::GetRefusedCount() const {
    ScopedLock lock(&lock_);
    return refused_;
}

void SortChordEntries(std::uint8_t entries[][4], int count) {
    std::qsort(entries, std::size_t(count), 4, [](const void* a, const void* b) {
        return int(static_cast<const std::uint8_t*>(a)[1]) - int(static_cast<const std::uint8_t*>(b)[1]);
    });
}
