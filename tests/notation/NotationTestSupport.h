// Helpers of the note, rest and beam tests: the classes registered, records built in buffers,
// and records written to and read back from a chunk stream.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "framework/Globals.h"
#include "model/ModelGlobals.h"
#include "model/RecordTestSupport.h"
#include "notation/NotationClasses.h"
#include "notation/Note.h"

namespace notetest {

using recordtest::Bytes;

// Every test starts from start-up globals with the notation classes registered.
class NotationTest : public ::testing::Test {
protected:
    NotationTest() { RegisterNotationClasses(); }
    recordtest::CleanGlobals clean;
};

// A buffer with room for a record and what follows it.
struct RecordBuf {
    explicit RecordBuf(std::size_t n = 512) : bytes(n, 0) {}
    std::uint8_t* data() { return bytes.data(); }
    template <typename T>
    T* as() { return reinterpret_cast<T*>(bytes.data()); }
    std::vector<std::uint8_t> bytes;
};

// A note of n heads: its class, head count and size set, the heads zero.
inline CNote* MakeNote(RecordBuf& buf, int heads, int valueCode = 3) {
    CNote* note = CNote::Construct(buf.data());
    note->SetHeadCountField(heads);
    note->CBaseItem::SetSize(std::int16_t(CRawNote::kHeads + NoteHead::kSize * heads));
    note->SetNoteValue(valueCode);
    return note;
}

// Appends a mark of the code, its size and a recognisable fill, to a note or rest whose marks
// end at its record's end; returns the mark.
inline NoteMark* AppendMark(CRawHead* item, int code, int size, std::uint8_t fill = 0) {
    const int at = item->RecordSizeField();
    auto* m = reinterpret_cast<NoteMark*>(item->Bytes() + at);
    std::memset(m, fill, std::size_t(size));
    m->SetSize(std::int16_t(size));
    m->SetCode(std::uint8_t(code));
    item->CBaseItem::SetSize(std::int16_t(at + size));
    item->SetMarkCount(item->MarkCount() + 1);
    return m;
}

// The record's stored form.
inline Bytes Stored(CScoreItem* item) {
    return recordtest::Written([&](CChunkStream& s) { item->Write(s); });
}

// Reads one stored record into the buffer (room: its size) as the bar-item reader does.
inline CBarItem* ReadStored(const Bytes& stored, RecordBuf& into) {
    recordtest::Reader r(stored);
    CBarItem* item = CBarItem::Construct(into.data());
    fw::ScopedGlobal<std::int32_t> room(g_model.recordRoom, std::int32_t(into.bytes.size()));
    item->Read(r.stream);
    return item;
}

// The memory bytes of a record after its class slot.
inline Bytes Body(const CScoreItem* item) {
    const auto* b = reinterpret_cast<const std::uint8_t*>(item);
    return Bytes(b + 4, b + item->CBaseItem::Size());
}

// The stored form of a file older than 0x400: the bar-item head lacks its two colour bytes.
inline Bytes WithoutColourBytes(Bytes stored) {
    const int size = (stored[0] << 8) | stored[1];
    stored.erase(stored.begin() + 10, stored.begin() + 12);
    stored[0] = std::uint8_t((size - 2) >> 8);
    stored[1] = std::uint8_t(size - 2);
    return stored;
}

}  // namespace notetest
