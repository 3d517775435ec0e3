// The score arrays and the score root: numbering and last flags, the list form, element access
// and ownership of every array and item run.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "RecordTestSupport.h"
#include "framework/Exceptions.h"
#include "framework/Menu.h"
#include "framework/UiTest.h"
#include "model/Bar.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/System.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/DrawGlobals.h"

using namespace recordtest;

namespace {

void ExpectNumbered(CScoreArray& a) {
    for (int i = 0; i < a.GetCount(); ++i) {
        SCOPED_TRACE(i);
        CArrayItem* e = a.Element(i);
        EXPECT_EQ(e->GetIndex(), i);
        EXPECT_EQ(e->IsLast(), i == a.GetCount() - 1);
    }
}

}  // namespace

TEST(ScoreArraysTest, SetSizeRevivesAndNumbers) {
    CPageArray pages;
    ASSERT_TRUE(pages.SetSize(3));
    EXPECT_EQ(pages.GetCount(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(pages.Element(i)->TypeCode(), 0);
        EXPECT_EQ(pages.Element(i)->RecordSizeField(), 68);
        EXPECT_STREQ(pages.Element(i)->ClassIn(ItemClasses())->className, "CPage");
    }
    ExpectNumbered(pages);
    EXPECT_EQ(pages.GetAt(4), nullptr) << "past the count: no element";
    EXPECT_EQ(pages.GetTag(), MakeChunkTag("PAGE"));
}

TEST(ScoreArraysTest, InsertAndRemoveKeepTheNumbering) {
    CLineArray lines;
    for (int i = 0; i < 3; ++i) ASSERT_NE(lines.InsertEmpty(0), nullptr);
    rec::Put<std::int16_t>(lines.GetAt(2), 12, 77);
    ASSERT_NE(lines.InsertEmpty(1), nullptr);
    ExpectNumbered(lines);
    EXPECT_EQ(rec::Get<std::int16_t>(lines.GetAt(3), 12), 77);
    lines.RemoveAt(4);  // the count: nothing
    EXPECT_EQ(lines.GetCount(), 4);
    lines.RemoveAt(3);
    EXPECT_EQ(lines.GetCount(), 3);
    EXPECT_TRUE(lines.Element(2)->IsLast()) << "the last flag moved";
    ExpectNumbered(lines);
    lines.RemoveAt(-1);
    EXPECT_EQ(lines.GetCount(), 3);
}

TEST(ScoreArraysTest, ReviveAllKeepsRecordSizes) {
    CStaffArray staves;
    ASSERT_TRUE(staves.SetSize(2));
    rec::Put<std::int16_t>(staves.GetAt(1), rec::kSize, 100);
    std::unique_ptr<CStaffArray> copy(static_cast<CStaffArray*>(staves.Clone()));
    ASSERT_NE(copy, nullptr);
    for (int i = 0; i < 2; ++i) rec::Put<std::uint32_t>(copy->GetAt(i), 0, 0);
    copy->ReviveAll();
    EXPECT_EQ(copy->Element(0)->RecordSizeField(), 126);
    EXPECT_EQ(copy->Element(1)->RecordSizeField(), 100);
    EXPECT_STREQ(copy->Element(1)->ClassIn(ItemClasses())->className, "CStaff");
}

TEST(ScoreArraysTest, ListFormRoundTrip) {
    CleanGlobals clean;
    CLineArray lines;
    ASSERT_TRUE(lines.SetSize(2));
    const std::uint32_t tag = MakeChunkTag("LINL");
    Bytes out = Written([&](CChunkStream& s) { lines.Write(s, tag); });
    // The list's tag and count, then every element's own chunk in order.
    Bytes expected = {'L', 'I', 'N', 'L', 0, 2};
    for (int i = 0; i < 2; ++i) {
        const Bytes one = Written([&](CChunkStream& s) { lines.Element(i)->Write(s); });
        expected.insert(expected.end(), one.begin(), one.end());
    }
    EXPECT_EQ(out, expected);

    CLineArray back;
    {
        Reader r(out);
        back.Read(r.stream, tag);
    }
    ASSERT_EQ(back.GetCount(), 2);
    EXPECT_STREQ(back.Element(1)->ClassIn(ItemClasses())->className, "CLine");
    EXPECT_EQ(Written([&](CChunkStream& s) { back.Write(s, tag); }), out);

    // The list's tag and each element chunk's tag are compared: another tag there is damage.
    const std::size_t secondLine = 6 + (expected.size() - 6) / 2;
    for (std::size_t at : {std::size_t(0), std::size_t(6), secondLine}) {
        Bytes damaged = out;
        damaged[at] = 'X';
        CLineArray other;
        Reader r(damaged);
        EXPECT_THROW(other.Read(r.stream, tag), CArchiveException) << "tag at " << at;
        EXPECT_EQ(other.GetCount(), 0) << "tag at " << at;
    }
}

TEST(ScoreArraysTest, AListLongerThanTheStreamIsDamage) {
    CleanGlobals clean;
    CTrackArray tracks;
    Reader r(Bytes({'T', 'R', 'K', 'L', 0x7F, 0}));
    EXPECT_THROW(tracks.Read(r.stream, 0), CArchiveException);
    EXPECT_EQ(tracks.GetCount(), 0);
}

// --- the score root ---------------------------------------------------------------------------

struct ScoreTest : ::testing::Test {
    CleanGlobals clean;
    CZelDoc doc;
};

TEST_F(ScoreTest, ANewScoreIsEmptyWithItsDefaults) {
    g_draw.standardFontRefs[0] = FontRef{3, 8, 0, 0};
    DefaultFontTable()[5] = FontRef{1, 12, 2, 0};
    CScore score(&doc);
    EXPECT_EQ(score.GetTrackCount(), 0);
    EXPECT_EQ(score.GetPageCount(), 0);
    EXPECT_EQ(score.GetLineCount(), 0);
    EXPECT_EQ(score.GetBarCount(), 0);
    EXPECT_EQ(score.playRepeats, 1);
    EXPECT_EQ(score.fillWithWholeRests, 1);
    EXPECT_EQ(score.showColors, 1);
    EXPECT_EQ(score.multiBarRestDefault, 80);
    EXPECT_EQ(score.timecodeFrameStyle, 3);
    EXPECT_EQ(score.layoutWords[0], 12);
    EXPECT_EQ(score.timecodeFont.face, 3);
    EXPECT_EQ(score.timecodeFont.style, 1) << "the timecode font is bold";
    EXPECT_EQ(score.textFont1.face, 1);
    for (int t = 0; t < CScore::kMaxTracks; ++t) {
        ASSERT_NE(score.GetTrkBarArray(t), nullptr);
        EXPECT_EQ(score.GetTrkBarArray(t)->GetElementSize(), 44);
        EXPECT_EQ(score.GetTrkBarArray(t)->GetCount(), 0);
    }
    EXPECT_EQ(score.GetDeviceArray()->GetElementSize(), 138);
    EXPECT_EQ(score.GetPatchArray()->GetElementSize(), 140);
    EXPECT_EQ(score.GetTrkBarArray(64), nullptr);
}

TEST_F(ScoreTest, ElementAccessStaysInsideTheArrays) {
    CScore score(&doc);
    ASSERT_TRUE(score.GetBarArray()->SetSize(2));
    score.barCount = 2;
    ASSERT_NE(score.GetBar(1), nullptr);
    EXPECT_EQ(score.GetBar(1)->GetIndex(), 1);
    EXPECT_EQ(score.GetBar(2), nullptr) << "the count is no element";
    EXPECT_EQ(score.GetBar(200), nullptr) << "not element 0";
    EXPECT_EQ(score.GetBar(-1), nullptr);
    EXPECT_EQ(score.GetLine(0), nullptr);
    EXPECT_EQ(score.GetPage(0), nullptr);
    EXPECT_EQ(score.GetTrack(0), nullptr);
    EXPECT_EQ(score.GetPageText(0), nullptr);
    EXPECT_EQ(score.GetTrkBar(-1, 0), nullptr);
    EXPECT_EQ(score.GetTrkBar(64, 0), nullptr);
}

TEST_F(ScoreTest, BarsOfATrackHoldAnEmptyRunEach) {
    CScore score(&doc);
    for (int b = 0; b < 3; ++b) ASSERT_TRUE(score.InsertTrkBar(2, 0));
    CTrkBar* tb = score.GetTrkBar(2, 1);
    ASSERT_NE(tb, nullptr);
    EXPECT_EQ(tb->GetBarIndex(), 1);
    EXPECT_EQ(tb->GetTrackIndex(), 2);
    EXPECT_EQ(tb->GetRunLength(), 16u);
    ASSERT_NE(tb->GetItems(), nullptr);
    EXPECT_EQ(tb->GetItems()->TypeCode(), 255);
    EXPECT_EQ(tb->GetItems()->RecordSizeField(), 16);
    EXPECT_TRUE(score.GetTrkBar(2, 2)->IsLast());

    const std::size_t blocks = fw::memtest::LiveBlocks();
    EXPECT_TRUE(score.RemoveTrkBar(2, 1));
    EXPECT_EQ(score.GetTrkBarArray(2)->GetCount(), 2);
    EXPECT_EQ(fw::memtest::LiveBlocks(), blocks - 1) << "the removed bar's run is freed";
    EXPECT_EQ(score.GetTrkBar(2, 1)->GetBarIndex(), 1);

    fw::memtest::FailAfter(0);
    EXPECT_FALSE(score.InsertTrkBar(2, 0));
    fw::memtest::Reset();
    EXPECT_EQ(score.GetTrkBarArray(2)->GetCount(), 2) << "no room: nothing changed";
}

TEST_F(ScoreTest, DestroyingAScoreFreesEveryRun) {
    const std::size_t before = fw::memtest::LiveBlocks();
    {
        auto score = std::make_unique<CScore>(&doc);
        for (int t = 0; t < 3; ++t)
            for (int b = 0; b < 4; ++b) ASSERT_TRUE(score->InsertTrkBar(t, b));
        ASSERT_TRUE(score->GetTrackArray()->SetSize(3));
        score->trackCount = 3;
        ASSERT_TRUE(score->GetBarArray()->SetSize(4));
        score->barCount = 4;
        ASSERT_TRUE(score->GetPageArray()->SetSize(1));
        ASSERT_TRUE(score->GetLineArray()->SetSize(2));
        CTrkBar* tb = score->GetTrkBar(1, 2);
        // An item run that grew.
        ItemBlock* run = ItemBlock::At(tb->Bytes() + CTrkBar::kRun);
        ASSERT_NE(run->InsertGapAtTime(0, 40), nullptr);
        EXPECT_EQ(tb->GetRunLength(), 56u);
        EXPECT_TRUE(score->tempoMap.Add({0, 0, 12000, 12000}));
        EXPECT_TRUE(score->rackText.Append("rack", 4));
        EXPECT_GT(score->GetSizeInKilobytes(), 0);
        g_model.currentScore = score.get();
    }
    EXPECT_EQ(fw::memtest::LiveBlocks(), before);
    EXPECT_EQ(g_model.currentScore, nullptr);
}

// A score that goes while another stays current leaves no current record pointing into the
// arrays it frees; the records of the score that stays are left alone.
TEST_F(ScoreTest, ADeletedScoreLeavesNoCurrentRecordPointingIntoIt) {
    RegisterTrackClass();
    CScore stays(&doc);
    ASSERT_TRUE(stays.BuildSkeleton(4, 2));
    auto goes = std::make_unique<CScore>(&doc);
    ASSERT_TRUE(goes->BuildSkeleton(4, 2));
    g_model.currentScore = &stays;
    g_model.currentPage = goes->GetPage(0);
    g_model.currentLine = goes->GetLine(0);
    g_model.currentBar = goes->GetBar(2);
    g_model.currentStaff = goes->GetLine(0)->GetStaff(1);
    g_model.currentTrack = goes->GetTrack(1);
    g_model.currentTrkBar = goes->GetTrkBar(1, 2);
    goes.reset();
    EXPECT_EQ(g_model.currentScore, &stays);
    EXPECT_EQ(g_model.currentPage, nullptr);
    EXPECT_EQ(g_model.currentLine, nullptr);
    EXPECT_EQ(g_model.currentBar, nullptr);
    EXPECT_EQ(g_model.currentStaff, nullptr);
    EXPECT_EQ(g_model.currentTrack, nullptr);
    EXPECT_EQ(g_model.currentTrkBar, nullptr);

    g_model.currentBar = stays.GetBar(1);
    g_model.currentTrkBar = stays.GetTrkBar(0, 1);
    {
        CScore other(&doc);
        ASSERT_TRUE(other.BuildSkeleton(2, 1));
    }
    EXPECT_EQ(g_model.currentBar, stays.GetBar(1));
    EXPECT_EQ(g_model.currentTrkBar, stays.GetTrkBar(0, 1));
    g_model.currentBar = nullptr;
    g_model.currentTrkBar = nullptr;
}

// Bars going in one at a time move the bar array and the tracks' bar arrays now and then; the
// current bar and bar of a track stay on the records they pointed to (never on a freed block).
TEST_F(ScoreTest, CurrentRecordsFollowTheirArraysWhenBarsGoingInMoveThem) {
    RegisterTrackClass();
    CScore score(&doc);
    ASSERT_TRUE(score.BuildSkeleton(4, 2));
    g_model.currentBar = score.GetBar(2);
    g_model.currentTrkBar = score.GetTrkBar(1, 2);
    const CBar* firstBlock = score.GetBar(0);
    const CTrkBar* firstTrkBlock = score.GetTrkBar(1, 0);
    bool barsMoved = false, trkBarsMoved = false;
    for (int n = 0; n < 200 && !(barsMoved && trkBarsMoved); ++n) {
        ASSERT_NE(score.InsertBarRecords(score.GetBarCount()), nullptr) << n;
        barsMoved = barsMoved || score.GetBar(0) != firstBlock;
        trkBarsMoved = trkBarsMoved || score.GetTrkBar(1, 0) != firstTrkBlock;
        ASSERT_EQ(g_model.currentBar, score.GetBar(2)) << n;
        ASSERT_EQ(g_model.currentTrkBar, score.GetTrkBar(1, 2)) << n;
    }
    EXPECT_TRUE(barsMoved);
    EXPECT_TRUE(trkBarsMoved);
    g_model.currentBar = nullptr;
    g_model.currentTrkBar = nullptr;
}

TEST_F(ScoreTest, AFailedConstructionLeavesNothing) {
    const std::size_t before = fw::memtest::LiveBlocks();
    for (int allowed : {0, 3, 20, 70}) {
        fw::memtest::FailAfter(allowed);
        EXPECT_THROW(CScore{&doc}, CMemoryException) << allowed;
        fw::memtest::Reset();
        EXPECT_EQ(fw::memtest::LiveBlocks(), before) << allowed;
    }
}

TEST_F(ScoreTest, VoicesTheDocumentShows) {
    CScore score(&doc);
    std::vector<std::uint8_t> bytes(32, 0);
    auto* item = ItemCast<CBarItem>(bytes.data());
    ConstructClass(144, item);
    item->SetVoice(2);
    doc.location.allVoices = 1;
    for (int v = 0; v < 8; ++v) EXPECT_TRUE(score.IsVoiceShown(v));
    EXPECT_TRUE(score.IsItemInShownVoice(item));
    doc.location.allVoices = 0;
    doc.location.voice = 2;
    EXPECT_TRUE(score.IsItemInShownVoice(item));
    EXPECT_FALSE(score.IsVoiceShown(0));
    item->SetVoice(0);
    EXPECT_FALSE(score.IsItemInShownVoice(item));
    doc.location.allVoices = 1;
    item->MarkRemoved();
    EXPECT_FALSE(score.IsItemInShownVoice(item)) << "a removed item is never shown";
}

TEST_F(ScoreTest, TempoMapKeepsTimeOrderAndReplacesEqualTimes) {
    CScore score(&doc);
    TempoMap& map = score.tempoMap;
    ASSERT_TRUE(map.Add({2, 1920, 9000, 9000}));
    ASSERT_TRUE(map.Add({0, 0, 12000, 12000}));
    ASSERT_TRUE(map.Add({4, 3840, 6000, 6000}));
    ASSERT_TRUE(map.Add({2, 1920, 10000, 5000}));
    ASSERT_EQ(map.Count(), 3);
    EXPECT_EQ(map.Get(0).time, 0);
    EXPECT_EQ(map.Get(1).tempo, 10000);
    EXPECT_EQ(map.Get(1).marked, 5000);
    EXPECT_EQ(map.Get(2).bar, 4);
    map.Reset();
    EXPECT_EQ(map.Count(), 0);
}

TEST_F(ScoreTest, ATrackIsChosenFromAPopUpOfTheTrackNames) {
    fw::uitest::Session session;
    RegisterTrackClass();
    CScore score(&doc);
    ASSERT_TRUE(score.BuildSkeleton(1, 3));
    score.GetTrack(0)->SetName("Flute");
    score.GetTrack(2)->SetName("Cello");
    doc.location.trackIndex = 2;
    int track = -1;
    fw::uitest::AnswerMenu(2);  // items carry ids 1, 2, 3: the second track
    ASSERT_TRUE(score.ChooseTrackFromMenu(30, 40, &track));
    EXPECT_EQ(track, 1);
    const fw::uitest::ShownMenu& shown = fw::uitest::Menus().back();
    ASSERT_EQ(shown.items.size(), 3u);
    EXPECT_EQ(shown.items[0].text, "Flute");
    EXPECT_EQ(shown.items[2].text, "Cello");
    EXPECT_TRUE(shown.items[2].flags & MF_CHECKED) << "the document's current track is marked";
    EXPECT_EQ(shown.x, 30);
    // Dismissed: false, the track untouched.
    track = -1;
    EXPECT_FALSE(score.ChooseTrackFromMenu(30, 40, &track));
    EXPECT_EQ(track, -1);
}
