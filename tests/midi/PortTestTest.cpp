// The ports dialog's test of an output, and the 1/60 s waits it makes, on the virtual clock.
#include <gtest/gtest.h>

#include <vector>

#include "framework/Clock.h"
#include "framework/Globals.h"
#include "framework/Midi.h"
#include "midi/PortTest.h"
#include "platform/PortLayer.h"

namespace {

class PortTestTest : public ::testing::Test {
protected:
    void SetUp() override {
        fw::ResetAllGlobals();
        fw::clocktest::SetManual(1000);
    }
    void TearDown() override {
        fw::clocktest::Reset();
        fw::ResetAllGlobals();
    }
};

// A wait of n sixtieths lets exactly n pass, by sleeping, never by a loop of short sleeps.
TEST_F(PortTestTest, WaitTicksLetsExactlyThatManySixtiethsPass) {
    struct Counter {
        int calls = 0;
        static std::uint32_t Tick(void* user, std::uint32_t ms) {
            ++static_cast<Counter*>(user)->calls;
            return ms + 1;
        }
    } counter;
    fw::MillisecondClock clock;
    ASSERT_TRUE(clock.Start(Counter::Tick, &counter));
    for (int n : {0, 1, 4, 20, 30}) {
        SCOPED_TRACE(n);
        const std::int32_t t0 = GetTicks();
        const DWORD ms0 = fw::GetTickCount();
        WaitTicks(n);
        EXPECT_EQ(GetTicks() - t0, n);
        EXPECT_NEAR(double(fw::GetTickCount() - ms0), n * 1000.0 / 60, 17.0);
    }
    EXPECT_EQ(DWORD(counter.calls), fw::GetTickCount() - 1000) << "the clock ran through every millisecond waited";
}

TEST_F(PortTestTest, PlaysThreeShortNotesOfKey67AndALongOneOf63OnChannel1) {
    fw::midi::loopback::AddOutput("Module");
    const fw::midi::PortId port = fw::midi::OpenOutput("Module");
    ASSERT_NE(port, 0u);
    const std::int32_t t0 = GetTicks();
    ASSERT_TRUE(PlayPortTest(port));
    EXPECT_EQ(GetTicks() - t0, 4 * 3 + 4 * 3 + 20) << "the test's pauses, in sixtieths";
    const std::vector<std::vector<int>> expected = {
        {0x91, 67, 64}, {0x81, 67, 64}, {0x91, 67, 64}, {0x81, 67, 64},
        {0x91, 67, 64}, {0x81, 67, 64}, {0x91, 63, 64}, {0x81, 63, 64},
    };
    std::vector<std::vector<int>> sent;
    for (const auto& c : fw::midi::loopback::Log()) sent.push_back({c.bytes[0], c.bytes[1], c.bytes[2]});
    EXPECT_EQ(sent, expected);
    fw::midi::Close(port);
    EXPECT_FALSE(PlayPortTest(port)) << "a closed port fails the test";
}

}  // namespace
