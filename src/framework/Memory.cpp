#include "framework/Memory.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

namespace fw {
namespace {

// Handle id: low 20 bits slot index + 1, high 12 bits a generation that catches stale ids.
constexpr std::uint32_t kIndexBits = 20;
constexpr std::uint32_t kIndexMask = (1u << kIndexBits) - 1;

// What a look-up reads, 16 bytes a slot (sizes stay below 2 GB); the lock counts live apart.
struct Slot {
    void* data = nullptr;
    std::uint32_t size = 0;
    std::uint16_t generation = 1;
    bool live = false;
    bool shared = false;  // the data lies in a shared run (see GlobalAllocAfter)
};
static_assert(sizeof(Slot) == 16);

// Slots live in fixed chunks that never move, so that a block's owner can find its address
// without the mutex while other threads add slots (see GlobalAddress).
constexpr std::uint32_t kChunkBits = 12;
constexpr std::uint32_t kChunkSlots = 1u << kChunkBits;
constexpr std::uint32_t kChunks = (kIndexMask + kChunkSlots) / kChunkSlots;

// One allocation that holds the data of many blocks one after another; it goes when the last
// of its blocks is freed or moves out on a resize.
struct SharedRun {
    std::uint8_t* begin;
    std::uint8_t* used;  // the next block goes here
    std::uint8_t* end;
    std::size_t users;
};

struct Table {
    std::mutex mutex;
    std::vector<SharedRun> runs;  // by address
    std::atomic<Slot*> chunks[kChunks] = {};
    int* lockChunks[kChunks] = {};  // the lock counts, written only with the mutex held
    std::atomic<std::uint32_t> slotCount{0};
    std::vector<std::uint32_t> freeSlots;
    int failAfter = -1;  // -1: never fail
    bool alwaysMove = false;
    std::size_t live = 0;
};

Table& table() {
    static Table* t = new Table;  // never destroyed: blocks may be freed during static teardown
    return *t;
}

bool allowAllocation(Table& t) {
    if (t.failAfter < 0) return true;
    if (t.failAfter == 0) return false;
    --t.failAfter;
    return true;
}

Slot& slotAt(Table& t, std::uint32_t index) {
    return t.chunks[(index - 1) >> kChunkBits].load(std::memory_order_acquire)[(index - 1) & (kChunkSlots - 1)];
}

int& locksAt(Table& t, std::uint32_t index) {
    return t.lockChunks[(index - 1) >> kChunkBits][(index - 1) & (kChunkSlots - 1)];
}

Slot* find(Table& t, HGLOBAL h) {
    if (h == 0) return nullptr;
    std::uint32_t index = (h & kIndexMask);
    if (index == 0 || index > t.slotCount.load(std::memory_order_acquire)) return nullptr;
    Slot& s = slotAt(t, index);
    if (!s.live || s.generation != (h >> kIndexBits)) return nullptr;
    return &s;
}

// A new slot at the end (the mutex held); 0 when the table is full or memory ran out.
std::uint32_t growSlots(Table& t) {
    const std::uint32_t n = t.slotCount.load(std::memory_order_relaxed);
    if (n >= kIndexMask) return 0;
    std::atomic<Slot*>& chunk = t.chunks[n >> kChunkBits];
    if (!chunk.load(std::memory_order_relaxed)) {
        Slot* fresh = new (std::nothrow) Slot[kChunkSlots];
        int* locks = new (std::nothrow) int[kChunkSlots]();
        if (!fresh || !locks) {
            delete[] fresh;
            delete[] locks;
            return 0;
        }
        t.lockChunks[n >> kChunkBits] = locks;
        chunk.store(fresh, std::memory_order_release);
    }
    t.slotCount.store(n + 1, std::memory_order_release);
    return n + 1;
}

// Blocks always own at least one byte, so a 0-byte block still has an address.
void* rawAlloc(std::size_t bytes) { return std::malloc(bytes ? bytes : 1); }

// Gives back a block's data (the mutex held): its own allocation, or its place in a shared run.
void releaseData(Table& t, void* data, bool shared) {
    if (!shared) {
        std::free(data);
        return;
    }
    auto* p = static_cast<std::uint8_t*>(data);
    auto it = std::upper_bound(t.runs.begin(), t.runs.end(), p, [](std::uint8_t* a, const SharedRun& r) { return a < r.begin; });
    if (it == t.runs.begin()) return;
    --it;
    if (p >= it->end || --it->users > 0) return;
    std::free(it->begin);
    t.runs.erase(it);
}

// A place in a shared run keeps malloc's alignment.
constexpr std::size_t kSharedAlign = alignof(std::max_align_t);
std::size_t sharedRoom(std::uint32_t size) { return (std::size_t(size ? size : 1) + kSharedAlign - 1) & ~(kSharedAlign - 1); }

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes) {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    if (bytes > 0x7FFFFFFFu || !allowAllocation(t)) return 0;
    void* p = rawAlloc(bytes);
    if (!p) return 0;
    if (flags & GMEM_ZEROINIT) std::memset(p, 0, bytes ? bytes : 1);
    std::uint32_t index;
    if (!t.freeSlots.empty()) {
        index = t.freeSlots.back();
        t.freeSlots.pop_back();
    } else {
        index = growSlots(t);
        if (index == 0) {
            std::free(p);
            return 0;
        }
    }
    Slot& s = slotAt(t, index);
    s.data = p;
    s.size = std::uint32_t(bytes);
    locksAt(t, index) = 0;
    s.live = true;
    ++t.live;
    return (s.generation << kIndexBits) | index;
}

HGLOBAL GlobalReAlloc(HGLOBAL h, std::size_t bytes, UINT flags) {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    Slot* s = find(t, h);
    if (!s || bytes > 0x7FFFFFFFu || !allowAllocation(t)) return 0;
    void* p;
    if (t.alwaysMove || s->shared) {
        // A block in a shared run moves out to an allocation of its own.
        p = rawAlloc(bytes);
        if (!p) return 0;
        std::memcpy(p, s->data, s->size < bytes ? s->size : bytes);
        releaseData(t, s->data, s->shared);
        s->shared = false;
    } else {
        p = std::realloc(s->data, bytes ? bytes : 1);
        if (!p) return 0;
    }
    if ((flags & GMEM_ZEROINIT) && bytes > s->size) std::memset(static_cast<char*>(p) + s->size, 0, bytes - s->size);
    s->data = p;
    s->size = std::uint32_t(bytes);
    return h;
}

void* GlobalLock(HGLOBAL h) {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    Slot* s = find(t, h);
    if (!s) return nullptr;
    ++locksAt(t, h & kIndexMask);
    return s->data;
}

bool GlobalUnlock(HGLOBAL h) {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    Slot* s = find(t, h);
    if (!s) return false;
    int& locks = locksAt(t, h & kIndexMask);
    if (locks > 0) --locks;
    return locks > 0;
}

void* GlobalAddress(HGLOBAL h) {
    Slot* s = find(table(), h);
    return s ? s->data : nullptr;
}

std::size_t GlobalSize(HGLOBAL h) {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    Slot* s = find(t, h);
    return s ? s->size : 0;
}

HGLOBAL GlobalFree(HGLOBAL h) {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    Slot* s = find(t, h);
    if (!s) return h;
    releaseData(t, s->data, s->shared);
    s->shared = false;
    s->data = nullptr;
    s->size = 0;
    s->live = false;
    s->generation = std::uint16_t((s->generation + 1) & ((1u << (32 - kIndexBits)) - 1));
    if (s->generation == 0) s->generation = 1;
    t.freeSlots.push_back(h & kIndexMask);
    --t.live;
    return 0;
}

bool GlobalIsValid(HGLOBAL h) {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    return find(t, h) != nullptr;
}

HGLOBAL GlobalAllocAfter(HGLOBAL after, std::size_t bytes, std::size_t room) {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    if (bytes > 0x7FFFFFFFu || !allowAllocation(t)) return 0;
    const std::size_t need = sharedRoom(std::uint32_t(bytes));
    // The run that holds `after`, when it has room left at its end.
    SharedRun* run = nullptr;
    if (Slot* s = find(t, after); s && s->shared) {
        auto* p = static_cast<std::uint8_t*>(s->data);
        auto it = std::upper_bound(t.runs.begin(), t.runs.end(), p, [](std::uint8_t* a, const SharedRun& r) { return a < r.begin; });
        if (it != t.runs.begin() && p < (it - 1)->end && std::size_t((it - 1)->end - (it - 1)->used) >= need) run = &*(it - 1);
    }
    std::uint32_t index;
    if (!t.freeSlots.empty()) {
        index = t.freeSlots.back();
    } else {
        index = growSlots(t);
        if (index == 0) return 0;
        t.freeSlots.push_back(index);  // taken below, with the others
    }
    if (!run) {
        const std::size_t size = std::max(need, (room + kSharedAlign - 1) & ~(kSharedAlign - 1));
        try {
            t.runs.reserve(t.runs.size() + 1);
        } catch (const std::bad_alloc&) {
            return 0;
        }
        auto* begin = static_cast<std::uint8_t*>(std::malloc(size));
        if (!begin) return 0;
        auto it = std::upper_bound(t.runs.begin(), t.runs.end(), begin, [](std::uint8_t* a, const SharedRun& r) { return a < r.begin; });
        run = &*t.runs.insert(it, SharedRun{begin, begin, begin + size, 0});
    }
    t.freeSlots.pop_back();
    void* p = run->used;
    run->used += need;
    ++run->users;
    Slot& s = slotAt(t, index);
    s.data = p;
    s.size = std::uint32_t(bytes);
    s.shared = true;
    locksAt(t, index) = 0;
    s.live = true;
    ++t.live;
    return (s.generation << kIndexBits) | index;
}

namespace memtest {
void FailAfter(int allowed) {
    std::lock_guard lock(table().mutex);
    table().failAfter = allowed;
}
void SetAlwaysMove(bool on) {
    std::lock_guard lock(table().mutex);
    table().alwaysMove = on;
}
void Reset() {
    std::lock_guard lock(table().mutex);
    table().failAfter = -1;
    table().alwaysMove = false;
}
std::size_t LiveBlocks() {
    std::lock_guard lock(table().mutex);
    return table().live;
}
std::size_t SharedRuns() {
    std::lock_guard lock(table().mutex);
    return table().runs.size();
}
}  // namespace memtest

}  // namespace fw
