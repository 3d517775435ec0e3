#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "framework/CodePage.h"
#include "framework/Globals.h"
#include "platform/Collections.h"

namespace {

void* P(std::intptr_t v) { return reinterpret_cast<void*>(v); }

struct CollectionsTest : ::testing::Test {
    void TearDown() override {
        collectionstest::Reset();
        fw::ResetAllGlobals();
    }
};

bool allZero(const void* p, std::size_t n) {
    const auto* b = static_cast<const std::uint8_t*>(p);
    return std::all_of(b, b + n, [](std::uint8_t c) { return c == 0; });
}

// ---- GrowArray ------------------------------------------------------------------------------

TEST_F(CollectionsTest, GrowArrayRoundsCapacityToTheStepAndZeroFills) {
    GrowArray a;
    ASSERT_TRUE(a.Init(4, 16, 0));
    EXPECT_EQ(a.capacity, 0);
    EXPECT_EQ(a.data, nullptr);
    ASSERT_TRUE(a.SetCount(5));
    EXPECT_EQ(a.count, 5);
    EXPECT_EQ(a.capacity, 16);
    EXPECT_TRUE(allZero(a.data, a.ByteSize(16)));
    std::memset(a.data, 0xAB, a.ByteSize(16));
    ASSERT_TRUE(a.SetCount(17));
    EXPECT_EQ(a.capacity, 32);
    EXPECT_TRUE(allZero(a.At(16), a.ByteSize(16)));  // the new room
    EXPECT_EQ(*static_cast<std::uint8_t*>(a.At(15)), 0xAB);
    ASSERT_TRUE(a.SetCount(0));
    EXPECT_EQ(a.data, nullptr);
    EXPECT_EQ(a.capacity, 0);
    EXPECT_EQ(a.count, 0);

    GrowArray reserved;
    ASSERT_TRUE(reserved.Init(8, 10, 25));
    EXPECT_EQ(reserved.count, 0);
    EXPECT_EQ(reserved.capacity, 30);
}

TEST_F(CollectionsTest, GrowArrayInsertsAndRemovesRanges) {
    GrowArray a;
    a.Init(sizeof(std::int32_t), 4, 0);
    auto at = [&](int i) { return *static_cast<std::int32_t*>(a.At(i)); };
    auto set = [&](int i, std::int32_t v) { *static_cast<std::int32_t*>(a.At(i)) = v; };
    ASSERT_TRUE(a.InsertRoom(0, 3));
    for (int i = 0; i < 3; ++i) set(i, i + 1);  // 1 2 3
    ASSERT_TRUE(a.InsertRoom(1, 2));            // 1 _ _ 2 3
    EXPECT_EQ(a.count, 5);
    EXPECT_EQ(a.capacity, 8);
    EXPECT_EQ(at(0), 1);
    EXPECT_EQ(at(1), 0);
    EXPECT_EQ(at(2), 0);
    EXPECT_EQ(at(3), 2);
    EXPECT_EQ(at(4), 3);
    ASSERT_TRUE(a.InsertRoom(5, 1));  // at the end
    EXPECT_EQ(a.count, 6);
    ASSERT_TRUE(a.RemoveRange(0, 3));  // 2 3 _
    EXPECT_EQ(a.count, 3);
    EXPECT_EQ(at(0), 2);
    EXPECT_EQ(at(1), 3);

    struct Case {
        bool insert;
        int index, n;
        bool ok;
    } cases[] = {
        {true, -1, 1, false}, {true, 4, 1, false}, {true, 0, -1, false}, {true, 3, 0, true},
        {false, 3, 0, false}, {false, -1, 1, false}, {false, 1, 3, false}, {false, 0, -1, false},
        {false, 1, 2, true},
    };
    for (const Case& c : cases) {
        GrowArray b;
        b.Init(1, 4, 0);
        b.SetCount(3);
        EXPECT_EQ(c.insert ? b.InsertRoom(c.index, c.n) : b.RemoveRange(c.index, c.n), c.ok)
            << (c.insert ? "insert " : "remove ") << c.index << " " << c.n;
    }
}

TEST_F(CollectionsTest, GrowArrayFailureLeavesTheArrayAsItWas) {
    GrowArray a;
    a.Init(2, 4, 0);
    ASSERT_TRUE(a.SetCount(3));
    std::memcpy(a.data, "abcdef", 6);
    void* before = a.data;
    collectionstest::FailAfter(0);
    EXPECT_FALSE(a.SetCount(40));
    EXPECT_FALSE(a.InsertRoom(1, 10));
    EXPECT_TRUE(a.InsertRoom(1, 1));  // within the capacity: no allocation
    EXPECT_EQ(a.count, 4);
    EXPECT_EQ(a.capacity, 4);
    EXPECT_EQ(a.data, before);
    EXPECT_EQ(std::memcmp(a.data, "ab\0\0cdef", 8), 0);
}

// ---- CPtrToPtrDict --------------------------------------------------------------------------

TEST_F(CollectionsTest, DictionaryKeepsKeysSortedAsSignedNumbers) {
    CPtrToPtrDict d(4, 0);
    EXPECT_EQ(d.FindIndex(7), 0);
    for (std::int32_t k : {5, -1, INT32_MIN, 3, INT32_MAX, 0}) ASSERT_TRUE(d.Add(k, P(std::intptr_t(k) + 1000)));
    std::vector<std::int32_t> keys;
    for (int i = 0; i < d.GetCount(); ++i) keys.push_back(d.GetKeyAt(i));
    EXPECT_EQ(keys, (std::vector<std::int32_t>{INT32_MIN, -1, 0, 3, 5, INT32_MAX}));
    void* v = nullptr;
    ASSERT_TRUE(d.Lookup(-1, &v));
    EXPECT_EQ(v, P(999));
    EXPECT_TRUE(d.Lookup(INT32_MIN));
    EXPECT_FALSE(d.Lookup(4, &v));
    EXPECT_EQ(v, P(999));  // untouched when absent

    EXPECT_FALSE(d.Add(3, P(1)));  // existing key: the old value stays
    ASSERT_TRUE(d.Lookup(3, &v));
    EXPECT_EQ(v, P(1003));
    EXPECT_TRUE(d.Set(3, P(1)));
    ASSERT_TRUE(d.Lookup(3, &v));
    EXPECT_EQ(v, P(1));
    EXPECT_TRUE(d.Set(4, P(44)));  // Set inserts a new key at its place
    EXPECT_EQ(d.GetKeyAt(4), 4);

    EXPECT_TRUE(d.Remove(0));
    EXPECT_FALSE(d.Remove(0));
    EXPECT_EQ(d.GetCount(), 6);
    EXPECT_FALSE(d.Lookup(0));
    d.RemoveAll();
    EXPECT_EQ(d.GetCount(), 0);
    EXPECT_FALSE(d.Lookup(5));
}

TEST_F(CollectionsTest, DictionaryFindIndexIsTheFirstKeyNotBelow) {
    std::mt19937 rng(1234);
    std::uniform_int_distribution<std::int32_t> dist(-50, 50);
    CPtrToPtrDict d(16, 0);
    std::vector<std::int32_t> keys;
    for (int i = 0; i < 60; ++i) {
        std::int32_t k = dist(rng);
        if (d.Add(k, nullptr)) keys.push_back(k);
    }
    std::sort(keys.begin(), keys.end());
    ASSERT_EQ(d.GetCount(), std::int32_t(keys.size()));
    for (std::int32_t k = -52; k <= 52; ++k) {
        auto want = std::lower_bound(keys.begin(), keys.end(), k) - keys.begin();
        EXPECT_EQ(d.FindIndex(k), want) << k;
    }
}

TEST_F(CollectionsTest, DictionaryAddFailsCleanlyWhenMemoryRunsOut) {
    CPtrToPtrDict d(2, 0);
    ASSERT_TRUE(d.Add(1, P(1)));
    ASSERT_TRUE(d.Add(2, P(2)));
    collectionstest::FailAfter(0);
    EXPECT_FALSE(d.Add(3, P(3)));
    EXPECT_FALSE(d.Set(0, P(0)));
    EXPECT_TRUE(d.Set(2, P(22)));  // replacing needs no memory
    EXPECT_EQ(d.GetCount(), 2);
    EXPECT_EQ(d.GetKeyAt(0), 1);
    EXPECT_EQ(d.GetValueAt(1), P(22));
}

// ---- Pointer array and set ------------------------------------------------------------------

TEST_F(CollectionsTest, PointerArrayInsertsAtIndexOrAppends) {
    CWPtrArray a;
    EXPECT_TRUE(a.InsertAt(-1, P(1)));
    EXPECT_TRUE(a.InsertAt(-1, P(2)));
    EXPECT_TRUE(a.InsertAt(0, P(3)));
    EXPECT_TRUE(a.InsertAt(3, P(4)));
    EXPECT_FALSE(a.InsertAt(5, P(5)));
    EXPECT_FALSE(a.InsertAt(-2, P(5)));
    ASSERT_EQ(a.GetCount(), 4);
    EXPECT_EQ(a.GetAt(0), P(3));
    EXPECT_EQ(a.GetAt(1), P(1));
    EXPECT_EQ(a.GetAt(3), P(4));
    EXPECT_TRUE(a.RemoveAt(1));
    EXPECT_FALSE(a.RemoveAt(3));
    EXPECT_EQ(a.GetCount(), 3);
    EXPECT_EQ(a.GetAt(1), P(2));
    collectionstest::FailAfter(0);
    CWPtrArray b(4, 0);
    EXPECT_FALSE(b.InsertAt(-1, P(1)));
    EXPECT_EQ(b.GetCount(), 0);
}

TEST_F(CollectionsTest, PointerSetIsSortedAndUnique) {
    CPtrSet s;
    void* high = P(-16);  // top bit set: sorts first
    for (void* p : {P(48), P(16), high, P(32)}) EXPECT_TRUE(s.Add(p, false));
    ASSERT_EQ(s.GetCount(), 4);
    EXPECT_EQ(s.GetAt(0), high);
    EXPECT_EQ(s.GetAt(1), P(16));
    EXPECT_EQ(s.GetAt(3), P(48));
    EXPECT_TRUE(s.Add(P(32), false));  // present: !flag, nothing inserted
    EXPECT_FALSE(s.Add(P(32), true));
    EXPECT_FALSE(s.Add(P(32)));
    EXPECT_EQ(s.GetCount(), 4);
    EXPECT_EQ(s.FindIndex(P(32)), 2);
    EXPECT_EQ(s.FindIndex(P(33)), 3);
    EXPECT_EQ(s.FindIndex(P(64)), 4);
    EXPECT_EQ(s.FindIndex(P(-100)), 0);
}

// ---- String caches --------------------------------------------------------------------------

TEST_F(CollectionsTest, CachedStringsLoadOncePerModule) {
    const char* a = LoadCachedString(0, 10028);
    EXPECT_EQ(fw::ToUtf8(a), "提示");
    EXPECT_EQ(LoadCachedString(0, 10028), a);
    const char* other = LoadCachedString(7, 10028);
    EXPECT_EQ(fw::ToUtf8(other), "提示");
    EXPECT_NE(other, a);
    EXPECT_STREQ(LoadCachedString(0, 59999), "");
    EXPECT_EQ(fw::ToUtf8(LoadCachedString(0, 10029)), "停止");
    EXPECT_EQ(LoadCachedString(0, 10028), a);
}

TEST_F(CollectionsTest, CachedStringIsEmptyWhenItCannotBeKept) {
    // Making the cache, the module's dictionary, its entry, the text's copy and its entry
    // take five allocations: fail each in turn.
    for (int allowed = 0; allowed < 5; ++allowed) {
        fw::ResetAllGlobals();
        collectionstest::FailAfter(allowed);
        EXPECT_STREQ(LoadCachedString(0, 10028), "") << allowed;
        collectionstest::Reset();
        const char* a = LoadCachedString(0, 10028);
        EXPECT_EQ(fw::ToUtf8(a), "提示") << allowed;
        EXPECT_EQ(LoadCachedString(0, 10028), a);
    }
}

TEST_F(CollectionsTest, StringPairsNeedAnEvenNumberOfParts) {
    char buf[16] = "stale";
    EXPECT_FALSE(LoadStringPairs(0, 59999, buf, sizeof buf));
    EXPECT_FALSE(LoadStringPairs(0, 10028, buf, sizeof buf));  // one part
    EXPECT_EQ(fw::ToUtf8(buf), "提示");
    char small[4];
    EXPECT_FALSE(LoadStringPairs(0, 10028, small, sizeof small));
}

}  // namespace
