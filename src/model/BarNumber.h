// The bar-number item (type 10, 50 bytes): how bar numbers are shown from the bar that holds
// it onwards. It lies in a bar's own items; later bars without one link to it.
//
//   offset 16  flags          bit 0 enclosed, 1 letters, 2 repeated-letter style, bits 3-4
//                             alignment (0 left, 1 centred, 2 right), bits 5-6 anchor
//   offset 17  staff index    18 show mode (0 system starts when asked, 1 first bar of each
//                             system, 2 every N bars, 3 never), 19 first letter
//   offset 20  x offset, 22 y offset (coordinates), 24 number offset, 26 text width,
//              28 interval N (16-bit each)
//   offset 30  prefix         two characters
//   offset 32  font           FontRef
//   offset 38  enclosure      two bytes, four coordinates, and the last value (48)
//
// Stored after the bar-item head (40 bytes, 6 more than in memory): the five flag fields as
// separate bytes, the staff index, two zero bytes, show mode, first letter, the offsets as
// coordinates (divided by 5), the number offset, width and interval as words, the prefix, the
// font, the enclosure's two bytes raw and four coordinates, and the last enclosure value x 4 / 20.
#pragma once
#include <cstdint>

#include "model/BarItem.h"

class CBarNumber : public CBarItem {
public:
    enum : int {
        kSize = 50,
        kTypeCode = 10,
        kFlags = 16,
        kStaff = 17,
        kShowMode = 18,
        kFirstLetter = 19,
        kXOffset = 20,
        kYOffset = 22,
        kNumberOffset = 24,
        kTextWidth = 26,
        kInterval = 28,
        kPrefix = 30,
        kFont = 32,
        kEnclosure = 38,
        kEnclosureCoords = 40,
        kEnclosureValue = 48,
        // The stored body after the bar-item head.
        kStoredBody = 40,
    };

    // Builds a bar-number item with its defaults in a buffer of at least 50 bytes: digits,
    // repeated-letter style, centred, shown at the first bar of each system, first letter "A",
    // y offset -360, interval 1, the bar-number font.
    static CBarNumber* Construct(void* buffer);
    void SetDefaults();

    int GetShowMode() const { return rec::Get<std::uint8_t>(this, kShowMode); }
    std::int16_t GetNumberOffset() const { return rec::Get<std::int16_t>(this, kNumberOffset); }
};
ZEL_RECORD_VIEW(CBarNumber);

class BarNumberBehaviour : public BarItemBehaviour {
public:
    static const BarNumberBehaviour& Instance();
    void ReadBody(CScoreItem& item, CChunkStream& stream) const override;
    void WriteBody(CScoreItem& item, CChunkStream& stream) const override;
};
