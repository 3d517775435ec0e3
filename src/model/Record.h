// Score records in memory: each record is its stored bytes preceded by a 4-byte class slot.
//
//   offset 0  class slot (32-bit class index written by the item factory; never stored)
//   offset 4  record size, 16-bit, counting the slot (the stored size is 4 less)
//   offset 6  type code, 8-bit
//   offset 7  scale in percent, 8-bit (0 means 100)
//   offset 8  the class's own fields
//
// A record is used through a *view class*: a C++ class with no data members and no virtual
// functions whose `this` is the record's address. Every field is read and written through the
// unaligned-safe accessors below, so records may lie at any address inside a packed run.
// Behaviour that differs by class is chosen through the class slot: the slot's index names an
// ItemClassInfo in an ItemClassTable, whose behaviour object carries the class's virtual
// operations. No object with a virtual table ever lies over record bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace rec {

template <typename T>
inline T Get(const void* base, std::size_t offset) {
    static_assert(std::is_trivially_copyable_v<T>);
    T v;
    std::memcpy(&v, static_cast<const std::uint8_t*>(base) + offset, sizeof v);
    return v;
}

template <typename T>
inline void Put(void* base, std::size_t offset, T v) {
    static_assert(std::is_trivially_copyable_v<T>);
    std::memcpy(static_cast<std::uint8_t*>(base) + offset, &v, sizeof v);
}

// Offsets of the head every record shares.
enum : std::size_t {
    kClassSlot = 0,
    kSize = 4,
    kType = 6,
    kScale = 7,
    kHeadEnd = 8,
};

// Bytes the class slot adds to every record in memory.
inline constexpr int kSlotBytes = 4;

}  // namespace rec

// Declares that a view class stays a view: no data members, no virtual table.
#define ZEL_RECORD_VIEW(T)                                                       \
    static_assert(std::is_empty_v<T> && !std::is_polymorphic_v<T> && alignof(T) == 1, \
                  #T " must be a record view without data or virtual functions")
