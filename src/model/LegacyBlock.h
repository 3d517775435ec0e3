// The document records of the older raw files: a block of a 4-byte tag, a little-endian 32-bit
// length and the body.
#pragma once
#include <cstdint>

class CFile;

// Reads the block at the file's position. When its tag is `tag`, at most `room` bytes of the body
// are copied over `image` (the rest of a shorter body leaves image as it was); what the block
// holds beyond them, and the whole body under another tag, is passed over. Returns the bytes
// copied. A block longer than the file, or a head cut short, is the end-of-file error.
std::uint32_t ReadLegacyBlock(CFile& file, const char (&tag)[5], std::uint8_t* image, std::uint32_t room);
