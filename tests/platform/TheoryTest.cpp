#include <gtest/gtest.h>

#include <cstdlib>

#include <string>

#include "framework/Globals.h"
#include "platform/PlatformGlobals.h"
#include "platform/Theory.h"

namespace {

using T = CTheory;

int Mod(int v, int m) { return ((v % m) + m) % m; }

// What each key is, from the music rather than the tables: tonic pitch class, tonic step,
// accidental count and side.
struct KeyFact {
    int key;
    int tonicClass;
    int tonicStep;
    int count;
    bool sharps;
};
const KeyFact kKeyFacts[] = {
    {0, 0, 0, 0, false},  {1, 5, 3, 1, false},  {2, 10, 6, 2, false}, {3, 3, 2, 3, false},
    {4, 8, 5, 4, false},  {5, 1, 1, 5, false},  {6, 6, 4, 6, false},  {7, 11, 0, 7, false},
    {8, 7, 4, 1, true},   {9, 2, 1, 2, true},   {10, 9, 5, 3, true},  {11, 4, 2, 4, true},
    {12, 11, 6, 5, true}, {13, 6, 3, 6, true},  {14, 1, 0, 7, true},
};
const int kFlatOrder[7] = {6, 2, 5, 1, 4, 0, 3};   // B E A D G C F
const int kSharpOrder[7] = {3, 0, 4, 1, 5, 2, 6};  // F C G D A E B

int SoundingClass(int step, int accidental) { return Mod(T::StepToSemitone(step, accidental), 12); }

TEST(TheoryKeys, TonicCountAndSignatureOfEveryKey) {
    for (const KeyFact& f : kKeyFacts) {
        SCOPED_TRACE(f.key);
        int tonic, minor;
        T::GetKeyTonic(f.key, tonic, minor);
        EXPECT_EQ(Mod(tonic, 12), f.tonicClass);
        EXPECT_GE(tonic, 59);
        EXPECT_LE(tonic, 71);
        EXPECT_EQ(minor, tonic - 3);
        EXPECT_EQ(T::GetKeyAccidentalCount(f.key), f.count);
        EXPECT_EQ(T::GetPitchStep(tonic, f.key), f.tonicStep);
        const int* order = f.sharps ? kSharpOrder : kFlatOrder;
        for (int step = 0; step < 7; ++step) {
            bool inSignature = false;
            for (int i = 0; i < f.count; ++i) inSignature = inSignature || order[i] == step;
            int expected = inSignature ? (f.sharps ? T::kSharp : T::kFlat) : T::kNone;
            EXPECT_EQ(T::GetStepAccidental(step, f.key), expected) << "step " << step;
        }
    }
}

TEST(TheoryKeys, EveryPitchSpellsToItsOwnSound) {
    for (const KeyFact& f : kKeyFacts) {
        for (int pitch = 0; pitch < 128; ++pitch) {
            SpelledNote n;
            T::SpellPitch(pitch, f.key, n);
            ASSERT_GE(n.step, 0);
            ASSERT_LE(n.step, 6);
            ASSERT_EQ(SoundingClass(n.step, n.accidental), pitch % 12) << "key " << f.key << " pitch " << pitch;
            // Scale tones are written without an accidental of their own.
            int tonic, minor;
            T::GetKeyTonic(f.key, tonic, minor);
            static const bool inScale[12] = {1, 0, 1, 0, 1, 1, 0, 1, 0, 1, 0, 1};
            if (inScale[Mod(pitch - tonic, 12)]) {
                EXPECT_EQ(T::GetPitchAccidental(pitch, f.key), 0) << "key " << f.key << " pitch " << pitch;
            }
        }
    }
}

TEST(TheoryKeys, DegreeStepReachesTheKeyThatManySemitonesUp) {
    for (const KeyFact& f : kKeyFacts) {
        for (int n = -13; n <= 25; ++n) {
            int k = T::GetKeyDegreeStep(f.key, n);
            ASSERT_GE(k, 0);
            ASSERT_LE(k, 14);
            int tonic, minor;
            T::GetKeyTonic(k, tonic, minor);
            EXPECT_EQ(Mod(tonic, 12), Mod(f.tonicClass + n, 12)) << "key " << f.key << " n " << n;
        }
    }
    EXPECT_EQ(T::GetKeyDegreeStep(0, 0), 0);
    EXPECT_EQ(T::GetKeyDegreeStep(0, 1), 5);   // D flat, not C sharp
    EXPECT_EQ(T::GetKeyDegreeStep(0, 6), 6);   // G flat
    EXPECT_EQ(T::GetKeyDegreeStep(8, 6), 14);  // C sharp
    EXPECT_EQ(T::GetKeyDegreeStep(8, -1), 13); // F sharp
}

TEST(TheoryKeys, AccidentalsShownByKeyChange) {
    struct Case {
        int from, to, expected;
    } cases[] = {
        {10, 2, 5}, {3, 1, 3}, {0, 12, 5}, {12, 0, 5}, {0, 0, 0}, {1, 1, 1},
        {8, 14, 7}, {14, 8, 7}, {7, 14, 14}, {4, 9, 6}, {0, 7, 7},
    };
    for (const Case& c : cases)
        EXPECT_EQ(T::CountKeyChangeAccidentals(c.to, c.from), c.expected) << c.from << " -> " << c.to;
}

TEST(TheoryKeys, KeyOrClefOutOfRangeReadsAsZero) {
    EXPECT_EQ(T::GetKeyAccidentalCount(15), 0);
    EXPECT_EQ(T::GetKeyAccidentalCount(-1), 0);
    EXPECT_EQ(T::PitchToStaffPos(60, 200, 99), T::PitchToStaffPos(60, 0, 0));
    EXPECT_EQ(T::GetClefGlyph(14), 128);
}

// --- clefs -----------------------------------------------------------------------------------

TEST(TheoryClefs, GlyphSymbolAndMiddleC) {
    struct Case {
        int clef, glyph, symbolPos, middleC;
    } cases[] = {
        {0, 128, -2, -6}, {1, 129, 2, 6},   {2, 130, 0, 0},  {3, 130, 2, 2},  {4, 130, -4, -4},
        {5, 130, -2, -2}, {6, 130, 4, 4},   {7, 133, -2, -13}, {8, 135, 2, -1}, {9, 134, -2, 1},
        {10, 136, 2, 13}, {11, 131, 0, -6}, {12, 132, 0, -6}, {13, 137, 0, -6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.clef);
        EXPECT_EQ(T::GetClefGlyph(c.clef), c.glyph);
        EXPECT_EQ(T::GetClefSymbolPos(c.clef), c.symbolPos);
        EXPECT_EQ(T::PitchToStaffPos(60, c.clef, 0), c.middleC);
        EXPECT_EQ(T::ClefShift(c.clef, 2), c.middleC);
    }
    EXPECT_EQ(T::ClefShift(0, 1), -12);
}

TEST(TheoryClefs, SignatureAccidentalsSitOnTheirLetters) {
    // Every clef, the C clefs on each line, the ottava clefs and the percussion clefs among
    // them: each accidental of each key on its own letter, near the staff.
    for (int clef = 0; clef < T::kClefCount; ++clef) {
        for (int i = 0; i < 7; ++i) {
            EXPECT_EQ(T::StaffPosToStep(T::GetClefFlatPos(clef, i), clef), kFlatOrder[i]) << clef << " flat " << i;
            EXPECT_EQ(T::StaffPosToStep(T::GetClefSharpPos(clef, i), clef), kSharpOrder[i]) << clef << " sharp " << i;
        }
        for (int i = 0; i < 7; ++i) {
            EXPECT_LE(std::abs(T::GetClefFlatPos(clef, i)), 5) << clef << " flat " << i;
            EXPECT_LE(std::abs(T::GetClefSharpPos(clef, i)), 5) << clef << " sharp " << i;
        }
        EXPECT_EQ(T::GetClefFlatPos(clef, 7), 0);
        EXPECT_EQ(T::GetClefSharpPos(clef, 9), 0);
    }
    const int bassSharps[7] = {2, -1, 3, 0, -3, 1, -2};
    const int tenorFlats[7] = {1, 4, 0, 3, -1, 2, -2};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(T::GetSharpPos(1, i), bassSharps[i]);
        EXPECT_EQ(T::GetFlatPos(3, i), tenorFlats[i]);
    }
}

// --- staff positions ---------------------------------------------------------------------------

TEST(TheoryStaff, PitchToPositionAndBack) {
    EXPECT_EQ(T::PitchToStaffPos(60, 0, 0), -6);
    EXPECT_EQ(T::PitchToStaffPos(62, 0, 0), -5);
    EXPECT_EQ(T::PitchToStaffPos(71, 0, 0), 0);
    EXPECT_EQ(T::PitchToStaffPos(57, 1, 0), 4);
    // C flat major: its tonic (59) is written on the C line.
    EXPECT_EQ(T::PitchToStaffPos(59, 0, 7), -6);
    EXPECT_EQ(T::PitchToStaffPos(61, 0, 14), -6);

    for (const KeyFact& f : kKeyFacts) {
        int tonic, minor;
        T::GetKeyTonic(f.key, tonic, minor);
        for (int clef : {0, 1, 2, 3, 7, 10}) {
            for (int pitch = 0; pitch < 128; ++pitch) {
                static const bool inScale[12] = {1, 0, 1, 0, 1, 1, 0, 1, 0, 1, 0, 1};
                if (!inScale[Mod(pitch - tonic, 12)]) continue;
                int pos = T::PitchToStaffPos(pitch, clef, f.key);
                int back, acc;
                T::StaffPosToPitchAcc(pos, clef, f.key, back, acc);
                ASSERT_EQ(back, pitch) << "key " << f.key << " clef " << clef;
                EXPECT_EQ(acc, T::GetStepAccidental(T::StaffPosToStep(pos, clef), f.key));
                EXPECT_EQ(T::StaffPosToDegree(pos, clef, f.key), Mod(T::StaffPosToStep(pos, clef) - f.tonicStep, 7));
            }
        }
    }
}

TEST(TheoryStaff, PositionSoundsInTheKeyAndStaysInRange) {
    EXPECT_EQ(T::StaffPosToPitch(0, 0, 0), 71);
    EXPECT_EQ(T::StaffPosToPitch(0, 0, 1), 70);   // B flat in F
    EXPECT_EQ(T::StaffPosToPitch(-3, 0, 8), 66);  // F sharp in G
    int pitch, acc;
    T::StaffPosToPitchAcc(-3, 0, 8, pitch, acc);
    EXPECT_EQ(acc, T::kSharp);
    // Far below or above the staff: moved by octaves into 0-127, the letter kept.
    EXPECT_EQ(T::StaffPosToPitch(-100, 0, 0), 7);
    EXPECT_EQ(T::StaffPosToPitch(200, 0, 0), 125);
    EXPECT_EQ(T::StepToStaffPos(0, 0, 8), -2);  // the tonic of G on the treble staff
}

// --- spelling ----------------------------------------------------------------------------------

TEST(TheorySpelling, SharpAndFlatKeys) {
    struct Case {
        int pitch, key, step, accidental, written;
    } cases[] = {
        {61, 0, 0, T::kSharp, T::kSharp},           // C sharp
        {61, 1, 0, T::kSharp, T::kSharp},           // C sharp in F
        {70, 0, 6, T::kFlat, T::kFlat},             // B flat
        {70, 1, 6, T::kFlat, T::kNone},             // B flat in F: the signature's
        {71, 1, 6, T::kNatural, T::kNatural},       // B natural in F
        {66, 8, 3, T::kSharp, T::kNone},            // F sharp in G
        {65, 8, 3, T::kNatural, T::kNatural},       // F natural in G
        {66, 3, 4, T::kFlat, T::kFlat},             // G flat in E flat
        {72, 11, 6, T::kSharp, T::kSharp},          // B sharp in E
        {67, 12, 3, T::kDoubleSharp, T::kDoubleSharp},  // F double sharp in B
        {69, 6, 6, T::kDoubleFlat, T::kDoubleFlat}, // B double flat in G flat
        {59, 7, 0, T::kFlat, T::kNone},             // C flat in C flat
    };
    for (const Case& c : cases) {
        SpelledNote n;
        T::SpellPitch(c.pitch, c.key, n);
        EXPECT_EQ(n.step, c.step) << c.pitch << " in " << c.key;
        EXPECT_EQ(n.accidental, c.accidental) << c.pitch << " in " << c.key;
        EXPECT_EQ(T::GetPitchAccidental(c.pitch, c.key), c.written) << c.pitch << " in " << c.key;
    }
}

TEST(TheorySpelling, EnharmonicCycle) {
    struct Case {
        int step, acc, step2, acc2;
    } cases[] = {
        {0, 1, 1, 2}, {0, 2, 6, 0}, {0, 0, 6, 1}, {3, 1, 4, 2}, {3, 2, 2, 0}, {3, 3, 2, 1},
        {2, 1, 3, 0}, {2, 2, 1, 1}, {2, 0, 3, 2}, {6, 1, 0, 0}, {6, 2, 5, 1}, {6, 0, 0, 2},
        {1, 1, 2, 2}, {1, 2, 0, 1}, {1, 0, 1, 0}, {4, 1, 5, 2}, {5, 2, 4, 1}, {5, 4, 5, 4},
    };
    for (const Case& c : cases) {
        int s = c.step, a = c.acc;
        T::CycleEnharmonic(s, a);
        EXPECT_EQ(s, c.step2) << c.step << "/" << c.acc;
        EXPECT_EQ(a, c.acc2) << c.step << "/" << c.acc;
        EXPECT_EQ(SoundingClass(s, a), SoundingClass(c.step, c.acc)) << c.step << "/" << c.acc;
    }
}

// --- moving notes ------------------------------------------------------------------------------

TEST(TheoryMoves, TransposeByIntervalBothWays) {
    struct Case {
        int step, acc, interval, step2, acc2, change;
    } cases[] = {
        {0, 0, 9, 3, T::kNatural, 5},          // C up a perfect fourth: F
        {2, 0, 7, 4, T::kSharp, 4},            // E up a major third: G sharp
        {6, 0, 4, 7, T::kSharp, 2},            // B up a major second: C sharp (above)
        {0, 0, -4, -1, T::kFlat, -2},          // C down a major second: B flat (below)
        {3, 1, 2, 4, T::kNatural, 1},          // F sharp up a minor second: G
        {3, 1, 3, 4, T::kNatural, 1},          // the minor second's second number
        {2, 0, 8, 5, T::kFlat, 4},             // E up a diminished fourth: A flat
        {0, 0, 16, 6, T::kFlat, 10},           // C up a minor seventh: B flat
        {0, 0, 3, 1, T::kFlat, 1},             // C up a minor second: D flat
        {1, 0, -12, -3, T::kNatural, -7},      // D down a perfect fifth: G
        {3, 1, -6, 1, T::kSharp, -3},          // F sharp down a minor third: D sharp
        {6, 2, -1, 6, T::kDoubleFlat, -1},     // B flat down an augmented unison
        {0, 1, 5, 1, T::kDoubleSharp, 3},      // C sharp up an augmented second: D double sharp
        {2, 4, 2, 4, T::kNatural, 1},          // E double sharp up a minor second: G
        {2, 4, 1, 3, T::kDoubleSharp, 1},      // E double sharp up an augmented unison: F double sharp
        {6, 4, 4, 8, T::kSharp, 2},            // B double sharp up a major second: D sharp
        {0, 5, -2, -2, T::kNatural, -1},       // C double flat down a minor second: A
        {3, 5, -1, 2, T::kDoubleFlat, -1},     // F double flat down an augmented unison: E double flat
    };
    for (const Case& c : cases) {
        int s = c.step, a = c.acc;
        int before = T::StepToSemitone(s, a);
        int change = T::TransposeStep(s, a, c.interval);
        EXPECT_EQ(change, c.change) << c.step << "/" << c.acc << " by " << c.interval;
        EXPECT_EQ(s, c.step2) << c.step << "/" << c.acc << " by " << c.interval;
        EXPECT_EQ(a, c.acc2) << c.step << "/" << c.acc << " by " << c.interval;
        EXPECT_EQ(T::StepToSemitone(s, a), before + change) << c.step << "/" << c.acc << " by " << c.interval;
    }
    for (int bad : {0, 17, -17, 18, 100}) {
        int s = 2, a = 1;
        EXPECT_EQ(T::TransposeStep(s, a, bad), 0);
        EXPECT_EQ(s, 2);
        EXPECT_EQ(a, 1);
    }
}

TEST(TheoryMoves, EveryIntervalKeepsItsSizeFromEveryPlainNote) {
    const int semis[16] = {1, 1, 1, 2, 3, 3, 4, 4, 5, 6, 6, 7, 8, 8, 9, 10};
    const int steps[16] = {0, 1, 1, 1, 1, 2, 2, 3, 3, 3, 4, 4, 4, 5, 5, 6};
    for (int n = 1; n <= 16; ++n)
        for (int dir : {1, -1})
            for (int step = 0; step < 7; ++step)
                for (int acc : {0, 3}) {
                    int s = step, a = acc;
                    int before = T::StepToSemitone(s, a);
                    EXPECT_EQ(T::TransposeStep(s, a, dir * n), dir * semis[n - 1]);
                    EXPECT_EQ(s - step, dir * steps[n - 1]);
                    EXPECT_EQ(T::StepToSemitone(s, a), before + dir * semis[n - 1])
                        << step << "/" << acc << " by " << dir * n;
                }
}

TEST(TheoryMoves, ShiftStepsWithinKey) {
    struct Case {
        int step, acc, n, key, simplify, step2, acc2;
    } cases[] = {
        {0, 0, 2, 0, 0, 2, 0},                   // C -> E in C
        {5, 0, 1, 1, 0, 6, T::kFlat},            // A -> B flat in F
        {6, T::kFlat, 1, 1, 0, 0, 0},            // B flat -> C in F
        {0, T::kSharp, 1, 0, 0, 1, T::kSharp},   // C sharp -> D sharp in C
        {3, T::kSharp, -1, 8, 0, 2, 0},          // F sharp -> E in G
        {3, T::kNatural, 1, 8, 0, 4, T::kFlat},  // F natural in G: lowered, G flat
        {6, T::kNatural, 2, 1, 0, 1, T::kSharp}, // B natural in F: raised, D sharp
        {6, 0, 1, 0, 0, 0, 0},                   // wraps B -> C
        {0, 0, -1, 0, 0, 6, 0},                  // wraps C -> B
        {4, T::kFlat, -1, 0, 0, 3, T::kFlat},    // G flat -> F flat
        {4, T::kFlat, -1, 0, 1, 2, 0},           // ... simplified to E
        {1, T::kSharp, 1, 0, 1, 3, 0},           // D sharp -> E sharp, simplified to F
    };
    for (const Case& c : cases) {
        int s = c.step, a = c.acc;
        T::ShiftStepInKey(s, a, c.n, c.key, c.simplify != 0);
        EXPECT_EQ(s, c.step2) << c.step << "/" << c.acc << " by " << c.n << " in " << c.key;
        EXPECT_EQ(a, c.acc2) << c.step << "/" << c.acc << " by " << c.n << " in " << c.key;
    }
}

TEST(TheoryMoves, TransposeNoteForKeyChange) {
    struct Case {
        int pos, acc, oldKey, newKey, mode, pos2, acc2, shift;
    } cases[] = {
        {0, 0, 0, 1, 0, 0, T::kNatural, 0},     // B keeps its pitch in F: natural sign
        {0, 0, 1, 0, 0, 0, T::kFlat, 0},        // B flat from F into C: flat sign
        {0, T::kNatural, 1, 0, 0, 0, 0, 0},     // B natural from F into C
        {-6, 0, 0, 8, 1, -2, 0, 7},             // C moves with the key to G above
        {-6, 0, 0, 8, -1, -9, 0, -5},           // ... or to G below
        {-2, 0, 8, 0, 1, 1, 0, 5},              // G to C above
        {-2, 0, 8, 0, -1, -6, 0, -7},           // G to C below
        {0, T::kNatural, 1, 8, 1, 1, T::kSharp, 2},  // raised fourth degree stays raised
    };
    for (const Case& c : cases) {
        int pos = c.pos, acc = c.acc;
        int shift = T::TransposeNote(pos, acc, 0, c.oldKey, c.newKey, c.mode);
        EXPECT_EQ(pos, c.pos2) << c.pos << " " << c.oldKey << "->" << c.newKey << " mode " << c.mode;
        EXPECT_EQ(acc, c.acc2) << c.pos << " " << c.oldKey << "->" << c.newKey << " mode " << c.mode;
        EXPECT_EQ(shift, c.shift) << c.pos << " " << c.oldKey << "->" << c.newKey << " mode " << c.mode;
    }
}

TEST(TheoryMoves, TransposeSpellingBetweenKeys) {
    struct Case {
        int step, acc, from, to, step2, acc2;
    } cases[] = {
        {6, T::kFlat, 1, 8, 0, 0},             // B flat in F -> C in G
        {6, T::kNatural, 1, 8, 0, T::kSharp},  // B natural in F -> C sharp in G
        {6, 0, 0, 8, 3, T::kSharp},            // B in C -> F sharp in G
        {6, T::kSharp, 0, 8, 4, 0},            // B sharp in C -> G
        {3, T::kFlat, 0, 1, 5, 0},             // F flat in C -> A in F
        {0, T::kSharp, 0, 0, 0, T::kSharp},
    };
    for (const Case& c : cases) {
        int s = c.step, a = c.acc;
        T::TransposeSpelling(s, a, c.from, c.to);
        EXPECT_EQ(s, c.step2) << c.step << "/" << c.acc << " " << c.from << "->" << c.to;
        EXPECT_EQ(a, c.acc2) << c.step << "/" << c.acc << " " << c.from << "->" << c.to;
    }
}

// --- names -------------------------------------------------------------------------------------

struct TheoryNames : ::testing::Test {
    void TearDown() override { ResetPlatformGlobals(); }
};

TEST_F(TheoryNames, LettersAndAccidentalSigns) {
    EXPECT_EQ(T::GetNoteLetter(0), 'C');
    EXPECT_EQ(T::GetNoteLetter(6), 'B');
    EXPECT_EQ(T::NoteLetter(9), 'E');
    struct Case {
        int step, acc, style;
        const char* name;
        const char* sign;
    } cases[] = {
        {6, T::kFlat, 0, "B", "b"},     {0, T::kSharp, 0, "C", "#"},   {3, T::kDoubleSharp, 0, "F", "x"},
        {1, T::kDoubleFlat, 0, "D", "bb"}, {2, T::kNatural, 0, "E", ""}, {4, 0, 0, "G", ""},
        {6, T::kFlat, 1, "B", ""},      {6, 0, 1, "H", ""},            {6, T::kNatural, 1, "H", ""},
        {6, T::kSharp, 1, "H", "#"},    {6, T::kDoubleSharp, 1, "H", "x"}, {6, T::kDoubleFlat, 1, "H", "bb"},
        {2, T::kFlat, 1, "E", "b"},     {4, 0, 2, "sol", ""},          {6, T::kFlat, 2, "si", "b"},
        {0, T::kSharp, 2, "do", "#"},   {7, 0, 0, "C", ""},
    };
    for (const Case& c : cases) {
        std::string name, sign;
        T::FormatNoteName(c.step, c.acc, c.style, name, &sign);
        EXPECT_EQ(name, c.name) << c.step << "/" << c.acc << " style " << c.style;
        EXPECT_EQ(sign, c.sign) << c.step << "/" << c.acc << " style " << c.style;
        std::string joined;
        T::FormatNoteName(c.step, c.acc, c.style, joined);
        EXPECT_EQ(joined, std::string(c.name) + c.sign);
    }
}

TEST_F(TheoryNames, NamesWithOctaves) {
    struct Case {
        int pitch, key, style, offset;
        const char* text;
    } cases[] = {
        {60, 0, 0, 1, "C4"},  {61, 0, 0, 1, "C#4"}, {70, 0, 0, 1, "Bb4"},   {70, 0, 1, 1, "B4"},
        {71, 0, 1, 1, "H4"},  {70, 0, 2, 1, "sib4"}, {67, 0, 2, 1, "sol4"}, {0, 0, 0, 1, "C-1"},
        {127, 0, 0, 1, "G9"}, {60, 0, 0, 0, "C3"},   {60, 0, 0, 2, "C5"},   {11, 0, 0, 0, "B-2"},
        {66, 8, 0, 1, "F#4"}, {70, 1, 0, 1, "Bb4"},  {67, 12, 0, 1, "Fx4"}, {69, 6, 0, 1, "Bbb4"},
        {69, 6, 1, 1, "Hbb4"}, {63, 3, 1, 1, "Eb4"},
    };
    for (const Case& c : cases) {
        fw::ScopedGlobal<std::uint8_t> offset(g_platform.octaveNumberOffset, std::uint8_t(c.offset));
        std::string out = "#";
        T::AppendOctave(c.pitch, c.key, c.style, out);
        EXPECT_EQ(out, std::string("#") + c.text) << c.pitch << " key " << c.key << " style " << c.style;
    }
    std::string spelled;
    T::FormatSpelledPitch(66, 3, 0, spelled);
    EXPECT_EQ(spelled, "Gb");
}

TEST_F(TheoryNames, PitchNameFollowsTheStyleSetting) {
    std::string name, sign;
    T::FormatPitchName(70, name, &sign);
    EXPECT_EQ(name + "|" + sign, "B|b");
    g_platform.noteNameStyle = CTheory::kGerman;
    T::FormatPitchName(70, name, &sign);
    EXPECT_EQ(name + "|" + sign, "B|");
    T::FormatPitchName(71, name);
    EXPECT_EQ(name, "H");
    g_platform.noteNameStyle = CTheory::kSolfege;
    T::FormatPitchName(66, name);
    EXPECT_EQ(name, "fa#");
}

TEST_F(TheoryNames, ParseNoteNames) {
    struct Case {
        const char* text;
        int style, offset, pitch;
    } cases[] = {
        {"C4", 0, 0, 72},  {"64", 0, 1, 64},  {"C4", 0, 1, 60},   {"c#4", 0, 1, 61}, {"Bb4", 0, 1, 70},
        {"eb3", 0, 1, 51}, {"A-1", 0, 1, 9},  {"G9", 0, 1, 127},  {"B9", 0, 1, 127}, {"C-2", 0, 1, 0},
        {"D", 0, 1, 2},    {"300", 0, 1, 127}, {"-5", 0, 1, 0},   {"", 0, 1, 0},     {"xyz", 0, 1, 0},
        {"H4", 1, 1, 71},  {"B4", 1, 1, 70},  {"B", 1, 1, 10},    {"Bb4", 1, 1, 70}, {"H#4", 1, 1, 72},
        {"b4", 1, 1, 70},  {"E4", 1, 1, 64},  {"sol4", 2, 1, 67}, {"SIb4", 2, 1, 70}, {"do#4", 2, 1, 61},
        {"re4", 2, 1, 62}, {"H4", 0, 1, 0},
    };
    for (const Case& c : cases) {
        fw::ScopedGlobal<std::uint8_t> offset(g_platform.octaveNumberOffset, std::uint8_t(c.offset));
        EXPECT_EQ(T::ParseNoteName(c.text, c.style), c.pitch) << "'" << c.text << "' style " << c.style;
    }
}

TEST_F(TheoryNames, CaseSensitiveParsing) {
    g_platform.noteNamesCaseSensitive = true;
    EXPECT_EQ(T::ParseNoteName("C4", 0), 60);
    EXPECT_EQ(T::ParseNoteName("c4", 0), 0);  // no letter: read as a number
    EXPECT_EQ(T::ParseNoteName("Cb4", 0), 59);
    EXPECT_EQ(T::ParseNoteName("do4", 2), 60);
    EXPECT_EQ(T::ParseNoteName("DO4", 2), 0);
}

TEST_F(TheoryNames, NameRoundTripInEveryStyleAndOctaveSetting) {
    for (int offset = 0; offset <= 2; ++offset) {
        g_platform.octaveNumberOffset = std::uint8_t(offset);
        for (int style = 0; style <= 2; ++style)
            for (int pitch = 0; pitch < 128; ++pitch) {
                std::string text;
                T::AppendOctave(pitch, 0, style, text);
                EXPECT_EQ(T::ParseNoteName(text.c_str(), style), pitch) << text << " style " << style;
            }
    }
}

}  // namespace
