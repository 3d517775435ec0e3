#include <gtest/gtest.h>

#include <cstring>

#include "framework/Exceptions.h"
#include "framework/Memory.h"
#include "platform/Handles.h"

namespace {

struct HandleBufferTest : ::testing::Test {
    void SetUp() override { fw::memtest::SetAlwaysMove(true); }
    void TearDown() override { fw::memtest::Reset(); }
};

TEST_F(HandleBufferTest, AppendGrowsByEachLength) {
    HandleBuffer b;
    ASSERT_TRUE(b.Append("abc", 3));
    EXPECT_EQ(GetHandleSize(b.handle), 3u);
    ASSERT_TRUE(b.Append("de", 2));
    EXPECT_EQ(GetHandleSize(b.handle), 5u);
    EXPECT_EQ(b.GetCount(), 2u);
    EXPECT_EQ(std::memcmp(b.GetData(), "abcde", 5), 0);
    b.Clear();
}

TEST_F(HandleBufferTest, ResetKeepsBlockForReuse) {
    HandleBuffer b;
    b.Append("abcdef", 6);
    HGLOBAL h = b.handle;
    b.Reset();
    EXPECT_EQ(b.size, 0u);
    EXPECT_EQ(b.count, 0u);
    EXPECT_EQ(b.handle, h);
    EXPECT_EQ(GetHandleSize(h), 6u);
    b.Append("xy", 2);
    EXPECT_EQ(b.handle, h);
    EXPECT_EQ(std::memcmp(b.GetData(), "xy", 2), 0);
    b.Clear();
}

TEST_F(HandleBufferTest, InsertBytesOpensGapAndMovesTail) {
    HandleBuffer b;
    b.Append("abef", 4);
    auto* base = static_cast<char*>(b.GetData());
    char* gap = static_cast<char*>(b.InsertBytes(base + 2, "cd", 2));
    ASSERT_NE(gap, nullptr);
    EXPECT_EQ(gap - static_cast<char*>(b.GetData()), 2);
    EXPECT_EQ(std::memcmp(b.GetData(), "abcdef", 6), 0);
    EXPECT_EQ(b.size, 6u);
    EXPECT_EQ(b.count, 2u);
    b.Clear();
}

TEST_F(HandleBufferTest, FailedGrowthLeavesBufferAsItWas) {
    HandleBuffer b;
    b.Append("abc", 3);
    fw::memtest::FailAfter(0);
    EXPECT_FALSE(b.Append("d", 1));
    EXPECT_EQ(b.Resize(100, true), nullptr);
    EXPECT_EQ(b.InsertBytes(b.GetData(), "z", 1), nullptr);
    EXPECT_EQ(b.size, 3u);
    EXPECT_EQ(b.count, 1u);
    EXPECT_EQ(std::memcmp(b.GetData(), "abc", 3), 0);
    HandleBuffer empty;
    EXPECT_FALSE(empty.Append("x", 1));
    fw::memtest::Reset();
    b.Clear();
}

TEST_F(HandleBufferTest, ResizeHandleIgnoresZeroAndReportsFailure) {
    HGLOBAL h = AllocHandle(8);
    EXPECT_EQ(ResizeHandle(&h, 0), 0);
    EXPECT_EQ(GetHandleSize(h), 8u);
    fw::memtest::FailAfter(0);
    HGLOBAL before = h;
    EXPECT_EQ(ResizeHandle(&h, 64), 100);
    EXPECT_EQ(h, before);
    fw::memtest::Reset();
    FreeHandle(h);
}

TEST(ErrorCodeTest, ThrowsCarryTheirCodes) {
    SetErrorCode(0);
    EXPECT_THROW(ThrowOutOfMemory(), CMemoryException);
    EXPECT_EQ(GetErrorCode(), 100);
    EXPECT_THROW(ThrowErrorCode(101), CUserException);
    EXPECT_EQ(GetErrorCode(), 101);
    EXPECT_NO_THROW(ThrowErrorCode(0));
    EXPECT_EQ(GetErrorCode(), 101);
}

}  // namespace
