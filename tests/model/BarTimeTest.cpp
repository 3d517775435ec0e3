// Time and position within a bar: ticks, positions (1/1024 of the content) and page x.
#include <gtest/gtest.h>

#include "FrameTestSupport.h"
#include "RecordTestSupport.h"
#include "model/Bar.h"
#include "model/ItemArray.h"
#include "model/ModelGlobals.h"

namespace {

// A 4/4 bar with the even beat chart of its defaults (columns at 0, 256, 512, 768 for times
// 0, 480, 960, 1440), left 100, width 500, leading 50, content 400.
struct TimedBar {
    alignas(8) std::uint8_t bytes[CBar::kSize] = {};
    CBar* bar;
    TimedBar() {
        bar = CBar::Construct(bytes);
        EXPECT_TRUE(bar->SetDefaults());
        bar->SetLeft(100);
        bar->SetWidth(500);
        bar->SetLeadingWidth(50);
        bar->SetContentWidth(400);
    }
    ~TimedBar() { bar->Release(); }
    // Replaces the chart by columns of (position, time).
    void Chart(std::initializer_list<std::pair<int, int>> columns) {
        ASSERT_TRUE(bar->ResetBeatChart(int(columns.size()), false));
        CBarItem* chart = bar->GetBeatChart();
        int i = 0;
        for (auto [position, time] : columns) {
            beatchart::SetField(chart, i, beatchart::kPosition, position);
            beatchart::SetField(chart, i, beatchart::kTime, time);
            ++i;
        }
    }
};

struct TickCase {
    int tick;
    bool snap;
    int position;
};

TEST(BarTimeTest, TicksToPositionsThroughTheBeatChart) {
    recordtest::CleanGlobals clean;
    TimedBar b;
    for (const TickCase c : {TickCase{0, false, 0}, TickCase{720, false, 384}, TickCase{1440, false, 768},
                             TickCase{1680, false, 896}, TickCase{-480, false, -256},
                             // within 15 ticks of a column it snaps; 16 away it is interpolated
                             TickCase{495, true, 256}, TickCase{496, true, 265}, TickCase{1000, true, 533},
                             TickCase{1700, true, 907}})
        EXPECT_EQ(b.bar->TickToFraction(c.tick, c.snap), c.position) << c.tick << (c.snap ? " snap" : "");
}

TEST(BarTimeTest, ChartsOfOneColumnAndOfNoDuration) {
    recordtest::CleanGlobals clean;
    TimedBar b;
    // The last column at the bar's length: a tick at or after it stays inside the bar.
    b.Chart({{0, 0}, {512, 1920}});
    EXPECT_EQ(b.bar->TickToFraction(1920, false), 1023);
    EXPECT_EQ(b.bar->TickToFraction(2400, false), 1023);
    // Columns that do not rise in time are a segment of no duration, not a division by zero.
    b.Chart({{0, 0}, {300, 480}, {600, 480}, {800, 960}});
    EXPECT_EQ(b.bar->TickToFraction(479, false), 299);
    EXPECT_EQ(b.bar->TickToFraction(480, false), 600);
    // One column: snapping rounds to the beat, halves down.
    b.Chart({{0, 0}});
    EXPECT_EQ(b.bar->TickToFraction(240, true), 0);
    EXPECT_EQ(b.bar->TickToFraction(241, true), 256);
    // No chart at all: linear over the bar.
    b.bar->GetItemArray()->RemoveAll();
    b.bar->RefreshItemCache();
    EXPECT_EQ(b.bar->TickToFraction(960, false), 512);
    EXPECT_EQ(b.bar->FractionToTick(512), 960);
}

TEST(BarTimeTest, PositionsToTicksSnapToColumnsAndGrid) {
    recordtest::CleanGlobals clean;
    TimedBar b;
    const std::pair<int, int> cases[] = {{0, 0}, {-20, 0}, {300, 480}, {384, 480}, {400, 960}, {900, 1440}, {1023, 1440}};
    for (auto [position, tick] : cases) EXPECT_EQ(b.bar->FractionToTick(position), tick) << position;
}

TEST(BarTimeTest, PositionsToPageX) {
    recordtest::CleanGlobals clean;
    TimedBar b;
    EXPECT_EQ(b.bar->FractionToX(0), 150);
    EXPECT_EQ(b.bar->FractionToX(512), 350);
    EXPECT_EQ(b.bar->FractionToX(1024), 550);
    EXPECT_EQ(b.bar->XToFraction(350), 512);
    EXPECT_EQ(b.bar->WidthToFraction(100), 256);
    EXPECT_EQ(b.bar->TickToLinearFraction(960), 512);
    EXPECT_EQ(b.bar->FractionToLinearX(512), 350);
    EXPECT_EQ(b.bar->LinearXToFraction(350), 512);
    EXPECT_EQ(b.bar->FractionToMeterTick(256), 480);
    // With a lead-in the part before the first column has a width of its own.
    b.Chart({{128, 0}, {576, 960}});
    b.bar->SetLeadInWidth(40);
    // (position, page x), both ways: the first column, inside the lead-in, a later column.
    const std::pair<int, int> leadIn[] = {{128, 190}, {64, 170}, {576, 370}};
    for (auto [position, x] : leadIn) {
        EXPECT_EQ(b.bar->FractionToX(position), x) << position;
        EXPECT_EQ(b.bar->XToFraction(x), position) << x;
    }
}

TEST(BarTimeTest, StepsAndOffsetSearchesEnd) {
    recordtest::CleanGlobals clean;
    TimedBar b;
    EXPECT_EQ(b.bar->StepX(0, 1), 2);  // 400 page units for 1024 positions
    EXPECT_EQ(b.bar->StepX(10, 0), 10);
    // A bar without content width never gives another x: the step still ends.
    b.bar->SetContentWidth(0);
    EXPECT_EQ(b.bar->StepX(10, 1), 11);
    EXPECT_EQ(b.bar->StepX(10, -3), 7);
    b.bar->SetContentWidth(400);
    EXPECT_EQ(b.bar->XToItemOffset(b.bar->FractionToX(512) + 3, 512, nullptr), 60);
    // At zoom 150 the smallest offset that reaches 3 page units is 40 twentieths.
    CZelDoc doc;
    doc.zoom = 150;
    g_model.currentDoc = &doc;
    EXPECT_EQ(b.bar->XToItemOffset(b.bar->FractionToX(512) + 3, 512, nullptr), 40);
    g_model.currentDoc = nullptr;
}

TEST(BarTimeTest, SpanPositionsRunOnIntoFollowingBarsAndSystems) {
    recordtest::CleanGlobals clean;
    frametest::SmallScore s(1, {3});
    for (int i = 0; i < 3; ++i) {
        CBar* bar = s.Bar(i);
        bar->SetLeft(100 * i);
        bar->SetWidth(100);
        bar->SetLeadingWidth(0);
        bar->SetContentWidth(100);
    }
    EXPECT_EQ(s.Bar(0)->SpanPositionToX(0, 1536, 0, false), 150);
    // From the second-last bar, 2048 stops at the last bar and maps 1024 inside it.
    EXPECT_EQ(s.Bar(1)->SpanPositionToX(0, 2048, 0, false), 300);
    EXPECT_EQ(s.Bar(0)->SpanPositionToX(2, 512, 0, false), 250);

    frametest::SmallScore two(1, {1, 1});
    two.Line(0)->SetRect({0, 0, 500, 0});
    CBar* first = two.Bar(0);
    first->SetLeft(100);
    first->SetWidth(400);
    first->SetLeadingWidth(0);
    first->SetContentWidth(400);
    CBar* second = two.Bar(1);
    second->SetLeft(50);
    second->SetWidth(200);
    second->SetLeadingWidth(0);
    second->SetContentWidth(200);
    EXPECT_EQ(first->SpanPositionToX(0, 1536, 0, false), 150);
    EXPECT_EQ(first->SpanPositionToX(0, 1536, 0, true), 600);  // laid end to end
}

TEST(BarTimeTest, VoiceTimeBeforeALimit) {
    recordtest::CleanGlobals clean;
    frametest::TimedNotes notes;
    frametest::SmallScore s(1, {1});
    CTrkBar* tb = s.TrkBar(0, 0);
    frametest::TimedNotes::Add(tb, 144, 0, 480, 0);
    frametest::TimedNotes::Add(tb, 144, 480, 480, 256);
    frametest::TimedNotes::Add(tb, 128, 960, 480, 512);
    frametest::TimedNotes::Add(tb, 144, 700, 480, 400, 1);  // another voice
    CBarItem* grace = frametest::TimedNotes::Add(tb, 144, 600, 0, 300);
    rec::Put<std::uint8_t>(grace, 18, 0x02);
    EXPECT_EQ(s.Bar(0)->GetVoiceTimeBefore(0, 0, 512), 480);
    EXPECT_EQ(s.Bar(0)->GetVoiceTimeBefore(0, 0, 600), 960);
    EXPECT_EQ(s.Bar(0)->GetVoiceTimeBefore(0, 1, 1024), 700);
    EXPECT_EQ(s.Bar(0)->GetVoiceTimeBefore(0, 2, 1024), 0);
}

}  // namespace
