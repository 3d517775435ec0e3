// Copies of a track's bar array (undo snapshots, clones) own their runs: no block is shared,
// so freeing one array never frees or changes the other's runs.
#include <gtest/gtest.h>

#include <memory>

#include "framework/Memory.h"
#include "model/ScoreArrays.h"
#include "model/TrkBar.h"

namespace {

void fillTwoBars(CTrkBarArray& bars) {
    for (int i = 0; i < 2; ++i) {
        auto* bar = static_cast<CTrkBar*>(bars.InsertEmpty(i));
        ASSERT_NE(bar, nullptr);
        ASSERT_TRUE(bar->Init(0, i));
    }
}

TEST(TrkBarArrayCopyTest, CloneAndCopyToGiveEveryBarItsOwnRun) {
    const std::size_t before = fw::memtest::LiveBlocks();
    {
        CTrkBarArray bars;
        fillTwoBars(bars);
        std::unique_ptr<CStdArray> clone(bars.Clone());
        ASSERT_NE(clone, nullptr);
        CTrkBarArray copied;
        ASSERT_TRUE(bars.CopyTo(&copied));
        for (CStdArray* other : {clone.get(), static_cast<CStdArray*>(&copied)}) {
            ASSERT_EQ(other->GetCount(), 2);
            for (int i = 0; i < 2; ++i) {
                auto* mine = static_cast<CTrkBar*>(bars.GetAt(i));
                auto* theirs = static_cast<CTrkBar*>(other->GetAt(i));
                EXPECT_NE(theirs->GetRunHandle(), 0u);
                EXPECT_NE(theirs->GetRunHandle(), mine->GetRunHandle()) << i;
                EXPECT_EQ(theirs->GetRunLength(), mine->GetRunLength());
                ASSERT_NE(theirs->GetEndRecord(), nullptr);
            }
        }
        clone.reset();  // the original's runs survive the copy's release
        for (int i = 0; i < 2; ++i) {
            auto* mine = static_cast<CTrkBar*>(bars.GetAt(i));
            EXPECT_TRUE(fw::GlobalIsValid(mine->GetRunHandle())) << i;
            EXPECT_NE(mine->GetEndRecord(), nullptr);
        }
    }
    EXPECT_EQ(fw::memtest::LiveBlocks(), before);  // every run freed exactly once
}

TEST(TrkBarArrayCopyTest, FailedCopyLeavesNoSharedRun) {
    CTrkBarArray bars;
    fillTwoBars(bars);
    for (int allowed = 0; allowed < 8; ++allowed) {
        CTrkBarArray copied;
        fw::memtest::FailAfter(allowed);
        bool ok = bars.CopyTo(&copied);
        fw::memtest::Reset();
        for (int i = 0; i < copied.GetCount(); ++i) {
            auto* theirs = static_cast<CTrkBar*>(copied.GetAt(i));
            auto* mine = static_cast<CTrkBar*>(bars.GetAt(i));
            if (theirs->GetRunHandle() != 0) {
                EXPECT_NE(theirs->GetRunHandle(), mine->GetRunHandle()) << allowed;
            }
        }
        if (ok) {
            EXPECT_EQ(copied.GetCount(), 2);
        }
    }
    for (int i = 0; i < 2; ++i) EXPECT_TRUE(fw::GlobalIsValid(static_cast<CTrkBar*>(bars.GetAt(i))->GetRunHandle()));
}

}  // namespace
