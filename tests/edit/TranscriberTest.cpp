// The transcription engine: the quantiser, the splitting of played lengths into written pieces
// (tables per meter), and whole runs over bars built in code (notes, rests, chords, voices,
// ties, tuplets), with invariants over a bounded random corpus of performances.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "EditFixture.h"
#include "edit/Transcriber.h"
#include "framework/Clock.h"
#include "framework/Memory.h"
#include "framework/Resources.h"
#include "framework/UiTest.h"
#include "platform/StdDlg.h"
#include "model/Bar.h"
#include "model/Meter.h"
#include "model/SystemStaff.h"
#include "model/TieType.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "platform/Theory.h"
#include "notation/Note.h"

namespace {

using transcribe::BarTerms;
using transcribe::DurationPiece;
using transcribe::SplitSettings;

// --- the quantiser --------------------------------------------------------------------------------

TEST(TranscriberQuantize, RoundsToTheGridByTruncatingDivision) {
    struct Case {
        int in, out;
    } cases[] = {{61, 0}, {62, 120}, {181, 120}, {182, 240}, {-60, 0}, {0, 0}, {120, 120}, {1919, 1920}};
    for (const Case& c : cases) EXPECT_EQ(transcribe::Quantize(c.in, 120, 120 / 2 - 1), c.out) << c.in;
    // The engine's own setup computes the half grid the same way.
    Transcriber t;
    t.Setup(nullptr, 120, true, false, false);
    EXPECT_EQ(t.halfGrid, 59);
    EXPECT_EQ(t.Quantize(62), 120);
}

// --- the splitting --------------------------------------------------------------------------------

BarTerms MeterTerms(int num, int den, bool last = false) {
    BarTerms t;
    t.numerator = num;
    t.denominator = den;
    t.beat = 1920 / den;
    t.length = num * t.beat;
    t.last = last;
    return t;
}

std::string Describe(const std::vector<DurationPiece>& pieces) {
    std::string s;
    for (const DurationPiece& p : pieces) {
        if (!s.empty()) s += " ";
        s += std::to_string(p.bar) + ":" + std::to_string(p.start) + "+" + std::to_string(p.length);
        if (p.tieOut) s += "~";
        if (p.staccato) s += ".";
        if (p.tenuto) s += "_";
    }
    return s;
}

std::string Split(int num, int den, int p, int limit, int ps, int pe, int lastBar = 99, SplitSettings s = {}) {
    std::vector<DurationPiece> pieces;
    auto terms = [&](int bar) { return MeterTerms(num, den, bar >= lastBar); };
    transcribe::SplitDuration(s, terms, 0, p, limit, ps, pe, &pieces);
    return Describe(pieces);
}

TEST(TranscriberSplit, WritesPlayedLengthsAsPiecesAndTies) {
    struct Case {
        int num, den, p, limit, ps, pe;
        const char* pieces;
    } cases[] = {
        // 4/4: a quarter, a whole, a dotted half, an off-beat long note cut at the beat grid.
        {4, 4, 0, 1920, 0, 480, "0:0+480"},
        {4, 4, 0, 1920, 0, 1920, "0:0+1920"},
        {4, 4, 0, 1920, 0, 1440, "0:0+1440"},
        {4, 4, 240, 1920, 240, 1200, "0:240+720~ 0:960+240"},
        // A note over the bar line continues in the next bar, tied.
        {4, 4, 1440, 3840, 1440, 2400, "0:1440+480~ 1:0+480"},
        // The limit (the next note) ends the note.
        {4, 4, 0, 480, 0, 900, "0:0+480"},
        // 3/4: a dotted half fills the bar.
        {3, 4, 0, 1440, 0, 1440, "0:0+1440"},
        // 2/2: a whole note.
        {2, 2, 0, 1920, 0, 1920, "0:0+1920"},
        // 6/8: compound groups of three eighths: a dotted quarter, then a dotted half.
        {6, 8, 0, 1440, 0, 720, "0:0+720"},
        {6, 8, 0, 1440, 0, 1440, "0:0+1440"},
        // 12/8: a bar-long note: only a longer piece is cut to 2,880; one of 2,880 is cut to a
        // whole note, and the rest follows the compound groups.
        {12, 8, 0, 2880, 0, 2880, "0:0+1920~ 0:1920+240~ 0:2160+720"},
        // 4/2: a piece longer than 2,880 ticks is cut to 2,880.
        {4, 2, 0, 3840, 0, 3840, "0:0+2880~ 0:2880+960"},
        // 5/4: a bar-long note is cut to a whole note and a quarter.
        {5, 4, 0, 2400, 0, 2400, "0:0+1920~ 0:1920+480"},
        // 8/8 beats in quarters.
        {8, 8, 0, 1920, 0, 960, "0:0+960"},
        // 5/8 and 9/8.
        {5, 8, 0, 1200, 0, 480, "0:0+480"},
        // 9/8, odd: a piece on the group grid passes no more than two groups.
        {9, 8, 0, 2160, 0, 2160, "0:0+1440~ 0:1440+720"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Split(c.num, c.den, c.p, c.limit, c.ps, c.pe), c.pieces)
            << c.num << "/" << c.den << " p " << c.p << " played " << c.ps << "-" << c.pe;
}

TEST(TranscriberSplit, TheLastBarEndsANote) {
    // Bar 0 is the score's last: the note ends at its bar line, untied.
    EXPECT_EQ(Split(4, 4, 1440, 3840, 1440, 2400, 0), "0:1440+480");
}

TEST(TranscriberSplit, NoPieceLiesBetweenAWholeAndADottedWholeOrBeyond) {
    const int meters[][2] = {{4, 4}, {3, 4}, {2, 2}, {6, 8}, {8, 8}, {5, 8}, {9, 8}, {12, 8}, {5, 4}, {3, 2}, {7, 4}};
    std::mt19937 random(7);
    for (const auto& m : meters) {
        for (int n = 0; n < 300; ++n) {
            const int bar = m[0] * (1920 / m[1]);
            const int p = int(random() % unsigned(bar / 120)) * 120;
            const int pe = p + 1 + int(random() % 6000u);
            std::vector<DurationPiece> pieces;
            auto terms = [&](int) { return MeterTerms(m[0], m[1]); };
            ASSERT_GT(transcribe::SplitDuration({}, terms, 0, p, 32767, p, pe, &pieces), 0);
            for (const DurationPiece& piece : pieces) {
                EXPECT_GT(piece.length, 0);
                EXPECT_TRUE(piece.length <= 1920 || piece.length == 2880)
                    << m[0] << "/" << m[1] << " " << Describe(pieces);
                EXPECT_LE(piece.start + piece.length, bar) << Describe(pieces);
            }
            for (std::size_t k = 0; k + 1 < pieces.size(); ++k) {
                EXPECT_TRUE(pieces[k].tieOut);
                EXPECT_TRUE(pieces[k + 1].tieIn);
            }
            EXPECT_FALSE(pieces.back().tieOut);
        }
    }
}

TEST(TranscriberSplit, StaccatoAndTenutoOnlyWithTheirFlags) {
    struct Case {
        int flags, ps, pe;
        const char* pieces;
    } cases[] = {
        {0, 100, 230, "0:0+240"},   // the defaults mark nothing
        {1, 100, 230, "0:0+240."},  // played half the piece or less: staccato
        {2, 100, 230, "0:0+240"},
        {2, 0, 235, "0:0+240_"},    // played nine tenths or more: tenuto
        {0, 0, 235, "0:0+240"},
        // Played past the grid point (an overhang): the piece doubles, and the played length,
        // half of it, makes it staccato.
        {1, 50, 290, "0:0+480."},
        {2, 50, 290, "0:0+480"},
        {3, 0, 120, "0:0+120"},     // a piece of 120 ticks or less takes neither
    };
    for (const Case& c : cases) {
        SplitSettings s;
        s.flags = c.flags;
        EXPECT_EQ(Split(4, 4, 0, 1920, c.ps, c.pe, 99, s), c.pieces) << c.flags << " " << c.ps << "-" << c.pe;
    }
}

// --- whole runs -----------------------------------------------------------------------------------

struct TranscribeScore : edittest::EditScore {
    // A performance note of one head (pitch, play start as the item's time, duration) in track
    // 0's bar b, voice v.
    void Play(int b, int time, int duration, int pitch, int voice = 0) {
        CTrkBar* tb = score->GetTrkBar(0, b);
        tb->SetCurrent();
        PerformanceEvent e;
        e.time = time;
        e.duration = duration;
        e.key = std::uint8_t(pitch);
        e.voice = voice;
        e.byte9 = 80;
        ASSERT_TRUE(tb->AddPerformanceNote(e));
    }
    int Transcribe(int first, int last, bool voices = false, int grid = 120) {
        Transcriber& t = g_edit.transcriber;
        t.Setup(score, grid, true, false, voices);
        t.split.flags = 0;
        return t.Run(0, first, last, 0);
    }
    void SetMeter(int bar, int num, int den) {
        for (int b = bar; b < score->GetBarCount(); ++b) {
            Meter* m = score->GetBar(b)->GetMeter();
            m->SetNumerator(std::uint8_t(num));
            m->SetDenominator(std::uint8_t(den));
            m->SetGroupCount(0);
            m->Update();
        }
        score->Reindex();
    }
    // The dump of a bar: per live note or rest "N time value.dots pitches" or "R time value",
    // ties "T", tuplets "U count:space", with voice and tuplet counts where set.
    std::string Dump(int b) {
        std::string s;
        for (CBarItem* i : Live(0, b)) {
            const int code = i->TypeCode();
            std::string one;
            if (code == 144 || code == 112 || code == 128) {
                auto* h = static_cast<CRawHead*>(i);
                one = std::string(code == 144 ? "N" : code == 112 ? "P" : "R") + std::to_string(i->TimeField()) + ":" +
                      std::to_string(h->NoteValue());
                if (h->DotCount()) one += "." + std::to_string(h->DotCount());
                if (code != 128) {
                    auto* n = static_cast<CRawNote*>(i);
                    for (int k = 0; k < n->HeadCountField(); ++k) {
                        one += (k ? "," : "/") + std::to_string(n->Head(k)->Pitch());
                        if (n->Head(k)->HasTieStart()) one += ">";
                        if (n->Head(k)->HasTieEnd()) one += "<";
                    }
                }
                if (h->TupletCount()) one += "[" + std::to_string(h->TupletCount()) + ":" + std::to_string(h->TupletSpace()) + "]";
                if (i->VoiceField()) one += "v" + std::to_string(i->VoiceField());
            } else if (code == CTie::kType) {
                one = "T" + std::to_string(i->TimeField());
            } else if (code == CTuplet::kType) {
                one = "U" + std::to_string(i->TimeField());
            } else {
                continue;
            }
            if (!s.empty()) s += " ";
            s += one;
        }
        return s;
    }
    // Ticks of each voice's notes and rests in a bar (tuplet members at their real length).
    std::map<int, double> VoiceTicks(int b) {
        std::map<int, double> ticks;
        for (CBarItem* i : Live(0, b)) {
            const int code = i->TypeCode();
            if (code != 144 && code != 128) continue;
            ticks[i->VoiceField()] += NoteDuration(*i);
        }
        return ticks;
    }
};

class TranscriberRun : public ::testing::Test, public TranscribeScore {};

TEST_F(TranscriberRun, FourSlightlyUnevenQuartersBecomeFourQuarters) {
    Play(0, 7, 470, 60);
    Play(0, 470, 480, 62);
    Play(0, 975, 460, 64);
    Play(0, 1430, 500, 65);
    ASSERT_EQ(Transcribe(0, 0), Transcriber::kDone);
    EXPECT_EQ(Dump(0), "N0:3/60 N480:3/62 N960:3/64 N1440:3/65");
}

TEST_F(TranscriberRun, StartsWithinTheHalfGridBecomeOneChordInOneVoiceMode) {
    Play(0, 0, 480, 60);
    Play(0, 10, 480, 64);
    Play(0, 20, 470, 67);
    ASSERT_EQ(Transcribe(0, 0), Transcriber::kDone);
    EXPECT_EQ(Dump(0), "N0:3/67,64,60 R480:3 R960:2");
}

TEST_F(TranscriberRun, UnequalLengthsGoToTwoVoicesInVoicesMode) {
    Play(0, 0, 1920, 60);
    Play(0, 0, 480, 72);
    Play(0, 480, 480, 74);
    Play(0, 960, 960, 76);
    ASSERT_EQ(Transcribe(0, 0, true), Transcriber::kDone);
    const std::string dump = Dump(0);
    // One voice holds the whole note, the other the upper line.
    EXPECT_NE(dump.find("/60"), std::string::npos) << dump;
    auto ticks = VoiceTicks(0);
    EXPECT_EQ(ticks.size(), 2u) << dump;
    for (auto& [v, t] : ticks) EXPECT_EQ(t, 1920) << "voice " << v << ": " << dump;
}

TEST_F(TranscriberRun, EqualLengthsStayOneChordInVoicesMode) {
    Play(0, 0, 480, 60);
    Play(0, 0, 470, 64);
    ASSERT_EQ(Transcribe(0, 0, true), Transcriber::kDone);
    EXPECT_EQ(Dump(0).substr(0, 12), "N0:3/64,60 R");
}

TEST_F(TranscriberRun, ANoteOverTheBarLineIsTiedIntoTheNextBar) {
    Play(0, 1440, 960, 67);
    ASSERT_EQ(Transcribe(0, 1), Transcriber::kDone);
    EXPECT_EQ(Dump(0), "R0:2 R960:3 T1440 N1440:3/67>");
    EXPECT_EQ(Dump(1).substr(0, 8), "N0:3/67<") << Dump(1);
}

TEST_F(TranscriberRun, AStartQuantisedToTheBarsEndMovesToTheNextBar) {
    Play(0, 1900, 470, 60);
    ASSERT_EQ(Transcribe(0, 1), Transcriber::kDone);
    EXPECT_EQ(Dump(0), "R0:1");
    EXPECT_EQ(Dump(1).substr(0, 7), "N0:3/60");
}

TEST_F(TranscriberRun, AnEndlessHeadIsCutToTheBar) {
    Play(0, 0, 40000, 60);
    ASSERT_EQ(Transcribe(0, 0), Transcriber::kDone);
    // Cut to the bar's length - 1, written as the whole bar.
    EXPECT_EQ(Dump(0), "N0:1/60");
}

TEST_F(TranscriberRun, TripletEighthsGetCountsWithoutATupletItem) {
    Play(0, 0, 150, 60);
    Play(0, 160, 150, 62);
    Play(0, 320, 150, 64);
    Play(0, 480, 480, 65);
    ASSERT_EQ(Transcribe(0, 0), Transcriber::kDone);
    const std::string dump = Dump(0);
    EXPECT_EQ(dump.substr(0, 46), "N0:4/60[3:2] N160:4/62[3:2] N320:4/64[3:2] N48") << dump;
    EXPECT_EQ(dump.find("U"), std::string::npos) << dump;
}

TEST_F(TranscriberRun, TripletQuartersGetATupletItem) {
    Play(0, 0, 310, 60);
    Play(0, 320, 310, 62);
    Play(0, 640, 310, 64);
    Play(0, 960, 960, 65);
    ASSERT_EQ(Transcribe(0, 0), Transcriber::kDone);
    const std::string dump = Dump(0);
    EXPECT_NE(dump.find("U0"), std::string::npos) << dump;
    EXPECT_NE(dump.find("N320:3/62[3:2]"), std::string::npos) << dump;
}

TEST_F(TranscriberRun, OneNoteOnTheSecondThirdOfAWindowIsATripletWithRests) {
    Play(0, 0, 240, 55);
    Play(0, 240, 240, 57);
    Play(0, 640, 160, 60);
    Play(0, 960, 960, 62);
    ASSERT_EQ(Transcribe(0, 0), Transcriber::kDone);
    const std::string dump = Dump(0);
    EXPECT_NE(dump.find("N640:4/60[3:2]"), std::string::npos) << dump;
}

TEST_F(TranscriberRun, OneNoteOnTheFirstThirdIsNoTriplet) {
    Play(0, 480, 160, 60);
    Play(0, 960, 960, 62);
    ASSERT_EQ(Transcribe(0, 0), Transcriber::kDone);
    EXPECT_EQ(Dump(0).find("[3:2]"), std::string::npos) << Dump(0);
}

TEST_F(TranscriberRun, SixEighthBarsNeverTakeTriplets) {
    SetMeter(0, 6, 8);
    Play(0, 0, 150, 60);
    Play(0, 160, 150, 62);
    Play(0, 320, 150, 64);
    ASSERT_EQ(Transcribe(0, 0), Transcriber::kDone);
    EXPECT_EQ(Dump(0).find("[3:"), std::string::npos) << Dump(0);
}

TEST_F(TranscriberRun, SixteenthDenominatorsNeverTakeTuplets) {
    SetMeter(0, 8, 16);
    Play(0, 0, 150, 60);
    Play(0, 160, 150, 62);
    Play(0, 320, 150, 64);
    ASSERT_EQ(Transcribe(0, 0), Transcriber::kDone);
    EXPECT_EQ(Dump(0).find("["), std::string::npos) << Dump(0);
}

TEST_F(TranscriberRun, ANinthSimultaneousPartGoesToVoiceSeven) {
    for (int k = 0; k < 9; ++k) Play(0, 0, 200 * (k + 1), 50 + k);
    ASSERT_EQ(Transcribe(0, 0, true), Transcriber::kDone);
    std::vector<int> voiceOf(128, -1);
    for (CBarItem* i : Live(0, 0)) {
        if (i->TypeCode() != 144) continue;
        auto* n = static_cast<CRawNote*>(i);
        for (int k = 0; k < n->HeadCountField(); ++k) voiceOf[n->Head(k)->Pitch()] = i->VoiceField();
    }
    // The higher pitch comes first at one time: pitches 58 down to 51 take voices 0-7, the
    // ninth (50) voice 7 as well (where 51 then follows it).
    for (int k = 0; k < 8; ++k) EXPECT_EQ(voiceOf[std::size_t(58 - k)], k) << Dump(0);
    EXPECT_EQ(voiceOf[50], 7) << Dump(0);
}

TEST_F(TranscriberRun, ALowerVoiceZeroIsExchangedAndItsTieCarriesTheExchange) {
    Play(0, 0, 3840, 48);   // voice 0, held into bar 1
    Play(0, 480, 480, 72);  // voice 1: above voice 0
    ASSERT_EQ(Transcribe(0, 1, true), Transcriber::kDone);
    const std::string bar0 = Dump(0), bar1 = Dump(1);
    EXPECT_NE(bar0.find("N0:1/48>v1"), std::string::npos) << bar0;
    EXPECT_NE(bar0.find("N480:3/72 "), std::string::npos) << bar0;
    // The held note's continuation follows it into voice 1.
    EXPECT_EQ(bar1.substr(0, 11), "N0:1/48<v1") << bar1;
}

TEST_F(TranscriberRun, FiveNotesInAQuarterAreAQuintupletOnlyInSmallWindows) {
    // On a grid of 60 ticks (on the usual 120, two of the five starts would share a grid point
    // and be one chord before tuplets are looked for).
    for (int k = 0; k < 5; ++k) Play(0, 96 * k, 90, 60 + 2 * k);
    Play(0, 480, 1440, 72);
    ASSERT_EQ(Transcribe(0, 0, false, 60), Transcriber::kDone);
    EXPECT_EQ(Dump(0), "N0:5/60[5:4] N96:5/62[5:4] N192:5/64[5:4] N288:5/66[5:4] N384:5/68[5:4] N480:2.1/72");
    // The same five notes spread over the whole bar form no tuplet.
    TranscribeScore other;
    for (int k = 0; k < 5; ++k) other.Play(0, 384 * k, 380, 60 + 2 * k);
    ASSERT_EQ(other.Transcribe(0, 0, false, 60), Transcriber::kDone);
    EXPECT_EQ(other.Dump(0).find("["), std::string::npos) << other.Dump(0);
}

TEST_F(TranscriberRun, AHeldTripletsLastNoteIsExtendedByATiedNote) {
    Play(0, 0, 150, 60);
    Play(0, 160, 150, 62);
    Play(0, 320, 330, 64);  // held to 650, past its written end at 480
    Play(0, 720, 240, 65);
    ASSERT_EQ(Transcribe(0, 0), Transcriber::kDone);
    const std::string dump = Dump(0);
    EXPECT_NE(dump.find("N320:4/64>[3:2]"), std::string::npos) << dump;
    EXPECT_NE(dump.find("N480:4/64<"), std::string::npos) << dump;
}

// The heads of the bar's first note: pitch, accidental code and staff position.
namespace {
struct HeadSpelling {
    int pitch, accidental, position;
};
}  // namespace

TEST_F(TranscriberRun, MergedHeadsOnOneStaffPositionOrWithSharpsAndFlatsAreRespelled) {
    struct Case {
        const char* what;
        int key;  // when transcribed (played in C major): 0 C major, 1-7 flats, 8-14 sharps
        std::vector<int> pitches;
    };
    const Case cases[] = {
        {"C and C sharp share a position", 0, {60, 61}},
        {"F sharp and B flat in C major", 0, {66, 70}},
        {"C sharp and E flat in C major", 0, {61, 63}},
        {"C sharp and B flat in a flat key", 3, {61, 70}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TranscribeScore t;
        // Starts within half a grid of each other: one chord in one-voice mode.
        for (std::size_t k = 0; k < c.pitches.size(); ++k) t.Play(0, int(k) * 10, 480, c.pitches[k]);
        t.score->GetTrkBar(0, 0)->GetStaff()->SetKey(std::uint8_t(c.key));
        t.score->GetTrack(0)->SetKey(c.key);
        std::vector<HeadSpelling> played;
        for (CBarItem* i : t.Live(0, 0))
            if (i->TypeCode() == 112) {
                const NoteHead* h = static_cast<CRawNote*>(i)->Head(0);
                played.push_back({h->Pitch(), h->Accidental(), h->Position()});
            }
        ASSERT_EQ(t.Transcribe(0, 0), Transcriber::kDone);
        CRawNote* chord = nullptr;
        for (CBarItem* i : t.Live(0, 0))
            if (i->TypeCode() == 144 && !chord) chord = static_cast<CRawNote*>(i);
        ASSERT_NE(chord, nullptr) << t.Dump(0);
        ASSERT_EQ(chord->HeadCountField(), int(c.pitches.size())) << t.Dump(0);
        bool sharps = false, flats = false;
        for (int k = 0; k < chord->HeadCountField(); ++k) {
            const NoteHead* h = chord->Head(k);
            sharps = sharps || h->Accidental() == CTheory::kSharp;
            flats = flats || h->Accidental() == CTheory::kFlat;
            // Every head keeps its pitch; no two share a staff position.
            EXPECT_NE(std::find(c.pitches.begin(), c.pitches.end(), h->Pitch()), c.pitches.end());
            for (int j = k + 1; j < chord->HeadCountField(); ++j)
                EXPECT_NE(chord->Head(j)->Position(), h->Position()) << h->Pitch() << " and " << chord->Head(j)->Pitch();
        }
        EXPECT_FALSE(sharps && flats);
        // Sharps give way in a flat key, flats elsewhere.
        const bool flatKey = c.key >= 1 && c.key <= 7;
        for (const HeadSpelling& p : played) {
            if (p.accidental != (flatKey ? CTheory::kSharp : CTheory::kFlat)) continue;
            for (int k = 0; k < chord->HeadCountField(); ++k)
                if (chord->Head(k)->Pitch() == p.pitch) EXPECT_NE(chord->Head(k)->Position(), p.position) << p.pitch;
        }
    }
    // Played apart, the same pitches keep their own spellings.
    TranscribeScore apart;
    apart.Play(0, 0, 480, 60);
    apart.Play(0, 480, 480, 61);
    ASSERT_EQ(apart.Transcribe(0, 0), Transcriber::kDone);
    for (CBarItem* i : apart.Live(0, 0))
        if (i->TypeCode() == 144 && static_cast<CRawNote*>(i)->Head(0)->Pitch() == 61)
            EXPECT_EQ(static_cast<CRawNote*>(i)->Head(0)->Accidental(), CTheory::kSharp);
}

TEST_F(TranscriberRun, DrumsTakeTheirHeadShapesFromTheDrumMap) {
    CTrack* drums = score->GetTrack(0);
    drums->SetStaffKind(1);
    for (int i = 0; i < CTrack::kDrums; ++i) rec::Put<std::uint8_t>(drums, CTrack::kDrumKeys + i, 0);
    // The snare (38) with head 5 and the hi-hat (42) with head 3, both in voice 0.
    const int keys[] = {38, 42}, positions[] = {1, 9}, heads[] = {5, 3};
    for (int i = 0; i < 2; ++i) {
        rec::Put<std::uint8_t>(drums, CTrack::kDrumKeys + i, std::uint8_t(keys[i]));
        rec::Put<std::uint8_t>(drums, CTrack::kDrumVoices + i, 0);
        rec::Put<std::int8_t>(drums, CTrack::kDrumPositions + i, std::int8_t(positions[i]));
        rec::Put<std::uint8_t>(drums, CTrack::kDrumHeads + i, std::uint8_t(heads[i]));
    }
    Play(0, 0, 470, 38);
    Play(0, 480, 470, 42);
    Play(0, 960, 470, 50);  // no drum: the plain head
    ASSERT_EQ(Transcribe(0, 0), Transcriber::kDone);
    std::map<int, int> shapeOf;
    for (CBarItem* i : Live(0, 0))
        if (i->TypeCode() == 144) shapeOf[static_cast<CRawNote*>(i)->Head(0)->Pitch()] = static_cast<CRawNote*>(i)->Head(0)->Shape();
    EXPECT_EQ(shapeOf[38], 5) << Dump(0);
    EXPECT_EQ(shapeOf[42], 3) << Dump(0);
    EXPECT_EQ(shapeOf[50], 0) << Dump(0);
}

TEST_F(TranscriberRun, TheTrackBarCountsTheVoicesItsTranscriptionUsed) {
    // Bits 0-2 of the flags byte stay.
    CTrkBar* tb = score->GetTrkBar(0, 0);
    tb->SetFlags(std::uint8_t(tb->GetFlags() | 0x03));
    const int low = tb->GetFlags() & 0x07;
    Play(0, 0, 1920, 48);
    Play(0, 0, 480, 72);
    Play(0, 480, 480, 74);
    ASSERT_EQ(Transcribe(0, 0, true), Transcriber::kDone);
    EXPECT_EQ(score->GetTrkBar(0, 0)->GetTranscribedVoices(), 2) << Dump(0);
    EXPECT_EQ(score->GetTrkBar(0, 0)->GetFlags() & 0x07, low);
    TranscribeScore one;
    one.Play(0, 0, 480, 60);
    ASSERT_EQ(one.Transcribe(0, 0), Transcriber::kDone);
    EXPECT_EQ(one.score->GetTrkBar(0, 0)->GetTranscribedVoices(), 1);
}

TEST_F(TranscriberRun, CancelInTheProgressDialogStopsBeforeTheNextBar) {
    fw::clocktest::SetManual(1000);
    auto session = std::make_unique<fw::uitest::Session>();
    constexpr UINT kProgressTemplate = 9003;
    fw::resourcetest::SetText("dialogs", kProgressTemplate, R"(dialog 9003 160 60
label 3 5 5 150 9 ""
label 4 5 16 150 9 ""
progress 5 5 28 150 10
button 2 55 42 50 14 "Cancel"
)");
    Play(0, 0, 480, 60);
    Play(1, 0, 480, 60);
    int result = -1;
    {
        CProgressDlg progress;
        ASSERT_TRUE(progress.Open(kProgressTemplate));
        progress.SetRange(0, 2);
        CWnd* cancel = progress.GetDlgItem(IDCANCEL);
        fw::uitest::Press(cancel, 10, 5);
        fw::uitest::RunUntilIdle();
        result = Transcribe(0, 1);
        fw::uitest::Release(cancel, 10, 5);
        fw::uitest::RunUntilIdle();
        progress.Close();
    }
    session.reset();
    fw::resourcetest::Clear();
    fw::clocktest::Reset();
    EXPECT_EQ(result, Transcriber::kCancelled);
    // Nothing was notated: the performance notes stand as they were quantised.
    EXPECT_EQ(Dump(0), "P0:3/60");
}

TEST_F(TranscriberRun, AnAllocationFailureEndsWith100AndKeepsFinishedBars) {
    Play(0, 0, 1920, 60);
    Play(1, 0, 480, 62);
    Play(1, 480, 480, 64);
    Play(1, 960, 480, 65);
    int result = Transcriber::kDone;
    // Fail ever later allocations until the first bar is finished and the run still fails.
    for (int n = 1; n < 400; ++n) {
        fw::memtest::FailAfter(n);
        result = Transcribe(0, 1);
        fw::memtest::FailAfter(-1);
        if (result == Transcriber::kOutOfMemory && Dump(0) == "N0:1/60") break;
        if (result == Transcriber::kDone) break;
    }
    EXPECT_EQ(result, Transcriber::kOutOfMemory);
    EXPECT_EQ(Dump(0), "N0:1/60");
}

// --- invariants over random performances ---------------------------------------------------------

TEST_F(TranscriberRun, RandomPerformancesFillEveryVoiceAndTieOnlyEqualPitches) {
    std::mt19937 random(2026);
    const int meters[][2] = {{4, 4}, {3, 4}, {6, 8}, {2, 2}, {5, 8}};
    for (int round = 0; round < 10; ++round) {
        const auto& m = meters[round % 5];
        SetMeter(0, m[0], m[1]);
        const int bars = 4;
        const int barLength = m[0] * (1920 / m[1]);
        // Clear the bars.
        for (int b = 0; b < bars + 1; ++b)
            for (CBarItem* i : Live(0, b)) i->SetFlagsB(std::uint8_t(i->FlagsB() | CBarItem::kRemovedBit));
        for (int b = 0; b < bars + 1; ++b) score->GetTrkBar(0, b)->Compact();
        const bool voices = round % 2 == 1;
        for (int b = 0; b < bars; ++b) {
            int t = int(random() % 60u);
            while (t < barLength - 60) {
                const int len = 60 + int(random() % 1500u);
                Play(b, t, len, 48 + int(random() % 30u));
                if (voices && random() % 3 == 0) Play(b, t, 60 + int(random() % 900u), 48 + int(random() % 30u));
                t += voices ? 60 + int(random() % 700u) : len + int(random() % 120u);
            }
        }
        ASSERT_EQ(Transcribe(0, bars - 1, voices), Transcriber::kDone) << round;
        for (int b = 0; b < bars; ++b) {
            for (auto& [v, ticks] : VoiceTicks(b))
                EXPECT_NEAR(ticks, barLength, 1.0) << "round " << round << " bar " << b << " voice " << v << ": " << Dump(b);
            for (CBarItem* i : Live(0, b)) {
                if (i->TypeCode() != 144) continue;
                const double len = NoteDuration(*i);
                EXPECT_FALSE(len > 1920 && len != 2880) << Dump(b);
            }
            // Every tie begins on a head flagged so and an equal pitch ends it.
            for (CBarItem* i : Live(0, b)) {
                if (i->TypeCode() != 144) continue;
                auto* n = static_cast<CRawNote*>(i);
                for (int k = 0; k < n->HeadCountField(); ++k) {
                    if (!n->Head(k)->HasTieStart()) continue;
                    const int pitch = n->Head(k)->Pitch();
                    const double end = NoteEndTime(*i);
                    const int nb = end >= barLength ? b + 1 : b;
                    const double at = end >= barLength ? end - barLength : end;
                    bool found = false;
                    for (CBarItem* j : Live(0, nb)) {
                        if ((j->TypeCode() != 144 && j->TypeCode() != 112) || j->VoiceField() != i->VoiceField()) continue;
                        if (j->TimeField() != int(at)) continue;
                        auto* m2 = static_cast<CRawNote*>(j);
                        for (int q = 0; q < m2->HeadCountField(); ++q) found = found || m2->Head(q)->Pitch() == pitch;
                    }
                    EXPECT_TRUE(found) << "round " << round << " bar " << b << ": " << Dump(b) << " | " << Dump(nb);
                }
            }
        }
    }
}

}  // namespace
