// The program started in process as a user starts it (the application's own start-up), the
// test's steps run while it runs, then ended as a stop signal ends it.
#pragma once
#include <signal.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/AppGlobals.h"
#include "app/MainFrame.h"
#include "app/ZelApp.h"
#include "framework/App.h"
#include "framework/Mdi.h"
#include "framework/MessageBox.h"
#include "framework/UiTest.h"
#include "model/ZelDoc.h"
#include "support/TestData.h"
#include "view/ZelWnd.h"

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

// Runs the program to its end with the command-line words after its name (a score to open).
inline int RunProgram(CZelApp& app, std::vector<std::string> words = {}) {
    words.insert(words.begin(), "zelmarin");
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    return AfxWinMain(app, int(words.size()), argv.data());
}

// The active score window of the running program, or null.
inline CZelWnd* ActiveScoreWindow() {
    return g_app.mainFrame ? dynamic_cast<CZelWnd*>(CMDIChildWnd::MDIGetActive(&g_app.mainFrame->Client())) : nullptr;
}

// A new score opened in its window and made active, as File > New does; its window, or null
// (doc gets the document).
inline CZelWnd* OpenNewScoreWindow(CZelApp& app, CZelDoc*& doc) {
    doc = app.NewDocument();
    if (!doc) return nullptr;
    app.SetActiveDocument(doc);
    fw::uitest::RunUntilIdle();
    return ActiveScoreWindow();
}

// The program run on a score of the test data, the test's steps given its main frame and the
// score's document once the start-up's idle work is done; the start-up's questions are answered
// No. Fails the test when the program does not start or the steps do not run.
inline void RunOnScore(const std::function<void(CFrameWnd*, CZelDoc*)>& body,
                       const std::string& score = "edit/mixed.zel") {
    fw::msgboxtest::Capture boxes;
    for (int i = 0; i < 4; ++i) boxes.Answer(IDNO);
    RunningApp app;
    bool ran = false;
    app.whileRunning = [&] {
        CZelDoc* doc = app.GetActiveDocument();
        auto* frame = static_cast<CFrameWnd*>(app.m_pMainWnd);
        ASSERT_TRUE(doc && frame);
        fw::uitest::RunUntilIdle();
        ran = true;
        body(frame, doc);
    };
    fw::uitest::Session session;
    RunProgram(app, {TestDataPath(score)});
    ASSERT_TRUE(app.started);
    ASSERT_TRUE(ran);
}

}  // namespace testsupport
