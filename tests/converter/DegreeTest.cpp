// The degree each note head gets: by its staff position, the clef it sits in (found from its
// pitch) and, in movable do, its track's key, from the staff or from a key change in a bar. The
// scores are written by the editor and the converted copies read back by it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ConverterFixtures.h"
#include "ScoreImage.h"
#include "converter/ScoreConverter.h"

namespace {

using namespace convertertest;
using zel2tqx::ConvertScoreBytes;
using zel2tqx::Mode;
using zel2tqx::kFilledCodes;
using zel2tqx::kOpenCodes;

struct Converted {
    Bytes bytes;
    zel2tqx::ConvertState state;
    HeadShapes shapes;
};

Converted Convert(const Bytes& file, Mode mode) {
    Converted c{file, {}, {}};
    EXPECT_EQ(ConvertScoreBytes(c.bytes, mode, &c.state), zel2tqx::ConvertResult::Converted);
    c.shapes = ReadHeadShapes(c.bytes);
    return c;
}

const char* ModeName(Mode m) { return m == Mode::MovableDo ? "movable do" : "fixed do"; }

// The major keys by code, with their tonic on a treble staff near middle C.
struct Key {
    int code;
    const char* name;
    int step;      // the tonic's letter, C 0 ... B 6
    int position;  // its staff position (B4 at 0)
    int pitch;
};
const Key kKeys[] = {
    {0, "C major", 0, -6, 60},   {1, "F major", 3, -3, 65},   {2, "B-flat major", 6, 0, 70},
    {3, "E-flat major", 2, -4, 63}, {4, "A-flat major", 5, -1, 68}, {5, "D-flat major", 1, -5, 61},
    {6, "G-flat major", 4, -2, 66}, {7, "C-flat major", 0, -6, 59}, {8, "G major", 4, -2, 67},
    {9, "D major", 1, -5, 62},   {10, "A major", 5, -1, 69},  {11, "E major", 2, -4, 64},
    {12, "B major", 6, 0, 71},   {13, "F-sharp major", 3, -3, 66}, {14, "C-sharp major", 0, -6, 61},
};

TEST(Degree, EveryKeyShiftIsZeroToSixAndMakesItsTonicDegreeOne) {
    for (const Key& k : kKeys) {
        const int shift = zel2tqx::KeyShift(k.code);
        EXPECT_GE(shift, 0) << k.name;
        EXPECT_LE(shift, 6) << k.name;
        // Every octave of the tonic, on either staff, is degree 1.
        for (int octave = -5; octave <= 3; ++octave)
            EXPECT_EQ(zel2tqx::DegreeIndex(k.position + 7 * octave, shift, 0), 0) << k.name << " octave " << octave;
        // The same letter sits two steps lower on a bass staff, which the clef shift makes up.
        EXPECT_EQ(zel2tqx::DegreeIndex(k.position - 2, shift, 2), 0) << k.name << " on a bass staff";
    }
    for (int code : {-1, 15, 128, 255}) EXPECT_EQ(zel2tqx::KeyShift(code), 0) << "code " << code;
}

TEST(Degree, AHeadsDegreeFollowsItsPositionClefAndMode) {
    struct Case {
        const char* what;
        int position, pitch, keyShift;
        int clefShift, degree;  // expected
    } cases[] = {
        {"C4 on a treble staff", -6, 60, 0, 0, 1},
        {"D3 on the middle line of a bass staff", 0, 50, 0, 2, 2},
        {"B4 on the middle line of a treble staff", 0, 71, 0, 0, 7},
        {"F-sharp5 on its treble line", 4, 78, 0, 0, 4},
        {"C2 far below a bass staff", -8, 36, 0, 2, 1},
        {"A6 far above a treble staff", 13, 93, 0, 0, 6},
        {"C-1 at the lowest position of a treble staff", -41, 0, 0, 0, 1},
        {"F9 at the highest position of a treble staff", 32, 125, 0, 0, 4},
        {"A1 far below a bass staff", -10, 33, 0, 2, 6},
        {"A4 in A major (movable do)", -1, 69, zel2tqx::KeyShift(10), 0, 1},
        {"E-flat4 in E-flat major (movable do)", -4, 63, zel2tqx::KeyShift(3), 0, 1},
        {"C3 on a bass staff in G major (movable do)", -1, 48, zel2tqx::KeyShift(8), 2, 4},
    };
    for (const Case& c : cases) {
        const int clef = zel2tqx::ClefShift(c.position, c.pitch);
        EXPECT_EQ(clef, c.clefShift) << c.what;
        EXPECT_EQ(zel2tqx::DegreeIndex(c.position, c.keyShift, clef) + 1, c.degree) << c.what;
    }
}

TEST(Degree, HeadsOfBothStavesAndChordsGetTheirCodesInBothModes) {
    // A treble track in A major and a bass track in C major: single notes and chords of every
    // length, and heads far above and below the staff.
    ScorePlan plan;
    plan.bars = 2;
    TrackSpec treble{0, 10, {}, {}};
    treble.notes = {
        {0, 0, 3, {-6}, {60}},               // C4 quarter
        {0, 480, 2, {-1}, {69}},             // A4 half
        {0, 960, 1, {-3, 0, 2}, {66, 71, 74}},  // F#4 B4 D5 whole (a chord)
        {1, 0, 4, {12, -13}, {91, 48}},        // G6 far above, C3 far below the staff
    };
    TrackSpec bass{1, 0, {}, {}};
    bass.notes = {
        {0, 0, 3, {0}, {50}},                // D3 on the middle line
        {1, 0, 5, {-1, 1, 3}, {48, 52, 55}},  // C3 E3 G3
        {1, 480, 2, {-8, 8}, {36, 64}},       // C2 and E4 far from the staff
    };
    plan.tracks = {treble, bass};
    const Bytes file = WriteScore(plan);
    ASSERT_FALSE(file.empty());

    struct Expect {
        int track, note;
        std::vector<int> degrees;  // 1-7
        bool open;
    };
    const std::vector<Expect> movable = {
        {0, 0, {3}, false},        {0, 1, {1}, true},      {0, 2, {6, 2, 4}, true},
        {0, 3, {7, 3}, false},     {1, 0, {2}, false},     {1, 1, {1, 3, 5}, false}, {1, 2, {1, 3}, true},
    };
    const std::vector<Expect> fixed = {
        {0, 0, {1}, false},        {0, 1, {6}, true},      {0, 2, {4, 7, 2}, true},
        {0, 3, {5, 1}, false},     {1, 0, {2}, false},     {1, 1, {1, 3, 5}, false}, {1, 2, {1, 3}, true},
    };
    for (Mode mode : {Mode::MovableDo, Mode::FixedDo}) {
        const Converted c = Convert(file, mode);
        ASSERT_EQ(c.shapes.size(), 2u) << ModeName(mode);
        for (const Expect& e : mode == Mode::MovableDo ? movable : fixed) {
            ASSERT_LT(std::size_t(e.note), c.shapes[std::size_t(e.track)].size()) << ModeName(mode);
            const std::vector<int>& heads = c.shapes[std::size_t(e.track)][std::size_t(e.note)];
            ASSERT_EQ(heads.size(), e.degrees.size()) << ModeName(mode) << " track " << e.track << " note " << e.note;
            for (std::size_t k = 0; k < heads.size(); ++k) {
                const auto& codes = e.open ? kOpenCodes : kFilledCodes;
                EXPECT_EQ(heads[k], codes[std::size_t(e.degrees[k] - 1)])
                    << ModeName(mode) << " track " << e.track << " note " << e.note << " head " << k;
            }
        }
    }
}

TEST(Degree, TheMajorTonicOfEveryKeyIsDegreeOneInMovableDo) {
    // One track for each key code: from its staves' key in one score, and from a key change at
    // the start of its first bar in another.
    for (bool fromChange : {false, true}) {
        ScorePlan plan;
        plan.bars = 2;
        for (const Key& k : kKeys) {
            TrackSpec t;
            if (fromChange) t.keys = {{0, 0, k.code}};
            else t.staffKey = k.code;
            t.notes = {{0, 480, 3, {k.position}, {k.pitch}}, {1, 0, 2, {k.position + 7}, {k.pitch + 12}}};
            plan.tracks.push_back(t);
        }
        const Bytes file = WriteScore(plan);
        ASSERT_FALSE(file.empty());
        const Converted movable = Convert(file, Mode::MovableDo);
        const Converted fixed = Convert(file, Mode::FixedDo);
        ASSERT_EQ(movable.shapes.size(), std::size(kKeys));
        ASSERT_EQ(fixed.shapes.size(), std::size(kKeys));
        for (std::size_t i = 0; i < std::size(kKeys); ++i) {
            const Key& k = kKeys[i];
            const std::string what = std::string(k.name) + (fromChange ? " from a key change" : " from the staff");
            ASSERT_EQ(movable.shapes[i].size(), 2u) << what;
            EXPECT_EQ(movable.shapes[i][0], std::vector<int>{kFilledCodes[0]}) << what;
            EXPECT_EQ(movable.shapes[i][1], std::vector<int>{kOpenCodes[0]}) << what << ", an octave up";
            // Fixed do names the letter, whatever the key.
            EXPECT_EQ(fixed.shapes[i][0], std::vector<int>{kFilledCodes[std::size_t(k.step)]}) << what;
            EXPECT_EQ(movable.state.trackKeys[i], zel2tqx::KeyShift(k.code)) << what;
        }
    }
}

TEST(Degree, EachTrackKeepsItsOwnKeyAndTakesItAnewAtEachKeyChange) {
    ScorePlan plan;
    plan.bars = 3;
    TrackSpec upper{0, 10, {}, {}};  // A major
    upper.keys = {{1, 960, 3}, {2, 0, 8}};  // E-flat major late in bar 2, G major at bar 3
    upper.notes = {
        {0, 0, 3, {-1}, {69}},    // A4: the tonic of A major
        {1, 0, 3, {-1}, {69}},    // A4, still in A major before the change
        {1, 1440, 3, {-4}, {63}}, // E-flat4 after the change
        {2, 480, 3, {-2}, {67}},  // G4 in G major
    };
    TrackSpec lower{1, 0, {}, {}};  // C major, bass staff
    lower.notes = {{1, 1440, 3, {-1}, {48}}, {2, 480, 3, {-1}, {48}}};  // C3 after the upper track's changes
    plan.tracks = {upper, lower};
    const Bytes file = WriteScore(plan);
    ASSERT_FALSE(file.empty());

    const Converted movable = Convert(file, Mode::MovableDo);
    ASSERT_EQ(movable.shapes.size(), 2u);
    const std::vector<std::vector<int>> wantUpper = {{kFilledCodes[0]}, {kFilledCodes[0]}, {kFilledCodes[0]}, {kFilledCodes[0]}};
    EXPECT_EQ(movable.shapes[0], wantUpper);
    const std::vector<std::vector<int>> wantLower = {{kFilledCodes[0]}, {kFilledCodes[0]}};
    EXPECT_EQ(movable.shapes[1], wantLower) << "the lower track keeps C major";
    EXPECT_EQ(movable.state.trackKeys[0], zel2tqx::KeyShift(8));
    EXPECT_EQ(movable.state.trackKeys[1], 0);

    // Fixed do takes no key, neither from the staff nor from a change.
    const Converted fixed = Convert(file, Mode::FixedDo);
    const std::vector<std::vector<int>> letters = {{kFilledCodes[5]}, {kFilledCodes[5]}, {kFilledCodes[2]}, {kFilledCodes[4]}};
    EXPECT_EQ(fixed.shapes[0], letters);
    EXPECT_EQ(fixed.state.trackKeys[0], zel2tqx::KeyShift(10)) << "the staff's key is read, not used";
}

TEST(Degree, OneTrackHasAnOpenEndThatHoldsEveryBar) {
    ScorePlan plan;
    plan.bars = 4;
    TrackSpec t{0, 8, {}, {}};  // G major
    for (int b = 0; b < 4; ++b) t.notes.push_back({b, 0, 3, {-2}, {67}});
    plan.tracks = {t};
    const Converted c = Convert(WriteScore(plan), Mode::MovableDo);
    EXPECT_EQ(c.state.trackCount, 1);
    EXPECT_EQ(c.state.barCount, 4);
    EXPECT_EQ(c.state.trackEnds[0], 0) << "the last track's end is open";
    ASSERT_EQ(c.shapes.size(), 1u);
    EXPECT_EQ(c.shapes[0], std::vector<std::vector<int>>(4, {kFilledCodes[0]}));

    // With two tracks the first one ends before the second one's first bar.
    plan.tracks.push_back(t);
    const Converted two = Convert(WriteScore(plan), Mode::MovableDo);
    EXPECT_NE(two.state.trackEnds[0], 0);
    EXPECT_EQ(two.state.trackEnds[1], 0);
    EXPECT_EQ(two.shapes[1], std::vector<std::vector<int>>(4, {kFilledCodes[0]}));
}

TEST(Degree, OnlyNoteValuesOneToEightAreConverted) {
    ScorePlan plan;
    plan.bars = 1;
    TrackSpec t;
    const int values[] = {0, 1, 2, 3, 8, 9, 15};
    for (int i = 0; i < int(std::size(values)); ++i) {
        NotePlan n{0, 240 * i, values[i], {-6}, {60}};
        n.shape = 7;
        t.notes.push_back(n);
    }
    plan.tracks = {t};
    const Converted c = Convert(WriteScore(plan), Mode::FixedDo);
    ASSERT_EQ(c.shapes.size(), 1u);
    ASSERT_EQ(c.shapes[0].size(), std::size(values));
    const int want[] = {7, kOpenCodes[0], kOpenCodes[0], kFilledCodes[0], kFilledCodes[0], 7, 7};
    for (std::size_t i = 0; i < std::size(values); ++i)
        EXPECT_EQ(c.shapes[0][i], std::vector<int>{want[i]}) << "note value " << values[i];
}

TEST(Degree, AHeadOutsideThePositionsTakesTheCodeOfTheHeadBefore) {
    ScorePlan plan;
    plan.bars = 1;
    TrackSpec t;
    t.notes = {
        {0, 0, 3, {-6, 33, -42}, {60, 60, 60}},  // C4, then two heads past the last positions
        {0, 480, 3, {40}, {60}},                 // first head out of range: code 0
    };
    t.notes[1].shape = 9;
    plan.tracks = {t};
    const Converted c = Convert(WriteScore(plan), Mode::FixedDo);
    ASSERT_EQ(c.shapes.size(), 1u);
    ASSERT_EQ(c.shapes[0].size(), 2u);
    EXPECT_EQ(c.shapes[0][0], (std::vector<int>{kFilledCodes[0], kFilledCodes[0], kFilledCodes[0]}));
    EXPECT_EQ(c.shapes[0][1], std::vector<int>{0});
}

TEST(Degree, AHiddenOrSelectedHeadKeepsItsFlagsAndTakesItsCode) {
    ScoreImage s(1, 1);
    Bytes chord = NoteRecord(3, {{-6, 60}, {-4, 64}, {-2, 67}});
    chord[20] = 0x80 | 5;        // hidden, shape 5
    chord[36] = 0x40 | 7;        // selected, shape 7
    chord[52] = 0xC0;            // both
    const auto at = s.Bar({chord, EndRecord()});
    ConvertScoreBytes(s.bytes, Mode::FixedDo);
    EXPECT_EQ(s.bytes[at[0] + 20], 0x80 | kFilledCodes[0]);
    EXPECT_EQ(s.bytes[at[0] + 36], 0x40 | kFilledCodes[2]);
    EXPECT_EQ(s.bytes[at[0] + 52], 0xC0 | kFilledCodes[4]);
}

}  // namespace
