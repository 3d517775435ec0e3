// Older-format files read with the notation classes registered: their notes come to today's
// sizes and measure as they will after a save, so read, save, read, save gives the first
// save's bytes again.
#include <gtest/gtest.h>

#include "NotationTestSupport.h"
#include "framework/MessageBox.h"
#include "model/HostileFileSupport.h"

namespace {

using OlderFileRoundTripTest = notetest::NotationTest;

TEST_F(OlderFileRoundTripTest, OlderFilesSaveBackTheSameWithTheNotationClasses) {
    fw::msgboxtest::Capture boxes;
    for (const char* name : {"legacy-conductor-items-lost", "legacy-staves-lost", "legacy-elemsize-ok",
                             "legacy-staff-coords-fifths-a", "legacy-staff-coords-fifths-b",
                             "legacy-staff-coords-fifths-c"}) {
        const std::vector<std::uint8_t> bytes = hostile::Fixture(name);
        ASSERT_FALSE(bytes.empty()) << name;
        const hostile::Outcome o = hostile::ReadSaveReadSave(bytes);
        EXPECT_FALSE(o.damaged) << name << ": " << o.error;
        EXPECT_TRUE(o.reread) << name << ": " << o.error;
        EXPECT_TRUE(o.sameBytes) << name << ": the second save differs from the first";
    }
}

}  // namespace
