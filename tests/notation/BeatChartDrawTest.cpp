// The beat chart's strip of handles: on beats at the chart line, off beats below it, and
// nothing while the bar does not show its chart.
#include "ScoreDrawSupport.h"
#include "notation/BeatChart.h"

using namespace notedraw;

class BeatChartDraw : public ScoreDrawTest {};

TEST_F(BeatChartDraw, HandlesOnBeatsAtTheLineAndOffBeatsBelowIt) {
    Current(0, 1);
    std::vector<std::uint8_t> bytes(64, 0);
    CBeatChart* chart = CBeatChart::Construct(bytes.data());
    chart->SetCount(4);
    chart->CBaseItem::SetSize(18 + 8 * 4);
    const int positions[] = {0, 256, 512, 768}, times[] = {0, 240, 480, 960};
    for (int i = 0; i < 4; ++i) {
        chart->SetField(i, CBeatChart::kPosition, positions[i]);
        chart->SetField(i, CBeatChart::kTime, times[i]);
    }
    Bar()->SetBarFlag(CBar::kBeatChartShownBit, false);
    EXPECT_TRUE(Calls([&] { chart->Draw(); }, {""}).empty()) << "nothing without the bar's flag";

    Bar()->SetBarFlag(CBar::kBeatChartShownBit, true);
    ASSERT_EQ(Bar()->GetBeatLength(), 480);
    const int y0 = CBeatChart::ChartLineY(*Bar());
    const int h = Staff()->ScaleLength(6);
    // Frames record as rectangles one unit larger at the right and bottom.
    const auto frames = Calls([&] { chart->Draw(); }, {"Rectangle"});
    ASSERT_EQ(frames.size(), 5u);
    int l = 0, t = 0, r = 0, b = 0;
    std::sscanf(frames[0].c_str(), "Rectangle %d %d %d %d", &l, &t, &r, &b);
    EXPECT_EQ(l, Bar()->GetLeft());
    EXPECT_EQ(r - 1, Bar()->GetRight() - 2);
    EXPECT_EQ(t, y0 - h);
    EXPECT_EQ(b - 1, y0 + 2 * h);
    const int d = a->Scale(2);
    const bool onBeat[] = {true, false, true, true};
    for (int i = 0; i < 4; ++i) {
        std::sscanf(frames[std::size_t(i + 1)].c_str(), "Rectangle %d %d %d %d", &l, &t, &r, &b);
        EXPECT_EQ(l + d, Bar()->FractionToX(positions[i])) << i;
        EXPECT_EQ(t + d, onBeat[i] ? y0 : y0 + h) << i;
    }
}
