// The program's own clipboard for score data: one block of a given kind, kept in the process
// (it never reaches the system clipboard). A copy stores its block here; paste reads it and
// leaves it in place, so one block can be pasted many times.
#pragma once
#include <cstdint>

#include "Types.h"

namespace fw {

class CClipboard {
public:
    // The four characters of a kind, first character in the low byte.
    static constexpr std::uint32_t Tag(char a, char b, char c, char d) {
        return std::uint32_t(std::uint8_t(a)) | std::uint32_t(std::uint8_t(b)) << 8 |
               std::uint32_t(std::uint8_t(c)) << 16 | std::uint32_t(std::uint8_t(d)) << 24;
    }

    CClipboard() = default;
    ~CClipboard() { Free(); }
    CClipboard(const CClipboard&) = delete;
    CClipboard& operator=(const CClipboard&) = delete;

    // Keeps a copy of the block under the kind's tag. The block held before is freed once the
    // copy exists; when memory runs out the clipboard keeps what it held and answers false.
    bool Put(std::uint32_t tag, HGLOBAL block);
    // Disposes of the block held, if any.
    void Free();

    std::uint32_t GetTag() const { return tag_; }
    // The block held (0: none); it stays the clipboard's.
    HGLOBAL GetData() const { return data_; }

private:
    std::uint32_t tag_ = 0;
    HGLOBAL data_ = 0;
};

// The one clipboard of the program (emptied by ResetAllGlobals).
CClipboard& TheClipboard();

}  // namespace fw
