// Score structure and layout: bars and systems in and out, reindexing, reflow by counts and by
// width, pagination and the new default score.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "RecordTestSupport.h"
#include "framework/Exceptions.h"
#include "framework/File.h"
#include "framework/Resources.h"
#include "framework/UiTest.h"
#include "model/Bar.h"
#include "model/NewScore.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/ScoreFile.h"
#include "model/ScoreStructure.h"
#include "model/ScoreStructureStandIns.h"
#include "model/System.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/StdDlg.h"

namespace {

struct Fixture {
    recordtest::CleanGlobals clean;
    CZelDoc doc;
    std::unique_ptr<CScore> score;
    Fixture() {
        RegisterTrackClass();
        doc.SetScoreSize(100);  // the page in use is the printer's letter page
        score = std::make_unique<CScore>(&doc);
    }
};

// Every index, count and link of the score's structure; the empty string when all hold.
std::string CheckInvariants(CScore& s) {
    std::string err;
    const auto fail = [&](const std::string& what) {
        if (err.empty()) err = what;
    };
    if (s.GetBarArray()->GetCount() != s.GetBarCount()) fail("bar count");
    if (s.GetLineArray()->GetCount() != s.GetLineCount()) fail("line count");
    if (s.GetPageArray()->GetCount() != s.GetPageCount()) fail("page count");
    int system = 0;
    for (int p = 0; p < s.GetPageCount(); ++p) {
        CPage* page = s.GetPage(p);
        if (page->GetIndex() != p) fail("page index");
        if (page->IsLast() != (p == s.GetPageCount() - 1)) fail("page last flag");
        if (page->GetFirstSystem() != system) fail("page first system " + std::to_string(p));
        if (page->GetSystemCount() < 1) fail("empty page " + std::to_string(p));
        for (int k = 0; k < page->GetSystemCount(); ++k) {
            CLine* line = s.GetLine(system + k);
            if (!line) {
                fail("page system missing");
                break;
            }
            if (line->GetPageIndex() != p || line->GetPage() != page) fail("system page link");
        }
        system += page->GetSystemCount();
    }
    if (system != s.GetLineCount()) fail("systems on pages " + std::to_string(system));
    int bar = 0;
    for (int k = 0; k < s.GetLineCount(); ++k) {
        CLine* line = s.GetLine(k);
        if (line->GetIndex() != k) fail("system index");
        if (line->IsLast() != (k == s.GetLineCount() - 1)) fail("system last flag");
        if (line->GetFirstBarIndex() != bar) fail("system first bar " + std::to_string(k));
        if (line->GetBarCount() < 1) fail("empty system");
        if (line->GetFirstBar() != s.GetBar(bar)) fail("first bar link");
        if (line->GetStaffArray()->GetCount() != s.GetTrackCount()) fail("staff count");
        for (int j = 0; j < line->GetBarCount(); ++j) {
            CBar* b = s.GetBar(bar + j);
            if (!b) {
                fail("system bar missing");
                break;
            }
            if (b->GetLine() != line) fail("bar system link " + std::to_string(bar + j));
        }
        bar += line->GetBarCount();
    }
    if (bar != s.GetBarCount()) fail("bars in systems " + std::to_string(bar));
    for (int b = 0; b < s.GetBarCount(); ++b) {
        CBar* r = s.GetBar(b);
        if (r->GetIndex() != b) fail("bar index");
        if (r->IsLast() != (b == s.GetBarCount() - 1)) fail("bar last flag");
    }
    for (int t = 0; t < s.GetTrackCount(); ++t) {
        if (s.GetTrkBarArray(t)->GetCount() != s.GetBarCount()) fail("track bars of track " + std::to_string(t));
        for (int b = 0; b < s.GetBarCount(); ++b) {
            CTrkBar* tb = s.GetTrkBar(t, b);
            if (!tb || tb->GetIndex() != b || tb->GetTrackByte() != t) fail("track bar link");
        }
    }
    return err;
}

// Saves the score, reads it into a fresh one and saves that: both byte images must agree.
std::string RoundTrip(CZelDoc& doc, CScore& s) {
    ScoreFileDoc d;
    const std::vector<std::uint8_t> first = ScoreFile::WriteToBytes(s, d);
    CScore again(&doc);
    ScoreFileDoc d2;
    CMemFile file(first);
    try {
        if (!ScoreFile::Open(again, d2, file)) return "read failed";
    } catch (const CUserException&) {
        return "read raised";
    }
    if (again.GetBarCount() != s.GetBarCount() || again.GetLineCount() != s.GetLineCount() ||
        again.GetPageCount() != s.GetPageCount())
        return "counts differ";
    return ScoreFile::WriteToBytes(again, d2) == first ? "" : "bytes differ";
}

std::vector<std::pair<int, int>> Systems(CScore& s) {
    std::vector<std::pair<int, int>> out;
    for (int k = 0; k < s.GetLineCount(); ++k) out.emplace_back(s.GetLine(k)->GetFirstBarIndex(), s.GetLine(k)->GetBarCount());
    return out;
}

}  // namespace

TEST(ScoreLayoutTest, BalancingTheLastTwoSystemsFollowsTheCounts) {
    struct Case {
        int r2, r1, wantPrev, wantLast;
    };
    const Case cases[] = {{9, 2, 5, 6}, {6, 2, 5, 3}, {5, 2, 5, 2}, {4, 4, 4, 4}, {10, 1, 4, 7}, {1, 1, 1, 1}};
    for (const Case& c : cases) {
        layout::LayoutPlan plan = {{0, 3}, {3, c.r2}, {3 + c.r2, c.r1}};
        layout::BalanceLastTwo(plan, [](int) { return false; });
        EXPECT_EQ(plan[1].second, c.wantPrev) << c.r2 << "+" << c.r1;
        EXPECT_EQ(plan[2].second, c.wantLast) << c.r2 << "+" << c.r1;
        EXPECT_EQ(plan[2].first, 3 + c.wantPrev);
        EXPECT_EQ(plan[0], (std::pair<int, int>{0, 3}));
    }
}

TEST(ScoreLayoutTest, BalancingSkipsCoveredBarsAndNeverEmptiesTheSystemBefore) {
    // Bars 6 and 7 lie under a multi-bar rest: the boundary steps over them.
    layout::LayoutPlan plan = {{0, 9}, {9, 2}};
    layout::BalanceLastTwo(plan, [](int b) { return b == 7 || b == 6; });
    EXPECT_EQ(plan[1].first, 3);
    EXPECT_EQ(plan[0].second, 3);
    EXPECT_EQ(plan[1].second, 8);
    // Everything covered: nothing moves past the first bar of the system before.
    layout::LayoutPlan covered = {{0, 9}, {9, 2}};
    layout::BalanceLastTwo(covered, [](int b) { return b > 0; });
    EXPECT_EQ(covered[1].first, 9);
}

TEST(ScoreLayoutTest, SkeletonSizesFollowBarsPerSystemAndTracks) {
    struct Case {
        int bars, tracks, wantBars, wantSystems, wantPages;
    };
    // 4 bars per system, 5 systems per page.
    const Case cases[] = {{40, 1, 40, 10, 2}, {10, 1, 8, 2, 1}, {3, 1, 3, 1, 1}, {48, 3, 48, 12, 3}, {32, 2, 32, 8, 2}};
    for (const Case& c : cases) {
        Fixture f;
        ASSERT_TRUE(f.score->BuildSkeleton(c.bars, c.tracks));
        EXPECT_EQ(f.score->GetBarCount(), c.wantBars) << c.bars;
        EXPECT_EQ(f.score->GetLineCount(), c.wantSystems) << c.bars;
        EXPECT_EQ(f.score->GetTrackCount(), c.tracks);
        EXPECT_EQ(CheckInvariants(*f.score), "") << c.bars << " bars";
        EXPECT_EQ(f.score->GetPageCount(), c.wantPages) << c.bars << " bars";
    }
    Fixture f;
    ASSERT_TRUE(f.score->BuildSkeleton(48, 3));
    EXPECT_EQ(f.score->GetPage(0)->GetSystemCount(), 4);  // 12 / 3 tracks
}

TEST(ScoreLayoutTest, MinimalScoreHasSixteenBarsAndOneTrack) {
    Fixture f;
    ASSERT_TRUE(f.score->BuildMinimalScore());
    EXPECT_EQ(f.score->GetBarCount(), 16);
    EXPECT_EQ(f.score->GetTrackCount(), 1);
    EXPECT_EQ(f.score->singleTrack, 1);
    EXPECT_EQ(CheckInvariants(*f.score), "");
}

TEST(ScoreLayoutTest, ReflowPlacesWantedCountsAndMultiBarRestsCountAsOne) {
    Fixture f;
    ASSERT_TRUE(f.score->BuildSkeleton(12, 1));
    CScore& s = *f.score;
    // A rest over bars 1-4 (span 4): the first system holds it as one bar.
    s.GetBar(1)->SetMultiRestSpan(4);
    s.Reindex();
    ASSERT_TRUE(s.ReflowFromPage(0));
    EXPECT_EQ(CheckInvariants(s), "");
    EXPECT_EQ(Systems(s)[0], (std::pair<int, int>{0, 7}));  // 0, [1-4], 5, 6
    EXPECT_TRUE(s.GetBar(3)->IsCovered());
    EXPECT_FALSE(s.GetBar(1)->IsCovered());
    EXPECT_FALSE(s.GetBar(5)->IsCovered());
}

TEST(ScoreLayoutTest, ReindexMarksBarsUnderAMultiBarRestAndStopsAtTheEnd) {
    Fixture f;
    ASSERT_TRUE(f.score->BuildSkeleton(8, 1));
    CScore& s = *f.score;
    s.GetBar(2)->SetMultiRestSpan(4);
    s.GetBar(6)->SetMultiRestSpan(9);
    s.Reindex();
    for (int b = 0; b < 8; ++b) EXPECT_EQ(s.GetBar(b)->IsCovered(), b == 3 || b == 4 || b == 5 || b == 7) << b;
}

TEST(ScoreLayoutTest, ReindexCountsNumberedBarsShownBarsAndRefillsTrackBars) {
    Fixture f;
    ASSERT_TRUE(f.score->BuildSkeleton(8, 2));
    CScore& s = *f.score;
    s.GetBar(1)->SetBarFlag(CBar::kShortBarBit, true);  // excluded from numbering
    s.GetBar(3)->SetBarFlag(CBar::kShortBarBit, true);  // excluded, but it closes a repeat
    s.GetBar(3)->SetClosingKind(3);
    s.GetBar(4)->SetMultiRestSpan(3);
    // A track's bar array that lost its last bars is filled up to the bar count again.
    CTrkBarArray* a = s.GetTrkBarArray(1);
    a->RemoveAt(a->GetCount() - 1);
    a->RemoveAt(a->GetCount() - 1);
    s.Reindex();
    const int counted[8] = {0, 1, 1, 2, 3, 4, 5, 6};
    for (int b = 0; b < 8; ++b) {
        EXPECT_EQ(s.GetBar(b)->GetCountedBars(), counted[b]) << b;
        EXPECT_EQ(s.GetBar(b)->GetStartTicks(), 1920 * b) << b;
    }
    EXPECT_EQ(s.GetLine(0)->GetShownBarCount(), 4);
    EXPECT_EQ(s.GetLine(1)->GetShownBarCount(), 2);  // bars 5 and 6 lie under the rest of bar 4
    ASSERT_EQ(a->GetCount(), 8);
    for (int b = 6; b < 8; ++b) {
        ASSERT_NE(s.GetTrkBar(1, b), nullptr) << b;
        EXPECT_EQ(s.GetTrkBar(1, b)->GetIndex(), b);
        EXPECT_EQ(s.GetTrkBar(1, b)->GetTrackByte(), 1);
    }
    EXPECT_EQ(CheckInvariants(s), "");
}

TEST(ScoreLayoutTest, InsertingAtZeroKeepsTheShownTimeSignatureOnTheNewFirstBar) {
    Fixture f;
    ASSERT_TRUE(f.score->BuildSkeleton(8, 2));
    CScore& s = *f.score;
    Meter* m = s.GetBar(0)->GetMeter();
    m->SetNumerator(3);
    m->SetDisplayFlags(std::uint8_t(m->GetDisplayFlags() | 1));
    ASSERT_NE(s.InsertBar(0), nullptr);
    EXPECT_EQ(s.GetBarCount(), 9);
    EXPECT_EQ(s.GetBar(0)->GetMeter()->GetNumerator(), 3);
    EXPECT_EQ(s.GetBar(0)->GetMeter()->GetDisplayFlags() & 3, 1);
    EXPECT_EQ(s.GetBar(1)->GetMeter()->GetDisplayFlags() & 3, 0);
    EXPECT_EQ(CheckInvariants(s), "");
    // Appending copies the last bar's signature and tempo and hides the signature.
    s.GetBar(8)->GetMeter()->SetNumerator(5);
    CBar* appended = s.AppendBar(false);
    ASSERT_NE(appended, nullptr);
    EXPECT_EQ(s.GetBarCount(), 10);
    EXPECT_EQ(s.GetBar(9)->GetMeter()->GetNumerator(), 5);
    EXPECT_EQ(s.GetBar(9)->GetMeter()->GetDisplayFlags() & 3, 0);
    EXPECT_EQ(CheckInvariants(s), "");
}

TEST(ScoreLayoutTest, DeletingTheOnlyBarDoesNothing) {
    Fixture f;
    ASSERT_TRUE(f.score->BuildSkeleton(1, 1));
    f.score->DeleteBar(0);
    EXPECT_EQ(f.score->GetBarCount(), 1);
    f.score->DeleteSystem(0);
    EXPECT_EQ(f.score->GetLineCount(), 1);
    f.score->DeletePage(0);
    EXPECT_EQ(f.score->GetPageCount(), 1);
    EXPECT_EQ(CheckInvariants(*f.score), "");
}

TEST(ScoreLayoutTest, RecalcLayoutFitsBarsByWidthAndBalancesTheLastTwo) {
    Fixture f;
    ASSERT_TRUE(f.score->BuildSkeleton(8, 1));
    CScore& s = *f.score;
    // Narrow bars: everything fits one system, which is then split by the balance only when
    // the counts differ by three or more.
    for (int b = 0; b < s.GetBarCount(); ++b) s.GetBar(b)->SetNaturalSpace(10);
    ASSERT_TRUE(s.RecalcLayout(0));
    EXPECT_EQ(CheckInvariants(s), "");
    EXPECT_EQ(s.GetLineCount(), 1);
    // A wide bar takes a system of its own.
    for (int b = 0; b < s.GetBarCount(); ++b) s.GetBar(b)->SetNaturalSpace(b == 3 ? 32000 : 10);
    ASSERT_TRUE(s.RecalcLayout(0));
    EXPECT_EQ(CheckInvariants(s), "");
    const auto systems = Systems(s);
    ASSERT_GE(systems.size(), 2u);
    bool alone = false;
    for (auto [first, count] : systems) alone = alone || (first == 3 && count == 1);
    EXPECT_TRUE(alone);
}

TEST(ScoreLayoutTest, SystemBreakFlagStartsASystem) {
    Fixture f;
    ASSERT_TRUE(f.score->BuildSkeleton(8, 1));
    CScore& s = *f.score;
    for (int b = 0; b < s.GetBarCount(); ++b) s.GetBar(b)->SetNaturalSpace(10);
    s.GetBar(0)->SetBarFlag(CBar::kSystemBreakBit, true);  // changes nothing on the first bar
    s.GetBar(5)->SetBarFlag(CBar::kSystemBreakBit, true);
    // A time signature shown where it does not change is no break (the time-signature edit
    // sets that bit on the first bar of its range).
    s.GetBar(3)->SetBarFlag(CBar::kFlag0, true);
    ASSERT_TRUE(s.RecalcLayout(0));
    EXPECT_EQ(CheckInvariants(s), "");
    EXPECT_EQ(Systems(s), (std::vector<std::pair<int, int>>{{0, 5}, {5, 3}}));
}

TEST(ScoreLayoutTest, RandomInsertsAndDeletesKeepEveryLink) {
    Fixture f;
    ASSERT_TRUE(f.score->BuildSkeleton(12, 3));
    CScore& s = *f.score;
    std::mt19937 rng(20240611);
    for (int step = 0; step < 150; ++step) {
        const int op = int(rng() % 3);
        if (op < 2 && s.GetBarCount() < 80) {
            const int at = int(rng() % (s.GetBarCount() + 1));
            ASSERT_NE(s.InsertBar(at), nullptr) << "step " << step;
        } else {
            s.DeleteBar(int(rng() % s.GetBarCount()));
        }
        const std::string err = CheckInvariants(s);
        ASSERT_EQ(err, "") << "step " << step << " op " << op;
        if (step % 30 == 29) {
            ASSERT_EQ(RoundTrip(f.doc, s), "") << "step " << step;
        }
    }
}

TEST(ScoreLayoutTest, PaginationKeepsEverySystemOnAPageAndDropsSpareOnes) {
    Fixture f;
    ASSERT_TRUE(f.score->BuildSkeleton(64, 4));
    CScore& s = *f.score;
    const int pagesBefore = s.GetPageCount();
    ASSERT_TRUE(s.Repaginate());
    EXPECT_EQ(CheckInvariants(s), "");
    EXPECT_GE(s.GetPageCount(), 1);
    EXPECT_LE(s.GetPageCount(), std::max<int>(pagesBefore, s.GetLineCount()));
    // Fewer systems: the pages at the end go.
    while (s.GetBarCount() > 4) s.DeleteBar(s.GetBarCount() - 1);
    ASSERT_TRUE(s.Repaginate());
    EXPECT_EQ(CheckInvariants(s), "");
    EXPECT_EQ(s.GetPageCount(), 1);
}

TEST(ScoreLayoutTest, ChannelsFollowInstrumentsAndSkipNine) {
    Fixture f;
    ASSERT_TRUE(f.score->BuildSkeleton(4, 12));
    CScore& s = *f.score;
    for (int t = 0; t < 12; ++t) s.GetTrack(t)->SetInstrument(100 + t);
    s.GetTrack(1)->SetInstrument(100);  // tracks 0 and 1 share
    AssignChannels(s);
    EXPECT_EQ(s.GetTrack(0)->GetVoiceChannel(0), 0);
    EXPECT_EQ(s.GetTrack(1)->GetVoiceChannel(0), 0);
    EXPECT_EQ(s.GetTrack(2)->GetVoiceChannel(7), 1);
    for (int t = 0; t < 12; ++t) EXPECT_NE(s.GetTrack(t)->GetVoiceChannel(0), 9) << t;
    EXPECT_EQ(s.GetTrack(9)->GetVoiceChannel(0), 8);
    EXPECT_EQ(s.GetTrack(10)->GetVoiceChannel(0), 10);
}

TEST(ScoreLayoutTest, EveryArrangementBuildsAConsistentScore) {
    const int wantTracks[5] = {1, 2, 3, 2, 1};
    const int wantBars[5] = {32, 32, 24, 32, 32};
    for (int a = 0; a < 5; ++a) {
        Fixture f;
        NewScoreSettings settings;
        settings.arrangement = a;
        ASSERT_TRUE(BuildNewScore(*f.score, settings)) << a;
        EXPECT_EQ(f.score->GetTrackCount(), wantTracks[a]) << a;
        EXPECT_EQ(f.score->GetBarCount(), wantBars[a]) << a;
        EXPECT_EQ(CheckInvariants(*f.score), "") << a;
        EXPECT_EQ(RoundTrip(f.doc, *f.score), "") << a;
    }
    Fixture f;
    NewScoreSettings piano;
    piano.arrangement = 1;
    ASSERT_TRUE(BuildNewScore(*f.score, piano));
    EXPECT_EQ(f.score->GetTrack(0)->GetVoiceChannel(0), f.score->GetTrack(1)->GetVoiceChannel(0));
    EXPECT_STREQ(f.score->GetTrack(0)->GetFullName(), "Piano");
}

namespace {

// What an edit that gives up must leave exactly as it found: counts, every track's bars,
// every index and the saved bytes.
struct ScoreImage {
    int bars = 0, lines = 0, pages = 0;
    std::vector<int> trackBars;
    std::vector<std::pair<int, int>> systems;
    std::vector<std::uint8_t> bytes;
    bool operator==(const ScoreImage&) const = default;
};

ScoreImage Image(CScore& s) {
    ScoreImage img;
    img.bars = s.GetBarCount();
    img.lines = s.GetLineCount();
    img.pages = s.GetPageCount();
    for (int t = 0; t < s.GetTrackCount(); ++t) img.trackBars.push_back(s.GetTrkBarArray(t)->GetCount());
    img.systems = Systems(s);
    ScoreFileDoc d;
    img.bytes = ScoreFile::WriteToBytes(s, d);
    return img;
}

}  // namespace

TEST(ScoreLayoutTest, AppendBarThatRunsOutOfMemoryLeavesTheScoreAsItWas) {
    // Every allocation of the append fails in turn; once it gets all it needs it succeeds.
    // 8 bars of 3 tracks need a new system; 40 bars of one track fill two pages and need a
    // new page as well; 120 bars of one track fill more pages than the append's passes touch.
    for (auto [bars, tracks] : {std::pair{10, 3}, std::pair{40, 1}, std::pair{120, 1}}) {
        bool succeeded = false;
        int failures = 0;
        for (int allowed = 0; allowed < 400 && !succeeded; ++allowed) {
            Fixture f;
            ASSERT_TRUE(f.score->BuildSkeleton(bars, tracks));
            CScore& s = *f.score;
            const ScoreImage before = Image(s);
            ASSERT_EQ(CheckInvariants(s), "");
            fw::memtest::FailAfter(allowed);
            CBar* bar = nullptr;
            try {
                bar = s.AppendBar(false);
            } catch (const CMemoryException&) {
                ADD_FAILURE() << "raised instead of reporting failure, allowed " << allowed;
            }
            fw::memtest::Reset();
            if (bar) {
                succeeded = true;
                EXPECT_EQ(s.GetBarCount(), before.bars + 1);
                EXPECT_EQ(bar, s.GetBar(before.bars));
                EXPECT_GT(allowed, 0);
            } else {
                ++failures;
                ASSERT_EQ(s.GetBarCount(), before.bars) << "allowed " << allowed;
                EXPECT_TRUE(Image(s) == before) << "allowed " << allowed;
            }
            EXPECT_EQ(CheckInvariants(s), "") << "allowed " << allowed;
        }
        EXPECT_TRUE(succeeded);
        // The append needs a new system: failures after the bar went in were hit too.
        EXPECT_GT(failures, 3) << bars;
    }
}

namespace {

// Systems per page after pagination.
std::vector<int> SystemsPerPage(CScore& s) {
    std::vector<int> out;
    for (int p = 0; p < s.GetPageCount(); ++p) out.push_back(s.GetPage(p)->GetSystemCount());
    return out;
}

}  // namespace

TEST(ScoreLayoutTest, PaginationKeepsWhatFitsAboveTheBottomLessTheMargin) {
    // Letter paper with half-inch margins: the bottom limit is 756, the margin 36, so a page
    // keeps its systems while their bottoms stay at or above 720. A system of n staves is
    // 24 + (n - 1) * (720 + 480) / 20 high and the next starts (n - 1) * 60 + 78 below it.
    struct Case {
        int tracks;
        std::vector<int> perPage;
    };
    const std::vector<Case> cases = {
        {1, {8, 8}},                 // bottoms 132 + 78k: k up to 7
        {2, {4, 4, 4, 4}},           // 200 + 146k
        {3, {3, 3, 3, 3, 3, 1}},     // 268 + 214k
        {4, {2, 2, 2, 2, 2, 2, 2, 2}},
        {6, std::vector<int>(16, 1)},
        {12, std::vector<int>(16, 1)},  // taller than the page: each alone on its own
    };
    for (const Case& c : cases) {
        Fixture f;
        ASSERT_TRUE(f.score->BuildSkeleton(64, c.tracks));
        CScore& s = *f.score;
        ASSERT_EQ(s.GetLineCount(), 16);
        ASSERT_TRUE(s.Repaginate());
        EXPECT_EQ(SystemsPerPage(s), c.perPage) << c.tracks << " tracks";
        EXPECT_EQ(CheckInvariants(s), "") << c.tracks;
        for (int p = 0; p < s.GetPageCount(); ++p) {
            CPage* page = s.GetPage(p);
            const int n = page->GetSystemCount();
            for (int k = 0; k < n; ++k) {
                const std::uint8_t flags = page->GetLine(k)->GetLayoutFlags();
                EXPECT_EQ((flags & CLine::kFirstOnPageBit) != 0, k == 0) << c.tracks << " page " << p;
                EXPECT_EQ((flags & CLine::kLastOnPageBit) != 0, k == n - 1) << c.tracks << " page " << p;
            }
            // Every later page starts its first system at 1440.
            if (p > 0) {
                EXPECT_EQ(page->GetLine(0)->GetTopOffset(), 1440) << c.tracks << " page " << p;
            }
        }
    }
}

TEST(ScoreLayoutTest, ASystemTallerThanThePageStandsAloneAndTheNextStartsAPage) {
    Fixture f;
    ASSERT_TRUE(f.score->BuildSkeleton(64, 12));
    CScore& s = *f.score;
    // Only system 2 shows all twelve staves; the others show one.
    for (int k = 0; k < s.GetLineCount(); ++k)
        if (k != 2)
            for (int t = 1; t < 12; ++t) s.GetLine(k)->GetStaff(t)->SetShown(false);
    ASSERT_TRUE(s.Repaginate());
    EXPECT_EQ(SystemsPerPage(s), (std::vector<int>{2, 1, 8, 5}));
    EXPECT_EQ(s.GetPage(1)->GetFirstSystem(), 2);
    EXPECT_EQ(s.GetPage(2)->GetFirstSystem(), 3);
    EXPECT_EQ(CheckInvariants(s), "");
}

TEST(ScoreLayoutTest, PaginationKeepsTheFirstTopAndRemovesSparePages) {
    Fixture f;
    ASSERT_TRUE(f.score->BuildSkeleton(64, 4));
    CScore& s = *f.score;
    ASSERT_TRUE(s.Repaginate());
    ASSERT_EQ(s.GetPageCount(), 8);
    // The first system keeps the top it has: 2600 instead of 1440 moves its bottom from 344 to
    // 402 and the second system (bottom 642 + 58) still fits.
    s.GetLine(0)->SetTopOffset(2600);
    ASSERT_TRUE(s.Repaginate());
    EXPECT_EQ(s.GetLine(0)->GetTopOffset(), 2600);
    EXPECT_EQ(s.GetPage(0)->GetSystemCount(), 2);
    // Hiding three staves of every system lets four systems share a page: the four pages left
    // over at the end go.
    for (int k = 0; k < s.GetLineCount(); ++k)
        for (int t = 1; t < 4; ++t) s.GetLine(k)->GetStaff(t)->SetShown(false);
    s.GetLine(0)->SetTopOffset(1440);
    const std::size_t blocks = fw::memtest::LiveBlocks();
    ASSERT_TRUE(s.Repaginate());
    EXPECT_EQ(SystemsPerPage(s), (std::vector<int>{8, 8}));
    EXPECT_EQ(s.GetPageArray()->GetCount(), 2);
    EXPECT_LE(fw::memtest::LiveBlocks(), blocks);
    EXPECT_EQ(CheckInvariants(s), "");
}

TEST(ScoreLayoutTest, CancellingPaginationStopsWithThePagesPlacedSoFar) {
    Fixture f;
    fw::uitest::Session session;
    ASSERT_TRUE(f.score->BuildSkeleton(64, 2));
    CScore& s = *f.score;
    ASSERT_TRUE(s.Repaginate());
    // The progress dialog's Cancel is held when the first system is to be placed.
    fw::resourcetest::SetText("dialogs", 9003, "dialog 9003 160 60\nprogress 5 5 28 150 10\nbutton 2 55 42 50 14 \"Cancel\"\n");
    CProgressDlg progress;
    ASSERT_TRUE(progress.Open(9003));
    CWnd* cancel = progress.GetDlgItem(IDCANCEL);
    fw::uitest::Press(cancel, 10, 5);
    fw::uitest::RunUntilIdle();
    EXPECT_FALSE(s.Repaginate());
    EXPECT_EQ(s.GetPage(0)->GetFirstSystem(), 0);
    EXPECT_EQ(s.GetPage(0)->GetSystemCount(), 0) << "nothing was placed";
    fw::uitest::Release(cancel, 10, 5);
    fw::uitest::RunUntilIdle();
    progress.Close();
    fw::resourcetest::Clear();
    // Run again without cancelling: everything is placed.
    ASSERT_TRUE(s.Repaginate());
    EXPECT_EQ(SystemsPerPage(s), (std::vector<int>{4, 4, 4, 4}));
}
