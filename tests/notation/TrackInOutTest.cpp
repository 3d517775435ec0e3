// What tracks going in and out, and the transposed display, do to the notes: written positions
// and key signatures moved by a track's transposition and given back, the enharmonic options,
// warning-only key signatures and clefs in the music, and heads shown on another track's staff
// coming home when a track is inserted between.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "NotationTestSupport.h"
#include "model/Clef.h"
#include "model/KeySig.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarTestSupport.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"

using namespace trkbartest;

namespace {

enum : int { kHeads = 24, kHeadSize = 16, kCross = 2, kPosition = 5, kPitch = 7 };

Bytes Note(int time, int position, int pitch, int cross = 0) {
    Bytes r = Item(144, kHeads + kHeadSize, time);
    r[19] = 0x30;
    r[23] = 1;
    std::uint8_t* h = r.data() + kHeads;
    h[kCross] = std::uint8_t((cross & 7) << 5);
    h[kPosition] = std::uint8_t(std::int8_t(position));
    h[kPitch] = std::uint8_t(pitch);
    rec::Put<std::uint16_t>(h, 12, 480);
    return r;
}

Bytes KeySig(int time, int key, std::uint8_t flags = 0) {
    Bytes r = Item(CKeySig::kTypeCode, CKeySig::kSize, time);
    r[CKeySig::kKey] = std::uint8_t(key);
    r[CKeySig::kPlaybackKey] = std::uint8_t(key);
    r[CKeySig::kFlags] = flags;
    return r;
}

Bytes Clef(int time, int clef) {
    Bytes r = Item(CClef::kTypeCode, CClef::kSize, time);
    r[CClef::kCode] = std::uint8_t(clef);
    return r;
}

class TrackInOut : public notetest::NotationTest {
protected:
    void Make(int tracks, int bars = 2) {
        RegisterTrackClass();
        owned = std::make_unique<CScore>(&doc);
        score = owned.get();
        ASSERT_TRUE(score->BuildSkeleton(bars, tracks));
        for (int t = 0; t < tracks; ++t) score->GetTrack(t)->SetClef(0);
        g_model.currentScore = score;
    }
    void TearDown() override { g_model.currentScore = nullptr; }
    void Put(int track, int bar, Bytes r) { ASSERT_NE(score->GetTrkBar(track, bar)->InsertCopy(View(r)), nullptr); }
    template <typename F>
    void Each(int track, int bar, int type, F&& f) {
        trkbar::ForEachLiveItem(score->GetTrkBar(track, bar), [&](CBarItem* r) {
            if (r->TypeCode() == type) f(r);
        });
    }
    std::vector<int> Positions(int track, int bar) {
        std::vector<int> out;
        Each(track, bar, 144, [&](CBarItem* r) { out.push_back(std::int8_t(r->Bytes()[kHeads + kPosition])); });
        return out;
    }
    std::vector<int> Keys(int track, int bar) {
        std::vector<int> out;
        Each(track, bar, CKeySig::kTypeCode, [&](CBarItem* r) { out.push_back(r->Bytes()[CKeySig::kKey]); });
        return out;
    }
    void Transposition(int track, int t, int transposedClef = 0) {
        score->GetTrack(track)->SetTransposition(t);
        score->GetTrack(track)->SetTransposedClef(transposedClef);
    }

    CZelDoc doc;
    std::unique_ptr<CScore> owned;
    CScore* score = nullptr;
};

}  // namespace

TEST_F(TrackInOut, TransposedDisplayShowsCAsDAndSwitchingOffGivesTheConcertPitchBack) {
    Make(1);
    Transposition(0, 2);
    Put(0, 0, KeySig(0, 0));
    Put(0, 0, Note(0, -6, 60));   // C4 on the treble staff
    Put(0, 1, Note(0, -2, 67));   // G4
    score->SetTrackTransposedDisplay(0, 1);
    EXPECT_TRUE(score->GetTrack(0)->IsTransposedDisplay());
    EXPECT_EQ(Keys(0, 0), std::vector<int>{9}) << "C major shows as D major";
    EXPECT_EQ(Positions(0, 0), std::vector<int>{-5}) << "C shows as D";
    EXPECT_EQ(Positions(0, 1), std::vector<int>{-1}) << "G shows as A";
    EXPECT_EQ(score->GetLine(0)->GetStaff(0)->GetKey(), 9);
    score->SetTrackTransposedDisplay(0, 0);
    EXPECT_FALSE(score->GetTrack(0)->IsTransposedDisplay());
    EXPECT_EQ(Keys(0, 0), std::vector<int>{0});
    EXPECT_EQ(Positions(0, 0), std::vector<int>{-6});
    EXPECT_EQ(Positions(0, 1), std::vector<int>{-2});
    EXPECT_EQ(score->GetLine(0)->GetStaff(0)->GetKey(), 0);
}

TEST_F(TrackInOut, WithoutTranspositionOrClefChangeOnlyTheFlagChanges) {
    Make(1);
    Put(0, 0, Note(0, -6, 60));
    score->SetTrackTransposedDisplay(0, 1);
    EXPECT_TRUE(score->GetTrack(0)->IsTransposedDisplay());
    EXPECT_EQ(Positions(0, 0), std::vector<int>{-6});
}

TEST_F(TrackInOut, TheEnharmonicOptionsRespellSixAndSevenSharps) {
    struct Case {
        int concert, option, shown;
    };
    // E major (11) + 2 = F sharp major (13); B major (12) + 2 = C sharp major (14).
    for (const Case& c : {Case{11, 0, 6}, Case{12, 1, 5}, Case{11, -1, 13}, Case{12, 0, 14}}) {
        SCOPED_TRACE("key " + std::to_string(c.concert) + " option " + std::to_string(c.option));
        TearDown();
        Make(1);
        Transposition(0, 2);
        if (c.option >= 0) score->GetTrack(0)->SetEnharmonicFlag(c.option, true);
        Put(0, 0, KeySig(0, c.concert));
        score->SetTrackTransposedDisplay(0, 1);
        EXPECT_EQ(Keys(0, 0), std::vector<int>{c.shown});
        score->SetTrackTransposedDisplay(0, 0);
        EXPECT_EQ(Keys(0, 0), std::vector<int>{c.concert});
    }
}

TEST_F(TrackInOut, AWarningOnlyKeyIsRewrittenButTheNotesKeepTheKeysBeforeIt) {
    Make(1);
    Transposition(0, 2);
    Put(0, 0, KeySig(0, 0));
    Put(0, 0, KeySig(10, 8, 0x40));  // G major, only a warning at the bar's end
    Put(0, 0, Note(20, -6, 60));
    score->SetTrackTransposedDisplay(0, 1);
    EXPECT_EQ(Keys(0, 0), (std::vector<int>{9, 10})) << "G shows as A";
    EXPECT_EQ(Positions(0, 0), std::vector<int>{-5}) << "written in D, not A";
}

TEST_F(TrackInOut, AClefInTheMusicStaysAndTheNotesAfterItFollowIt) {
    Make(1);
    Transposition(0, 2);
    Put(0, 0, Clef(0, 1));          // bass clef
    Put(0, 0, Note(10, -2, 48));    // C3 on the bass staff (second space)
    score->SetTrackTransposedDisplay(0, 1);
    int clef = -1;
    Each(0, 0, CClef::kTypeCode, [&](CBarItem* r) { clef = r->Bytes()[CClef::kCode]; });
    EXPECT_EQ(clef, 1);
    EXPECT_EQ(Positions(0, 0), std::vector<int>{-1}) << "D3 on the bass staff";
}

TEST_F(TrackInOut, AHeadOnAnotherStaffComesHomeWhenATrackIsInsertedBetween) {
    struct Case {
        int index;
        int cross;  // the head's staff offset after the insertion
    };
    for (const Case& c : {Case{2, 0}, Case{3, 0}, Case{4, 2}}) {
        SCOPED_TRACE("insertion at " + std::to_string(c.index));
        TearDown();
        Make(4);
        Put(1, 0, Note(0, -6, 60, 2));  // track 1's head shown on staff 3
        ASSERT_TRUE(score->InsertTrack(c.index, 0, 0));
        int cross = -9;
        Each(1, 0, 144, [&](CBarItem* r) { cross = std::int8_t(r->Bytes()[kHeads + kCross]) >> 5; });
        EXPECT_EQ(cross, c.cross);
    }
}
