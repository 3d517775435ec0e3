// The score arrays: typed arrays of fixed-size records (tracks, pages, systems, staves, bars,
// bars of a track) that keep every element revived, numbered and flagged as last or not, and
// that read and write themselves as a list of element chunks.
//
// List form (Read/Write): 4 tag bytes, a 16-bit element count, then every element's own chunk.
// Reading compares the list's tag and every element chunk's tag: a missing or misplaced chunk
// is damage.
#pragma once
#include <cstdint>

#include "model/ArrayItem.h"
#include "model/ItemArray.h"

class CScoreArray : public StdArrayClass<CScoreArray, CItemArray> {
public:
    static constexpr int kElementSize = 12;
    CScoreArray() { SetElemSize(kElementSize); }
    CScoreArray(const CScoreArray&) = default;
    CScoreArray& operator=(const CScoreArray&) = default;
    // Lets every element release what it owns.
    ~CScoreArray() override;

    // Opens a zeroed element at index, revives it and renumbers; null when there is no room.
    void* InsertEmpty(int index) override;
    // Nothing for an index outside the elements; else the element releases what it owns, is
    // removed, and the rest are renumbered.
    void RemoveAt(int index) override;
    // Element n for n from 0 to count (count gives the end); null for any other n.
    void* GetAt(int n) override;
    // Elements have the array's fixed size.
    int ElemSize(const void* element) override { return elemSize; }
    // The sum of every element's record size (slot 24).
    std::uint32_t GetByteSize() override;
    // Resizes to n elements (bytes gained zeroed), revives and numbers all of them.
    bool SetSize(int n) override;
    // A block that must grow by an element grows by half again (or to n bytes when that fails),
    // and one that is large enough stays until less than half of it is needed: elements going in
    // one at a time (bars appended) do not move the block each time.
    // The current records (page, system, bar, staff, track, bar of a track) that point into a
    // block that moves follow it.
    bool SetByteSize(std::uint32_t n) override;
    // The raw head of older files: an element size other than the class's record size is damage
    // (the array would index its records by it).
    void ReadRawHead(CFile& file) override;
    // Each element is read into a fresh scratch record of its own class, so what one element
    // owns (a system's staves, a bar's items) is never given to or freed by the next.
    void ReadRawBody(CFile& file) override;
    void WriteRawBody(CFile& file) override;
    void Read(CChunkStream& stream, std::uint32_t tag) override;
    void ReadElement(CChunkStream& stream, int n) override;
    void Write(CChunkStream& stream, std::uint32_t tag) override;
    void WriteElement(CChunkStream& stream, int n) override;
    void ReviveAll() override;
    // Builds the element class in place (nothing in the base).
    void Revive(void* record) override {}
    // The element tag.
    virtual std::uint32_t GetTag();
    // The tag of an element's own chunk in the list form (the element tag unless the class
    // says otherwise); an element chunk with another tag is damage.
    virtual std::uint32_t GetChunkTag() { return GetTag(); }
    // Calls every element's slot 59 with the font table.
    virtual void ResolveFonts(CFontArray* fonts);

    CArrayItem* Element(int n) { return static_cast<CArrayItem*>(GetAt(n)); }
    // Gives every element its index and the last-element flag to the last one only.
    void Renumber();
    // Renumbers the elements from first to the end.
    void RenumberFrom(int first);
    // The first element an insertion at index renumbers: every element unless the class keeps
    // its elements numbered.
    virtual int InsertRenumberStart(int index) { return 0; }

protected:
    // Element n when n lies below the count.
    std::uint8_t* ElementAt(int n);

private:
    bool ResizeBlock(std::uint32_t n);
};

// Builds the element class of a score array in place (its constructor): the class slot, code
// and size, and what the class's constructor clears.
void ConstructArrayElement(int code, void* record);

// A score array of one element class (its type code, record size and element tag).
template <class Derived, int Code, int Size, std::uint32_t Tag>
class ScoreArrayOf : public StdArrayClass<Derived, CScoreArray> {
public:
    static constexpr int kCode = Code;
    static constexpr int kElementSize = Size;
    ScoreArrayOf() { this->SetElemSize(Size); }
    void Revive(void* record) override { ConstructArrayElement(Code, record); }
    std::uint32_t GetTag() override { return Tag; }
};

class CTrackArray : public ScoreArrayOf<CTrackArray, 3, 2872, 0x5452414Bu /* TRAK */> {};
class CPageArray : public ScoreArrayOf<CPageArray, 0, 68, 0x50414745u /* PAGE */> {};
class CStaffArray : public ScoreArrayOf<CStaffArray, 2, 126, 0x53544146u /* STAF */> {};
class CTrkBarArray : public ScoreArrayOf<CTrkBarArray, 4, 44, 0x42444154u /* BDAT */> {
public:
    // A copy whose bars of a track hold copies of this array's runs, never the same blocks;
    // false when memory ran out (the copy's bars without a run copy are left empty).
    bool CopyTo(CStdArray* other) override;
    // A track's bars are numbered by their place after every change (inserting, removing,
    // sizing, raw reading and the reindex write each bar's own place; copies keep them), so an
    // insertion renumbers only from the bar before it, whose last flag it clears.
    int InsertRenumberStart(int index) override { return index - 1; }
};

class CLineArray : public ScoreArrayOf<CLineArray, 1, 88, 0x4C494E45u /* LINE */> {
public:
    // A copy whose systems hold clones of this array's staff arrays; false when memory ran out.
    bool CopyTo(CStdArray* other) override;
    // Inserts a staff at index in every system; false at the first that refuses.
    bool InsertStaff(int index);
    // Removes the staff at index from every system.
    bool RemoveStaff(int index);
};

class CBarArray : public ScoreArrayOf<CBarArray, 8, 162, 0x42415220u /* "BAR " */> {
public:
    std::uint32_t GetChunkTag() override { return 0x4D454153u; /* MEAS */ }
    // A bar added at the end renumbers only the bar before it (its last flag goes) when that
    // bar is numbered by its place: every reindex numbers the bars it walks by their place.
    int InsertRenumberStart(int index) override;
    // The new bar also makes its own item array; null (and no new element) when it cannot.
    void* InsertEmpty(int index) override;
};
