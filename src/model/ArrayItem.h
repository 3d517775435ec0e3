// The array item: the base of the fixed-size records that are elements of the score arrays
// (page, system, staff, track, bar of a track, bar).
//
//   offset 8   index      16-bit, the element's place in its array
//   offset 10  flags      bit 2: the last element of its array; other bits the subclasses'
//   offset 11  track      8-bit, the track number of a bar of a track
#pragma once
#include <cstdint>

#include "model/ScoreItem.h"

class ArrayItemBehaviour : public ScoreItemBehaviour {
public:
    static const ArrayItemBehaviour& Instance();
    // slot 3: an array element owns nothing to free here.
    void Release(CScoreItem& item) const override {}
    // slot 13: copies the record over the target and keeps the target's index and last flag.
    bool CopyTo(CScoreItem& item, CScoreItem* target) const override;
};

class CArrayItem : public CScoreItem {
public:
    enum : int { kIndex = 8, kFlags = 10, kTrack = 11 };
    enum : std::uint8_t { kLastBit = 0x04 };
    static constexpr int kSize = 12;

    // Builds the base record in place: code 0, size 12; the other bytes are left as they are.
    static CArrayItem* Construct(void* record);

    std::uint16_t GetIndex() const { return rec::Get<std::uint16_t>(this, kIndex); }
    void SetIndex(int index) { rec::Put<std::uint16_t>(this, kIndex, std::uint16_t(index)); }
    std::uint8_t GetFlags() const { return rec::Get<std::uint8_t>(this, kFlags); }
    void SetFlags(std::uint8_t v) { rec::Put(this, kFlags, v); }
    bool IsLast() const { return (GetFlags() & kLastBit) != 0; }
    void SetLastFlag(bool last) { SetFlags(last ? std::uint8_t(GetFlags() | kLastBit) : std::uint8_t(GetFlags() & ~kLastBit)); }
    std::uint8_t GetTrackByte() const { return rec::Get<std::uint8_t>(this, kTrack); }
    void SetTrackByte(int track) { rec::Put<std::uint8_t>(this, kTrack, std::uint8_t(track)); }

    // The next element of the array (this + its size), null for the last one.
    CArrayItem* NextOrNull() { return IsLast() ? nullptr : static_cast<CArrayItem*>(NextRecord()); }
};
ZEL_RECORD_VIEW(CArrayItem);
