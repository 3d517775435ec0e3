#include "model/BitOrder.h"

std::uint8_t ReverseBits(std::uint8_t value) {
    unsigned r = 0;
    for (int i = 0; i < 8; ++i)
        if (value & (1u << i)) r |= 0x80u >> i;
    return std::uint8_t(r);
}
