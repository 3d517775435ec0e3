#include "model/Articulation.h"

#include <cstring>

#include "platform/ChunkStream.h"

bool MarkPlayback::CheckEntrySettings(const MarkPlayback& entry) {
    const std::uint8_t* b = entry.bytes;
    return !(b[0] != 0 && b[1] == 0 && b[2] != 0 && b[4] == 0);
}

void InitMarkPlaybackTable(MarkPlaybackTable& table) {
    std::memset(table.bytes, 0, sizeof table.bytes);
    table.Entry(0).SetSetting(0, 4);
    table.Entry(1).SetSetting(0, 6);
    table.Entry(2).SetSetting(0, 6);
    table.Entry(9).SetSetting(0, 2);
    table.Entry(10).SetSetting(0, 2);
    table.Entry(15).SetSetting(0, 1);
    for (int i = 0; i <= 2; ++i) table.Entry(i).SetWord(4, 30);
    table.Entry(1).SetWord(3, 50);
    table.Entry(9).SetWord(3, 50);
    table.Entry(2).SetWord(3, 100);
    table.Entry(10).SetWord(3, 100);
    table.Entry(15).SetWord(1, -90);
    table.Entry(15).SetWord(2, 0);
    for (int i = 0; i <= 19; ++i) {
        table.Entry(i).SetSetting(11, std::uint8_t(-10));
        table.Entry(i).SetSetting(12, std::uint8_t(-10));
    }
    for (int i = 16; i <= 19; ++i) table.Entry(i).SetSetting(10, std::uint8_t(i - 15));
}

int MarkCodeToPlaybackIndex(int code) {
    if (code >= 15 && code <= 34) return code - 15;
    if (code >= 70 && code <= 81) return code - 70 + 20;
    return -1;
}

int PlaybackIndexToMarkCode(int index) {
    if (index >= 0 && index <= 19) return index + 15;
    if (index >= 20 && index <= 31) return index - 20 + 70;
    return -1;
}

void WriteMarkPlayback(const MarkPlayback& entry, CChunkStream& s) {
    s.WriteBytes(entry.bytes, MarkPlayback::kSettingBytes);
    for (int n = 1; n <= 4; ++n) s.WriteWord(entry.GetWord(n));
}

void ReadMarkPlayback(MarkPlayback& entry, CChunkStream& s) {
    s.ReadBytes(entry.bytes, MarkPlayback::kSettingBytes);
    for (int n = 1; n <= 4; ++n) {
        std::int16_t v = entry.GetWord(n);
        s.ReadWordTo(&v);
        entry.SetWord(n, v);
    }
}

int ReadMarkPlaybackEntries(MarkPlaybackTable& table, CChunkStream& s, bool byOwnIndex) {
    if (!s.InChunk()) return 0;
    const int stated = s.ReadWord();
    // The count is never trusted: only the whole entries the chunk holds are read.
    const int held = int(s.Unread() / MarkPlayback::kSize);
    const int count = stated < held ? stated : held;
    int stored = 0;
    for (int i = 0; i < count; ++i) {
        MarkPlayback entry;
        ReadMarkPlayback(entry, s);
        const int index = byOwnIndex ? entry.bytes[MarkPlayback::kIndexByte] : i;
        if (index >= MarkPlaybackTable::kEntries) continue;
        table.Entry(index) = entry;
        ++stored;
    }
    return stored;
}

void ReadMarkPlaybackTable(MarkPlaybackTable& table, CChunkStream& s, std::uint32_t tag) {
    const bool withLeadingWord = tag == MakeChunkTag("ARTI");
    s.BeginReadChunk(tag);
    if (!withLeadingWord) {
        for (int i = 16; i <= 19; ++i) table.Entry(i).SetSetting(10, std::uint8_t(i - 15));
    }
    // An empty chunk leaves the stream outside any chunk, where reads would take the next
    // chunk's bytes from the file: nothing is read then.
    if (s.InChunk()) {
        if (withLeadingWord) s.ReadWord();
        ReadMarkPlaybackEntries(table, s, false);
    }
    s.EndReadChunk();
}
