// The time signature of a bar: a plain 27-byte record, embedded in every bar record and kept
// by the time-signature dialog while it is edited. Besides what the user chooses (numerator,
// denominator, common or cut time, additive groups, beam groups) it holds derived values:
// ticks per beat and per bar, the beat-group count and the width of the printed signature.
// The time base is 1920 ticks to a whole note.
//
//   offset 0   numerator                 8-bit
//   offset 1   denominator               8-bit
//   offset 2   ticks per beat            16-bit signed
//   offset 4   ticks per bar             16-bit signed
//   offset 6   bar length                16-bit signed (equal to ticks per bar)
//   offset 8   ticks per group           16-bit signed
//   offset 10  digit width               8-bit, width of the printed signature
//   offset 11  group count               8-bit, beat groups per bar (0: work it out)
//   offset 12  kind flags                bit 0 common time, bit 1 cut time, bit 2 display flag
//   offset 13  display flags             bit 0 shown, bit 1 additive groups shown, bit 2 widen
//                                        by 4, bit 3 widen the additive form by 4, bits 4-6
//                                        further flags, bit 7 the flag given to SetPreset
//   offset 14  top groups                3 bytes, additive numerators (0 ends the list)
//   offset 17  bottom groups             3 bytes, additive denominators (0 ends the list)
//   offset 20  beam groups               4 bytes
//   offset 24  beam unit                 8-bit (0 takes the first beam group)
//   offset 25  spare                     8-bit, stored and read back
//   offset 26  preset                    preset index + 1; 0 when not made from a preset
//
// The record is its bytes: it may lie at any address inside another record (alignment 1), and
// its 16-bit fields are native-order in memory and go through rec::Get / rec::Put.
#pragma once
#include <cstdint>
#include <type_traits>

#include "model/Record.h"

class CChunkStream;

struct Meter {
    enum : int {
        kNumerator = 0,
        kDenominator = 1,
        kTicksPerBeat = 2,
        kTicksPerBar = 4,
        kBarLength = 6,
        kTicksPerGroup = 8,
        kDigitWidth = 10,
        kGroupCount = 11,
        kKindFlags = 12,
        kDisplayFlags = 13,
        kTopGroups = 14,
        kBottomGroups = 17,
        kBeamGroups = 20,
        kBeamUnit = 24,
        kSpare = 25,
        kPreset = 26,
        kSize = 27,
    };
    // Kind flags.
    enum : std::uint8_t { kCommonTime = 0x01, kCutTime = 0x02, kKindDisplay = 0x04 };
    // Display flags.
    enum : std::uint8_t {
        kShown = 0x01,
        kAdditiveShown = 0x02,
        kWiden = 0x04,
        kWidenAdditive = 0x08,
        kPresetFlag = 0x80,
    };
    static constexpr int kTicksPerWhole = 1920;
    static constexpr int kPresetCount = 11;
    // Bytes of the stored form.
    static constexpr int kStoredSize = 36;

    std::uint8_t bytes[kSize];

    // --- fields ---
    std::uint8_t GetNumerator() const { return bytes[kNumerator]; }
    void SetNumerator(std::uint8_t v) { bytes[kNumerator] = v; }
    std::uint8_t GetDenominator() const { return bytes[kDenominator]; }
    void SetDenominator(std::uint8_t v) { bytes[kDenominator] = v; }
    std::int16_t GetTicksPerBeat() const { return rec::Get<std::int16_t>(bytes, kTicksPerBeat); }
    std::int16_t GetTicksPerBar() const { return rec::Get<std::int16_t>(bytes, kTicksPerBar); }
    std::int16_t GetBarLength() const { return rec::Get<std::int16_t>(bytes, kBarLength); }
    std::int16_t GetTicksPerGroup() const { return rec::Get<std::int16_t>(bytes, kTicksPerGroup); }
    std::uint8_t GetDigitWidth() const { return bytes[kDigitWidth]; }
    std::uint8_t GetGroupCount() const { return bytes[kGroupCount]; }
    void SetGroupCount(std::uint8_t v) { bytes[kGroupCount] = v; }
    std::uint8_t GetKindFlags() const { return bytes[kKindFlags]; }
    void SetKindFlags(std::uint8_t v) { bytes[kKindFlags] = v; }
    std::uint8_t GetDisplayFlags() const { return bytes[kDisplayFlags]; }
    void SetDisplayFlags(std::uint8_t v) { bytes[kDisplayFlags] = v; }
    bool IsCommonTime() const { return (bytes[kKindFlags] & kCommonTime) != 0; }
    bool IsCutTime() const { return (bytes[kKindFlags] & kCutTime) != 0; }
    // Additive numerator / denominator group i (0-2).
    std::uint8_t GetTopGroup(int i) const { return bytes[kTopGroups + i]; }
    void SetTopGroup(int i, std::uint8_t v) { bytes[kTopGroups + i] = v; }
    std::uint8_t GetBottomGroup(int i) const { return bytes[kBottomGroups + i]; }
    void SetBottomGroup(int i, std::uint8_t v) { bytes[kBottomGroups + i] = v; }
    // Beam group i (0-3).
    std::uint8_t GetBeamGroup(int i) const { return bytes[kBeamGroups + i]; }
    void SetBeamGroup(int i, std::uint8_t v) { bytes[kBeamGroups + i] = v; }
    std::uint8_t GetBeamUnit() const { return bytes[kBeamUnit]; }
    void SetBeamUnit(std::uint8_t v) { bytes[kBeamUnit] = v; }

    // The preset index (byte 26 - 1); 0 when the byte is 0.
    int GetPreset() const;
    void SetPresetIndex(int index);

    // True when numerator, denominator, the common- and cut-time bits and the six additive
    // group bytes (groups[0..5] = bytes 14-19) all equal the given ones.
    bool Matches(int numerator, int denominator, int kindFlags, const std::uint8_t* groups) const;
    bool Matches(const Meter& other) const;

    // Recomputes the derived fields. A denominator of 0 has no beat length: the record is
    // left unchanged and the answer is false. A group count that stays 0 (only a numerator
    // of 0 gets there) gives 0 ticks per group.
    bool Update();

    // Layout width of a printed number: a 1 is narrower (2) than other digits (3), and a
    // number of 10 or more adds 2.
    static int DigitWidth(int n);

    // Sets one of the presets 0-10 (common time, cut time, 2/4 to 6/4, 3/8, 6/8, 9/8, 12/8)
    // with its beam groups; presets 11 and above keep numerator and denominator. The group
    // count is worked out; the derived fields are left to Update.
    void SetPreset(int preset, bool flag);
    // Beam groups and unit by the denominator.
    void SetDefaultBeamGroups();

    // The stored form (36 bytes): numerator, denominator, digit width, group count, the four
    // tick words big-endian, kind bits 0-2 one byte each, the preset byte, display bits 0-7
    // one byte each, then bytes 14-25 raw.
    void Write(CChunkStream& s) const;
    // False when a count of ticks (per beat, bar or group) is negative: it would give the bar a
    // negative duration, so reading such a time signature is damage.
    bool HasValidLengths() const;
    // Reads the stored form; past a chunk's end the fields keep their values.
    void Read(CChunkStream& s);
};

static_assert(sizeof(Meter) == Meter::kSize && alignof(Meter) == 1 &&
                  std::is_trivially_copyable_v<Meter> && std::is_standard_layout_v<Meter>,
              "Meter must stay its 27 bytes");
