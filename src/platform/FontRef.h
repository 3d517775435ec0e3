// A reference to a font: a face of the installed-font list, a size and a style.
// Stored as face word, size word, style byte and a 0 pad byte (6 bytes).
#pragma once
#include <cstdint>

struct FontRef {
    static constexpr std::uint16_t kNoFace = 65535;
    enum : std::uint8_t { kBold = 1, kItalic = 2, kUnderline = 4 };

    std::uint16_t face = kNoFace;  // index into the installed-font list; 65535 = none
    std::uint16_t size = 0;        // points
    std::uint8_t style = 0;        // bit 0 bold, bit 1 italic, bit 2 underline
    std::uint8_t pad = 0;
};

static_assert(sizeof(FontRef) == 6);
