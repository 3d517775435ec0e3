// Gaps filled with rests, on the program's own rests: the whole-bar gap in any meter, and bars
// with more gaps than the design's fixed tables held.
#include <gtest/gtest.h>

#include <vector>

#include "EntryTestSupport.h"
#include "model/Meter.h"
#include "model/TrkBarEntry.h"

namespace {

using entrytest::EntryTest;
class GapFill : public EntryTest {
protected:
    void SetMeter(int b, int num, int den) {
        Meter* meter = score->GetBar(b)->GetMeter();
        meter->SetNumerator(std::uint8_t(num));
        meter->SetDenominator(std::uint8_t(den));
        meter->SetGroupCount(0);
        meter->SetDefaultBeamGroups();
        ASSERT_TRUE(meter->Update());
    }
};

// A gap over the whole bar is one whole rest, placed at half the meter, whatever the meter.
TEST_F(GapFill, AWholeBarGapIsOneWholeRestAtHalfTheMeter) {
    struct Case {
        int num, den, middle;
    } cases[] = {{4, 4, 960}, {3, 4, 720}, {6, 8, 720}, {2, 2, 960}};
    int b = 0;
    for (const Case& c : cases) {
        SetMeter(b, c.num, c.den);
        CTrkBar* tb = TrkBar(b);
        ASSERT_TRUE(tb->FillGap(0, 0, tb->GetMeterLength(), 0, false, GapInfo{3, 0, 0, 480}));
        const std::vector<CBarItem*> rests = NotesAndRests(tb);
        ASSERT_EQ(rests.size(), 1u) << c.num << "/" << c.den;
        EXPECT_EQ(rests[0]->TimeField(), c.middle) << c.num << "/" << c.den;
        EXPECT_EQ(static_cast<CRest*>(rests[0])->NoteValue(), 1);
        // Filling again finds the voice whole.
        std::vector<RestGap> gaps;
        EXPECT_EQ(tb->FindGaps(0, &gaps, false), 0) << c.num << "/" << c.den;
        ++b;
    }
}

// 8/4 with a 128th every 30 ticks: 128 gaps (the design held 64), each filled with a 128th rest;
// the voice then fills its bar exactly.
TEST_F(GapFill, ManyGapsAreAllFilled) {
    SetMeter(0, 8, 4);
    CTrkBar* tb = TrkBar(0);
    const int length = tb->GetMeterLength();
    ASSERT_EQ(length, 3840);
    for (int t = 0; t < length; t += 30) ASSERT_NE(AddNote(tb, {.time = t, .value = 8}), nullptr);
    std::vector<RestGap> gaps;
    EXPECT_EQ(tb->FindGaps(0, &gaps, false), 128);
    ASSERT_TRUE(tb->FillGaps(0, false, false, true));
    int rests = 0;
    double total = 0;
    for (CBarItem* r : NotesAndRests(tb, 0)) {
        rests += r->IsRest();
        total += NoteDuration(*r);
    }
    EXPECT_EQ(rests, 128);
    EXPECT_EQ(total, length);
}

// The remove flag rebuilds the rests from scratch; the hidden flag hides only what lies before
// the last entry's time.
TEST_F(GapFill, RestsRebuiltAndHidden) {
    CTrkBar* tb = TrkBar(0);
    AddRest(tb, 0, 5);
    AddRest(tb, 120, 5);
    AddNote(tb, {.time = 960, .value = 2});
    g_entry.lastEntryTime = 480;
    ASSERT_TRUE(tb->FillGaps(0, true, true, false));
    std::vector<std::pair<int, bool>> rests;
    for (CBarItem* r : NotesAndRests(tb, 0))
        if (r->IsRest()) rests.push_back({r->TimeField(), r->IsHidden()});
    const std::vector<std::pair<int, bool>> expected = {{0, true}};
    EXPECT_EQ(rests, expected) << "one half rest, before the last entry time";
}

// A member value code past the 128th (the stored nibble holds 9-15; a damaged or foreign file
// may carry one) fills a gap exactly as a 128th member does: rests at the same times lasting
// the same, and nothing read past the duration table.
TEST_F(GapFill, AMemberValuePastThe128thFillsAsA128th) {
    const auto fill = [&](int b, int value, int start) {
        CTrkBar* tb = TrkBar(b);
        EXPECT_TRUE(tb->FillGap(0, start, tb->GetMeterLength(), 0, false, GapInfo{value, 3, 2, 10}));
        std::vector<std::pair<int, double>> rests;
        for (CBarItem* r : NotesAndRests(tb, 0)) rests.push_back({r->TimeField(), NoteDuration(*r)});
        return rests;
    };
    int b = 0;
    for (int value : {9, 12, 15})
        for (int start : {10, 30, 50, 1890}) {
            const auto want = fill(b, 8, start), got = fill(b + 1, value, start);
            EXPECT_EQ(got, want) << "value " << value << " from " << start;
            EXPECT_FALSE(want.empty());
            b += 2;
        }
}

}  // namespace
