// Locating a page point in the score: the nearest shown staff, and the track, staff position,
// stem setting, bar and bar of a track that follow from it.
#include <gtest/gtest.h>

#include <cstdlib>

#include <functional>
#include <memory>
#include <string>

#include "RecordTestSupport.h"
#include "model/Bar.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/ScoreStructureStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"

namespace {

struct LocateFixture {
    recordtest::CleanGlobals clean;
    CZelDoc doc;
    std::unique_ptr<CScore> score;
    // 12 bars of 3 tracks: three systems of three staves on page 0.
    LocateFixture() {
        RegisterTrackClass();
        score = std::make_unique<CScore>(&doc);
        EXPECT_TRUE(score->BuildSkeleton(12, 3));
    }
    CStaff* Staff(int system, int staff) { return score->GetLine(system)->GetStaff(staff); }
    void SetStaffRect(int system, int staff, int top, int bottom) {
        CStaff* st = Staff(system, staff);
        rec::Put<std::int32_t>(st, CStaff::kRect + 4, top);
        rec::Put<std::int32_t>(st, CStaff::kRect + 12, bottom);
    }
};

struct Point {
    int x, y;
};

}  // namespace

TEST(LocateTest, PicksTheNearestShownStaff) {
    struct Case {
        std::string name;
        std::function<void(LocateFixture&)> setup;
        std::function<Point(LocateFixture&)> point;
        int system, staff;
    };
    const auto mid = [](CStaff* s) { return (s->GetLeft() + s->GetRight()) / 2; };
    const std::vector<Case> cases = {
        {"inside a staff", nullptr,
         [&](LocateFixture& f) {
             CStaff* s = f.Staff(1, 2);
             return Point{mid(s), (s->GetTopLine() + s->GetBottomLine()) / 2};
         },
         1, 2},
        {"inside a staff with the next top line nearer",
         [](LocateFixture& f) {
             // Staff 0 of system 0 reaches down to 2 points above staff 1's top line.
             CStaff* s1 = f.Staff(0, 1);
             f.SetStaffRect(0, 0, s1->GetTopLine() - 30, s1->GetTopLine() - 2);
         },
         [&](LocateFixture& f) { return Point{mid(f.Staff(0, 0)), f.Staff(0, 1)->GetTopLine() - 3}; }, 0, 0},
        {"left of the systems: nearest top line", nullptr,
         [](LocateFixture& f) { return Point{f.Staff(0, 1)->GetLeft() - 50, f.Staff(0, 1)->GetTopLine() + 30}; }, 0, 1},
        {"below the last system: its last staff", nullptr,
         [&](LocateFixture& f) { return Point{mid(f.Staff(2, 2)), f.Staff(2, 2)->GetBottomLine() + 200}; }, 2, 2},
        {"halfway between two top lines: the first", nullptr,
         [&](LocateFixture& f) {
             const int a = f.Staff(1, 0)->GetTopLine(), b = f.Staff(1, 1)->GetTopLine();
             EXPECT_EQ((b - a) % 2, 0);
             return Point{mid(f.Staff(1, 0)), (a + b) / 2};
         },
         1, 0},
        {"a hidden staff is never picked",
         [](LocateFixture& f) { f.Staff(1, 1)->SetShown(false); },
         [&](LocateFixture& f) {
             CStaff* s = f.Staff(1, 1);
             return Point{mid(s), s->GetTopLine() + 12};
         },
         1, 2},
    };
    for (const Case& c : cases) {
        LocateFixture f;
        CScore& s = *f.score;
        ASSERT_EQ(s.GetPage(0)->GetSystemCount(), 3) << c.name;
        if (c.setup) c.setup(f);
        const Point pt = c.point(f);
        ScoreLocation loc;
        s.LocatePoint(pt.x, pt.y, &loc);
        EXPECT_EQ(loc.system, s.GetLine(c.system)) << c.name;
        EXPECT_EQ(loc.staff, f.Staff(c.system, c.staff)) << c.name;
        EXPECT_EQ(loc.page, s.GetPage(0)) << c.name;
        EXPECT_EQ(loc.systemIndex, c.system) << c.name;
        EXPECT_EQ(loc.trackIndex, c.staff) << c.name;
        EXPECT_EQ(loc.track, s.GetTrack(c.staff)) << c.name;
        CLine* line = s.GetLine(c.system);
        EXPECT_GE(loc.barIndex, line->GetFirstBarIndex()) << c.name;
        EXPECT_LT(loc.barIndex, line->GetFirstBarIndex() + line->GetBarCount()) << c.name;
        EXPECT_EQ(loc.trkBar, s.GetTrkBar(c.staff, loc.barIndex)) << c.name;
    }
}

TEST(LocateTest, FillsPositionOffsetStemAndTheBarUnderX) {
    LocateFixture f;
    CScore& s = *f.score;
    rec::Put<std::uint8_t>(s.GetTrack(2), CTrack::kStems + 3, 2);
    CStaff* staff = f.Staff(1, 2);
    CLine* line = s.GetLine(1);
    const int space = staff->GetLineSpacing();
    ASSERT_GT(space, 1);
    struct Case {
        int dy;
    };
    for (const Case& c : {Case{0}, Case{space}, Case{space / 2}, Case{4 * space}}) {
        ScoreLocation loc;
        loc.voice = 3;
        // x in the system's last bar.
        CBar* last = s.GetBar(line->GetFirstBarIndex() + line->GetBarCount() - 1);
        const int x = last->GetRight() - 2;
        s.LocatePoint(x, staff->GetTopLine() + c.dy, &loc);
        EXPECT_EQ(loc.staff, staff) << c.dy;
        // The staff position and offset lead back to the point through the staff's own geometry.
        const int y = staff->GetTopLine() + c.dy;
        EXPECT_LE(std::abs(staff->PositionToY(loc.staffPosition) - y), space / 4 + 1) << c.dy;
        EXPECT_LE(std::abs(staff->OffsetToY(loc.verticalOffset) - y), 1) << c.dy;
        EXPECT_EQ(loc.stemDirection, 2);
        EXPECT_EQ(loc.barIndex, last->GetIndex());
        EXPECT_GE(loc.position, 0);
        EXPECT_LE(loc.position, 1023);
        EXPECT_EQ(loc.trkBar, s.GetTrkBar(2, last->GetIndex()));
    }
    // Voice 0 has the automatic setting.
    ScoreLocation loc;
    s.LocatePoint(staff->GetLeft() + 1, staff->GetTopLine(), &loc);
    EXPECT_EQ(loc.stemDirection, 0);
    EXPECT_EQ(loc.barIndex, line->GetFirstBarIndex());
}

TEST(LocateTest, NoShownStaffKeepsStaffZeroAndTheSystemLeftBefore) {
    LocateFixture f;
    CScore& s = *f.score;
    for (int k = 0; k < 3; ++k)
        for (int t = 0; t < 3; ++t) f.Staff(k, t)->SetShown(false);
    ScoreLocation loc;
    CLine* before = s.GetLine(2);
    loc.system = before;
    s.LocatePoint(100, 100, &loc);
    EXPECT_EQ(loc.staff, f.Staff(0, 0));
    EXPECT_EQ(loc.system, before);
    EXPECT_EQ(loc.page, s.GetPage(0));
    EXPECT_EQ(loc.trackIndex, 0);
}

TEST(LocateTest, APageWithoutSystemsLeavesTheRecordUnchanged) {
    LocateFixture f;
    CScore& s = *f.score;
    ASSERT_NE(s.InsertPage(s.GetPageCount()), nullptr);
    for (int pageIndex : {s.GetPageCount() - 1, s.GetPageCount() + 3}) {
        ScoreLocation loc;
        loc.pageIndex = std::uint16_t(pageIndex);
        loc.trackIndex = 7;
        loc.staffPosition = -5;
        s.LocatePoint(100, 100, &loc);
        EXPECT_EQ(loc.system, nullptr);
        EXPECT_EQ(loc.staff, nullptr);
        EXPECT_EQ(loc.page, nullptr);
        EXPECT_EQ(loc.trackIndex, 7);
        EXPECT_EQ(loc.staffPosition, -5);
    }
}
