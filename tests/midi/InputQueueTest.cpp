// The MIDI input queue: what it takes, the ring's wrap, refusal when full, whole times, and
// the chord collected from the keyboard.
#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "midi/InputQueue.h"

namespace {

std::vector<QueueRecord> Drain(CQueue& q) {
    std::vector<QueueRecord> out;
    QueueRecord r;
    while (q.Get(&r)) out.push_back(r);
    return out;
}

TEST(InputQueue, AcceptsChannelMessagesOnlyWithoutTheirChannel) {
    struct Case {
        const char* name;
        ChannelMessage in;
        bool queued;
        std::uint8_t status, data1, data2;
    } cases[] = {
        {"note-on", {100, 0x93, 60, 90, 0}, true, 0x90, 60, 90},
        {"note-on of velocity 0 is a release at 64", {100, 0x95, 62, 0, 0}, true, 0x80, 62, 64},
        {"note-off keeps its velocity", {100, 0x8F, 62, 10, 0}, true, 0x80, 62, 10},
        {"controller", {100, 0xB2, 7, 100, 0}, true, 0xB0, 7, 100},
        {"pitch bend", {100, 0xE0, 0, 64, 0}, true, 0xE0, 0, 64},
        {"active sensing", {100, 0xFE, 0, 0, 0}, false, 0, 0, 0},
        {"clock", {100, 0xF8, 0, 0, 0}, false, 0, 0, 0},
        {"system exclusive", {100, 0xF0, 0x7E, 0, 0}, false, 0, 0, 0},
        {"song position", {100, 0xF2, 1, 2, 0}, false, 0, 0, 0},
    };
    CQueue q;
    q.Init(16000);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        q.Clear();
        EXPECT_TRUE(q.Accept(c.in));
        std::vector<QueueRecord> got = Drain(q);
        ASSERT_EQ(got.size(), c.queued ? 1u : 0u);
        if (!c.queued) continue;
        EXPECT_EQ(got[0].time, 100u);
        EXPECT_EQ(got[0].status, c.status);
        EXPECT_EQ(got[0].data1, c.data1);
        EXPECT_EQ(got[0].data2, c.data2);
    }
}

// The ring wraps where its next write would leave 10 bytes or fewer: a marker, then the start.
TEST(InputQueue, WrapsWithAMarkerWhenTenBytesOrFewerRemain) {
    struct Case {
        int capacity;
        int wrapAt;  // the write offset that takes the marker
    } cases[] = {{16000, 15990}, {1024, 1014}, {101, 96}, {100, 90}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.capacity);
        CQueue q;
        q.Init(c.capacity);
        ASSERT_EQ(q.GetCapacity(), c.capacity);
        int put = 0;
        std::vector<QueueRecord> got;
        // Reading as it goes, the writer walks the ring to its end and on past it.
        while (put < c.wrapAt / 6 + 3) {
            ASSERT_TRUE(q.Put(std::uint32_t(put), 0x90, std::uint8_t(put % 128), 1));
            ++put;
            if (put == c.wrapAt / 6) {
                EXPECT_EQ(q.GetWriteOffset(), c.wrapAt);
            }
            if (put == c.wrapAt / 6 + 1) {
                EXPECT_EQ(q.GetWriteOffset(), 6) << "the record after the marker goes to the start";
            }
            for (const QueueRecord& r : Drain(q)) got.push_back(r);
        }
        ASSERT_EQ(int(got.size()), put);
        for (int i = 0; i < put; ++i) {
            ASSERT_EQ(got[i].time, std::uint32_t(i));
            ASSERT_EQ(got[i].data1, i % 128);
        }
    }
}

TEST(InputQueue, AFullQueueRefusesNewRecordsAndKeepsTheUnreadOnes) {
    CQueue q;
    q.Init(16000);
    int accepted = 0;
    while (q.Put(std::uint32_t(accepted), 0xB0, 1, std::uint8_t(accepted % 128))) ++accepted;
    EXPECT_EQ(accepted, 2665);  // records at offsets 0 to 15,984; the next would need the start
    EXPECT_EQ(q.GetRefusedCount(), 1u);
    EXPECT_FALSE(q.Put(9999, 0xB0, 1, 1));
    EXPECT_EQ(q.GetRefusedCount(), 2u);
    EXPECT_EQ(q.GetUsedBytes(), 2665 * 6);
    // Reading one record makes room for one more, behind the marker.
    QueueRecord r;
    ASSERT_TRUE(q.Get(&r));
    EXPECT_EQ(r.time, 0u);
    EXPECT_TRUE(q.Put(5000, 0xB0, 2, 2));
    EXPECT_FALSE(q.Put(5001, 0xB0, 2, 2));
    std::vector<QueueRecord> rest = Drain(q);
    ASSERT_EQ(rest.size(), 2665u);
    for (int i = 0; i < 2664; ++i) ASSERT_EQ(rest[i].time, std::uint32_t(i + 1));
    EXPECT_EQ(rest.back().time, 5000u);
}

TEST(InputQueue, TimesComeBackWholePastTwentyFourBits) {
    const std::uint32_t times[] = {5, 0x00FFFFF0, 0x01000005, 0x01000006, 0x7FFFFFFF, 0x80000001};
    CQueue q;
    q.Init(1024);
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass);
        for (std::uint32_t t : times) ASSERT_TRUE(q.Put(t, 0x90, 60, 1));
        std::vector<QueueRecord> got = Drain(q);
        ASSERT_EQ(got.size(), std::size(times));
        for (std::size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i].time, times[i]) << i;
        q.Clear();
    }
    // A recording that starts late begins with its whole time too.
    ASSERT_TRUE(q.Put(0x03000010, 0x80, 60, 64));
    std::vector<QueueRecord> got = Drain(q);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].time, 0x03000010u);
}

struct KeyEvent {
    bool press;
    std::uint8_t key;
};

TEST(InputQueue, CollectChordAnswersOnceEveryKeyIsReleased) {
    struct Case {
        const char* name;
        std::vector<KeyEvent> events;
        std::vector<int> polls;  // the result of a poll after each event
    } cases[] = {
        {"three keys", {{true, 60}, {true, 64}, {true, 67}, {false, 64}, {false, 60}, {false, 67}}, {0, 0, 0, 0, 0, 3}},
        {"a key still held", {{true, 60}, {true, 64}, {false, 60}}, {0, 0, 0}},
        {"the same key twice", {{true, 60}, {false, 60}}, {0, 1}},
        {"a release of a key held before", {{false, 50}, {true, 60}, {false, 60}}, {0, 0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CQueue q;
        q.Init(16000);
        std::uint8_t entries[16][4] = {};
        for (std::size_t i = 0; i < c.events.size(); ++i) {
            const KeyEvent& e = c.events[i];
            q.Accept({std::uint32_t(i), std::uint8_t(e.press ? 0x90 : 0x80), e.key, std::uint8_t(e.press ? 100 : 30), 0});
            EXPECT_EQ(q.CollectChord(entries), c.polls[i]) << "after event " << i;
        }
        // Nothing new since the last poll: nothing to answer.
        EXPECT_EQ(q.CollectChord(entries), 0);
        if (c.polls.back() > 0) {
            EXPECT_EQ(q.GetUsedBytes(), 0) << "a complete chord empties the queue";
        }
    }
}

TEST(InputQueue, CollectChordTakesSixteenKeysAndSortsThem) {
    CQueue q;
    q.Init(16000);
    std::uint8_t entries[16][4] = {};
    for (int k = 0; k < 17; ++k) q.Accept({0, 0x90, std::uint8_t(80 - k), std::uint8_t(k + 1), 0});
    for (int k = 0; k < 15; ++k) q.Accept({0, 0x80, std::uint8_t(80 - k), std::uint8_t(k + 10), 0});
    q.Accept({0, 0x90, 64, 0, 0});  // the seventeenth key's release, as a note-on of velocity 0
    EXPECT_EQ(q.CollectChord(entries), 0) << "a key of the chord is still held";
    q.Accept({0, 0x80, 65, 25, 0});
    // The seventeenth key is no part of the chord: the sixteen released complete it.
    ASSERT_EQ(q.CollectChord(entries), 16);
    SortChordEntries(entries, 16);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(entries[i][0], 0x90);
        EXPECT_EQ(entries[i][1], 65 + i);
        EXPECT_EQ(entries[i][2], 16 - i);  // velocity of the key pressed k-th is k + 1
        EXPECT_EQ(entries[i][3], 25 - i);
    }
}

// The input thread puts while the user-interface thread reads: every record arrives once, in
// order, refusals retried by the writer.
TEST(InputQueue, AWriterAndAReaderOnTwoThreads) {
    CQueue q;
    q.Init(1024);
    constexpr std::uint32_t kRecords = 100000;
    std::thread writer([&] {
        for (std::uint32_t i = 0; i < kRecords;) {
            if (q.Put(i * 300, 0xB0, std::uint8_t(i % 128), std::uint8_t(i / 128 % 128)))
                ++i;
            else
                std::this_thread::yield();
        }
    });
    std::uint32_t next = 0;
    while (next < kRecords) {
        QueueRecord r;
        if (!q.Get(&r)) {
            std::this_thread::yield();
            continue;
        }
        ASSERT_EQ(r.time, next * 300);
        ASSERT_EQ(r.data1, next % 128);
        ASSERT_EQ(r.data2, next / 128 % 128);
        ++next;
    }
    writer.join();
    EXPECT_EQ(q.GetUsedBytes(), 0);
}

}  // namespace
