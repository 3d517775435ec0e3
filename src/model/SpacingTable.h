// The spacing table: how wide a note of each duration class is laid out, for plain, dotted and
// triplet notes. Eight rows (class 1 the whole note, each further class half the one before;
// class 8 never shown) of four signed words (plain, dotted, triplet, unused), in twentieths of a
// staff space. One table is the program's current one (a new document copies it); each
// document holds its own, stored in the score file as the chunk "ALOT" (32 big-endian words,
// no count) and in the older raw files as a block of tag, little-endian length and
// little-endian words.
#pragma once
#include <cstdint>

class CChunkStream;
class CFile;

struct SpacingTable {
    static constexpr int kRows = 8;
    static constexpr int kColumns = 4;
    static constexpr int kBytes = kRows * kColumns * 2;

    std::int16_t values[kRows][kColumns] = {};

    // The width of a note in fine units (120 to a staff space): the row of the class (clamped
    // to 1-8), the dotted column when dotted, else the triplet column when triplet, else the
    // plain one; value x 120 / 20.
    int GetSpace(int durationClass, int dotted, int triplet) const;

    void WriteChunk(CChunkStream& stream, std::uint32_t tag) const;
    // Words the chunk does not hold keep their values.
    void ReadChunk(CChunkStream& stream, std::uint32_t tag);
    // The older files' block, the file positioned at its tag: a block tagged "ALOT" gives at
    // most 64 bytes, as little-endian words, the rest of a shorter block keeping its values;
    // what the block holds beyond them (all of it under another tag) is passed over. A block
    // longer than the file is the end-of-file error.
    void ReadLegacyBlock(CFile& file);

    bool operator==(const SpacingTable&) const = default;
};

// The table the program starts with.
const SpacingTable& BuiltInSpacingTable();
// The program's current spacing table (the built-in one until a spacing library replaces it).
SpacingTable& CurrentSpacingTable();
// Copies the current spacing table into dest (what a new document does).
void GetCurrentSpacing(SpacingTable& dest);
