#include <gtest/gtest.h>

#include <cstring>

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

}  // namespace
