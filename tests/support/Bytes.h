// Byte fixtures built by tests.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace testsupport {

using Bytes = std::vector<std::uint8_t>;

inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

inline Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

}  // namespace testsupport
