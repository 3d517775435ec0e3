// Durations of notes and rests, flag counts, dot cycling, and the beat chart's mapping of
// positions to time.
#include <gtest/gtest.h>

#include "NotationTestSupport.h"
#include "notation/BeatChart.h"
#include "notation/Rest.h"

using namespace notetest;

namespace {

class NoteValueTest : public NotationTest {};

}  // namespace

TEST_F(NoteValueTest, DurationByValueDotsTupletAndHalfFlag) {
    struct Case {
        int code, dots, count, space;
        bool half;
        int barLength;
        double ticks;
    };
    const Case cases[] = {
        {1, 0, 0, 0, false, 1920, 1920}, {3, 0, 0, 0, false, 1920, 480}, {8, 0, 0, 0, false, 1920, 15},
        {3, 1, 0, 0, false, 1920, 720},  {3, 2, 0, 0, false, 1920, 840}, {4, 3, 0, 0, false, 1920, 450},
        {4, 0, 3, 2, false, 1920, 160},  {2, 0, 5, 4, false, 1920, 768}, {3, 1, 3, 2, true, 1920, 240},
        {0, 0, 0, 0, false, 1440, 1440}, {0, 0, 0, 0, true, 1440, 720},
        {0, 2, 3, 2, false, 1440, 1440},  // a whole-bar value takes neither dots nor ratio
        {8, 3, 0, 0, false, 1920, 26},     // 15 + 7 + 3 + 1
        {12, 0, 0, 0, false, 1920, 15},    // codes past the 128th last as long as one
    };
    for (const Case& c : cases) {
        RecordBuf buf;
        CRest* rest = CRest::Construct(buf.data());
        rest->SetNoteValue(c.code);
        rest->SetDotCount(c.dots);
        rest->SetTupletCount(std::uint8_t(c.count));
        rest->SetTupletSpace(std::uint8_t(c.space));
        rest->SetHalfFlag(c.half);
        EXPECT_DOUBLE_EQ(NoteDuration(*rest, c.barLength), c.ticks) << c.code << " dots " << c.dots;
    }
}

TEST_F(NoteValueTest, EndTimeAndFlagsOfTheItem) {
    RecordBuf buf;
    CNote* note = MakeNote(buf, 1, 4);
    note->SetTimeField(960);
    note->SetDotCount(1);
    EXPECT_DOUBLE_EQ(note->GetDuration(), 360);
    EXPECT_DOUBLE_EQ(note->GetEndTime(), 1320);
    const int flags[] = {0, 0, 0, 0, 1, 2, 3, 4, 5};
    for (int code = 0; code <= 8; ++code) {
        note->SetNoteValue(code);
        EXPECT_EQ(note->GetFlagCount(), flags[code]) << code;
    }
}

TEST_F(NoteValueTest, CyclingDots) {
    RecordBuf buf;
    CRest* rest = CRest::Construct(buf.data());
    rest->SetFlags(0xD5);   // three dots and other flags
    rest->CycleDots();
    EXPECT_EQ(rest->Flags(), 0x15) << "from three dots to none, the other flags kept";
    rest->CycleDots();
    EXPECT_EQ(rest->DotCount(), 1);

    // A note's heads take the new written duration.
    RecordBuf nb;
    CNote* note = MakeNote(nb, 2, 3);
    note->SetDotCount(1);
    note->CycleDots();
    EXPECT_EQ(note->Head(0)->Duration(), 840);
    EXPECT_EQ(note->Head(1)->Duration(), 840);
}

TEST_F(NoteValueTest, BeamedAndSlurFlagsOfRestsAndNotes) {
    RecordBuf buf;
    CRest* rest = CRest::Construct(buf.data());
    rest->SetBeamed(3);
    EXPECT_TRUE(rest->IsBeamed());
    rest->SetBeamed(2);
    EXPECT_FALSE(rest->IsBeamed()) << "only the low bit counts";
    rest->SetStartStaffOffset(5);
    EXPECT_EQ(rest->GetStartStaffOffset(), -3);
    EXPECT_TRUE(rest->IsCrossStaff());

    RecordBuf nb;
    CNote* note = MakeNote(nb, 1);
    EXPECT_EQ(note->SetLineStart(1), note);
    note->SetSlurEnd(1);
    EXPECT_EQ(note->Links(), 0x09);
    EXPECT_TRUE(note->HasLineStart());
    EXPECT_FALSE(note->HasLineEnd());
    note->SetLineStart(0);
    EXPECT_FALSE(note->HasLineStart());
    EXPECT_TRUE(note->HasSlurEnd());
}

namespace {

// A chart at positions 0, 256, 512, 768 with times 0, 480, 960, 1440.
CBeatChart* FourBeats(RecordBuf& buf) {
    CBeatChart* chart = CBeatChart::Construct(buf.data());
    chart->SetCount(4);
    chart->CBaseItem::SetSize(50);
    for (int i = 0; i < 4; ++i) {
        chart->SetField(i, CBeatChart::kPosition, 256 * i);
        chart->SetField(i, CBeatChart::kTime, 480 * i);
    }
    return chart;
}

}  // namespace

TEST_F(NoteValueTest, ChartPositionToTick) {
    RecordBuf buf;
    CBeatChart* chart = FourBeats(buf);
    const std::pair<int, int> cases[] = {
        {-10, 0}, {0, 0}, {60, 0},       // at or before the first entry, and snapped to it
        {300, 480},                      // snapped, 44 units away
        {384, 480},                      // 720 rounded down to the beat
        {400, 960},                      // 750: 989 rounds down to 960
        {900, 1440},                     // 1688 rounded to 1920, limited to the last beat
    };
    for (auto [p, t] : cases) EXPECT_EQ(chart->PositionToTick(p, 1920), t) << p;

    // A span of 0 ticks gives the interpolated time itself.
    chart->SetField(2, CBeatChart::kTime, 480);
    EXPECT_EQ(chart->PositionToTick(400, 1920), 480);
}

TEST_F(NoteValueTest, ChartBuilders) {
    RecordBuf buf;
    CBeatChart* chart = CBeatChart::Construct(buf.data());
    chart->SetCount(3);
    chart->CBaseItem::SetSize(42);
    chart->BuildUniform(7, 640);
    const int positions[] = {0, 341, 682};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(chart->Field(i, CBeatChart::kPosition), positions[i]);
        EXPECT_EQ(chart->Field(i, CBeatChart::kTime), 640 * i);
    }
    EXPECT_EQ(chart->Field(0, CBeatChart::kWidth), 341);
    EXPECT_EQ(chart->Field(2, CBeatChart::kWidth), 342);

    // Columns: time at 2, width at 4, leading space at 6, flag at 10.
    std::uint8_t columns[36] = {};
    auto column = [&](int i, int time, int width, int lead, int flag) {
        rec::Put<std::int16_t>(columns + 12 * i, 2, std::int16_t(time));
        rec::Put<std::int16_t>(columns + 12 * i, 4, std::int16_t(width));
        rec::Put<std::int16_t>(columns + 12 * i, 6, std::int16_t(lead));
        rec::Put<std::int16_t>(columns + 12 * i, 10, std::int16_t(flag));
    };
    chart->SetCount(1);
    column(0, 0, 300, 100, 0);
    chart->BuildFromColumns(columns, 800);
    EXPECT_EQ(chart->Field(0, CBeatChart::kPosition), 128);
    EXPECT_EQ(chart->Field(0, CBeatChart::kWidth), 896);
    EXPECT_EQ(chart->Field(0, CBeatChart::kSpace), 300);

    chart->SetCount(3);
    column(0, 0, 200, 40, 1);
    column(1, 480, 100, 60, 0);
    column(2, 960, 300, 100, 0);
    chart->BuildFromColumns(columns, 800);
    EXPECT_EQ(chart->Field(0, CBeatChart::kPosition), 51);    // 40 x 1024 / 800
    EXPECT_EQ(chart->Field(1, CBeatChart::kPosition), 384);   // 300 x 1024 / 800
    EXPECT_EQ(chart->Field(2, CBeatChart::kPosition), 640);   // 500 x 1024 / 800
    EXPECT_EQ(chart->Field(0, CBeatChart::kSpace), 260) << "the next column's lead joins it";
    EXPECT_EQ(chart->Field(0, CBeatChart::kWidth), 333);
    EXPECT_EQ(chart->Field(1, CBeatChart::kWidth), 256);
    EXPECT_EQ(chart->Field(2, CBeatChart::kWidth), 256) << "the flag caps the last width at the one before";
    EXPECT_EQ(chart->Field(2, CBeatChart::kTime), 960);

    // A bar of no width does not divide by it.
    chart->BuildFromColumns(columns, 0);
    EXPECT_EQ(chart->Field(1, CBeatChart::kPosition), 0);
}
