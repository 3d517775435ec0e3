#include "model/Meter.h"

#include <algorithm>
#include <cstring>

#include "framework/Exceptions.h"
#include "framework/File.h"
#include "platform/ChunkStream.h"

int Meter::GetPreset() const {
    return bytes[kPreset] == 0 ? 0 : bytes[kPreset] - 1;
}

void Meter::SetPresetIndex(int index) {
    bytes[kPreset] = std::uint8_t(index + 1);
}

bool Meter::Matches(int numerator, int denominator, int kindFlags, const std::uint8_t* groups) const {
    constexpr std::uint8_t kKindMask = kCommonTime | kCutTime;
    return bytes[kNumerator] == std::uint8_t(numerator) && bytes[kDenominator] == std::uint8_t(denominator) &&
           (bytes[kKindFlags] & kKindMask) == (std::uint8_t(kindFlags) & kKindMask) &&
           std::memcmp(bytes + kTopGroups, groups, 6) == 0;
}

bool Meter::Matches(const Meter& other) const {
    return Matches(other.bytes[kNumerator], other.bytes[kDenominator], other.bytes[kKindFlags],
                   other.bytes + kTopGroups);
}

int Meter::DigitWidth(int n) {
    const bool wide = n >= 10;
    return (wide ? 2 : 0) + (n - (wide ? 10 : 0) == 1 ? 2 : 3);
}

bool Meter::Update() {
    const int numerator = bytes[kNumerator];
    const int denominator = bytes[kDenominator];
    if (denominator == 0) return false;

    const std::uint8_t display = bytes[kDisplayFlags];
    int top = 0, bottom = 0;
    if (display & kShown) {
        if (bytes[kKindFlags] & (kCommonTime | kCutTime)) {
            top = 3;
        } else {
            top = DigitWidth(numerator);
            bottom = DigitWidth(denominator);
        }
        if (display & kWiden) {
            top += 4;
            bottom += 4;
        }
    }
    if (display & kAdditiveShown) {
        auto addGroups = [this](int first, int& width) {
            for (int i = 0; i < 3 && bytes[first + i] != 0; ++i)
                width += DigitWidth(bytes[first + i]) + (i > 0 ? 4 : 0);
        };
        addGroups(kTopGroups, top);
        addGroups(kBottomGroups, bottom);
        if (display & kWidenAdditive) {
            top += 4;
            bottom += 4;
        }
    }

    const bool compound = denominator >= 8 && numerator % 3 == 0;
    if (bytes[kGroupCount] == 0) bytes[kGroupCount] = std::uint8_t(compound ? numerator / 3 : numerator);

    const std::int16_t ticksPerBeat = std::int16_t(kTicksPerWhole / denominator);
    const std::int16_t ticksPerBar = std::int16_t(numerator * ticksPerBeat);
    rec::Put<std::int16_t>(bytes, kTicksPerBeat, ticksPerBeat);
    rec::Put<std::int16_t>(bytes, kTicksPerBar, ticksPerBar);
    bytes[kDigitWidth] = std::uint8_t(std::max(top, bottom));
    if (bytes[kBeamUnit] == 0) bytes[kBeamUnit] = bytes[kBeamGroups];
    rec::Put<std::int16_t>(bytes, kBarLength, ticksPerBar);
    const int groups = bytes[kGroupCount];
    rec::Put<std::int16_t>(bytes, kTicksPerGroup, std::int16_t(groups == 0 ? 0 : ticksPerBar / groups));
    return true;
}

void Meter::SetPreset(int preset, bool flag) {
    bytes[kKindFlags] &= kKindDisplay;
    std::uint8_t display = bytes[kDisplayFlags];
    display = std::uint8_t((display & 0x70) | kShown | (flag ? kPresetFlag : 0));
    bytes[kDisplayFlags] = display;
    const std::uint8_t beams[4] = {4, 0, 0, 0};
    std::memcpy(bytes + kBeamGroups, beams, 4);
    std::memset(bytes + kTopGroups, 0, 6);

    auto setBeams = [this](std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
        bytes[kBeamGroups] = a;
        bytes[kBeamGroups + 1] = b;
        bytes[kBeamGroups + 2] = c;
        bytes[kBeamGroups + 3] = d;
    };
    switch (preset) {
    case 0:
        bytes[kNumerator] = 4;
        bytes[kDenominator] = 4;
        bytes[kKindFlags] |= kCommonTime;
        bytes[kBeamUnit] = 4;
        break;
    case 1:
        bytes[kNumerator] = 2;
        bytes[kDenominator] = 2;
        bytes[kKindFlags] |= kCutTime;
        bytes[kBeamUnit] = 2;
        break;
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
        bytes[kNumerator] = std::uint8_t(preset);
        bytes[kDenominator] = 4;
        bytes[kBeamUnit] = 4;
        if (preset == 5) setBeams(4, 4, 2, 0);
        if (preset == 6) setBeams(6, 6, 0, 0);
        break;
    case 7:
    case 8:
    case 9:
    case 10: {
        const int beats = preset - 6;  // 1 to 4 groups of three eighths
        bytes[kNumerator] = std::uint8_t(beats * 3);
        bytes[kDenominator] = 8;
        bytes[kBeamUnit] = 6;
        setBeams(3, beats >= 2 ? 3 : 0, beats >= 3 ? 3 : 0, beats >= 4 ? 3 : 0);
        break;
    }
    default:
        break;
    }

    const int numerator = bytes[kNumerator];
    int groups = numerator;
    if (bytes[kDenominator] >= 8) {
        static constexpr int kDivisors[] = {3, 5, 7, 11, 13};
        bool found = false;
        for (int d : kDivisors) {
            if (numerator % d == 0) {
                groups = numerator / d;
                found = true;
                break;
            }
        }
        if (!found && numerator % 2 == 0) groups = numerator / 2;
    }
    bytes[kGroupCount] = std::uint8_t(groups);
}

void Meter::SetDefaultBeamGroups() {
    std::uint8_t group = 2, unit = 4;
    switch (bytes[kDenominator]) {
    case 1:
    case 2:
    case 4:
        group = 4;
        break;
    case 8:
        if (bytes[kNumerator] % 3 == 0) {
            group = 3;
            unit = 6;
        }
        break;
    default:
        break;
    }
    std::memset(bytes + kBeamGroups, group, 4);
    bytes[kBeamUnit] = unit;
}

void Meter::Write(CChunkStream& s) const {
    s.WriteByte(bytes[kNumerator]);
    s.WriteByte(bytes[kDenominator]);
    s.WriteByte(bytes[kDigitWidth]);
    s.WriteByte(bytes[kGroupCount]);
    s.WriteWord(GetTicksPerBeat());
    s.WriteWord(GetTicksPerBar());
    s.WriteWord(GetBarLength());
    s.WriteWord(GetTicksPerGroup());
    for (int bit = 0; bit < 3; ++bit) s.WriteByte((bytes[kKindFlags] >> bit) & 1);
    s.WriteByte(bytes[kPreset]);
    for (int bit = 0; bit < 8; ++bit) s.WriteByte((bytes[kDisplayFlags] >> bit) & 1);
    s.WriteBytes(bytes + kTopGroups, kPreset - kTopGroups);
}

namespace {

// One stored flag byte into bit `bit` of *flags; past a chunk's end the bit keeps its value.
void ReadFlagBit(CChunkStream& s, std::uint8_t* flags, int bit) {
    const std::uint8_t mask = std::uint8_t(1u << bit);
    std::uint8_t v = (*flags & mask) ? 1 : 0;
    s.ReadByteTo(&v);
    *flags = v != 0 ? std::uint8_t(*flags | mask) : std::uint8_t(*flags & ~mask);
}

}  // namespace

bool Meter::HasValidLengths() const {
    for (int offset : {kTicksPerBeat, kTicksPerBar, kTicksPerGroup})
        if (rec::Get<std::int16_t>(bytes, offset) < 0) return false;
    return true;
}

void Meter::Read(CChunkStream& s) {
    s.ReadByteTo(&bytes[kNumerator]);
    s.ReadByteTo(&bytes[kDenominator]);
    s.ReadByteTo(&bytes[kDigitWidth]);
    s.ReadByteTo(&bytes[kGroupCount]);
    for (int offset = kTicksPerBeat; offset <= kTicksPerGroup; offset += 2) {
        std::int16_t v = rec::Get<std::int16_t>(bytes, offset);
        s.ReadWordTo(&v);
        rec::Put<std::int16_t>(bytes, offset, v);
    }
    if (!HasValidLengths()) {
        CFile* f = s.GetFile();
        AfxThrowArchiveException(CArchiveException::badIndex, f ? f->GetFilePath().c_str() : nullptr,
                                 "a time signature's lengths");
    }
    // A beat is a note value: a time signature over 0 counts none.
    if (GetDenominator() == 0) {
        CFile* f = s.GetFile();
        AfxThrowArchiveException(CArchiveException::badIndex, f ? f->GetFilePath().c_str() : nullptr,
                                 "a time signature");
    }
    for (int bit = 0; bit < 3; ++bit) ReadFlagBit(s, &bytes[kKindFlags], bit);
    s.ReadByteTo(&bytes[kPreset]);
    for (int bit = 0; bit < 8; ++bit) ReadFlagBit(s, &bytes[kDisplayFlags], bit);
    s.ReadBytes(bytes + kTopGroups, kPreset - kTopGroups);
}
