#include "model/BitOrder.h"

namespace {

// Moves every field from memory position p to stored position 8 - p - w, or back.
std::uint8_t MoveFields(std::uint8_t value, const BitLayout& layout, bool toFile) {
    unsigned result = 0;
    int p = 0;
    for (int i = 0; i < layout.count; ++i) {
        const int w = layout.widths[i];
        const unsigned mask = (1u << w) - 1;
        const int stored = 8 - p - w;
        const int from = toFile ? p : stored;
        const int to = toFile ? stored : p;
        result |= ((unsigned(value) >> from) & mask) << to;
        p += w;
    }
    return std::uint8_t(result);
}

}  // namespace

std::uint8_t MirrorFields(std::uint8_t value, const BitLayout& layout) { return MoveFields(value, layout, true); }

void MirrorFieldsToFile(std::uint8_t* byte, const BitLayout& layout) { *byte = MoveFields(*byte, layout, true); }

void MirrorFieldsFromFile(std::uint8_t* byte, const BitLayout& layout) { *byte = MoveFields(*byte, layout, false); }

std::uint8_t ReverseBits(std::uint8_t value) {
    unsigned r = 0;
    for (int i = 0; i < 8; ++i)
        if (value & (1u << i)) r |= 0x80u >> i;
    return std::uint8_t(r);
}
