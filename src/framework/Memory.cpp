#include "framework/Memory.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace fw {
namespace {

// Handle id: low 20 bits slot index + 1, high 12 bits a generation that catches stale ids.
constexpr std::uint32_t kIndexBits = 20;
constexpr std::uint32_t kIndexMask = (1u << kIndexBits) - 1;

struct Slot {
    void* data = nullptr;
    std::size_t size = 0;
    std::uint32_t generation = 1;
    int locks = 0;
    bool live = false;
};

struct Table {
    std::mutex mutex;
    std::vector<Slot> slots;
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

Slot* find(Table& t, HGLOBAL h) {
    if (h == 0) return nullptr;
    std::uint32_t index = (h & kIndexMask);
    if (index == 0 || index > t.slots.size()) return nullptr;
    Slot& s = t.slots[index - 1];
    if (!s.live || s.generation != (h >> kIndexBits)) return nullptr;
    return &s;
}

// Blocks always own at least one byte, so a 0-byte block still has an address.
void* rawAlloc(std::size_t bytes) { return std::malloc(bytes ? bytes : 1); }

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
        if (t.slots.size() >= kIndexMask) {
            std::free(p);
            return 0;
        }
        t.slots.emplace_back();
        index = std::uint32_t(t.slots.size());
    }
    Slot& s = t.slots[index - 1];
    s.data = p;
    s.size = bytes;
    s.locks = 0;
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
    if (t.alwaysMove) {
        p = rawAlloc(bytes);
        if (!p) return 0;
        std::memcpy(p, s->data, s->size < bytes ? s->size : bytes);
        std::free(s->data);
    } else {
        p = std::realloc(s->data, bytes ? bytes : 1);
        if (!p) return 0;
    }
    if ((flags & GMEM_ZEROINIT) && bytes > s->size) std::memset(static_cast<char*>(p) + s->size, 0, bytes - s->size);
    s->data = p;
    s->size = bytes;
    return h;
}

void* GlobalLock(HGLOBAL h) {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    Slot* s = find(t, h);
    if (!s) return nullptr;
    ++s->locks;
    return s->data;
}

bool GlobalUnlock(HGLOBAL h) {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    Slot* s = find(t, h);
    if (!s) return false;
    if (s->locks > 0) --s->locks;
    return s->locks > 0;
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
    std::free(s->data);
    s->data = nullptr;
    s->size = 0;
    s->live = false;
    s->generation = (s->generation + 1) & ((1u << (32 - kIndexBits)) - 1);
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
}  // namespace memtest

}  // namespace fw
