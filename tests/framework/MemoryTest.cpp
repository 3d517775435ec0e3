#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "framework/Memory.h"

namespace {

struct MemoryTest : ::testing::Test {
    void TearDown() override { fw::memtest::Reset(); }
};

TEST_F(MemoryTest, BlockKeepsBytesAcrossMovingResize) {
    fw::memtest::SetAlwaysMove(true);
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 4);
    ASSERT_NE(h, 0u);
    auto* p = static_cast<char*>(GlobalLock(h));
    std::memcpy(p, "abcd", 4);
    GlobalUnlock(h);
    ASSERT_EQ(GlobalReAlloc(h, 4096, GMEM_MOVEABLE), h);
    auto* q = static_cast<char*>(GlobalLock(h));
    EXPECT_NE(p, q);
    EXPECT_EQ(std::memcmp(q, "abcd", 4), 0);
    EXPECT_EQ(GlobalSize(h), 4096u);
    GlobalUnlock(h);
    EXPECT_EQ(GlobalFree(h), 0u);
}

TEST_F(MemoryTest, ZeroInitAndZeroSizeBlocks) {
    HGLOBAL h = GlobalAlloc(GHND, 0);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(GlobalSize(h), 0u);
    EXPECT_NE(GlobalLock(h), nullptr);
    ASSERT_EQ(GlobalReAlloc(h, 16, GMEM_MOVEABLE | GMEM_ZEROINIT), h);
    auto* p = static_cast<unsigned char*>(GlobalLock(h));
    for (int i = 0; i < 16; ++i) EXPECT_EQ(p[i], 0) << i;
    GlobalFree(h);
}

TEST_F(MemoryTest, StaleHandleIsRejected) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 8);
    GlobalFree(h);
    EXPECT_FALSE(fw::GlobalIsValid(h));
    EXPECT_EQ(GlobalLock(h), nullptr);
    EXPECT_EQ(GlobalSize(h), 0u);
    EXPECT_EQ(GlobalFree(h), h);  // freeing twice is refused, not a double free
    HGLOBAL again = GlobalAlloc(GMEM_MOVEABLE, 8);  // reuses the slot with a new id
    EXPECT_NE(again, h);
    EXPECT_EQ(GlobalLock(h), nullptr);
    GlobalFree(again);
}

TEST_F(MemoryTest, InjectedFailureLeavesBlockUntouched) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 3);
    std::memcpy(GlobalLock(h), "xyz", 3);
    fw::memtest::FailAfter(0);
    EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE, 10), 0u);
    EXPECT_EQ(GlobalReAlloc(h, 100, GMEM_MOVEABLE), 0u);
    EXPECT_EQ(GlobalSize(h), 3u);
    EXPECT_EQ(std::memcmp(GlobalLock(h), "xyz", 3), 0);
    fw::memtest::Reset();
    EXPECT_NE(GlobalReAlloc(h, 100, GMEM_MOVEABLE), 0u);
    GlobalFree(h);
}

TEST_F(MemoryTest, FailAfterCountsSuccesses) {
    fw::memtest::FailAfter(2);
    HGLOBAL a = GlobalAlloc(0, 1), b = GlobalAlloc(0, 1), c = GlobalAlloc(0, 1);
    EXPECT_NE(a, 0u);
    EXPECT_NE(b, 0u);
    EXPECT_EQ(c, 0u);
    fw::memtest::Reset();
    GlobalFree(a);
    GlobalFree(b);
}

// Blocks allocated one behind another share one run of memory in that order; each still
// behaves as a block of its own, and the run goes with its last block.
TEST_F(MemoryTest, BlocksAllocatedBehindOneAnotherShareARun) {
    const std::size_t live = fw::memtest::LiveBlocks();
    const std::size_t runs = fw::memtest::SharedRuns();
    const std::size_t sizes[] = {0, 3, 100, 50};
    HGLOBAL h[4];
    HGLOBAL after = 0;
    for (int i = 0; i < 4; ++i) {
        // The first starts a run of 190 bytes (192 with alignment): 0, 3 and 100 take 144 of
        // them, and 50 (64) does not fit behind.
        h[i] = fw::GlobalAllocAfter(after, sizes[i], 190);
        ASSERT_NE(h[i], 0u) << i;
        auto* p = static_cast<unsigned char*>(GlobalLock(h[i]));
        ASSERT_NE(p, nullptr) << i;
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % alignof(std::max_align_t), 0u) << i;
        EXPECT_EQ(GlobalSize(h[i]), sizes[i]) << i;
        std::memset(p, 'a' + i, sizes[i]);
        after = h[i];
    }
    const auto at = [&](int i) { return static_cast<unsigned char*>(fw::GlobalAddress(h[i])); };
    EXPECT_LT(at(0), at(1));
    EXPECT_LT(at(1), at(2));
    EXPECT_EQ(fw::memtest::SharedRuns(), runs + 2);  // the fourth did not fit and began its own
    EXPECT_EQ(fw::memtest::LiveBlocks(), live + 4);
    // A stale neighbour starts a run of its own.
    HGLOBAL stale = GlobalAlloc(GMEM_MOVEABLE, 8);
    GlobalFree(stale);
    HGLOBAL alone = fw::GlobalAllocAfter(stale, 10, 0);
    ASSERT_NE(alone, 0u);
    EXPECT_EQ(fw::memtest::SharedRuns(), runs + 3);
    EXPECT_EQ(GlobalFree(alone), 0u);
    EXPECT_EQ(fw::memtest::SharedRuns(), runs + 2);
    // A resized block moves out with its bytes; the others keep theirs.
    ASSERT_EQ(GlobalReAlloc(h[2], 6000, GMEM_MOVEABLE | GMEM_ZEROINIT), h[2]);
    EXPECT_EQ(at(2)[99], 'c');
    EXPECT_EQ(at(2)[5999], 0);
    EXPECT_EQ(std::memcmp(at(1), "bbb", 3), 0);
    EXPECT_TRUE(GlobalUnlock(h[1]) == false);
    // The first run goes with the last of its blocks.
    EXPECT_EQ(GlobalFree(h[0]), 0u);
    EXPECT_EQ(fw::memtest::SharedRuns(), runs + 2);
    EXPECT_EQ(GlobalFree(h[1]), 0u);
    EXPECT_EQ(fw::memtest::SharedRuns(), runs + 1);
    EXPECT_EQ(std::memcmp(at(3), "ddddd", 5), 0);
    EXPECT_EQ(GlobalFree(h[3]), 0u);
    EXPECT_EQ(GlobalFree(h[2]), 0u);
    EXPECT_EQ(fw::memtest::SharedRuns(), runs);
    EXPECT_EQ(fw::memtest::LiveBlocks(), live);
}

TEST_F(MemoryTest, AllocatingBehindAnotherCountsAsAnAllocation) {
    HGLOBAL first = fw::GlobalAllocAfter(0, 4, 64);
    ASSERT_NE(first, 0u);
    fw::memtest::FailAfter(1);
    HGLOBAL second = fw::GlobalAllocAfter(first, 4, 64);
    EXPECT_NE(second, 0u);
    EXPECT_EQ(fw::GlobalAllocAfter(second, 4, 64), 0u);
    EXPECT_EQ(GlobalAlloc(0, 1), 0u);
    fw::memtest::Reset();
    GlobalFree(first);
    GlobalFree(second);
}

}  // namespace
