// Byte fixtures built by tests.
#pragma once
#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "framework/CodePage.h"

namespace testsupport {

using Bytes = std::vector<std::uint8_t>;

inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

inline Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// A file's bytes (none when it cannot be read), and a file written with bytes; paths as the
// program's own texts give them.
inline Bytes ReadBytes(const std::string& path) {
    std::ifstream in(fw::ToUtf8(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(fw::ToUtf8(path), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

}  // namespace testsupport
