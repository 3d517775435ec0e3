// Item arrays: arrays of variable-length score records packed back to back in one block (page
// texts, lyric lines, guitar-frame definitions, a bar's own items), and the item block that
// holds the packed item run of a bar of a track.
#pragma once
#include <cstdint>

#include "framework/Types.h"
#include "model/ScoreItem.h"
#include "platform/StdArray.h"

class CBarItem;
class CFontArray;

// An array whose elements are records of their own sizes. The bytes in use are the live
// records; the raw stored form holds them without their class slots (4 bytes fewer each).
//
// Chunk form: tag, 32-bit length, the 32-bit live byte count, the 16-bit element count, then
// every element in its own record form (slot 54). The reader never trusts the byte count: it
// reserves what the chunk can hold and grows as records come.
class CItemArray : public StdArrayClass<CItemArray> {
public:
    CItemArray() = default;

    // Records are placed by their own sizes: these take the element's size first.
    void* Add(const void* element) override;
    void* InsertAt(int index, const void* element) override;
    void Remove(void* element) override;
    // Element n, stepping record by record; n equal to the count gives the end of the bytes in
    // use. Null for n outside 0..count and when a record on the way is damaged.
    void* GetAt(int n) override;
    // The record's own size; it also becomes the array's current element size.
    int ElemSize(const void* element) override;
    void ReadRawHead(CFile& file) override;
    void ReadRawBody(CFile& file) override;
    void WriteRawHead(CFile& file, std::uint32_t word) override;
    void WriteRawBody(CFile& file) override;
    void Read(CChunkStream& stream, std::uint32_t tag) override;
    void ReadElement(CChunkStream& stream, int n) override;
    void Write(CChunkStream& stream, std::uint32_t tag) override;
    void WriteElement(CChunkStream& stream, int n) override;
    // slot 37: revives every element in place, keeping its size.
    virtual void ReviveAll();
    // slot 38: revives one record as the array's class (here the record's own code).
    virtual void Revive(void* record);

    CScoreItem* GetItem(int n) { return static_cast<CScoreItem*>(GetAt(n)); }
    // Calls slot 59 of every element with the argument.
    void ForEachNotify(CFontArray* fonts);
    // Brings every element to the size its slot 33 asks for, in place; false when memory ran
    // out (the elements before keep their new sizes).
    bool FitSizes();
};

class CLyricArray : public StdArrayClass<CLyricArray, CItemArray> {
public:
    void Revive(void* record) override;
};

class CPageTextArray : public StdArrayClass<CPageTextArray, CItemArray> {
public:
    void Revive(void* record) override;
};

class CGuitarFrameArray : public StdArrayClass<CGuitarFrameArray, CItemArray> {
public:
    void Revive(void* record) override;
};

// The item block of a bar of a track: three 32-bit fields inside the record, in this order:
// the byte length of the run, the movable block that holds it, and an address slot that stays
// 0 (the address comes from the block, which stays locked while the record lives). The run is
// a packed item run ending with the type-255 record.
class ItemBlock {
public:
    enum : int { kLength = 0, kHandle = 4, kAddress = 8, kSize = 12 };

    static ItemBlock* At(void* p) { return static_cast<ItemBlock*>(p); }

    std::uint32_t Length() const { return rec::Get<std::uint32_t>(this, kLength); }
    HGLOBAL Handle() const { return rec::Get<std::uint32_t>(this, kHandle); }
    // The run's first byte; null without a block.
    std::uint8_t* Address() const;
    // Forgets the block (without freeing it).
    void Clear();
    // Frees the block and forgets it.
    void Free();

    // Makes the run `bytes` long: allocates the block on first use, else resizes it. False when
    // memory runs out (the block keeps its old size and stays usable).
    bool Resize(std::uint32_t bytes);
    // Makes the run `bytes` long in a new block that lies behind `after`'s block in its shared
    // run, or first in a new shared run of `room` bytes (AllocHandleAfter), and frees the old
    // block; the contents are the caller's to write. False when memory runs out (the block
    // stays as it was).
    bool ReplaceAfter(HGLOBAL after, std::uint32_t bytes, std::uint32_t room);
    // Grows (delta >= 0: zeroed bytes at the record's end) or shrinks one record; returns the
    // record's new address, null when memory runs out or the record does not lie in the run.
    // A negative delta on the last record of the block changes nothing.
    CScoreItem* ResizeRecord(CScoreItem* record, int delta);
    // Grows the record by its own size and copies it into the new room; returns the first of
    // the two, null when memory runs out.
    CScoreItem* DuplicateRecord(CScoreItem* record);
    // Opens `bytes` zeroed bytes before the first live record whose time is at or after `time`
    // (the end record when there is none) and writes the time into the gap's time field;
    // returns the gap, null when memory runs out or the run has no end record.
    std::uint8_t* InsertGapAtTime(int time, int bytes);

private:
    void SetLength(std::uint32_t n) { rec::Put(this, kLength, n); }
    void SetHandle(HGLOBAL h) { rec::Put<std::uint32_t>(this, kHandle, h); }
};
ZEL_RECORD_VIEW(ItemBlock);
