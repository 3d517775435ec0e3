// Integer rules the stored figures depend on.
#pragma once
#include <cstdint>

// 64-bit product, rounded to the nearest integer with halves away from zero; -1 for a zero divisor.
inline std::int32_t MulDiv(std::int32_t number, std::int32_t numerator, std::int32_t denominator) {
    if (denominator == 0) return -1;
    std::int64_t p = std::int64_t(number) * numerator;
    std::int64_t d = denominator;
    bool neg = (p < 0) != (d < 0);
    std::int64_t ap = p < 0 ? -p : p;
    std::int64_t ad = d < 0 ? -d : d;
    std::int64_t q = (ap + ad / 2) / ad;
    if (neg) q = -q;
    if (q > INT32_MAX || q < INT32_MIN) return -1;
    return std::int32_t(q);
}
