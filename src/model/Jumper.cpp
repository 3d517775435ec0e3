#include "model/Jumper.h"

#include <cstring>

#include "model/Preferences.h"
#include "platform/DrawGlobals.h"

namespace {
// The preferences' font reference that new text jumpers and endings take.
constexpr int kJumperFontSlot = 9;
// The music face of the start-up font references.
constexpr int kMusicFontRef = 4;
}  // namespace

const MarkField CJumper::kFields[] = {{20, MarkField::Word}, {kTarget, MarkField::Word}, {24, MarkField::Word}};
const int CJumper::kFieldCount = 3;

const MarkField CTextJumper::kFields[] = {
    {20, MarkField::Word},         {kTarget, MarkField::Word},     {24, MarkField::Word},
    {kTextX, MarkField::Coord},    {kTextHeight, MarkField::Coord}, {kSegnoX, MarkField::Coord},
    {kSegnoY, MarkField::Coord},   {kCodaX, MarkField::Coord},     {kCodaY, MarkField::Coord},
    {kTextFont, MarkField::Font},  {kGlyphFont, MarkField::Font},
};
const int CTextJumper::kFieldCount = int(sizeof kFields / sizeof kFields[0]);

const MarkField CEnding::kFields[] = {
    {20, MarkField::Word},          {kTarget, MarkField::Word},      {24, MarkField::Word},
    {kStartX, MarkField::Coord},    {kLeftHook, MarkField::Coord},   {kEndX, MarkField::Coord},
    {kRightHook, MarkField::Coord}, {kHeight, MarkField::Coord},     {kTextX, MarkField::Coord},
    {kTextHeight, MarkField::Coord}, {kTextFont, MarkField::Font},
};
const int CEnding::kFieldCount = int(sizeof kFields / sizeof kFields[0]);

int CJumper::TextOffset() const {
    switch (TypeCode()) {
        case CTextJumper::kType: return CTextJumper::kText;
        case CEnding::kType: return CEnding::kText;
        default: return 0;
    }
}

std::string_view CJumper::GetText() const {
    const int at = TextOffset();
    return at ? marks::TextIn(this, at, kMaxText + 1) : std::string_view();
}

void CJumper::SetText(std::string_view text) {
    if (const int at = TextOffset()) marks::PutTextIn(this, at, kMaxText + 1, text);
}

int CJumper::GetStoredSize() const {
    const int at = TextOffset();
    if (!at) return RecordSizeField() - rec::kSlotBytes;
    const int n = int(GetText().size()) + 1;
    return at - rec::kSlotBytes + (n + 1) / 2 * 2;
}

FontRef CJumper::Font(int at) const {
    FontRef font;
    if (RecordSizeField() >= at + 6) std::memcpy(&font, Bytes() + at, sizeof font);
    return font;
}

void CJumper::SetFont(int at, const FontRef& font) {
    if (RecordSizeField() >= at + 6) std::memcpy(Bytes() + at, &font, sizeof font);
}

void CJumper::SetKind(int kind) {
    const int type = TypeCode();
    const int size = type == CTextJumper::kType ? CTextJumper::kSize : type == CEnding::kType ? CEnding::kSize : kSize;
    CBaseItem::SetSize(std::int16_t(size));
    PutByte(kKind, std::uint8_t(kind));
    SetCount(1);
    SetTarget(1);
    const FontRef font = g_preferences.Font(kJumperFontSlot);
    if (type == CTextJumper::kType) {
        SetFont(CTextJumper::kTextFont, font);
        FontRef glyphs = font;
        glyphs.face = g_draw.standardFontRefs[kMusicFontRef].face;
        glyphs.size = std::uint16_t(font.size * 2);
        SetFont(CTextJumper::kGlyphFont, glyphs);
        SetText({});
        PutWord(CTextJumper::kTextX, 0);
        PutWord(CTextJumper::kTextHeight, 180);
        PutWord(CTextJumper::kSegnoX, 0);
        PutWord(CTextJumper::kSegnoY, -90);
        PutWord(CTextJumper::kCodaX, 0);
        PutWord(CTextJumper::kCodaY, -90);
    } else if (type == CEnding::kType) {
        PutByte(kKind, kEndingBefore);
        SetFont(CEnding::kTextFont, font);
        PutWord(CEnding::kHeight, 576);
        PutWord(CEnding::kLeftHook, 270);
        PutWord(CEnding::kRightHook, 270);
        PutWord(CEnding::kEndX, -11);
        PutWord(CEnding::kTextX, 120);
        PutWord(CEnding::kTextHeight, 576 - 270);
        SetText("1.");
    }
}
