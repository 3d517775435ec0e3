#include "model/NoteMark.h"

#include <cstring>
#include <span>

#include "model/BitOrder.h"
#include "model/ModelGlobals.h"
#include "platform/ChunkStream.h"
#include "platform/Port.h"

// ---- new marks --------------------------------------------------------------------------------

namespace {

// The fingering letters p, i, m, a, c, T, H, P.
constexpr std::uint8_t kFingeringLetters[] = {112, 105, 109, 97, 99, 84, 72, 80};
constexpr int kFingeringCount = 8;
constexpr std::uint16_t kLetterSize = 12;
constexpr std::uint16_t kFirstFingeringGlyph = 220;
// Bytes of a mark's glyph record: its placement kind and the character drawn for it.
constexpr int kGlyphKind = 0;
constexpr int kGlyphChar = 4;

}  // namespace

int NoteMark::GetPlacementKind() const { return GetMarkGlyphs(Code())[kGlyphKind]; }

int NoteMark::GetGlyph() const { return GetMarkGlyphs(Code())[kGlyphChar]; }

int NoteMark::ClassSize(int code) {
    if (code >= 70 && code <= 89) return 46;
    if (code == 30) return 44;
    if (code >= 0 && code <= 2) return 54;
    if (code == 250 || code == 240 || (code >= 100 && code <= 115)) return 48;
    return 40;
}

void NoteMark::Init(int code) {
    const NoteMarkInputs& in = g_model.noteMarkInputs;
    code &= 0xFF;
    SetCode(std::uint8_t(code));
    SetFlags(Flags() & kPlacedAbove);
    SetXOffset(0);
    SetYOffset(0);
    std::memset(Bytes() + kPlayback, 0, MarkPlayback::kSize);

    // The palette has a button for each fingering; another index is taken as the first.
    const int button = in.buttonIndex >= 0 && in.buttonIndex < kFingeringCount ? in.buttonIndex : 0;
    if (code == 231) {
        SetCode(std::uint8_t(108 + button));
        SetFont(in.fingeringFont);
        SetCharacter(std::uint16_t(kFirstFingeringGlyph + button));
    } else if (code == 230) {
        SetCode(std::uint8_t(100 + button));
        FontRef letters;
        letters.face = in.letterFace;
        letters.size = kLetterSize;
        letters.style = 0;
        letters.pad = 0;
        SetFont(letters);
        SetCharacter(kFingeringLetters[button]);
    } else if (code == 250) {
        SetFont(in.textFont);
        SetCharacter(in.textChar);
    } else if (code >= 70 && code <= 89) {
        const std::uint8_t ornament = std::uint8_t(in.ornamentSetting);
        std::uint8_t setting = 1;
        if (code == 72 || code == 75 || code == 81)
            setting = std::uint8_t(ornament + 2);
        else if (code == 70 || code == 73)
            setting = 0;
        SetByte(kSetting41, setting);
        if (code <= 72) {
            SetXOffset(-30);
            SetWord(kExtentStart, -180);
            SetWord(kExtentEnd, 180);
        } else if (code <= 75) {
            SetXOffset(150);
            SetWord(kExtentStart, 180);
            SetWord(kExtentEnd, 180);
        } else if (code == 79) {
            SetXOffset(180);
            SetYOffset(-60);
        } else if (code == 80) {
            SetXOffset(-60);
            SetYOffset(-60);
            SetWord(kExtentStart, -180);
            SetWord(kExtentEnd, -120);
            SetByte(kSetting41, std::uint8_t(ornament + 2));
        } else if (code == 81) {
            SetXOffset(-90);
            SetYOffset(30);
            SetWord(kExtentStart, 240);
            SetWord(kExtentEnd, 0);
        }
    } else if (code <= 2) {
        SetByte(kByte52, 0);
        SetByte(kByte53, 0);
    } else if (code == 5) {
        SetFlags(Flags() | 0x10);
    } else if (code == 4) {
        SetFlags(std::uint8_t((Flags() & ~kField67) | 0x40));
    }
    SetSize(std::int16_t(GetSize()));
}

// ---- stored form ------------------------------------------------------------------------------

namespace {

enum class Kind : std::uint8_t { Word, Coord, Flags, FontRef, Raw };

struct Field {
    int offset;
    Kind kind;
    int width;
};

constexpr Field kHeadFields[] = {
    {NoteMark::kSizeField, Kind::Word, 2},
    {NoteMark::kCode, Kind::Raw, 1},
    {NoteMark::kFlags, Kind::Flags, 1},
    {NoteMark::kXOffset, Kind::Coord, 2},
    {NoteMark::kYOffset, Kind::Coord, 2},
    {8, Kind::Raw, MarkPlayback::kSettingBytes},
    {8 + MarkPlayback::kWord1, Kind::Word, 2},
    {8 + MarkPlayback::kWord2, Kind::Word, 2},
    {8 + MarkPlayback::kWord3, Kind::Word, 2},
    {8 + MarkPlayback::kWord4, Kind::Word, 2},
};
constexpr Field kJazzFields[] = {{40, Kind::Raw, 2}, {42, Kind::Coord, 2}, {44, Kind::Coord, 2}};
constexpr Field kArpeggioFields[] = {{40, Kind::Word, 2}, {42, Kind::Coord, 2}};
constexpr Field kTrillFields[] = {
    {40, Kind::Coord, 2}, {42, Kind::Coord, 2}, {44, Kind::Word, 2}, {46, Kind::Word, 2}, {48, Kind::Raw, 6}};
// Older letter marks (240) hold the same fields as text marks.
constexpr Field kTextFields[] = {{40, Kind::Word, 2}, {42, Kind::FontRef, 6}};

std::span<const Field> ClassFields(int code) {
    if (code >= 70 && code <= 89) return kJazzFields;
    if (code == 30) return kArpeggioFields;
    if (code <= 2) return kTrillFields;
    if (code == 250 || code == 240 || (code >= 100 && code <= 115)) return kTextFields;
    return {};
}

// Walks the fields that lie wholly inside a mark of `size` bytes, each at the offset where it
// lies in a mark that may be shorter than its class (the missing bytes belong at offset 8),
// and returns where the last of them ends.
template <typename Visit>
int ForEachField(int code, int size, Visit visit) {
    const int missing = NoteMark::ClassSize(code) > size ? NoteMark::ClassSize(code) - size : 0;
    int end = 0;
    auto take = [&](const Field& f) {
        int at = f.offset;
        if (at >= NoteMark::kPlayback) {
            at -= missing;
            if (at < NoteMark::kPlayback) return;
        }
        if (at + f.width > size) return;
        visit(f, at);
        end = at + f.width;
    };
    for (const Field& f : kHeadFields) take(f);
    for (const Field& f : ClassFields(code)) take(f);
    return end;
}

constexpr BitLayout kFlagLayout = kLayout_1_1_1_1_2_2;

// A 16-bit field between this machine's order and the stored big-endian order.
void WordToFile(std::uint8_t* p, std::int16_t v) {
    p[0] = std::uint8_t(std::uint16_t(v) >> 8);
    p[1] = std::uint8_t(v);
}
std::int16_t WordFromFile(const std::uint8_t* p) { return std::int16_t((p[0] << 8) | p[1]); }

}  // namespace

void NoteMark::Write(CChunkStream& s) const {
    const int size = Size();
    const std::uint8_t* b = Bytes();
    const int end = ForEachField(Code(), size, [&](const Field& f, int at) {
        switch (f.kind) {
        case Kind::Word:
            s.WriteWord(rec::Get<std::int16_t>(b, at));
            break;
        case Kind::Coord:
            s.WriteCoord(rec::Get<std::int16_t>(b, at));
            break;
        case Kind::Flags:
            s.WriteByte(MirrorFields(b[at], kFlagLayout));
            break;
        case Kind::FontRef:
            s.WriteFontRef(rec::Get<FontRef>(b, at));
            break;
        case Kind::Raw:
            s.WriteBytes(b + at, std::uint32_t(f.width));
            break;
        }
    });
    if (size > end) s.WriteBytes(b + end, std::uint32_t(size - end));
}

void NoteMark::ToFileOrder() {
    std::uint8_t* b = Bytes();
    ForEachField(Code(), Size(), [&](const Field& f, int at) {
        switch (f.kind) {
        case Kind::Word:
            WordToFile(b + at, rec::Get<std::int16_t>(b, at));
            break;
        case Kind::Coord:
            WordToFile(b + at, std::int16_t(rec::Get<std::int16_t>(b, at) / 5));
            break;
        case Kind::Flags:
            MirrorFieldsToFile(b + at, kFlagLayout);
            break;
        case Kind::FontRef:
            WordToFile(b + at, rec::Get<std::int16_t>(b, at));
            WordToFile(b + at + 2, rec::Get<std::int16_t>(b, at + 2));
            b[at + 5] = 0;
            break;
        case Kind::Raw:
            break;
        }
    });
}

bool NoteMark::FromFileOrder(std::size_t available) {
    std::uint8_t* b = Bytes();
    if (available < 2) return false;
    const int size = WordFromFile(b);
    if (size < kPlayback || std::size_t(size) > available) return false;
    ForEachField(Code(), size, [&](const Field& f, int at) {
        switch (f.kind) {
        case Kind::Word:
            rec::Put<std::int16_t>(b, at, WordFromFile(b + at));
            break;
        case Kind::Coord:
            rec::Put<std::int16_t>(b, at, std::int16_t(WordFromFile(b + at) * 5));
            break;
        case Kind::Flags:
            MirrorFieldsFromFile(b + at, kFlagLayout);
            break;
        case Kind::FontRef:
            rec::Put<std::int16_t>(b, at, WordFromFile(b + at));
            rec::Put<std::int16_t>(b, at + 2, WordFromFile(b + at + 2));
            break;
        case Kind::Raw:
            break;
        }
    });
    return true;
}
