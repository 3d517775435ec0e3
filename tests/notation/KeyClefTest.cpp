// The bar's own work on accidentals, keys and clefs: accidentals worked out over a bar and its
// neighbouring staves, the clef and key in force at a column, and clef and key changes with the
// heads they move and respell, on notes built byte by byte.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "NotationTestSupport.h"
#include "model/Clef.h"
#include "model/KeySig.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreStructureStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarTestSupport.h"
#include "model/ZelDoc.h"
#include "platform/Theory.h"

using namespace trkbartest;

namespace {

enum : int { kHeads = 24, kHeadSize = 16, kLinks = 1, kCross = 2, kAcc = 3, kPosition = 5, kPitch = 7 };
enum : std::uint8_t { kTieEnd = 0x04, kShown = 0x04, kForced = 0x08 };
constexpr int kC = 0, kG = 8;  // key codes: C major, one sharp

// One head: staff position, MIDI pitch, the flags of byte 1 (ties) and byte 3 (accidental), and
// the staves it crosses to.
struct Head {
    int position, pitch;
    std::uint8_t links = 0, acc = 0;
    int cross = 0;
};

Bytes Note(int time, int column, std::vector<Head> heads) {
    Bytes r = Item(144, kHeads + kHeadSize * int(heads.size()), time);
    View(r)->SetPositionField(std::int16_t(column));
    r[19] = 0x30;
    r[23] = std::uint8_t(heads.size());
    for (std::size_t i = 0; i < heads.size(); ++i) {
        std::uint8_t* h = r.data() + kHeads + kHeadSize * i;
        h[kLinks] = heads[i].links;
        h[kCross] = std::uint8_t((heads[i].cross & 7) << 5);
        h[kAcc] = heads[i].acc;
        h[kPosition] = std::uint8_t(std::int8_t(heads[i].position));
        h[kPitch] = std::uint8_t(heads[i].pitch);
        rec::Put<std::uint16_t>(h, 12, 480);
    }
    return r;
}

const std::uint8_t* HeadOf(CBarItem* note, int i) { return note->Bytes() + kHeads + kHeadSize * i; }

// A head's accidental as "code" or "code shown".
std::string Shown(CBarItem* note, int i) {
    const std::uint8_t acc = HeadOf(note, i)[kAcc];
    return std::to_string(acc >> 5) + ((acc & kShown) ? " shown" : "");
}

class ScoreFixture : public notetest::NotationTest {
protected:
    void SetUp() override {
        RegisterTrackClass();
        owned = std::make_unique<CScore>(&doc);
        score = owned.get();
        ASSERT_TRUE(score->BuildSkeleton(2, tracks));
        for (int t = 0; t < tracks; ++t) score->GetTrack(t)->SetClef(0);
        g_model.currentScore = score;
    }
    void TearDown() override { g_model.currentScore = nullptr; }
    void SetKey(int track, int key) {
        score->GetTrack(track)->SetKey(std::uint8_t(key));
        for (int l = 0; l < score->GetLineCount(); ++l)
            if (CStaff* staff = score->GetLine(l)->GetStaff(track)) staff->SetKey(std::uint8_t(key));
    }
    void Put(int track, int bar, Bytes r) { ASSERT_NE(score->GetTrkBar(track, bar)->InsertCopy(View(r)), nullptr); }
    std::vector<CBarItem*> Notes(int track, int bar) {
        std::vector<CBarItem*> out;
        trkbar::ForEachLiveItem(score->GetTrkBar(track, bar), [&](CBarItem* r) {
            if (r->IsNote()) out.push_back(r);
        });
        return out;
    }

    int tracks = 1;
    CZelDoc doc;
    std::unique_ptr<CScore> owned;
    CScore* score = nullptr;
};

class Accidentals : public ScoreFixture {};
class ThreeStaves : public ScoreFixture {
protected:
    ThreeStaves() { tracks = 3; }
};
class KeyClef : public ScoreFixture {};

}  // namespace

TEST_F(Accidentals, AStepRemembersItsAccidentalForTheRestOfTheBar) {
    // F on the treble staff's lowest space is position -3 (F4 = 65).
    struct Case {
        const char* what;
        int key;
        std::vector<Head> bar0;  // one note per head, in time order
        std::vector<Head> bar1;
        std::vector<std::string> expected0, expected1;
    };
    const Case cases[] = {
        {"F sharp then F natural in C; the next bar's F natural needs nothing", kC,
         {{-3, 66}, {-3, 65}}, {{-3, 65}}, {"1 shown", "3 shown"}, {"0"}},
        {"G major: its F sharp shows nothing, F natural a natural", kG,
         {{-3, 66}, {-3, 65}}, {}, {"1", "3 shown"}, {}},
        {"a second F sharp in the bar is not written again", kC,
         {{-3, 66}, {-3, 66}}, {}, {"1 shown", "1"}, {}},
        {"a forced accidental on a plain step shows a natural", kC,
         {{-3, 65, 0, kForced}}, {}, {"3 shown"}, {}},
        {"B flat and a B natural an octave higher are separate steps", kC,
         {{0, 70}, {7, 83}}, {}, {"2 shown", "0"}, {}},
        {"three semitones above its step: a double sharp", kC, {{-3, 68}}, {}, {"4 shown"}, {}},
        // The tied F sharp over the bar line keeps its code unshown, and does not make the step
        // seen: the next F sharp in the bar is measured against the key again and shows.
        {"a head tied over the bar line does not mark its step", kC,
         {{-3, 66}}, {{-3, 66, kTieEnd}, {-3, 66}}, {"1 shown"}, {"1", "1 shown"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        SetKey(0, c.key);
        for (std::size_t k = 0; k < c.bar0.size(); ++k) Put(0, 0, Note(240 * int(k), 120 * int(k), {c.bar0[k]}));
        for (std::size_t k = 0; k < c.bar1.size(); ++k) Put(0, 1, Note(240 * int(k), 120 * int(k), {c.bar1[k]}));
        for (int b = 0; b < 2; ++b) {
            score->GetTrkBar(0, b)->RecalcAccidentals();
            const auto& expected = b == 0 ? c.expected0 : c.expected1;
            std::vector<std::string> got;
            for (CBarItem* n : Notes(0, b)) got.push_back(Shown(n, 0));
            EXPECT_EQ(got, expected) << "bar " << b;
        }
    }
}

TEST_F(ThreeStaves, HeadsOfTheNeighbouringStavesFeedTheState) {
    // Track 0's note crosses down into track 1 with an F sharp there (the middle staff's F);
    // track 1's own F sharp later in the bar is not written again. Track 2 stays apart.
    Put(0, 0, Note(0, 0, {{-3, 66, 0, 1 << 5, 1}}));
    Put(1, 0, Note(480, 279, {{-3, 66}}));
    Put(2, 0, Note(480, 279, {{-3, 66}}));
    score->GetTrkBar(1, 0)->RecalcAccidentals();
    score->GetTrkBar(2, 0)->RecalcAccidentals();
    EXPECT_EQ(Shown(Notes(1, 0)[0], 0), "1") << "the sharp above it counts";
    EXPECT_EQ(Shown(Notes(2, 0)[0], 0), "1 shown") << "two staves away, nothing crossed in";
}

TEST_F(ThreeStaves, AClefChangeMovesTheHeadsOfLowerStavesDrawnOnTheStaff) {
    // A bass clef at column 558 of track 0, a treble clef again at 837: middle C drawn on track 0
    // from track 1 (one staff up) and from track 2 (two staves up) moves from -6 to 6 like track
    // 0's own, once; track 1's head on its own staff stays, and so does a head crossing in after
    // the treble clef.
    Put(0, 0, Note(960, 558, {{-6, 60}}));
    Put(1, 0, Note(960, 558, {{-6, 60, 0, 0, -1}, {-2, 67}}));
    Put(1, 0, Note(1680, 900, {{-6, 60, 0, 0, -1}}));
    Put(2, 0, Note(960, 558, {{-6, 60, 0, 0, -2}}));
    CTrkBar* bar = score->GetTrkBar(0, 0);
    for (auto [column, code] : {std::pair{837, 0}, {558, 1}}) {
        CBarItem* clef = bar->NewItem(CClef::kTypeCode, column == 558 ? 960 : 1440);
        ASSERT_NE(clef, nullptr);
        clef->InitNew(0, column == 558 ? 960 : 1440, column);
        rec::Put<std::uint8_t>(clef, CClef::kCode, std::uint8_t(code));
    }
    bar->RepositionForClef(558, 1);
    const auto at = [&](int track, int note, int head) {
        return int(std::int8_t(HeadOf(Notes(track, 0)[note], head)[kPosition]));
    };
    EXPECT_EQ(at(0, 0, 0), 6);
    EXPECT_EQ(at(1, 0, 0), 6) << "one staff up";
    EXPECT_EQ(at(1, 0, 1), -2) << "on its own staff";
    EXPECT_EQ(at(1, 1, 0), -6) << "after the next clef";
    EXPECT_EQ(at(2, 0, 0), 6) << "two staves up";
}

TEST_F(Accidentals, AHeadFromAFileOutsideTheStateIsPassedOver) {
    // Position 127 under the bass clef's shift lies past the 256 steps of the state.
    score->GetTrack(0)->SetClef(1);
    for (int l = 0; l < score->GetLineCount(); ++l) score->GetLine(l)->GetStaff(0)->SetClef(1);
    Put(0, 0, Note(0, 0, {{127, 60}, {-128, 60}, {-3, 56}}));
    score->GetTrkBar(0, 0)->RecalcAccidentals();
    EXPECT_EQ(Notes(0, 0).size(), 1u);
}

TEST_F(KeyClef, ClefAndKeyInForceAtAColumn) {
    SetKey(0, kG);
    CTrkBar* bar = score->GetTrkBar(0, 1);
    CBarItem* clef = bar->NewItem(CClef::kTypeCode, 960);
    ASSERT_NE(clef, nullptr);
    clef->InitNew(0, 960, 558);
    rec::Put<std::uint8_t>(clef, CClef::kCode, 1);
    struct Case {
        int bar, column, clef, key;
    };
    const Case cases[] = {{0, 0, 0, kG}, {1, 557, 0, kG}, {1, 558, 1, kG}, {1, 1000, 1, kG}};
    for (const Case& c : cases) {
        int clefCode = -1, key = -1;
        score->GetTrkBar(0, c.bar)->GetClefAndKeyAt(c.column, &clefCode, &key);
        EXPECT_EQ(clefCode, c.clef) << "bar " << c.bar << " column " << c.column;
        EXPECT_EQ(key, c.key) << "bar " << c.bar << " column " << c.column;
    }
}

TEST_F(KeyClef, AClefChangeMovesTheHeadsAfterItAndKeepsWhatTheySound) {
    // Tied over from before the clef, the first note after it is not moved by the clef; the
    // accidentals worked out afterwards find it written a tenth away from what it sounds and
    // write it again from its pitch, where the next middle C moved to.
    Put(0, 0, Note(0, 0, {{-6, 60}}));
    Put(0, 0, Note(960, 558, {{-6, 60, kTieEnd}}));
    Put(0, 0, Note(1440, 837, {{-6, 60}}));
    CTrkBar* bar = score->GetTrkBar(0, 0);
    CBarItem* clef = bar->NewItem(CClef::kTypeCode, 960);
    ASSERT_NE(clef, nullptr);
    clef->InitNew(0, 960, 558);
    rec::Put<std::uint8_t>(clef, CClef::kCode, 1);
    bar->RepositionForClef(558, 1);
    const auto notes = Notes(0, 0);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(std::int8_t(HeadOf(notes[0], 0)[kPosition]), -6) << "before the clef";
    EXPECT_EQ(std::int8_t(HeadOf(notes[1], 0)[kPosition]), 6) << "tied over: written again from its pitch";
    EXPECT_EQ(HeadOf(notes[1], 0)[kPitch], 60);
    EXPECT_EQ(std::int8_t(HeadOf(notes[2], 0)[kPosition]), 6) << "middle C under the bass clef";
}

TEST_F(KeyClef, PercussionAndOtherStavesAreLeftAlone) {
    score->GetTrack(0)->SetStaffKind(1);
    Put(0, 0, Note(0, 0, {{-3, 66}}));
    CTrkBar* bar = score->GetTrkBar(0, 0);
    EXPECT_TRUE(bar->InsertKeySig(0, -1, kG, 0, false, 0, false, 0, 0)) << "nothing to do is success";
    bar->RepositionForClef(0, 1);
    bar->RespellForKey(0, -1, kG, kC, 1);
    int keys = 0;
    trkbar::ForEachLiveItem(bar, [&](CBarItem* r) { keys += r->IsKeySig(); });
    EXPECT_EQ(keys, 0);
    EXPECT_EQ(std::int8_t(HeadOf(Notes(0, 0)[0], 0)[kPosition]), -3);
    EXPECT_EQ(HeadOf(Notes(0, 0)[0], 0)[kPitch], 66);
}

TEST_F(KeyClef, ANewKeySignatureReplacesTheOldAndRespellsUpToTheLastBarGiven) {
    // G major at the start of bar 0 and again at the start of bar 1; D major goes in at bar 0.
    // Respelling through every bar removes the key signature met in bar 1; up to bar 0 only, it
    // stays.
    struct Case {
        int lastBar;
        int keysInBar1;
    };
    for (const Case c : {Case{-1, 0}, Case{0, 1}}) {
        SCOPED_TRACE(c.lastBar);
        TearDown();
        SetUp();
        for (int b = 0; b < 2; ++b)
            ASSERT_TRUE(score->GetTrkBar(0, b)->InsertKeySig(0, b, kG, 0, false, 0, false, 0, 0));
        Put(0, 0, Note(480, 279, {{-3, 66}}));
        ASSERT_TRUE(score->GetTrkBar(0, 0)->InsertKeySig(0, c.lastBar, 9, 0, false, 0, false, 0, 0));
        std::vector<int> keys0, keys1;
        trkbar::ForEachLiveItem(score->GetTrkBar(0, 0), [&](CBarItem* r) {
            if (r->IsKeySig()) keys0.push_back(static_cast<CKeySig*>(r)->GetKey());
        });
        trkbar::ForEachLiveItem(score->GetTrkBar(0, 1), [&](CBarItem* r) {
            if (r->IsKeySig()) keys1.push_back(static_cast<CKeySig*>(r)->GetKey());
        });
        EXPECT_EQ(keys0, std::vector<int>{9}) << "the old one is replaced";
        EXPECT_EQ(int(keys1.size()), c.keysInBar1);
        CBarItem* f = Notes(0, 0)[0];
        EXPECT_EQ(HeadOf(f, 0)[kPitch], 66) << "what sounds is kept";
        EXPECT_EQ(Shown(f, 0), "1") << "F sharp is in the new key too";
    }
}
