// Walking an item run by offsets, never past its length: what the bar of a track's operations
// share. A record is taken only when its 16-byte head lies inside the run and the record lies
// whole inside it; a walk ends at the first end record, or where a record cannot be taken.
#pragma once
#include <cstdint>

#include "model/BarItem.h"
#include "model/TrkBar.h"

namespace trkbar {

// The record's size when the record at `at` can be taken, else 0.
inline int RecordSizeAt(const std::uint8_t* base, std::uint32_t at, std::uint32_t length) {
    if (!base || at >= length || length - at < std::uint32_t(CBarItem::kHeadEnd)) return 0;
    const int size = rec::Get<std::int16_t>(base + at, rec::kSize);
    if (size < kRecordHeadSize || std::uint32_t(size) > length - at) return 0;
    return size;
}

inline bool IsEndRecord(const std::uint8_t* record) { return record[rec::kType] == 255; }

inline CBarItem* ItemAt(std::uint8_t* base, std::uint32_t at) { return ItemCast<CBarItem>(base + at); }

// Calls f(item) for every record before the end record, in run order, until f returns false.
// f must not change the run's length.
template <typename F>
void ForEachRecord(std::uint8_t* base, std::uint32_t length, F&& f) {
    for (std::uint32_t at = 0;;) {
        const int size = RecordSizeAt(base, at, length);
        if (!size || IsEndRecord(base + at) || !f(ItemAt(base, at))) return;
        at += std::uint32_t(size);
    }
}

// The offset of the run's end record, or -1 when no end record can be reached.
inline std::int64_t EndRecordOffset(const std::uint8_t* base, std::uint32_t length) {
    for (std::uint32_t at = 0;;) {
        const int size = RecordSizeAt(base, at, length);
        if (!size) return -1;
        if (IsEndRecord(base + at)) return at;
        at += std::uint32_t(size);
    }
}

// Calls f(item) for every live record of a bar of a track, in run order (nothing without a run).
template <typename F>
void ForEachLiveItem(CTrkBar* tb, F&& f) {
    if (!tb || !tb->GetItems()) return;
    ForEachRecord(reinterpret_cast<std::uint8_t*>(tb->GetItems()), tb->GetRunLength(), [&](CBarItem* item) {
        if (!item->IsRemoved()) f(item);
        return true;
    });
}

}  // namespace trkbar
