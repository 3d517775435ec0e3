// Checks that need a process in which no other test ran: the application object, once made by
// any test, lives as long as its process, and what a process without one answers can only be
// seen in a fresh one. The statements run in a new process of the test binary that runs this
// test alone (started afresh, not forked); any failed check inside fails the test, and its
// messages are shown.
#pragma once
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace testsupport {

// In the fresh process: writes each failed check where the result shows it, removes the
// temporary homes the tests' main made for the process (ZEL_TEST_HOME), as it ends without
// returning from main, and gives the exit status: 1 when a check failed.
inline int ReportAndRemoveOwnHome(const ::testing::TestPartResultArray& results) {
    int failed = 0;
    for (int i = 0; i < results.size(); ++i) {
        const ::testing::TestPartResult& r = results.GetTestPartResult(i);
        if (!r.failed()) continue;
        ++failed;
        std::fprintf(stderr, "%s:%d: %s\n", r.file_name() ? r.file_name() : "?", r.line_number(), r.summary());
    }
    std::fflush(nullptr);
    std::error_code ec;
    if (const char* home = std::getenv("ZEL_TEST_HOME"); home && *home) std::filesystem::remove_all(home, ec);
    return failed ? 1 : 0;
}

}  // namespace testsupport

#define ZEL_IN_FRESH_PROCESS(...)                                                                  \
    do {                                                                                           \
        const std::string zelStyle_ = GTEST_FLAG_GET(death_test_style);                            \
        GTEST_FLAG_SET(death_test_style, "threadsafe");                                            \
        EXPECT_EXIT(                                                                               \
            {                                                                                      \
                ::testing::TestPartResultArray zelResults_;                                        \
                {                                                                                  \
                    ::testing::ScopedFakeTestPartResultReporter zelReporter_(                      \
                        ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, \
                        &zelResults_);                                                             \
                    __VA_ARGS__;                                                                   \
                }                                                                                  \
                std::_Exit(testsupport::ReportAndRemoveOwnHome(zelResults_));                      \
            },                                                                                     \
            ::testing::ExitedWithCode(0), "");                                                     \
        GTEST_FLAG_SET(death_test_style, zelStyle_);                                               \
    } while (0)
