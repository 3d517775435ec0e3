// The spacing table: its built-in values, the look-up of a note's width and its stored forms.
#include "model/SpacingTable.h"

#include <algorithm>

#include "framework/Globals.h"
#include "model/LegacyBlock.h"
#include "platform/ChunkStream.h"

namespace {

constexpr SpacingTable kBuiltIn = {{
    {120, 120, 120, 0},  // whole
    {80, 100, 70, 0},    // half
    {60, 80, 50, 0},     // quarter
    {40, 60, 35, 0},     // eighth
    {30, 40, 30, 0},     // 16th
    {25, 30, 25, 0},     // 32nd
    {20, 25, 20, 0},     // 64th
    {0, 0, 0, 0},
}};

SpacingTable g_currentSpacing = kBuiltIn;

void ResetCurrentSpacing() { g_currentSpacing = kBuiltIn; }
[[maybe_unused]] const bool registered = fw::RegisterGlobalsReset(&ResetCurrentSpacing);

}  // namespace

const SpacingTable& BuiltInSpacingTable() { return kBuiltIn; }
SpacingTable& CurrentSpacingTable() { return g_currentSpacing; }
void GetCurrentSpacing(SpacingTable& dest) { dest = g_currentSpacing; }

int SpacingTable::GetSpace(int durationClass, int dotted, int triplet) const {
    const int row = std::clamp(durationClass - 1, 0, kRows - 1);
    const int column = dotted ? 1 : triplet ? 2 : 0;
    return values[row][column] * 120 / 20;
}

void SpacingTable::WriteChunk(CChunkStream& s, std::uint32_t tag) const {
    s.BeginChunk(tag, -1);
    for (const auto& row : values) s.WriteWords(row, kColumns);
    s.EndChunk(-1);
}

void SpacingTable::ReadChunk(CChunkStream& s, std::uint32_t tag) {
    s.BeginReadChunk(tag);
    // An empty chunk leaves the stream outside any chunk: nothing is read then.
    if (s.InChunk())
        for (auto& row : values) s.ReadWords(row, kColumns);
    s.EndReadChunk();
}

void SpacingTable::ReadLegacyBlock(CFile& file) {
    // The bytes land over the table as it lies in little-endian order.
    std::uint8_t image[kBytes];
    for (int i = 0; i < kRows * kColumns; ++i) {
        image[2 * i] = std::uint8_t(values[i / kColumns][i % kColumns]);
        image[2 * i + 1] = std::uint8_t(values[i / kColumns][i % kColumns] >> 8);
    }
    if (::ReadLegacyBlock(file, "ALOT", image, kBytes) == 0) return;
    for (int i = 0; i < kRows * kColumns; ++i)
        values[i / kColumns][i % kColumns] = std::int16_t(image[2 * i] | (image[2 * i + 1] << 8));
}
