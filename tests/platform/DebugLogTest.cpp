#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "framework/File.h"
#include "platform/DebugLog.h"
#include "platform/PlatformGlobals.h"
#include "support/TempHome.h"

namespace {

struct DebugLogTest : ::testing::Test {
    testsupport::TempHome home;
    std::string logFile() const { return home.state() + "/Harrowick/Zelmarin.log"; }
    std::string contents() const {
        std::string s;
        fw::ReadWholeFile(logFile(), s);
        return s;
    }
    void SetUp() override {
        ResetPlatformGlobals();
        g_platform.debugLog = 1;
    }
    void TearDown() override { ResetPlatformGlobals(); }
};

TEST_F(DebugLogTest, StartEmptiesTheLogThenLinesAreAppended) {
    std::filesystem::remove_all(home.state());  // the folder is made when missing
    StartLog("Application");
    LogText("Creating MIDI Objects", true);
    LogText("Bar ", false);
    LogTextInt("", 12, false);
    LogText(".", true);
    LogTextInt("Size ", -40, true);
    EXPECT_EQ(contents(), "Opening Application\nCreating MIDI Objects\nBar 12.\nSize -40\n");

    StartLog(nullptr);  // the next start-up begins with an empty log
    EXPECT_EQ(contents(), "");
    StartLog("\xB1\xEA\xCC\xE2.zel");  // code page titles are written as UTF-8
    EXPECT_EQ(contents(), "Opening \xE6\xA0\x87\xE9\xA2\x98.zel\n");
}

TEST_F(DebugLogTest, SwitchOffWritesNothing) {
    g_platform.debugLog = 0;
    StartLog("Application");
    LogText("text", true);
    EXPECT_FALSE(std::filesystem::exists(logFile()));

    g_platform.debugLog = 1;
    StartLog("Application");
    g_platform.debugLog = 0;
    LogText("dropped", true);
    LogTextInt("dropped", 1, true);
    EXPECT_EQ(contents(), "Opening Application\n");
}

TEST_F(DebugLogTest, NothingIsWrittenBeforeStartUp) {
    LogText("early", true);
    EXPECT_FALSE(std::filesystem::exists(logFile()));
}

}  // namespace
