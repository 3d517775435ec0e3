// The time-signature record: presets, derived fields, comparison and the stored form.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "framework/Exceptions.h"
#include "framework/File.h"
#include "model/Meter.h"
#include "platform/ChunkStream.h"

namespace {

constexpr std::uint32_t kCond = MakeChunkTag("COND");

Meter Zeroed() {
    Meter m;
    std::memset(m.bytes, 0, sizeof m.bytes);
    return m;
}

Meter Make(int numerator, int denominator) {
    Meter m = Zeroed();
    m.SetNumerator(std::uint8_t(numerator));
    m.SetDenominator(std::uint8_t(denominator));
    return m;
}

std::vector<std::uint8_t> WriteChunk(const std::function<void(CChunkStream&)>& body) {
    CMemFile file;
    {
        CChunkStream s;
        s.SetFile(&file);
        s.BeginChunk(kCond, -1);
        body(s);
        s.EndChunk(-1);
    }
    return file.Data();
}

void ReadChunk(const std::vector<std::uint8_t>& bytes, const std::function<void(CChunkStream&)>& body) {
    CMemFile file(bytes);
    CChunkStream s;
    s.SetFile(&file);
    s.BeginReadChunk(kCond);
    body(s);
    s.EndReadChunk();
}

// A tagged chunk around the given body bytes.
std::vector<std::uint8_t> Chunk(std::vector<std::uint8_t> body) {
    std::vector<std::uint8_t> out = {'C', 'O', 'N', 'D', 0, 0, std::uint8_t(body.size() >> 8), std::uint8_t(body.size())};
    for (std::uint8_t b : body) out.push_back(b);
    return out;
}

}  // namespace

TEST(Meter, RecordKeepsItsByteLayout) {
    Meter m = Zeroed();
    m.SetPreset(8, false);
    ASSERT_TRUE(m.Update());
    // 6/8: 240 ticks a beat, 1440 a bar, two groups of 720.
    const std::uint8_t expected[Meter::kSize] = {6, 8, 240, 0, 0xA0, 0x05, 0xA0, 0x05, 0xD0, 0x02, 3, 2, 0, 0x01,
                                                 0, 0, 0, 0, 0, 0, 3, 3, 0, 0, 6, 0, 0};
    EXPECT_EQ(0, std::memcmp(m.bytes, expected, Meter::kSize));
}

TEST(Meter, PresetsAndTheirDerivedFields) {
    struct Case {
        int preset;
        int numerator, denominator, kind;
        std::uint8_t beams[4];
        int unit, groups, perBeat, perBar, perGroup;
    };
    const Case cases[] = {
        {0, 4, 4, Meter::kCommonTime, {4, 0, 0, 0}, 4, 4, 480, 1920, 480},
        {1, 2, 2, Meter::kCutTime, {4, 0, 0, 0}, 2, 2, 960, 1920, 960},
        {2, 2, 4, 0, {4, 0, 0, 0}, 4, 2, 480, 960, 480},
        {3, 3, 4, 0, {4, 0, 0, 0}, 4, 3, 480, 1440, 480},
        {4, 4, 4, 0, {4, 0, 0, 0}, 4, 4, 480, 1920, 480},
        {5, 5, 4, 0, {4, 4, 2, 0}, 4, 5, 480, 2400, 480},
        {6, 6, 4, 0, {6, 6, 0, 0}, 4, 6, 480, 2880, 480},
        {7, 3, 8, 0, {3, 0, 0, 0}, 6, 1, 240, 720, 720},
        {8, 6, 8, 0, {3, 3, 0, 0}, 6, 2, 240, 1440, 720},
        {9, 9, 8, 0, {3, 3, 3, 0}, 6, 3, 240, 2160, 720},
        {10, 12, 8, 0, {3, 3, 3, 3}, 6, 4, 240, 2880, 720},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.preset);
        Meter m = Zeroed();
        m.SetPreset(c.preset, false);
        ASSERT_TRUE(m.Update());
        EXPECT_EQ(c.numerator, m.GetNumerator());
        EXPECT_EQ(c.denominator, m.GetDenominator());
        EXPECT_EQ(c.kind, m.GetKindFlags());
        EXPECT_EQ(0, std::memcmp(c.beams, m.bytes + Meter::kBeamGroups, 4));
        EXPECT_EQ(c.unit, m.GetBeamUnit());
        EXPECT_EQ(c.groups, m.GetGroupCount());
        EXPECT_EQ(c.perBeat, m.GetTicksPerBeat());
        EXPECT_EQ(c.perBar, m.GetTicksPerBar());
        EXPECT_EQ(c.perBar, m.GetBarLength());
        EXPECT_EQ(c.perGroup, m.GetTicksPerGroup());
        EXPECT_EQ(0, m.GetPreset()) << "SetPreset leaves the preset byte to SetPresetIndex";
    }
}

TEST(Meter, PresetBeyondTheListKeepsTheFractionAndWorksOutTheGroups) {
    struct Case {
        int numerator, denominator, groups;
    };
    const Case cases[] = {
        {7, 8, 1},   // 7 divides 7
        {10, 8, 2},  // 5 divides 10
        {8, 8, 4},   // no odd divisor: half of an even numerator
        {9, 16, 3},
        {11, 8, 1},
        {13, 8, 1},
        {17, 8, 17},  // odd, no divisor: the numerator
        {7, 4, 7},    // simple meters count every beat
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.numerator << "/" << c.denominator);
        Meter m = Make(c.numerator, c.denominator);
        m.SetPreset(11, false);
        EXPECT_EQ(c.numerator, m.GetNumerator());
        EXPECT_EQ(c.denominator, m.GetDenominator());
        EXPECT_EQ(c.groups, m.GetGroupCount());
    }
}

TEST(Meter, PresetResetsFlagsAndGroupsButKeepsTheOtherBits) {
    Meter m = Make(5, 8);
    m.SetKindFlags(0xFF);
    m.SetDisplayFlags(0x7E);  // bits 1-6
    for (int i = 0; i < 3; ++i) {
        m.SetTopGroup(i, 3);
        m.SetBottomGroup(i, 8);
    }
    m.SetPreset(3, true);
    EXPECT_EQ(Meter::kKindDisplay, m.GetKindFlags());            // bit 2 stays, the rest cleared
    EXPECT_EQ(0x70 | Meter::kShown | Meter::kPresetFlag, m.GetDisplayFlags());  // bits 4-6 stay
    for (int i = 0; i < 6; ++i) EXPECT_EQ(0, m.bytes[Meter::kTopGroups + i]);

    m.SetPreset(0, false);
    EXPECT_EQ(Meter::kKindDisplay | Meter::kCommonTime, m.GetKindFlags());
    EXPECT_EQ(0, m.GetDisplayFlags() & Meter::kPresetFlag);
}

TEST(Meter, DefaultBeamGroupsFollowTheDenominator) {
    struct Case {
        int numerator, denominator, group, unit;
    };
    const Case cases[] = {{3, 1, 4, 4}, {3, 2, 4, 4}, {3, 4, 4, 4}, {6, 8, 3, 6},
                          {4, 8, 2, 4}, {6, 16, 2, 4}, {3, 32, 2, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.numerator << "/" << c.denominator);
        Meter m = Make(c.numerator, c.denominator);
        m.SetDefaultBeamGroups();
        for (int i = 0; i < 4; ++i) EXPECT_EQ(c.group, m.GetBeamGroup(i));
        EXPECT_EQ(c.unit, m.GetBeamUnit());
    }
}

TEST(Meter, DigitWidth) {
    const int cases[][2] = {{0, 3}, {1, 2}, {4, 3}, {9, 3}, {10, 5}, {11, 4}, {12, 5}, {21, 5}};
    for (const auto& c : cases) EXPECT_EQ(c[1], Meter::DigitWidth(c[0])) << c[0];
}

TEST(Meter, UpdateWidthsOfThePrintedSignature) {
    struct Case {
        const char* what;
        int numerator, denominator, kind, display;
        std::uint8_t top[3], bottom[3];
        int width;
    };
    const Case cases[] = {
        {"hidden", 4, 4, 0, 0, {}, {}, 0},
        {"4/4", 4, 4, 0, Meter::kShown, {}, {}, 3},
        {"1/4 is as wide as its 4", 1, 4, 0, Meter::kShown, {}, {}, 3},
        {"12/8", 12, 8, 0, Meter::kShown, {}, {}, 5},
        {"common time", 4, 4, Meter::kCommonTime, Meter::kShown, {}, {}, 3},
        {"widened", 4, 4, 0, Meter::kShown | Meter::kWiden, {}, {}, 7},
        {"additive 3+2 over 8 beside 5/8", 5, 8, 0, Meter::kShown | Meter::kAdditiveShown, {3, 2, 0}, {8, 0, 0}, 13},
        {"additive widened", 5, 8, 0, Meter::kShown | Meter::kAdditiveShown | Meter::kWidenAdditive,
         {3, 2, 0}, {8, 0, 0}, 17},
        {"additive only, 1+1+1", 3, 8, 0, Meter::kAdditiveShown, {1, 1, 1}, {8, 0, 0}, 14},
        {"a 0 ends the groups", 3, 8, 0, Meter::kAdditiveShown, {1, 0, 1}, {}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Meter m = Make(c.numerator, c.denominator);
        m.SetKindFlags(std::uint8_t(c.kind));
        m.SetDisplayFlags(std::uint8_t(c.display));
        for (int i = 0; i < 3; ++i) {
            m.SetTopGroup(i, c.top[i]);
            m.SetBottomGroup(i, c.bottom[i]);
        }
        ASSERT_TRUE(m.Update());
        EXPECT_EQ(c.width, m.GetDigitWidth());
    }
}

TEST(Meter, UpdateGroupCountAndBeamUnit) {
    struct Case {
        int numerator, denominator, groupsBefore, unitBefore;
        int groups, unit, perGroup;
    };
    const Case cases[] = {
        {6, 8, 0, 0, 2, 3, 720},      // compound: groups of three; unit from the first beam group
        {6, 4, 0, 5, 6, 5, 480},      // a quarter-note meter counts every beat; unit kept
        {4, 8, 0, 0, 4, 3, 240},
        {6, 8, 3, 0, 3, 3, 480},      // a set group count stays
        {12, 16, 0, 0, 4, 3, 360},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.numerator << "/" << c.denominator);
        Meter m = Make(c.numerator, c.denominator);
        m.SetBeamGroup(0, 3);
        m.SetGroupCount(std::uint8_t(c.groupsBefore));
        m.SetBeamUnit(std::uint8_t(c.unitBefore));
        ASSERT_TRUE(m.Update());
        EXPECT_EQ(c.groups, m.GetGroupCount());
        EXPECT_EQ(c.unit, m.GetBeamUnit());
        EXPECT_EQ(c.perGroup, m.GetTicksPerGroup());
    }
}

TEST(Meter, UpdateRefusesAZeroDenominatorAndSurvivesAZeroNumerator) {
    Meter m = Make(3, 0);
    m.SetDisplayFlags(Meter::kShown);
    rec::Put<std::int16_t>(m.bytes, Meter::kTicksPerBar, 1234);
    const Meter before = m;
    EXPECT_FALSE(m.Update());
    EXPECT_EQ(0, std::memcmp(before.bytes, m.bytes, Meter::kSize)) << "a zero denominator changes nothing";

    for (int denominator : {4, 8}) {
        SCOPED_TRACE(denominator);
        Meter empty = Make(0, denominator);
        ASSERT_TRUE(empty.Update());
        EXPECT_EQ(0, empty.GetGroupCount());
        EXPECT_EQ(1920 / denominator, empty.GetTicksPerBeat());
        EXPECT_EQ(0, empty.GetTicksPerBar());
        EXPECT_EQ(0, empty.GetTicksPerGroup());
    }
}

TEST(Meter, MatchesComparesFractionKindAndAdditiveGroups) {
    Meter base = Make(7, 8);
    base.SetKindFlags(Meter::kKindDisplay);
    base.SetTopGroup(0, 3);
    base.SetTopGroup(1, 4);
    base.SetBottomGroup(0, 8);
    base.SetBeamGroup(0, 2);

    struct Case {
        const char* what;
        std::function<void(Meter&)> change;
        bool matches;
    };
    const Case cases[] = {
        {"same", [](Meter&) {}, true},
        {"numerator", [](Meter& m) { m.SetNumerator(6); }, false},
        {"denominator", [](Meter& m) { m.SetDenominator(4); }, false},
        {"common time", [](Meter& m) { m.SetKindFlags(m.GetKindFlags() | Meter::kCommonTime); }, false},
        {"cut time", [](Meter& m) { m.SetKindFlags(m.GetKindFlags() | Meter::kCutTime); }, false},
        {"kind bit 2 only", [](Meter& m) { m.SetKindFlags(0); }, true},
        {"last additive byte", [](Meter& m) { m.SetBottomGroup(2, 2); }, false},
        {"beam groups", [](Meter& m) { m.SetBeamGroup(0, 4); }, true},
        {"display flags", [](Meter& m) { m.SetDisplayFlags(0xFF); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Meter other = base;
        c.change(other);
        EXPECT_EQ(c.matches, base.Matches(other));
        EXPECT_EQ(c.matches, base.Matches(other.GetNumerator(), other.GetDenominator(), other.GetKindFlags(),
                                          other.bytes + Meter::kTopGroups));
    }
}

TEST(Meter, PresetIndex) {
    Meter m = Zeroed();
    EXPECT_EQ(0, m.GetPreset());
    m.SetPresetIndex(8);
    EXPECT_EQ(9, m.bytes[Meter::kPreset]);
    EXPECT_EQ(8, m.GetPreset());
}

TEST(Meter, StoredFormByteByByte) {
    Meter m = Make(6, 8);
    m.SetKindFlags(Meter::kCommonTime | Meter::kKindDisplay);
    m.SetDisplayFlags(0xA5);  // bits 0, 2, 5, 7
    m.SetGroupCount(2);
    rec::Put<std::int16_t>(m.bytes, Meter::kTicksPerBeat, 240);
    rec::Put<std::int16_t>(m.bytes, Meter::kTicksPerBar, 1440);
    rec::Put<std::int16_t>(m.bytes, Meter::kBarLength, -2);
    rec::Put<std::int16_t>(m.bytes, Meter::kTicksPerGroup, 720);
    m.bytes[Meter::kDigitWidth] = 5;
    for (int i = Meter::kTopGroups; i < Meter::kPreset; ++i) m.bytes[i] = std::uint8_t(i);
    m.SetPresetIndex(8);

    const std::vector<std::uint8_t> body = {
        6, 8, 5, 2,                                      // numerator, denominator, width, groups
        0x00, 0xF0, 0x05, 0xA0, 0xFF, 0xFE, 0x02, 0xD0,  // the four tick words
        1, 0, 1,                                         // kind bits 0-2
        9,                                               // preset byte
        1, 0, 1, 0, 0, 1, 0, 1,                          // display bits 0-7
        14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25,  // bytes 14-25 raw
    };
    ASSERT_EQ(std::size_t(Meter::kStoredSize), body.size());
    EXPECT_EQ(Chunk(body), WriteChunk([&](CChunkStream& s) { m.Write(s); }));

    Meter back = Zeroed();
    ReadChunk(Chunk(body), [&](CChunkStream& s) { back.Read(s); });
    EXPECT_EQ(0, std::memcmp(m.bytes, back.bytes, Meter::kSize));
}

TEST(Meter, ReadSetsAndClearsFlagBitsFromTheirBytes) {
    std::vector<std::uint8_t> body(Meter::kStoredSize, 0);
    body[1] = 4;      // over a quarter
    body[12] = 7;     // kind bit 0: any non-zero byte sets it
    body[16 + 3] = 2;  // display bit 3
    body[16 + 7] = 0xFF;  // display bit 7
    Meter m = Zeroed();
    m.SetKindFlags(0x06);  // bits 1 and 2 cleared by their 0 bytes
    m.SetDisplayFlags(0x77);
    ReadChunk(Chunk(body), [&](CChunkStream& s) { m.Read(s); });
    EXPECT_EQ(0x01, m.GetKindFlags());
    EXPECT_EQ(0x88, m.GetDisplayFlags());
}

TEST(Meter, AStoredTimeSignatureOverNoNoteValueIsDamage) {
    std::vector<std::uint8_t> body(Meter::kStoredSize, 0);
    body[0] = 4;
    body[1] = 0;
    Meter m = Zeroed();
    EXPECT_THROW(ReadChunk(Chunk(body), [&](CChunkStream& s) { m.Read(s); }), CArchiveException);
    body[1] = 4;
    Meter n = Zeroed();
    EXPECT_NO_THROW(ReadChunk(Chunk(body), [&](CChunkStream& s) { n.Read(s); }));
}

TEST(Meter, ShortChunkLeavesTheRestAsItWas) {
    Meter m = Zeroed();
    m.SetPreset(10, true);
    ASSERT_TRUE(m.Update());
    const Meter before = m;
    // Only numerator, denominator, width and group count.
    ReadChunk(Chunk({3, 4, 3, 3}), [&](CChunkStream& s) { m.Read(s); });
    EXPECT_EQ(3, m.GetNumerator());
    EXPECT_EQ(4, m.GetDenominator());
    EXPECT_EQ(3, m.GetGroupCount());
    EXPECT_EQ(0, std::memcmp(before.bytes + Meter::kTicksPerBeat, m.bytes + Meter::kTicksPerBeat, 8));
    EXPECT_EQ(0, std::memcmp(before.bytes + Meter::kKindFlags, m.bytes + Meter::kKindFlags, Meter::kSize - Meter::kKindFlags));
}
