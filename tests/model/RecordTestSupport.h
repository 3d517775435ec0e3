// Helpers of the score-record tests: record bytes built by hand, and chunk streams over
// memory files.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "framework/File.h"
#include "framework/Globals.h"
#include "framework/Memory.h"
#include "platform/ChunkStream.h"

namespace recordtest {

using Bytes = std::vector<std::uint8_t>;

// A stored record of a packed block: little-endian size (the stored bytes), type, scale, then
// the body bytes.
inline Bytes Packed(std::uint8_t type, const Bytes& body = {}, std::uint8_t scale = 0) {
    const int size = 4 + int(body.size());
    Bytes r = {std::uint8_t(size), std::uint8_t(size >> 8), type, scale};
    r.insert(r.end(), body.begin(), body.end());
    return r;
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// The bytes a chunk stream writes.
inline Bytes Written(const std::function<void(CChunkStream&)>& body) {
    CMemFile file;
    {
        CChunkStream s;
        s.SetFile(&file);
        body(s);
    }
    return file.Data();
}

// A chunk stream reading the given bytes.
struct Reader {
    explicit Reader(Bytes bytes) : file(std::make_unique<CMemFile>(std::move(bytes))) { stream.SetFile(file.get()); }
    std::unique_ptr<CMemFile> file;
    CChunkStream stream;
};

// Puts the model's and platform's globals back and clears injected memory failures.
struct CleanGlobals {
    CleanGlobals() { fw::ResetAllGlobals(); }
    ~CleanGlobals() {
        fw::memtest::Reset();
        fw::ResetAllGlobals();
    }
};

}  // namespace recordtest
