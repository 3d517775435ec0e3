// Tracks in and out of a score: the kinds an insertion makes, the slots of the tracks' bars, the
// staves hidden before a system and the systems below moving, the key signature the new tracks
// take, removal with its brackets and shown staves, moving a track, and the small score
// services beside them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "RecordTestSupport.h"
#include "support/RunTool.h"
#include "support/TempHome.h"
#include "framework/Memory.h"
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/EditTask.h"
#include "model/ItemArray.h"
#include "model/KeySig.h"
#include "model/Lyric.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"

namespace {

struct Fixture {
    recordtest::CleanGlobals clean;
    CZelDoc doc;
    std::unique_ptr<CScore> score;
    explicit Fixture(int bars = 8, int tracks = 3) {
        RegisterTrackClass();
        score = std::make_unique<CScore>(&doc);
        EXPECT_TRUE(score->BuildSkeleton(bars, tracks));
        score->Reindex();
    }
    CTrack* Track(int t) { return score->GetTrack(t); }
    CStaff* Staff(int s, int t) { return score->GetLine(s)->GetStaff(t); }
    // A marker record in bar 0 of track t: a note whose time tells the tracks apart.
    void Mark(int t, int time) { ASSERT_NE(score->GetTrkBar(t, 0)->NewItem(144, time), nullptr); }
    int MarkOf(int t) {
        int time = -1;
        trkbar::ForEachLiveItem(score->GetTrkBar(t, 0), [&](CBarItem* r) {
            if (r->TypeCode() == 144) time = r->GetTime();
        });
        return time;
    }
    // Every invariant the three places of a track keep.
    void ExpectInStep() {
        const int n = score->GetTrackCount();
        EXPECT_EQ(score->GetTrackArray()->GetCount(), n);
        for (int s = 0; s < score->GetLineCount(); ++s)
            EXPECT_EQ(score->GetLine(s)->GetStaffArray()->GetCount(), n) << "system " << s;
        for (int t = 0; t < CScore::kMaxTracks; ++t) {
            const int bars = score->GetTrkBarArray(t)->GetCount();
            EXPECT_EQ(bars, t < n ? score->GetBarCount() : 0) << "slot " << t;
            for (int b = 0; b < bars; ++b) EXPECT_EQ(score->GetTrkBar(t, b)->GetTrackByte(), t);
        }
    }
};

struct KindCase {
    int kind;
    std::vector<int> clefs;
    std::vector<int> kinds;
    std::vector<int> masks;
    int braceTop;  // the staff the brace starts at, -1 none
};

TEST(ScoreTracks, EachKindMakesItsTracksClefsLinesAndBrace) {
    const std::vector<KindCase> cases = {
        {0, {0}, {0}, {1984}, -1},
        {1, {1}, {0}, {1984}, -1},
        {2, {2}, {0}, {1984}, -1},
        {3, {3}, {0}, {1984}, -1},
        {4, {11}, {1}, {1984}, -1},
        {5, {13}, {2}, {2016}, -1},
        {6, {0, 1}, {0, 0}, {1984, 1984}, 1},
        {7, {0, 0, 1}, {0, 0, 0}, {1984, 1984, 1984}, 2},
    };
    for (const KindCase& c : cases) {
        SCOPED_TRACE("kind " + std::to_string(c.kind));
        Fixture f(8, 2);  // treble over bass
        f.Track(1)->SetKey(9);  // the neighbour at the insertion index
        f.Mark(1, 7);
        ASSERT_TRUE(f.score->InsertTrack(1, c.kind, 0));
        const int n = int(c.clefs.size());
        ASSERT_EQ(f.score->GetTrackCount(), 2 + n);
        for (int k = 0; k < n; ++k) {
            CTrack* t = f.Track(1 + k);
            EXPECT_EQ(t->GetClef(), c.clefs[std::size_t(k)]) << k;
            EXPECT_EQ(t->GetStaffKind(), c.kinds[std::size_t(k)]) << k;
            EXPECT_EQ(t->GetLineMask(), c.masks[std::size_t(k)]) << k;
            EXPECT_EQ(f.Staff(0, 1 + k)->GetClef(), c.clefs[std::size_t(k)]) << k;
            EXPECT_EQ(f.Staff(0, 1 + k)->GetLineMask(), c.masks[std::size_t(k)]) << k;
            EXPECT_TRUE(f.Staff(0, 1 + k)->IsShown());
        }
        EXPECT_EQ(f.Track(1)->GetKey(), 9) << "the first new track takes the neighbour's key";
        EXPECT_EQ(f.Staff(0, 1)->GetKey(), 9);
        EXPECT_EQ(f.MarkOf(1 + n), 7) << "the old bass keeps its bars at its new index";
        EXPECT_EQ(f.Track(1 + n)->GetClef(), 1);
        for (int s = 0; s < f.score->GetLineCount(); ++s) {
            bool braced = false;
            for (int i = 0; i < f.score->GetTrackCount(); ++i)
                for (int slot = 0; slot < CStaff::kBracketSlots; ++slot)
                    if (f.Staff(s, i)->GetBracketKind(slot) == 1) {
                        EXPECT_EQ(i, c.braceTop) << "system " << s;
                        EXPECT_EQ(f.Staff(s, i)->GetBracketSpan(slot), 1);
                        braced = true;
                    }
            EXPECT_EQ(braced, c.braceTop >= 0) << "system " << s;
        }
        f.ExpectInStep();
    }
}

TEST(ScoreTracks, TablatureHasFourLinesUnderABassStaffAndTheNeighboursSize) {
    struct Case {
        int index;
        int aboveClef;
        std::uint16_t mask;
    };
    for (const Case& c : {Case{1, 1, 960}, Case{1, 0, 2016}, Case{0, 0, 2016}}) {
        SCOPED_TRACE("index " + std::to_string(c.index) + " clef above " + std::to_string(c.aboveClef));
        Fixture f(4, 1);
        f.Track(0)->SetClef(c.aboveClef);
        rec::Put<std::uint8_t>(f.Track(0), CTrack::kStaffSize, 90);
        ASSERT_TRUE(f.score->InsertTrack(c.index, 5, 0));
        CTrack* tab = f.Track(c.index);
        EXPECT_EQ(tab->GetLineMask(), c.mask);
        // In a score with systems the neighbour's size replaces the tablature size.
        EXPECT_EQ(rec::Get<std::uint8_t>(tab, CTrack::kStaffSize), 90);
        EXPECT_EQ(tab->GetDisplaySwitches() & 0xA0, 0x80);
    }
}

TEST(ScoreTracks, AppendingRotatesNoSlotsAndInsertingAtZeroMovesEveryUsedSlot) {
    Fixture f(4, 3);
    for (int t = 0; t < 3; ++t) f.Mark(t, 10 + t);
    CTrkBarArray* arrays[4] = {f.score->GetTrkBarArray(0), f.score->GetTrkBarArray(1), f.score->GetTrkBarArray(2),
                               f.score->GetTrkBarArray(3)};
    ASSERT_TRUE(f.score->InsertTrack(3, 0, 0));
    for (int t = 0; t < 4; ++t) EXPECT_EQ(f.score->GetTrkBarArray(t), arrays[t]) << t;
    ASSERT_TRUE(f.score->InsertTrack(0, 6, 0));
    for (int t = 0; t < 4; ++t) EXPECT_EQ(f.score->GetTrkBarArray(t + 2), arrays[t]) << t;
    EXPECT_EQ(f.MarkOf(2), 10);
    EXPECT_EQ(f.MarkOf(4), 12);
    EXPECT_EQ(f.MarkOf(0), -1);
    f.ExpectInStep();
}

TEST(ScoreTracks, NewStavesAreHiddenBeforeTheFirstShownSystemAndLowerSystemsMoveDown) {
    CZelDoc doc;
    recordtest::CleanGlobals clean;
    RegisterTrackClass();
    auto score = std::make_unique<CScore>(&doc);
    doc.engraver.SetWord(EngraverSettings::kBarsPerSystem, 1);
    doc.engraver.SetWord(EngraverSettings::kGroupsPerPage, 6);
    ASSERT_TRUE(score->BuildSkeleton(6, 2));
    score->Reindex();
    ASSERT_GE(score->GetLineCount(), 5);
    CPage* page = score->GetPage(0);
    std::vector<int> tops;
    for (int s = 0; s < score->GetLineCount(); ++s) tops.push_back(score->GetLine(s)->GetTopOffset());
    ASSERT_TRUE(score->InsertTrack(2, 0, 3));
    for (int s = 0; s < score->GetLineCount(); ++s) {
        EXPECT_EQ(score->GetLine(s)->GetStaff(2)->IsShown(), s >= 3) << "system " << s;
        if (score->GetLine(s)->GetPage() != page || s == page->GetFirstSystem()) continue;
        // Systems 1-3 follow systems without a shown new staff; after system 3 one shown staff
        // of S + 480 twentieths each.
        const int expected = tops[std::size_t(s)] + (s > 3 ? (720 + 480) * (s - 3) : 0);
        EXPECT_EQ(score->GetLine(s)->GetTopOffset(), expected) << "system " << s;
    }
}

TEST(ScoreTracks, NewTracksTakeTrackZerosFirstFullKeySignature) {
    Fixture f(4, 2);
    CBarItem* sig = f.score->GetTrkBar(0, 1)->NewItem(CKeySig::kTypeCode, 0);
    ASSERT_NE(sig, nullptr);
    rec::Put<std::uint8_t>(sig, CKeySig::kKey, 3);
    rec::Put<std::uint8_t>(sig, CKeySig::kPlaybackKey, 10);
    ASSERT_TRUE(f.score->InsertTrack(1, 6, 0));
    for (int t : {1, 2}) {
        int keys = 0, shown = -1;
        trkbar::ForEachLiveItem(f.score->GetTrkBar(t, 1), [&](CBarItem* r) {
            if (r->TypeCode() != CKeySig::kTypeCode) return;
            ++keys;
            shown = rec::Get<std::uint8_t>(r, CKeySig::kKey);
            EXPECT_EQ(r->FlagsB() & CBarItem::kScratchBit, 0);
        });
        EXPECT_EQ(keys, 1) << "track " << t;
        EXPECT_EQ(shown, 10) << "the copy shows the stored concert key";
    }
    // At index 0 the new track is track 0 itself: nothing to copy.
    Fixture g(4, 2);
    sig = g.score->GetTrkBar(0, 1)->NewItem(CKeySig::kTypeCode, 0);
    ASSERT_TRUE(g.score->InsertTrack(0, 0, 0));
    int keys = 0;
    trkbar::ForEachLiveItem(g.score->GetTrkBar(0, 1), [&](CBarItem* r) { keys += r->TypeCode() == CKeySig::kTypeCode; });
    EXPECT_EQ(keys, 0);
}

TEST(ScoreTracks, AFailedBarOfATrackFailsTheInsertion) {
    Fixture f(8, 2);
    fw::memtest::FailAfter(4);
    const bool inserted = f.score->InsertTrack(1, 0, 0);
    fw::memtest::Reset();
    EXPECT_FALSE(inserted) << "never success with a short array";
}

TEST(ScoreTracks, RemovalKeepsBracketsAndShownStavesSound) {
    // A brace over staves 0-2 (span 2).
    auto braced = [](Fixture& f) {
        for (int s = 0; s < f.score->GetLineCount(); ++s) f.score->GetLine(s)->SetBracket(1, 0, 2, false);
    };
    auto braceAt = [](Fixture& f, int staff) {
        CStaff* st = f.Staff(0, staff);
        for (int slot = 0; slot < CStaff::kBracketSlots; ++slot)
            if (st->GetBracketKind(slot) == 1) return int(st->GetBracketSpan(slot));
        return -1;
    };
    {
        Fixture f(4, 3);
        braced(f);
        ASSERT_EQ(braceAt(f, 0), 2);
        ASSERT_TRUE(f.score->DeleteTrack(1));
        EXPECT_EQ(braceAt(f, 0), 1) << "losing track 1 shortens the brace";
        f.ExpectInStep();
    }
    {
        Fixture f(4, 3);
        braced(f);
        f.Mark(1, 5);
        ASSERT_TRUE(f.score->DeleteTrack(0));
        EXPECT_EQ(braceAt(f, 0), 1) << "losing track 0 moves the brace to the new track 0";
        EXPECT_EQ(f.MarkOf(0), 5);
        f.ExpectInStep();
    }
    {
        Fixture f(4, 1);
        const std::vector<std::uint8_t> before(reinterpret_cast<std::uint8_t*>(f.Track(0)),
                                               reinterpret_cast<std::uint8_t*>(f.Track(0)) + CTrack::kSize);
        EXPECT_TRUE(f.score->DeleteTrack(0)) << "the only track: success, nothing changed";
        EXPECT_EQ(f.score->GetTrackCount(), 1);
    }
    for (int removed : {0, 2}) {
        SCOPED_TRACE("removing the only shown staff " + std::to_string(removed));
        Fixture f(4, 3);
        for (int i = 0; i < 3; ++i) f.Staff(0, i)->SetShown(i == removed);
        ASSERT_TRUE(f.score->DeleteTrack(removed));
        EXPECT_EQ(f.score->GetLine(0)->CountShownStaves(), 1);
        // The staff below it shows, or the one above when it was the last.
        EXPECT_TRUE(f.Staff(0, removed == 0 ? 0 : 1)->IsShown());
    }
}

TEST(ScoreTracks, MovingKeepsTheOrderAndTheStaffPositionsOnThePage) {
    Fixture f(4, 4);
    for (int t = 0; t < 4; ++t) f.Mark(t, 20 + t);
    for (int t = 0; t < 4; ++t) f.Track(t)->SetName(("T" + std::to_string(t)).c_str());
    std::vector<int> middles;
    for (int t = 0; t < 4; ++t) middles.push_back(f.Staff(0, t)->GetMiddleY());
    f.score->MoveTrack(3, 0);
    const char* names[] = {"T3", "T0", "T1", "T2"};
    for (int t = 0; t < 4; ++t) {
        EXPECT_STREQ(f.Track(t)->GetFullName(), names[t]);
        EXPECT_EQ(f.MarkOf(t), 20 + (t + 3) % 4);
        EXPECT_EQ(f.Staff(0, t)->GetMiddleY(), middles[std::size_t(t)]) << t;
    }
    f.ExpectInStep();
}

TEST(ScoreTracks, BarsInTimeCountsWholeBarsAndEndsOnABarWithoutLength) {
    Fixture f(4, 1);
    const int length = f.score->GetBar(0)->GetLength();
    ASSERT_GT(length, 0);
    EXPECT_EQ(f.score->BarsInTime(0), 0);
    EXPECT_EQ(f.score->BarsInTime(length - 1), 0);
    EXPECT_EQ(f.score->BarsInTime(length), 1);
    EXPECT_EQ(f.score->BarsInTime(length * 6), 6) << "past the end the last bar's length repeats";
}

TEST(ScoreTracks, LyricLinesCountFromTheHighestLineNumber) {
    Fixture f(2, 1);
    EXPECT_EQ(f.score->CheckLyricLines(), 1);
    EXPECT_EQ(f.doc.lyricLineCount, 1);
    for (int line : {0, 3}) {
        std::uint8_t record[CLyricLine::kFixedSize] = {};
        rec::Put<std::int16_t>(record, rec::kSize, CLyricLine::kFixedSize);
        record[rec::kType] = CLyricLine::kTypeCode;
        record[9] = std::uint8_t(line);
        ASSERT_NE(f.score->GetLyricArray()->Add(record), nullptr);
    }
    EXPECT_EQ(f.score->CheckLyricLines(), 4);
    EXPECT_EQ(f.doc.lyricLineCount, 4);
}

TEST(ScoreTracks, NewUndoTaskSnapshotsTheWholeScoreOrGivesNullWhenMemoryRunsOut) {
    Fixture f(4, 2);
    CScore* own = f.doc.score;  // the document's own score, put back before the fixture goes
    f.doc.score = f.score.get();
    CScoreTask* task = f.score->NewUndoTask(0, 0, -1, 0, -1);
    ASSERT_NE(task, nullptr);
    EXPECT_TRUE(task->wholeScore);
    EXPECT_TRUE(task->layoutChanged);
    EXPECT_EQ(f.doc.GetUndoCount(), 1);
    fw::memtest::FailAfter(0);
    CScoreTask* none = f.score->NewUndoTask(0, 0, -1, 0, -1);
    fw::memtest::Reset();
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(f.doc.GetUndoCount(), 1) << "nothing pushed";
    f.doc.ClearUndo();
    f.doc.score = own;
}

// Through the tools: a piano pair inserted at 1 in the piano score, saved and read back, gives
// four tracks, a brace over staves 1-2 and the old bass at 3; deleting it again leaves two.
TEST(ScoreTracks, ZelscriptInsertsAndDeletesTracksThatReadBack) {
    if (!std::getenv("ZEL_BUILD_DIR")) GTEST_SKIP() << "ZEL_BUILD_DIR names the tools' folder";
    testsupport::TempDir dir;
    const std::string zel = dir.path() + "/p.zel", zs = dir.path() + "/t.zs";
    std::ofstream(zs) << "new 1\ninserttrack 1 6\nsave " << zel << "\n";
    std::string out;
    ASSERT_EQ(testsupport::RunTool("zelscript", zs, &out), 0) << out;
    out.clear();
    ASSERT_EQ(testsupport::RunTool("zeldump", "--layout " + zel, &out), 0) << out;
    EXPECT_NE(out.find("score: 4 tracks"), std::string::npos) << out;
    EXPECT_NE(out.find("track 1: \"\" clef 0"), std::string::npos) << out;
    EXPECT_NE(out.find("track 2: \"\" clef 1"), std::string::npos) << out;
    EXPECT_NE(out.find("track 3: \"\" clef 1"), std::string::npos) << out;
    EXPECT_NE(out.find("bracket: staff 1 slot 0, kind 1, span 1"), std::string::npos) << out;
    EXPECT_NE(out.find("track 2 staff: kind 0, lines 0x07C0, size 100, port"), std::string::npos) << out;
    std::ofstream(zs) << "open " << zel << "\ndeletetrack 1\ndeletetrack 1\nsave " << zel << "\n";
    out.clear();
    ASSERT_EQ(testsupport::RunTool("zelscript", zs, &out), 0) << out;
    out.clear();
    ASSERT_EQ(testsupport::RunTool("zeldump", "--layout " + zel, &out), 0) << out;
    EXPECT_NE(out.find("score: 2 tracks"), std::string::npos) << out;
    EXPECT_NE(out.find("track 1: \"\" clef 1"), std::string::npos) << out;
}

}  // namespace
