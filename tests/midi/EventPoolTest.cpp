// The performer's event pool: a fixed number of nodes, sorted by time, walked by a cursor.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <thread>
#include <vector>

#include "midi/EventPool.h"

namespace {

std::vector<int> Walk(EventPool& pool) {
    std::vector<int> times;
    pool.Rewind();
    for (PerfEvent* e = pool.PeekAtCursor(); e; e = pool.PeekAtCursor()) {
        times.push_back(e->time);
        pool.AdvanceCursor();
    }
    return times;
}

TEST(EventPool, ResetEmptiesAndTheTenThousandAndFirstInsertFails) {
    auto pool = std::make_unique<EventPool>();
    pool->Insert(5);
    pool->Reset();
    EXPECT_EQ(pool->GetCount(), 0);
    pool->Rewind();
    EXPECT_EQ(pool->PeekAtCursor(), nullptr);
    for (int i = 0; i < EventPool::kNodes; ++i) ASSERT_NE(pool->Insert(i % 97), nullptr) << "insert " << i;
    EXPECT_EQ(pool->GetCount(), 10000);
    EXPECT_EQ(pool->Insert(3), nullptr);
    EXPECT_EQ(pool->GetCount(), 10000);
    // Full, the list is still whole and sorted.
    std::vector<int> times = Walk(*pool);
    ASSERT_EQ(times.size(), 10000u);
    EXPECT_TRUE(std::is_sorted(times.begin(), times.end()));
    pool->Reset();
    EXPECT_EQ(pool->GetCount(), 0);
    EXPECT_NE(pool->Insert(0), nullptr);
}

TEST(EventPool, EqualTimesKeepTheirOrderAndEarlierTimesGoFirst) {
    auto pool = std::make_unique<EventPool>();
    struct Step {
        int time;
        std::uint8_t tag;
    } steps[] = {{480, 1}, {480, 2}, {0, 3}, {960, 4}, {480, 5}, {0, 6}};
    for (const Step& s : steps) pool->Insert(s.time)->data1 = s.tag;
    std::vector<int> tags;
    pool->Rewind();
    for (PerfEvent* e = pool->PeekAtCursor(); e; e = pool->PeekAtCursor()) {
        tags.push_back(e->data1);
        pool->AdvanceCursor();
    }
    EXPECT_EQ(tags, (std::vector<int>{3, 6, 1, 2, 5, 4}));
}

TEST(EventPool, HasRoomCountsTheNodesLeft) {
    auto pool = std::make_unique<EventPool>();
    struct Case {
        int used;
        std::int16_t n;
        bool room;
    } cases[] = {{0, 1, true}, {9998, 1, true}, {9999, 1, false}, {9998, 2, false}, {9000, 999, true}, {9000, 1000, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.used << " used, " << c.n << " wanted");
        pool->Reset();
        for (int i = 0; i < c.used; ++i) pool->Insert(i);
        EXPECT_EQ(pool->HasRoom(c.n), c.room);
    }
}

TEST(EventPool, RemovingAtTheCursorLeavesTheCursorAndRecyclesTheNode) {
    auto pool = std::make_unique<EventPool>();
    for (int t : {10, 20, 30, 40}) pool->Insert(t);
    pool->Rewind();
    pool->AdvanceCursor();  // past 10
    ASSERT_EQ(pool->PeekAtCursor()->time, 20);
    pool->RemoveAtCursor();
    EXPECT_EQ(pool->PeekAtCursor()->time, 30);
    pool->RemoveAtCursor();
    EXPECT_EQ(pool->PeekAtCursor()->time, 40);
    EXPECT_EQ(pool->GetCount(), 2);
    EXPECT_EQ(Walk(*pool), (std::vector<int>{10, 40}));
    // The removed nodes serve again: the pool fills to exactly its size.
    for (int i = 0; i < EventPool::kNodes - 2; ++i) ASSERT_NE(pool->Insert(50), nullptr);
    EXPECT_EQ(pool->Insert(50), nullptr);
}

TEST(EventPool, AnInsertedCopyCarriesEveryField) {
    auto pool = std::make_unique<EventPool>();
    PerfEvent e{};
    e.time = 960;
    e.port = 3;
    e.track = 2;
    e.voice = 1;
    e.channel = 9;
    e.kind = kEventNote;
    e.data1 = 60;
    e.data2 = 100;
    e.data3 = 64;
    e.param = 1440;
    pool->Insert(480);
    PerfEvent* node = pool->Insert(e);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->next, nullptr);
    EXPECT_EQ(node->param, 1440);
    EXPECT_EQ(node->data1, 60);
    EXPECT_EQ(Walk(*pool), (std::vector<int>{480, 960}));
}

// The user-interface thread inserts while the clock thread plays and removes: the lists stay
// whole and no event is lost or played twice.
TEST(EventPool, InsertsOnOneThreadMeetRemovalsOnAnother) {
    auto pool = std::make_unique<EventPool>();
    constexpr int kEvents = 20000;
    std::thread writer([&] {
        for (int i = 0; i < kEvents;) {
            PerfEvent e{};
            e.time = i;
            if (pool->Insert(e))
                ++i;
            else
                std::this_thread::yield();
        }
    });
    int played = 0;
    long long sum = 0;
    while (played < kEvents) {
        pool->Rewind();
        for (PerfEvent* e = pool->PeekAtCursor(); e; e = pool->PeekAtCursor()) {
            sum += e->time;
            ++played;
            pool->RemoveAtCursor();
        }
    }
    writer.join();
    EXPECT_EQ(played, kEvents);
    EXPECT_EQ(sum, (long long)kEvents * (kEvents - 1) / 2);
    EXPECT_EQ(pool->GetCount(), 0);
}

}  // namespace
