// The controls' tests: the pane host of the interface tests with a fixed work area, and a
// window that runs code when it is pressed (a popup or menu opened by a press).
#pragma once
#include <functional>

#include "framework/Screen.h"
#include "platform/UiBaseFixture.h"

// A host whose left press runs `onPress` (the popup a palette button would open).
class PressHost : public HostWnd {
public:
    std::function<void(POINT)> onPress;

protected:
    void OnLButtonDown(UINT, POINT pt) override {
        if (onPress) onPress(pt);
    }
};

class ChromeTest : public UiBaseTest {
protected:
    void SetUp() override {
        fw::screentest::SetWorkArea(0, 0, 1000, 700);
        UiBaseTest::SetUp();
    }
    void TearDown() override {
        UiBaseTest::TearDown();
        fw::screentest::Reset();
    }
    // A point of `from`'s client area in `to`'s client coordinates.
    static POINT Between(CWnd* from, POINT pt, CWnd* to) {
        from->ClientToScreen(&pt);
        to->ScreenToClient(&pt);
        return pt;
    }
};
