// The multi-bar rest (code 39, 22 bytes): one thick bar between two short strokes for a rest
// of several bars, in the first bar of the span.
//
//   offset 16  flags     bit 0 slanted, bit 1 show the range of bar numbers, bit 2 the count
//                        below the staff, bits 3-4 end-stroke style (2 none, 0 thin, 1 and 3
//                        thick), bit 5 hide the count (kept only with bit 1)
//   offset 17  percent   length in percent of the available width, 10-100; 0 the score's default
//   offset 18  inset     16-bit signed, each end's inset in label units (written by the layout)
//   offset 20  offset    16-bit signed, extra distance of the count from the staff
//
// Stored: byte 16 with its eight bits reversed, byte 17 raw, 18 and 20 as coordinates.
#pragma once
#include <cstdint>

#include "framework/Types.h"
#include "model/BarItem.h"

class MultiRestBehaviour : public BarItemBehaviour {
public:
    static const MultiRestBehaviour& Instance();

    void Draw(CScoreItem& item) const override;                              // slot 4
    void OpenProperties(CScoreItem& item, int x, int y) const override;      // slot 10
    bool HitTest(CScoreItem& item, int x, int y) const override;             // slot 15
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override;            // slot 16
    void BeginDrag(CScoreItem& item) const override {}                       // slot 41: none of its own
    void DragBy(CScoreItem& item, CDragTask* drag) const override;           // slot 42
    void EndDrag(CScoreItem& item, CDragTask* drag) const override;          // slot 43

    void WriteBody(CScoreItem& item, CChunkStream& stream) const override;   // slot 52
    void FromFileOrder(CScoreItem& item) const override;                     // slot 57
    void Delete(CBarItem& item) const override {}                            // slot 85: nothing
    int GetVerticalOffset(CBarItem& item) const override;                    // slot 96
};

class CMultiRest : public CBarItem {
public:
    enum : int { kFlags = 16, kPercent = 17, kInset = 18, kCountOffset = 20 };
    enum : std::uint8_t { kSlanted = 0x01, kShowRange = 0x02, kCountBelow = 0x04, kStyleShift = 3, kHideCount = 0x20 };
    static constexpr int kType = 39;
    static constexpr int kSize = 22;

    static CMultiRest* Construct(void* record);

    std::uint8_t Flags() const { return rec::Get<std::uint8_t>(this, kFlags); }
    void SetFlags(std::uint8_t v) { rec::Put(this, kFlags, v); }
    int StrokeStyle() const { return (Flags() >> kStyleShift) & 3; }
    std::uint8_t Percent() const { return rec::Get<std::uint8_t>(this, kPercent); }
    void SetPercent(std::uint8_t v) { rec::Put(this, kPercent, v); }
    std::int16_t CountOffset() const { return rec::Get<std::int16_t>(this, kCountOffset); }
    void SetCountOffset(std::int16_t v) { rec::Put(this, kCountOffset, v); }
    // The stored inset of each end.
    int GetHorizontalOffset() const { return rec::Get<std::int16_t>(this, kInset); }
    void SetInset(std::int16_t v) { rec::Put(this, kInset, v); }

    // The two ends of the bar, with the current bar and staff those of the rest; fills in the
    // score's default percent when the rest has none and stores the inset.
    void GetEnds(POINT* left, POINT* right);
};
ZEL_RECORD_VIEW(CMultiRest);
