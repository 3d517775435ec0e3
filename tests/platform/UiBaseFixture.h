// A scripted-input session over a top-level host window, with the drawing layer set up and the
// virtual clock, for the tests of panes, numeric fields, dialogs, menus and views.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Clock.h"
#include "framework/Resources.h"
#include "framework/UiTest.h"
#include "framework/Window.h"
#include "platform/Port.h"
#include "platform/StdDlgGlobals.h"

// A top-level window that records the commands its children send it.
class HostWnd : public CWnd {
public:
    std::vector<UINT> commands;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        commands.push_back(LOWORD(DWORD(wParam)));
        return CWnd::OnCommand(wParam, lParam);
    }
};

class UiBaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitDrawing();
        fw::clocktest::SetManual(1000);
        session = std::make_unique<fw::uitest::Session>();
        ResetUiGlobals();
        ASSERT_TRUE(host.Create(nullptr, "host", WS_OVERLAPPED | WS_VISIBLE, RECT{40, 40, 640, 520}, nullptr, 0));
        fw::uitest::RunUntilIdle();
    }
    void TearDown() override {
        fw::uitest::RunUntilIdle();
        host.DestroyWindow();
        session.reset();
        fw::resourcetest::Clear();
        fw::clocktest::Reset();
        ResetUiGlobals();
    }
    // Puts a dialog template in place for the test.
    static void SetTemplate(UINT id, const std::string& text) { fw::resourcetest::SetText("dialogs", id, text); }

    std::unique_ptr<fw::uitest::Session> session;
    HostWnd host;
};
