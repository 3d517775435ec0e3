// The program's 8-bit code page (936: single bytes and double-byte characters with lead
// bytes 0x81-0xFE). Program text stays in it; it is converted only where it meets the
// outside: drawing, controls, the system clipboard and file names (UTF-8).
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace fw {

inline bool IsLeadByte(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

// The no-break space (U+00A0), which the code page lacks: the byte 0xFF, which it never uses,
// holds it inside the program; the conversions below map it both ways. The en dash is the code
// page's own double-byte character.
inline constexpr const char kNoBreakSpace[] = "\xFF";
inline constexpr const char kEnDash[] = "\xA8\x43";

// Bytes of the character that starts at text (0 at the terminator). A lead byte followed by
// the terminator counts as one byte.
std::size_t CharBytes(const char* text);

// Longest prefix of text (of length len) that fits in maxBytes without splitting a
// double-byte character.
std::size_t FitBytes(std::string_view text, std::size_t maxBytes);

// Copies src into dest (size bytes including the terminator), cut so that no double-byte
// character is split; returns the bytes copied.
std::size_t CopyText(char* dest, std::size_t size, std::string_view src);

// Code page -> UTF-8; a byte sequence that is not valid becomes U+FFFD.
std::string ToUtf8(std::string_view codePageText);
// UTF-8 -> code page; a character the code page cannot hold becomes '?'.
std::string FromUtf8(std::string_view utf8);

}  // namespace fw
