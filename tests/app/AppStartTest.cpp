#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "app/ZelApp.h"
#include "framework/SingleInstance.h"
#include "framework/Window.h"
#include "support/ProcessWait.h"

namespace {

// Checks the window once it is shown, then asks the loop to end as a stop signal would.
class CheckedApp : public CZelApp {
public:
    bool InitInstance() override {
        if (!CZelApp::InitInstance()) return false;
        title = m_pMainWnd->GetWindowText();
        visible = m_pMainWnd->IsWindowVisible();
        ::raise(SIGTERM);
        return true;
    }
    std::string title;
    bool visible = false;
};

TEST(AppStartTest, MainWindowShowsProgramNameAndClosesCleanly) {
    CheckedApp app;
    char arg0[] = "zelmarin";
    char* argv[] = {arg0, nullptr};
    EXPECT_EQ(AfxWinMain(app, 1, argv), 0);
    EXPECT_EQ(app.title, "Zelmarin");
    EXPECT_TRUE(app.visible);
    EXPECT_EQ(app.m_pMainWnd, nullptr);
}

TEST(AppStartTest, ProgramStartsOffscreenAndStopsOnSignal) {
    const char* build = std::getenv("ZEL_BUILD_DIR");
    ASSERT_NE(build, nullptr);
    std::string exe = std::string(build) + "/zelmarin";
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // Up and serving: it answers on its instance socket (whatever else of its start-up is left,
    // the stop signal ends it cleanly).
    int status = 0;
    const auto state = testsupport::WaitUntilAnswering(pid, fw::RuntimeFolder() + "/zelmarin.sock", &status);
    ASSERT_NE(state, testsupport::ChildState::Ended) << "the program ended by itself, status " << status;
    ASSERT_EQ(state, testsupport::ChildState::Answering) << "the program never answered";
    ::kill(pid, SIGTERM);
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
