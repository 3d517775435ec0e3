// The bar-number item's record: its defaults and its stored form.
#include "model/BarNumber.h"

#include <cstring>

#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "platform/ChunkStream.h"
#include "platform/FontRef.h"

namespace {

// The default item font of bar numbers in the program's default font table.
constexpr int kBarNumberFontSlot = 5;
constexpr std::uint8_t kRepeatedLetters = 0x04;
constexpr std::uint8_t kCentred = 1 << 3;

}  // namespace

CBarNumber* CBarNumber::Construct(void* buffer) {
    auto* item = static_cast<CBarNumber*>(ConstructClass(kTypeCode, buffer));
    if (item) item->SetDefaults();
    return item;
}

void CBarNumber::SetDefaults() {
    std::memset(Bytes() + kFlags, 0, kSize - kFlags);
    rec::Put<std::uint8_t>(this, kFlags, kRepeatedLetters | kCentred);
    rec::Put<std::uint8_t>(this, kShowMode, 1);
    rec::Put<std::uint8_t>(this, kFirstLetter, 'A');
    rec::Put<std::int16_t>(this, kYOffset, -360);
    rec::Put<std::int16_t>(this, kInterval, 1);
    if (const FontRef* table = DefaultFontTable()) std::memcpy(Bytes() + kFont, &table[kBarNumberFontSlot], sizeof(FontRef));
}

const BarNumberBehaviour& BarNumberBehaviour::Instance() {
    static const BarNumberBehaviour behaviour;
    return behaviour;
}

void BarNumberBehaviour::ReadBody(CScoreItem& item, CChunkStream& s) const {
    // A record that is not a whole bar-number item is read as the bytes it says it has.
    if (item.RecordSizeField() != CBarNumber::kSize) {
        BarItemBehaviour::ReadBody(item, s);
        return;
    }
    std::uint8_t b[CBarNumber::kStoredBody];
    ReadRecordBytes(s, b, CBarNumber::kStoredBody);
    std::uint8_t* r = item.Bytes();
    const auto word = [&](int at) { return std::int16_t((b[at] << 8) | b[at + 1]); };
    r[CBarNumber::kFlags] = std::uint8_t((b[0] & 1) | (b[1] & 1) << 1 | (b[2] & 1) << 2 | (b[3] & 3) << 3 | (b[4] & 3) << 5);
    r[CBarNumber::kStaff] = b[5];
    r[CBarNumber::kShowMode] = b[8];
    r[CBarNumber::kFirstLetter] = b[9];
    rec::Put(r, CBarNumber::kXOffset, std::int16_t(word(10) * 5));
    rec::Put(r, CBarNumber::kYOffset, std::int16_t(word(12) * 5));
    rec::Put(r, CBarNumber::kNumberOffset, word(14));
    rec::Put(r, CBarNumber::kTextWidth, word(16));
    rec::Put(r, CBarNumber::kInterval, word(18));
    r[CBarNumber::kPrefix] = b[20];
    r[CBarNumber::kPrefix + 1] = b[21];
    FontRef font;
    font.face = std::uint16_t(word(22));
    font.size = std::uint16_t(word(24));
    font.style = b[26];
    font.pad = 0;
    std::memcpy(r + CBarNumber::kFont, &font, sizeof font);
    r[CBarNumber::kEnclosure] = b[28];
    r[CBarNumber::kEnclosure + 1] = b[29];
    for (int i = 0; i < 4; ++i) rec::Put(r, CBarNumber::kEnclosureCoords + 2 * i, std::int16_t(word(30 + 2 * i) * 5));
    rec::Put(r, CBarNumber::kEnclosureValue, std::int16_t(word(38) * 20 / 4));
}

void BarNumberBehaviour::WriteBody(CScoreItem& item, CChunkStream& s) const {
    if (item.RecordSizeField() != CBarNumber::kSize) {
        BarItemBehaviour::WriteBody(item, s);
        return;
    }
    const std::uint8_t* r = item.Bytes();
    const auto word = [&](int at) { return rec::Get<std::int16_t>(r, std::size_t(at)); };
    const std::uint8_t flags = r[CBarNumber::kFlags];
    s.WriteByte(flags & 1);
    s.WriteByte((flags >> 1) & 1);
    s.WriteByte((flags >> 2) & 1);
    s.WriteByte((flags >> 3) & 3);
    s.WriteByte((flags >> 5) & 3);
    s.WriteByte(r[CBarNumber::kStaff]);
    s.WriteByte(0);
    s.WriteByte(0);
    s.WriteByte(r[CBarNumber::kShowMode]);
    s.WriteByte(r[CBarNumber::kFirstLetter]);
    s.WriteCoord(word(CBarNumber::kXOffset));
    s.WriteCoord(word(CBarNumber::kYOffset));
    s.WriteWord(word(CBarNumber::kNumberOffset));
    s.WriteWord(word(CBarNumber::kTextWidth));
    s.WriteWord(word(CBarNumber::kInterval));
    s.WriteBytes(r + CBarNumber::kPrefix, 2);
    FontRef font;
    std::memcpy(&font, r + CBarNumber::kFont, sizeof font);
    s.WriteFontRef(font);
    s.WriteBytes(r + CBarNumber::kEnclosure, 2);
    for (int i = 0; i < 4; ++i) s.WriteCoord(word(CBarNumber::kEnclosureCoords + 2 * i));
    s.WriteWord(word(CBarNumber::kEnclosureValue) * 4 / 20);
}
