// The stored bit order of packed bit-field bytes in item records.
//
// In memory the first field of such a byte sits in its lowest bits; in every stored form
// (score file, clipboard, libraries) the same byte holds its fields in the opposite order, the
// first field in the highest bits. A field of width w at memory bits p..p+w-1 is stored at bits
// 8-p-w..7-p and keeps its own bit order. A byte is described by its layout: the widths of its
// fields from bit 0 upward (they add up to 8).
#pragma once
#include <cstdint>
#include <initializer_list>

struct BitLayout {
    std::uint8_t count = 0;
    std::uint8_t widths[8] = {};
    // Every byte's stored form and memory form, worked out once from the widths: the readers
    // and writers convert bytes by the thousand, and a look-up is the cheapest way to do it.
    std::uint8_t toFile[256] = {};
    std::uint8_t fromFile[256] = {};

    consteval BitLayout(std::initializer_list<int> w) {
        int total = 0;
        for (int x : w) {
            if (x < 1 || x > 8 || count >= 8) throw "a field is 1 to 8 bits wide";
            widths[count++] = std::uint8_t(x);
            total += x;
        }
        if (total != 8) throw "the fields of a layout fill the byte";
        for (int v = 0; v < 256; ++v) {
            toFile[v] = MoveFields(std::uint8_t(v), true);
            fromFile[v] = MoveFields(std::uint8_t(v), false);
        }
    }

private:
    // Moves every field from memory position p to stored position 8 - p - w, or back.
    consteval std::uint8_t MoveFields(std::uint8_t value, bool toFileForm) const {
        unsigned result = 0;
        int p = 0;
        for (int i = 0; i < count; ++i) {
            const int w = widths[i];
            const unsigned mask = (1u << w) - 1;
            const int stored = 8 - p - w;
            const int from = toFileForm ? p : stored;
            const int to = toFileForm ? stored : p;
            result |= ((unsigned(value) >> from) & mask) << to;
            p += w;
        }
        return std::uint8_t(result);
    }
};

// The stored form of a memory byte.
inline std::uint8_t MirrorFields(std::uint8_t value, const BitLayout& layout) { return layout.toFile[value]; }
// A byte in place, memory to stored form.
inline void MirrorFieldsToFile(std::uint8_t* byte, const BitLayout& layout) { *byte = layout.toFile[*byte]; }
// A byte in place, stored to memory form (the exact inverse of MirrorFieldsToFile).
inline void MirrorFieldsFromFile(std::uint8_t* byte, const BitLayout& layout) { *byte = layout.fromFile[*byte]; }

// The plain reversal of all eight bits (key-signature and multi-bar-rest bytes); it is its own
// inverse, so it serves both directions.
std::uint8_t ReverseBits(std::uint8_t value);
inline void ReverseBitsInPlace(std::uint8_t* byte) { *byte = ReverseBits(*byte); }

// The layouts in use, named by their widths from bit 0 upward.
inline constexpr BitLayout kLayout_1_1_6{1, 1, 6};
inline constexpr BitLayout kLayout_1_1_1_1_1_3{1, 1, 1, 1, 1, 3};
inline constexpr BitLayout kLayout_1_1_1_1_4{1, 1, 1, 1, 4};
inline constexpr BitLayout kLayout_1_1_1_1_1_1_2{1, 1, 1, 1, 1, 1, 2};
inline constexpr BitLayout kLayout_1_1_1_1_1_1_1_1{1, 1, 1, 1, 1, 1, 1, 1};
inline constexpr BitLayout kLayout_1_7{1, 7};
inline constexpr BitLayout kLayout_1_1_1_3_1_1{1, 1, 1, 3, 1, 1};
inline constexpr BitLayout kLayout_1_1_1_1_2_1_1{1, 1, 1, 1, 2, 1, 1};
inline constexpr BitLayout kLayout_2_1_1_1_3{2, 1, 1, 1, 3};
inline constexpr BitLayout kLayout_5_3{5, 3};
inline constexpr BitLayout kLayout_1_3_4{1, 3, 4};
inline constexpr BitLayout kLayout_1_1_1_1_2_2{1, 1, 1, 1, 2, 2};
inline constexpr BitLayout kLayout_2_1_1_4{2, 1, 1, 4};
inline constexpr BitLayout kLayout_1_1_3_3{1, 1, 3, 3};
inline constexpr BitLayout kLayout_2_1_1_1_2_1{2, 1, 1, 1, 2, 1};
inline constexpr BitLayout kLayout_3_3_1_1{3, 3, 1, 1};
inline constexpr BitLayout kLayout_3_5{3, 5};
inline constexpr BitLayout kLayout_2_3_3{2, 3, 3};
inline constexpr BitLayout kLayout_1_2_1_4{1, 2, 1, 4};
inline constexpr BitLayout kLayout_1_1_1_2_3{1, 1, 1, 2, 3};
inline constexpr BitLayout kLayout_1_2_3_2{1, 2, 3, 2};
