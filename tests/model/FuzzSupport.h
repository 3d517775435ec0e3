// What the seeded mutation tests share: a small deterministic generator and the environment
// variables that run them longer or from another seed (ZEL_FUZZ_ITERATIONS, ZEL_FUZZ_SEED).
#pragma once
#include <cstdint>
#include <cstdlib>

namespace fuzztest {

// splitmix64: the same numbers on every platform.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 .. n-1 (n > 0).
    std::uint32_t Below(std::uint32_t n) { return std::uint32_t(Next() % n); }

private:
    std::uint64_t state_;
};

inline std::uint64_t EnvNumber(const char* name, std::uint64_t fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::strtoull(v, nullptr, 10) : fallback;
}

}  // namespace fuzztest
