// Bar spacing: measuring a bar's contents, respacing its beat chart, and the widths before and
// after its content.
#include <gtest/gtest.h>

#include <vector>

#include "FrameTestSupport.h"
#include "RecordTestSupport.h"
#include "model/Bar.h"
#include "model/BarSpacing.h"
#include "model/Meter.h"
#include "model/ModelGlobals.h"
#include "platform/DrawGlobals.h"
#include "framework/Arith.h"

namespace {

struct Column {
    int position, span, space, time;
    bool operator==(const Column&) const = default;
};

std::vector<Column> Columns(CBar* bar) {
    std::vector<Column> out;
    CBarItem* chart = bar->GetBeatChart();
    for (int i = 0; chart && i < beatchart::Count(chart); ++i)
        out.push_back({beatchart::Field(chart, i, beatchart::kPosition), beatchart::Field(chart, i, beatchart::kSpan),
                       beatchart::Field(chart, i, beatchart::kSpace), beatchart::Field(chart, i, beatchart::kTime)});
    return out;
}

std::ostream& operator<<(std::ostream& os, const Column& c) {
    return os << "{" << c.position << "," << c.span << "," << c.space << "," << c.time << "}";
}

TEST(BarSpacingTest, EmptyFullBarGetsOneColumnPerBeatGroup) {
    recordtest::CleanGlobals clean;
    frametest::SmallScore s(1, {1});
    CBar* bar = s.Bar(0);
    ASSERT_TRUE(bar->Respace());
    const int q = GetAllotSpace(3, 0, 0);
    ASSERT_EQ(q, 360);
    // The last column gives up the final-bar margin (120).
    const int total = 3 * q + (q - 120);
    const std::vector<Column> expected = {{0, 279, q, 0}, {279, 279, q, 480}, {558, 279, q, 960}, {837, 187, q - 120, 1440}};
    EXPECT_EQ(Columns(bar), expected);
    EXPECT_EQ(bar->GetNaturalSpace(), total);
    EXPECT_EQ(rec::Get<std::int32_t>(bar, CBar::kNaturalSpace32), total);
    EXPECT_EQ(rec::Get<std::int32_t>(bar, CBar::kScaledNaturalSpace), 66);
    EXPECT_EQ(rec::Get<std::int32_t>(bar, CBar::kSpaceSize), 6);
    EXPECT_EQ(bar->GetNaturalWidth(), 1440);  // the justification weight is left to the system
}

TEST(BarSpacingTest, BarThatIsNotFullGetsHalfSpacedBeats) {
    recordtest::CleanGlobals clean;
    frametest::TimedNotes notes;
    frametest::SmallScore s(1, {1});
    frametest::TimedNotes::Add(s.TrkBar(0, 0), 144, 0, 960);  // one half note
    CBar* bar = s.Bar(0);
    bar->SetContentLength(0);  // not yet measured
    ASSERT_TRUE(bar->Respace());
    EXPECT_EQ(bar->GetContentLength(), 960);
    const std::vector<Column> columns = Columns(bar);
    ASSERT_EQ(columns.size(), 4u);
    EXPECT_EQ(columns[0].time, 0);
    // The half note's width (720) spreads over the two beats it sounds through; the appended
    // beat after it keeps half the quarter's space.
    EXPECT_EQ(columns[0].space, 360);
    EXPECT_EQ(columns[1].space, 360);
    EXPECT_EQ(columns[2].space, 180);
    EXPECT_EQ(columns[3].space, 180 - 120);
    EXPECT_EQ(columns[3].time, 1440);
    EXPECT_EQ(bar->GetNaturalSpace(), 360 + 360 + 180 + 60);
}

TEST(BarSpacingTest, LockedBarIsLeftAlone) {
    recordtest::CleanGlobals clean;
    frametest::SmallScore s(1, {1});
    CBar* bar = s.Bar(0);
    bar->SetBarFlag(CBar::kSpacingLockedBit, true);
    const std::vector<Column> before = Columns(bar);
    EXPECT_TRUE(bar->Respace());
    EXPECT_EQ(Columns(bar), before);
    EXPECT_EQ(bar->GetNaturalSpace(), 1440);
}

TEST(BarSpacingTest, MoreOnsetsThanTheTableHoldsAreRefused) {
    recordtest::CleanGlobals clean;
    frametest::TimedNotes notes;
    frametest::SmallScore s(1, {1});
    for (int t = 0; t <= kMaxSpacingColumns; ++t) frametest::TimedNotes::Add(s.TrkBar(0, 0), 128, t, 1);
    CBar* bar = s.Bar(0);
    const std::vector<Column> before = Columns(bar);
    EXPECT_FALSE(bar->Respace());
    EXPECT_EQ(Columns(bar), before);
}

TEST(BarSpacingTest, ManyOnsetsGetAChartOfTheirOwnSize) {
    recordtest::CleanGlobals clean;
    frametest::TimedNotes notes;
    frametest::SmallScore s(1, {1});
    // 300 onsets need a chart larger than 2,048 bytes.
    for (int t = 0; t < 300; ++t) frametest::TimedNotes::Add(s.TrkBar(0, 0), 128, t * 6, 6);
    CBar* bar = s.Bar(0);
    ASSERT_TRUE(bar->Respace());
    const std::vector<Column> columns = Columns(bar);
    ASSERT_EQ(columns.size(), 300u);
    EXPECT_EQ(bar->GetBeatChart()->RecordSizeField(), 18 + 8 * 300);
    for (std::size_t i = 1; i < columns.size(); ++i) EXPECT_GT(columns[i].position, columns[i - 1].position);
}

TEST(BarSpacingTest, MeasureContents) {
    recordtest::CleanGlobals clean;
    frametest::TimedNotes notes;
    {
        // A whole-bar rest in 3/4 counts the meter's 1440 ticks, not its 1920.
        frametest::SmallScore s(1, {1});
        CBar* bar = s.Bar(0);
        bar->GetMeter()->SetPreset(3, false);
        bar->GetMeter()->Update();
        frametest::TimedNotes::Add(s.TrkBar(0, 0), 128, 0, 1920);
        EXPECT_EQ(bar->MeasureContents(), 1440);
    }
    {
        // Two voices: the longest counts; an empty bar has the meter's length.
        frametest::SmallScore s(2, {2});
        frametest::TimedNotes::Add(s.TrkBar(0, 0), 144, 0, 480);
        frametest::TimedNotes::Add(s.TrkBar(0, 0), 144, 480, 480);
        frametest::TimedNotes::Add(s.TrkBar(1, 0), 144, 0, 1200, 0, 3);
        EXPECT_EQ(s.Bar(0)->MeasureContents(), 1200);
        EXPECT_EQ(s.Bar(1)->MeasureContents(), 1920);
    }
    {
        // Notes in a triplet inside a triplet are scaled once, by the outer one's ratio.
        frametest::SmallScore s(1, {1});
        CTrkBar* tb = s.TrkBar(0, 0);
        CBarItem* note = frametest::TimedNotes::Add(tb, 144, 0, 300, 100);
        rec::Put<std::uint8_t>(note, 16, 3);
        frametest::TimedNotes::AddTuplet(tb, 0, 0, 500, 3, 2);     // inner, stored first
        frametest::TimedNotes::AddTuplet(tb, 0, 0, 1000, 5, 4);    // outer, in front of it
        EXPECT_EQ(s.Bar(0)->MeasureContents(), 240);  // 300 x 4 / 5
    }
}

struct LeadingCase {
    int opening;         // this bar's opening kind
    int previousClosing; // the bar before's closing kind
    int keyWidth;
    bool showsMeter;
    int leading;         // engraver units
};

TEST(BarSpacingTest, LeadingWidthsByBarlinesKeyAndMeter) {
    recordtest::CleanGlobals clean;
    frametest::SmallScore s(1, {3});
    CBar* bar = s.Bar(1);
    bar->GetMeter()->SetDisplayFlags(Meter::kShown);  // digit width 3: 180
    for (const LeadingCase c : {LeadingCase{0, 0, 0, false, 165}, LeadingCase{2, 1, 0, false, 412},
                                LeadingCase{0, 3, 0, false, 187}, LeadingCase{1, 0, 0, false, 225},
                                LeadingCase{0, 0, 300, false, 615}, LeadingCase{0, 0, 300, true, 1065},
                                LeadingCase{9, 0, 0, true, 930}}) {
        bar->SetOpeningKind(c.opening);
        s.Bar(0)->SetClosingKind(c.previousClosing);
        bar->SetKeySigWidth(c.keyWidth);
        bar->SetBarFlag(CBar::kShowsMeterBit, c.showsMeter);
        bar->SetWidth(600);
        EXPECT_EQ(bar->CalcLeadingWidths(), c.leading) << c.opening << " " << c.previousClosing << " " << c.keyWidth;
        EXPECT_EQ(bar->GetLeadingWidth(), MulDiv(c.leading, 6, 120));
        EXPECT_EQ(bar->GetContentWidth(), 600 - bar->GetLeadingWidth() - 6);
    }
    // The first bar of a system takes nothing from the bar before it.
    s.Bar(0)->SetClosingKind(1);
    s.Bar(0)->SetOpeningKind(0);
    EXPECT_EQ(s.Bar(0)->CalcLeadingWidths(), 165);
}

TEST(BarSpacingTest, TrailingWidthsByClosingBarline) {
    recordtest::CleanGlobals clean;
    frametest::SmallScore s(1, {2});
    struct Case {
        int bar, closing;
        bool courtesy;
        int trailing;  // page units at space 6
    };
    for (const Case c : {Case{0, 0, false, 6}, Case{1, 0, false, 9}, Case{1, 4, false, 12}, Case{0, 3, false, 18},
                         Case{0, 10, true, 21}}) {
        CBar* bar = s.Bar(c.bar);
        bar->SetClosingKind(c.closing);
        bar->SetBarFlag(CBar::kCourtesyBit, c.courtesy);
        bar->SetTrailingExtra(60);
        bar->CalcLeadingWidths();
        EXPECT_EQ(bar->GetTrailingWidth(), c.trailing) << c.bar << " " << c.closing;
    }
}

TEST(BarSpacingTest, MeterAndCourtesyWidths) {
    recordtest::CleanGlobals clean;
    frametest::SmallScore s(1, {2});
    CBar* bar = s.Bar(1);
    Meter* m = bar->GetMeter();
    m->SetDisplayFlags(0);
    EXPECT_EQ(bar->GetMeterWidth(), 0);
    m->SetDisplayFlags(Meter::kShown);
    EXPECT_EQ(bar->GetMeterWidth(), 180);
    m->SetKindFlags(std::uint8_t(m->GetKindFlags() | Meter::kKindDisplay));
    s.score->staffLabelFont.size = 36;
    s.score->staffLabelFont.face = 3;  // a text face: (36 - 16) / 6 steps of 20 / 2
    EXPECT_EQ(bar->GetMeterWidth(), 180 + 30);
    s.score->staffLabelFont.face = g_draw.defaultMusicFontRef.face;  // the music face: (36 - 24) / 6
    EXPECT_EQ(bar->GetMeterWidth(), 180 + 20);
    m->SetDisplayFlags(Meter::kShown | Meter::kWiden);
    EXPECT_EQ(bar->GetMeterWidth(), 202);

    EXPECT_EQ(bar->GetCourtesyWidth(), 0);
    CBarItem* key = s.TrkBar(0, 1)->NewItem(23, 0);
    rec::Put<std::uint8_t>(key, 16, 10);    // three sharps
    rec::Put<std::uint8_t>(key, 19, 0x02);  // a courtesy is wanted
    EXPECT_EQ(bar->GetCourtesyWidth(), (2 * 4 + 2) * 60);
    rec::Put<std::uint8_t>(key, 19, 0x42);  // shown only as a warning
    EXPECT_EQ(bar->GetCourtesyWidth(), 0);
    // The current bar is the one before the question.
    s.Bar(0)->MakeCurrent();
    bar->GetCourtesyWidth();
    EXPECT_EQ(g_model.currentBar, s.Bar(0));
}

}  // namespace
