// Small containers on the C heap: a raw growable array, a sorted dictionary of 32-bit keys,
// an array and a sorted set of pointers, and the cache of string resources built on them.
//
// None of them throws: failures (bad indices, memory running out) come back as false, null
// or an empty text, and leave the container as it was.
#pragma once
#include <cstddef>
#include <cstdint>

#include "framework/Types.h"

// A growable array of fixed-size elements. The capacity is always a multiple of the growth
// step; bytes beyond the count are zero when first allocated.
struct GrowArray {
    GrowArray() = default;
    ~GrowArray() { Free(); }
    GrowArray(const GrowArray&) = delete;
    GrowArray& operator=(const GrowArray&) = delete;

    // Sets the element size and growth step and allocates room for `reserve` elements; the
    // count stays 0. False when the room cannot be had (the array is then empty).
    bool Init(std::int32_t elemSize, std::int32_t step, std::int32_t reserve);
    // Makes the array n elements long (below 1: empty, memory freed). False when memory runs
    // out, with the array unchanged.
    bool SetCount(std::int32_t n);
    // Opens n zeroed elements at index (0 to count).
    bool InsertRoom(std::int32_t index, std::int32_t n);
    // Removes n elements from index (index below count, index + n at most count).
    bool RemoveRange(std::int32_t index, std::int32_t n);
    void Free() { SetCount(0); }
    std::size_t ByteSize(std::int32_t n) const { return std::size_t(n) * std::size_t(elemSize); }
    void* At(std::int32_t index) const { return static_cast<std::uint8_t*>(data) + ByteSize(index); }

    void* data = nullptr;
    std::int32_t elemSize = 0;
    std::int32_t count = 0;
    std::int32_t capacity = 0;  // in elements
    std::int32_t step = 1;      // in elements
};

class CCollection {
public:
    virtual ~CCollection() = default;
    std::int32_t GetCount() const { return m_array.count; }

protected:
    GrowArray m_array;
};

// Pairs of a signed 32-bit key and a value, sorted by key, keys unique.
class CPtrToPtrDict : public CCollection {
public:
    struct Pair {
        std::int32_t key;
        void* value;
    };

    explicit CPtrToPtrDict(std::int32_t step = 16, std::int32_t reserve = 0);

    // Index of the first pair whose key is not below key (the count when there is none).
    std::int32_t FindIndex(std::int32_t key) const;
    // Whether key is present; its value into *value when asked.
    bool Lookup(std::int32_t key, void** value = nullptr) const;
    // Inserts a new key; false when the key exists or memory runs out.
    bool Add(std::int32_t key, void* value);
    // Replaces the value of key, or inserts it; false only when memory runs out.
    bool Set(std::int32_t key, void* value);
    bool Remove(std::int32_t key);
    void RemoveAll();

    std::int32_t GetKeyAt(std::int32_t index) const { return pair(index).key; }
    void* GetValueAt(std::int32_t index) const { return pair(index).value; }

protected:
    const Pair& pair(std::int32_t index) const { return *static_cast<const Pair*>(m_array.At(index)); }
    Pair& pair(std::int32_t index) { return *static_cast<Pair*>(m_array.At(index)); }
};

// Pointers in the order of insertion; it does not own what they point to.
class CWPtrArray : public CCollection {
public:
    explicit CWPtrArray(std::int32_t step = 16, std::int32_t reserve = 0);

    // Inserts at index (0 to count; -1 appends); false for another index or when memory runs out.
    bool InsertAt(std::int32_t index, void* pointer);
    bool RemoveAt(std::int32_t index);
    void RemoveAll();
    void* GetAt(std::int32_t index) const { return *static_cast<void* const*>(m_array.At(index)); }
};

// Pointers sorted by value (compared as signed numbers), each at most once.
class CPtrSet : public CWPtrArray {
public:
    explicit CPtrSet(std::int32_t step = 16, std::int32_t reserve = 0) : CWPtrArray(step, reserve) {}

    // Index of the first pointer not below p (the count when there is none).
    std::int32_t FindIndex(const void* p) const;
    // Inserts p at its place and returns true; when p is already there, returns !flag and
    // inserts nothing; false when memory runs out.
    bool Add(void* p, bool flag = true);
};

// String resource texts by id, each a heap copy owned by the dictionary.
class CStringDict : public CPtrToPtrDict {
public:
    CStringDict() : CPtrToPtrDict(16, 0) {}
    ~CStringDict() override;
    void RemoveAll();
    // The text kept for id, null when none.
    const char* Find(UINT id) const;
    // Keeps a copy of text under id; the copy, or null when memory runs out.
    const char* Store(UINT id, const char* text);
};

// One CStringDict per resource module, owned by the dictionary.
class CStringDictDict : public CPtrToPtrDict {
public:
    CStringDictDict() : CPtrToPtrDict(16, 0) {}
    ~CStringDictDict() override;
    void RemoveAll();
    // The module's dictionary, made on first use; null when memory runs out.
    CStringDict* ForModule(std::int32_t module);
};

// The string resource id of a module (0 is the program itself), at most 255 bytes, loaded
// once and kept for the rest of the run: later calls return the same text. An empty text
// when the string is missing or cannot be kept.
const char* LoadCachedString(std::int32_t module, UINT id);

// The string resource id with every "^" turned into a terminator, so that its parts follow
// one another in buffer; true when the parts come in pairs. False when the string is missing
// or does not fit.
bool LoadStringPairs(std::int32_t module, UINT id, char* buffer, std::size_t size);

namespace collectionstest {
// After `allowed` further heap allocations by these containers, every one fails until Reset.
void FailAfter(int allowed);
void Reset();
}  // namespace collectionstest
