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

TEST_F(MemoryTest, PlacingInOrderMovesOnlyAddresses) {
    const std::size_t live = fw::memtest::LiveBlocks();
    const std::size_t runs = fw::memtest::SharedRuns();
    const std::size_t sizes[] = {0, 3, 100, 5000};
    HGLOBAL h[4];
    void* before[4];
    for (int i = 0; i < 4; ++i) {
        h[i] = GlobalAlloc(GMEM_MOVEABLE, sizes[i]);
        ASSERT_NE(h[i], 0u);
        before[i] = GlobalLock(h[i]);
        std::memset(before[i], 'a' + i, sizes[i]);
    }
    GlobalLock(h[2]);  // locked twice
    HGLOBAL stale = GlobalAlloc(GMEM_MOVEABLE, 8);
    GlobalFree(stale);
    const auto expectKept = [&](const char* when) {
        for (int i = 0; i < 4; ++i) {
            ASSERT_TRUE(fw::GlobalIsValid(h[i])) << when << " " << i;
            EXPECT_EQ(GlobalSize(h[i]), sizes[i]) << when << " " << i;
            auto* p = static_cast<unsigned char*>(fw::GlobalAddress(h[i]));
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % alignof(std::max_align_t), 0u) << when << " " << i;
            for (std::size_t k = 0; k < sizes[i]; ++k) ASSERT_EQ(p[k], 'a' + i) << when << " " << i << " byte " << k;
        }
        EXPECT_FALSE(fw::GlobalIsValid(stale)) << when;
        EXPECT_EQ(fw::memtest::LiveBlocks(), live + 4) << when;
    };
    // Out of order, with a stale and a repeated handle.
    const HGLOBAL order[] = {h[3], stale, h[1], h[0], h[3], h[2], 0};
    fw::GlobalPlaceInOrder(order, std::size(order));
    expectKept("placed");
    for (int i = 0; i < 4; ++i) EXPECT_NE(fw::GlobalAddress(h[i]), before[i]) << i;
    // In the order given, one after another.
    EXPECT_LT(fw::GlobalAddress(h[3]), fw::GlobalAddress(h[1]));
    EXPECT_LT(fw::GlobalAddress(h[1]), fw::GlobalAddress(h[0]));
    EXPECT_LT(fw::GlobalAddress(h[0]), fw::GlobalAddress(h[2]));
    EXPECT_EQ(fw::memtest::SharedRuns(), runs + 1);
    // Placed again, the blocks leave their first run, which goes.
    const HGLOBAL again[] = {h[0], h[1], h[2], h[3]};
    fw::GlobalPlaceInOrder(again, std::size(again));
    expectKept("placed again");
    EXPECT_EQ(fw::memtest::SharedRuns(), runs + 1);
    EXPECT_TRUE(GlobalUnlock(h[2]));  // the lock count came along
    EXPECT_FALSE(GlobalUnlock(h[2]));
    // A resized block moves out of the run with its bytes; the run goes with its last block.
    ASSERT_EQ(GlobalReAlloc(h[1], 6000, GMEM_MOVEABLE | GMEM_ZEROINIT), h[1]);
    auto* grown = static_cast<unsigned char*>(fw::GlobalAddress(h[1]));
    EXPECT_EQ(std::memcmp(grown, "bbb", 3), 0);
    EXPECT_EQ(grown[5999], 0);
    EXPECT_EQ(GlobalFree(h[0]), 0u);
    EXPECT_EQ(GlobalFree(h[2]), 0u);
    EXPECT_EQ(fw::memtest::SharedRuns(), runs + 1);
    EXPECT_EQ(std::memcmp(fw::GlobalAddress(h[3]), "ddddd", 5), 0);
    EXPECT_EQ(GlobalFree(h[3]), 0u);
    EXPECT_EQ(fw::memtest::SharedRuns(), runs);
    EXPECT_EQ(GlobalFree(h[1]), 0u);
    EXPECT_EQ(fw::memtest::LiveBlocks(), live);
}

TEST_F(MemoryTest, PlacingInOrderWhileAllocationsFailMovesNothingAndSpendsNothing) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 3);
    std::memcpy(GlobalLock(h), "xyz", 3);
    void* at = fw::GlobalAddress(h);
    fw::memtest::FailAfter(1);
    fw::GlobalPlaceInOrder(&h, 1);
    EXPECT_EQ(fw::GlobalAddress(h), at);
    EXPECT_EQ(std::memcmp(at, "xyz", 3), 0);
    HGLOBAL a = GlobalAlloc(0, 1);  // the one allocation allowed is still there
    EXPECT_NE(a, 0u);
    EXPECT_EQ(GlobalAlloc(0, 1), 0u);
    fw::memtest::Reset();
    GlobalFree(a);
    GlobalFree(h);
}

}  // namespace
