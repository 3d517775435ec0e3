// The program started in process as a user starts it (the application's own start-up), the
// test's steps run while it runs, then ended as a stop signal ends it.
#pragma once
#include <signal.h>

#include <functional>

#include "app/ZelApp.h"

namespace testsupport {

class RunningApp : public CZelApp {
public:
    bool InitInstance() override {
        started = CZelApp::InitInstance();
        if (started) {
            if (whileRunning) whileRunning();
            ::raise(SIGTERM);
        }
        return started;
    }
    std::function<void()> whileRunning;
    bool started = false;
};

}  // namespace testsupport
