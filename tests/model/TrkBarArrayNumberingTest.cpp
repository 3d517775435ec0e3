// A track's bar array renumbers only part of itself on an insertion. Whatever part it skips
// must already hold the numbers a whole renumbering gives: every bar its own place, and the
// last flag on the last bar only. The reindex after a bar edit rewrites the bars of the
// reflowed systems anyway, so only the array itself shows a wrong start.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "model/ArrayItem.h"
#include "model/ScoreArrays.h"

namespace {

std::vector<std::uint8_t> Bytes(CTrkBarArray& bars) {
    const auto* base = static_cast<const std::uint8_t*>(bars.GetData());
    return {base, base + std::size_t(bars.GetCount()) * CTrkBarArray::kElementSize};
}

// Every element as it stands, against the same elements renumbered whole.
void ExpectNumberedAsAWhole(CTrkBarArray& bars, const char* what) {
    const std::vector<std::uint8_t> partial = Bytes(bars);
    bars.Renumber();
    const std::vector<std::uint8_t> whole = Bytes(bars);
    for (int i = 0; i < bars.GetCount(); ++i) {
        const std::size_t at = std::size_t(i) * CTrkBarArray::kElementSize;
        EXPECT_EQ(0, std::memcmp(partial.data() + at, whole.data() + at, CTrkBarArray::kElementSize))
            << what << ": bar " << i << " of " << bars.GetCount();
    }
}

TEST(TrkBarArrayNumberingTest, AnInsertionLeavesEveryBarNumberedAsAWholeRenumberingWould) {
    struct Case {
        int count;
        std::vector<int> inserts;  // places, one after the other
    };
    const Case cases[] = {
        {0, {0}},                 // the first bar
        {1, {0}},                 // before the only bar
        {1, {1}},                 // after the only bar: it is last no more
        {6, {0}},                 // at the start
        {6, {1}},                 // after the first
        {6, {3}},                 // in the middle
        {6, {5}},                 // before the last
        {6, {6}},                 // at the end
        {6, {6, 7, 8}},           // appending, bar after bar
        {6, {3, 3, 0, 9, 4}},     // a series at mixed places
    };
    for (const Case& c : cases) {
        CTrkBarArray bars;
        ASSERT_TRUE(bars.SetSize(c.count));
        for (int at : c.inserts) {
            ASSERT_NE(bars.InsertEmpty(at), nullptr);
            const std::string what = "count " + std::to_string(c.count) + ", insertion at " + std::to_string(at);
            ExpectNumberedAsAWhole(bars, what.c_str());
        }
    }
}

TEST(TrkBarArrayNumberingTest, AnInsertionAfterARemovalStillNumbersAsAWhole) {
    CTrkBarArray bars;
    ASSERT_TRUE(bars.SetSize(5));
    bars.RemoveAt(4);  // the bar before the end takes the last flag
    ASSERT_NE(bars.InsertEmpty(4), nullptr);
    ExpectNumberedAsAWhole(bars, "end after removing the last");
    bars.RemoveAt(0);
    ASSERT_NE(bars.InsertEmpty(2), nullptr);
    ExpectNumberedAsAWhole(bars, "middle after removing the first");
}

}  // namespace
