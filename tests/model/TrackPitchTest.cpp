// The track's conversions between played keys and written positions on percussion, tablature
// and standard staves, each with its own fallback, and the drum map built from the notes.
#include <gtest/gtest.h>

#include <vector>

#include "RecordTestSupport.h"
#include "model/ModelGlobals.h"
#include <algorithm>
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "platform/Theory.h"

namespace {

struct TrackPitchTest : ::testing::Test {
    recordtest::CleanGlobals clean;
    CZelDoc doc;
    CScore score{&doc};
    CTrack* track = nullptr;
    void SetUp() override {
        RegisterTrackClass();
        ASSERT_TRUE(score.BuildSkeleton(2, 1));
        g_model.currentScore = &score;
        track = score.GetTrack(0);
    }
    void Drum(int i, int key, int voice, int position, int head) {
        rec::Put<std::uint8_t>(track, CTrack::kDrumKeys + i, std::uint8_t(key));
        rec::Put<std::uint8_t>(track, CTrack::kDrumVoices + i, std::uint8_t(voice));
        rec::Put<std::int8_t>(track, CTrack::kDrumPositions + i, std::int8_t(position));
        rec::Put<std::uint8_t>(track, CTrack::kDrumHeads + i, std::uint8_t(head));
    }
    void ClearDrums() {
        for (int i = 0; i < CTrack::kDrums; ++i) Drum(i, 0, 0, 0, 0);
    }
};

TEST_F(TrackPitchTest, PercussionFallsBackEachInItsOwnWay) {
    track->SetStaffKind(1);
    ClearDrums();
    Drum(0, 38, 1, 3, 5);   // snare in voice 1
    Drum(1, 38, 0, -1, 2);  // snare in voice 0
    Drum(2, 42, 2, 7, 4);   // hi-hat in voice 2 only
    const int clef = track->GetClef();
    struct Case {
        const char* what;
        int got, want;
    };
    const Case cases[] = {
        {"written: the key in its voice", track->PlayedToWrittenPitch(38, 1, clef, 0), 3},
        {"written: no such voice takes the first drum of the key", track->PlayedToWrittenPitch(38, 5, clef, 0), 3},
        {"written: a key only another voice has", track->PlayedToWrittenPitch(42, 0, clef, 0), 7},
        {"written: a key no drum has", track->PlayedToWrittenPitch(50, 0, clef, 0), 0},
        {"played: the position in its voice", track->WrittenToPlayedPitch(3, 1, clef, 0), 38},
        {"played: another voice falls back to voice 0", track->WrittenToPlayedPitch(-1, 4, clef, 0), 38},
        {"played: a position only voice 2 has, as on a plain staff", track->WrittenToPlayedPitch(7, 0, clef, 0),
         CTheory::StaffPosToPitch(7, clef, 0)},
        {"head: in its voice", track->GetNoteHeadForKey(38, 1, 0), 5},
        {"head: another voice falls back to voice 0", track->GetNoteHeadForKey(38, 4, 0), 2},
        {"head: voice 0 has no hi-hat", track->GetNoteHeadForKey(42, 0, 0), 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
}

TEST_F(TrackPitchTest, TablatureCountsTheOpenStringOffsetTwice) {
    track->SetLineMask(4032);  // six lines: positions 6, 4, 2, 0, -2, -4
    track->SetStaffKind(2);    // tuning 76, 71, 67, 62, 57, 52
    rec::Put<std::uint8_t>(track, CTrack::kStrings, std::uint8_t((rec::Get<std::uint8_t>(track, CTrack::kStrings) & 0xF0) | 2));
    struct Case {
        const char* what;
        int got, want;
    };
    const Case cases[] = {
        {"fret 3 on the sixth line: 52 + 2 + 3 + 2", track->WrittenToPlayedPitch(-4, 0, 3, 0), 59},
        {"its head is the fret position 32 + 3", track->GetNoteHeadForKey(59, 0, 5), 35},
        {"below the open string: no head", track->GetNoteHeadForKey(53, 0, 5), 0},
        {"fret 26 is past the frets", track->GetNoteHeadForKey(56 + 26, 0, 5), 0},
        {"fret 25 is the last", track->GetNoteHeadForKey(56 + 25, 0, 5), 57},
        {"a line index gives its position", track->PlayedToWrittenPitch(2, 0, 0, 0), 2},
        {"a key is converted as on a plain staff", track->PlayedToWrittenPitch(64, 0, 0, 0),
         CTheory::PitchToStaffPos(64, 0, 0)},
        {"no line at the position: as on a plain staff", track->WrittenToPlayedPitch(1, 0, 0, 0),
         CTheory::StaffPosToPitch(1, 0, 0)},
        {"the string at -4", track->GetStringOfPosition(-4), 5},
        {"no string at 1", track->GetStringOfPosition(1), 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
}

TEST_F(TrackPitchTest, APlainStaffUsesTheTheoryTablesAndHasNoHeadForAKey) {
    EXPECT_EQ(track->PlayedToWrittenPitch(67, 0, 0, 2), CTheory::PitchToStaffPos(67, 0, 2));
    EXPECT_EQ(track->WrittenToPlayedPitch(-3, 0, 1, 9), CTheory::StaffPosToPitch(-3, 1, 9));
    EXPECT_EQ(track->GetNoteHeadForKey(60, 0, 0), 0);
}

// A performance note of the given keys at a time in a bar of track 0.
void AddChord(CTrkBar* bar, int time, std::vector<int> keys) {
    for (int key : keys) {
        PerformanceEvent e;
        e.time = time;
        e.key = std::uint8_t(key);
        e.duration = 120;
        ASSERT_TRUE(bar->AddPerformanceNote(e));
    }
}

TEST_F(TrackPitchTest, TheDrumMapIsCollectedFromTheNotesAndGivesThemTheirVoices) {
    track->SetStaffKind(1);
    ClearDrums();
    EXPECT_EQ(track->CollectDrumMap(&score), 0) << "no notes: the map is unchanged";
    AddChord(score.GetTrkBar(0, 0), 0, {40, 36});
    AddChord(score.GetTrkBar(0, 1), 240, {40, 45});
    ASSERT_EQ(track->CollectDrumMap(&score), 3);
    // Highest key first; no library entry places them, so they go down from the top.
    EXPECT_EQ(std::vector<int>({track->GetDrumKey(0), track->GetDrumKey(1), track->GetDrumKey(2), track->GetDrumKey(3)}),
              std::vector<int>({45, 40, 36, 0}));
    EXPECT_EQ(std::vector<int>({track->GetDrumPosition(0), track->GetDrumPosition(1), track->GetDrumPosition(2)}),
              std::vector<int>({6, 4, 2}));

    rec::Put<std::uint8_t>(track, CTrack::kDrumVoices + 1, 3);  // key 40 plays in voice 3
    track->ApplyDrumVoices(&score);
    std::vector<int> voices;
    for (int b = 0; b < 2; ++b)
        for (CBarItem* it = nullptr; score.GetTrkBar(0, b)->NextItem(&it, -1);)
            if (it->TypeCode() == 112) voices.push_back(it->VoiceField());
    EXPECT_EQ(voices.size(), 4u);
    EXPECT_EQ(std::count(voices.begin(), voices.end(), 3), 2) << "the two notes of key 40";
}

}  // namespace
