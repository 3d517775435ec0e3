// How marks on notes play back. One 32-byte MarkPlayback entry says how one mark kind changes
// a note when it plays; each mark on a note carries its own copy, and a MarkPlaybackTable (a
// 16-bit head word and 64 entries) holds the defaults per mark kind, one table in every track.
// Older files also carry a document-level table in the chunks "ARTI" and "ARTC".
//
// Entry layout (offsets within the entry; multi-byte fields native-order in memory):
//   0-23   24 one-byte settings (byte 15 holds the entry's own table index when stored)
//   24     setting word 1, 16-bit signed
//   26     setting word 2, 16-bit signed
//   28     setting word 3, 16-bit signed
//   30     setting word 4, 16-bit signed
//
// Stored form of an entry: the 24 setting bytes raw, then the four words big-endian.
#pragma once
#include <cstdint>
#include <type_traits>

#include "model/Record.h"

class CChunkStream;

struct MarkPlayback {
    enum : int {
        kSettingBytes = 24,
        kWord1 = 24,
        kWord2 = 26,
        kWord3 = 28,
        kWord4 = 30,
        kIndexByte = 15,  // the entry's own table index in a track's stored table
        kSize = 32,
    };

    std::uint8_t bytes[kSize];

    std::uint8_t GetSetting(int i) const { return bytes[i]; }
    void SetSetting(int i, std::uint8_t v) { bytes[i] = v; }
    // Setting word n (1-4).
    std::int16_t GetWord(int n) const { return rec::Get<std::int16_t>(bytes, kWord1 + 2 * (n - 1)); }
    void SetWord(int n, std::int16_t v) { rec::Put<std::int16_t>(bytes, kWord1 + 2 * (n - 1), v); }

    // False only when setting byte 0 is not 0, byte 1 is 0, byte 2 is not 0 and byte 4 is 0.
    static bool CheckEntrySettings(const MarkPlayback& entry);
};

static_assert(sizeof(MarkPlayback) == MarkPlayback::kSize && alignof(MarkPlayback) == 1 &&
                  std::is_trivially_copyable_v<MarkPlayback> && std::is_standard_layout_v<MarkPlayback>,
              "MarkPlayback must stay its 32 bytes");

struct MarkPlaybackTable {
    static constexpr int kEntries = 64;
    static constexpr int kSize = 2 + kEntries * MarkPlayback::kSize;  // 2050

    std::uint8_t bytes[kSize];

    std::uint16_t GetHeadWord() const { return rec::Get<std::uint16_t>(bytes, 0); }
    void SetHeadWord(std::uint16_t v) { rec::Put<std::uint16_t>(bytes, 0, v); }
    // Entry i (0-63).
    MarkPlayback& Entry(int i) { return *reinterpret_cast<MarkPlayback*>(bytes + 2 + i * MarkPlayback::kSize); }
    const MarkPlayback& Entry(int i) const {
        return *reinterpret_cast<const MarkPlayback*>(bytes + 2 + i * MarkPlayback::kSize);
    }
};

static_assert(sizeof(MarkPlaybackTable) == MarkPlaybackTable::kSize && alignof(MarkPlaybackTable) == 1 &&
                  std::is_trivially_copyable_v<MarkPlaybackTable>,
              "MarkPlaybackTable must stay its 2050 bytes");

// The defaults: head word 0, every entry zero, then the settings of the accent, staccato,
// tenuto, arpeggio and tremolo kinds.
void InitMarkPlaybackTable(MarkPlaybackTable& table);

// Mark code to entry: codes 15-34 give entries 0-19, codes 70-81 entries 20-31, any other -1.
int MarkCodeToPlaybackIndex(int code);
// The inverse: entries 0-19 give codes 15-34, entries 20-31 codes 70-81, any other -1.
int PlaybackIndexToMarkCode(int index);

// One entry's stored form: 24 raw bytes, then the four words big-endian (32 bytes).
void WriteMarkPlayback(const MarkPlayback& entry, CChunkStream& s);
// Reads one stored entry; past a chunk's end the fields keep their values.
void ReadMarkPlayback(MarkPlayback& entry, CChunkStream& s);

// Reads a stored entry count and the entries that follow it, inside the chunk being read. With
// byOwnIndex, each entry goes to the table index held in its own byte 15; otherwise to 0, 1, 2,
// ... in reading order. Only whole entries that the chunk holds are read; an entry whose index
// is 64 or more has no place in the table and is skipped. Returns the number of entries
// stored.
int ReadMarkPlaybackEntries(MarkPlaybackTable& table, CChunkStream& s, bool byOwnIndex);

// Reads the document-level table from a chunk of the given tag: "ARTI" holds a leading word
// (dropped) before the count; the older "ARTC" has none and gets the tremolo counts of the
// defaults (byte 10 of entries 16-19 = 1-4) before the entries are read.
void ReadMarkPlaybackTable(MarkPlaybackTable& table, CChunkStream& s, std::uint32_t tag);
