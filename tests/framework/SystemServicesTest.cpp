// Message boxes, the clock, the pointer, input sampling and screen metrics: with and without
// an application object, never waiting for a user.
#include <gtest/gtest.h>

#include "support/FreshProcess.h"
#include "framework/App.h"
#include "framework/Clock.h"
#include "framework/Cursor.h"
#include "framework/Input.h"
#include "framework/MessageBox.h"
#include "framework/Screen.h"

namespace {

TEST(MessageBoxTest, WithoutADisplayTheDefaultButtonAnswers) {
    struct Case {
        UINT type;
        int want;
    } cases[] = {
        {MB_OK, IDOK},
        {MB_OKCANCEL | MB_ICONQUESTION, IDOK},
        {MB_YESNO | MB_DEFBUTTON2, IDNO},
        {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
        {MB_RETRYCANCEL | MB_DEFBUTTON2, IDCANCEL},
        {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, IDRETRY},
        {MB_YESNO | MB_DEFBUTTON3, IDYES},  // no third button: the first
    };
    for (const Case& c : cases) EXPECT_EQ(MessageBox("text", "caption", c.type), c.want) << c.type;
    MessageBeep(MB_ICONEXCLAMATION);  // nothing to hear, nothing to fail
}

TEST(MessageBoxTest, CaptureRecordsBoxesAndAnswersFromTheScript) {
    {
        fw::msgboxtest::Capture capture;
        capture.Answer(IDNO);
        capture.Answer(IDCANCEL);
        EXPECT_EQ(MessageBox("one", "A", MB_YESNO), IDNO);
        EXPECT_EQ(AfxMessageBox("two", MB_OKCANCEL), IDCANCEL);
        EXPECT_EQ(MessageBox("three", "C", MB_YESNO), IDYES);  // script used up: the default
        ASSERT_EQ(capture.shown().size(), 3u);
        EXPECT_EQ(capture.shown()[0].text, "one");
        EXPECT_EQ(capture.shown()[0].caption, "A");
        EXPECT_EQ(capture.shown()[0].answer, IDNO);
        EXPECT_EQ(capture.shown()[1].type, UINT(MB_OKCANCEL));
        EXPECT_EQ(capture.shown()[2].answer, IDYES);
        MessageBeep(MB_ICONHAND);
        MessageBeep(MB_ICONEXCLAMATION);
        EXPECT_EQ(capture.beeps(), 2);
        EXPECT_EQ(capture.lastBeep(), UINT(MB_ICONEXCLAMATION));
    }
    fw::msgboxtest::Capture next;  // a new capture starts empty
    EXPECT_TRUE(next.shown().empty());
    EXPECT_EQ(next.beeps(), 0);
}

TEST(ClockTest, VirtualClockMovesOnlyWhenTold) {
    fw::clocktest::SetManual(0xFFFFFFF0u);
    EXPECT_EQ(fw::GetTickCount(), 0xFFFFFFF0u);
    EXPECT_EQ(fw::GetTickCount(), 0xFFFFFFF0u);
    fw::clocktest::Advance(0x20);
    EXPECT_EQ(fw::GetTickCount(), 0x10u);  // wraps like the system's count
    fw::SleepMs(250);
    EXPECT_EQ(fw::GetTickCount(), 0x10u + 250);
    fw::clocktest::Reset();
    DWORD a = fw::GetTickCount();
    fw::SleepMs(2);
    EXPECT_GE(DWORD(fw::GetTickCount() - a), 2u);
}

TEST(CursorTest, CounterAndShapeWithoutAnApplication) {
    fw::cursortest::Reset();
    EXPECT_EQ(fw::CurrentCursor(), 0u);
    EXPECT_EQ(fw::ShowCursor(false), -1);
    EXPECT_EQ(fw::ShowCursor(false), -2);
    EXPECT_EQ(fw::ShowCursor(true), -1);
    fw::SetCursor(IDC_WAIT);
    EXPECT_EQ(fw::CurrentCursor(), UINT(IDC_WAIT));
    fw::SetCursor(511);  // one of the program's own
    EXPECT_EQ(fw::CurrentCursor(), 511u);
    fw::cursortest::Reset();
    EXPECT_EQ(fw::ShowCursor(true), 1);
    fw::cursortest::Reset();
}

TEST(InputTest, NothingIsDownWithoutAnApplicationAndScriptsSetTheState) {
    ZEL_IN_FRESH_PROCESS({
        EXPECT_EQ(fw::GetAsyncKeyState(VK_LBUTTON), 0);
        EXPECT_EQ(fw::GetAsyncKeyState(VK_SHIFT), 0);
        EXPECT_EQ(fw::GetKeyState(VK_CAPITAL), 0);
        EXPECT_EQ(fw::GetDoubleClickTime(), 500u);
        {
            fw::inputtest::Script script;
            script.SetDown(VK_CONTROL, true);
            script.SetToggled(VK_CAPITAL, true);
            script.SetDoubleClickTime(300);
            EXPECT_NE(fw::GetAsyncKeyState(VK_CONTROL) & 0x8000, 0);
            EXPECT_EQ(fw::GetKeyState(VK_CAPITAL) & 0x8000, 0);
            EXPECT_EQ(fw::GetKeyState(VK_CAPITAL) & 1, 1);
            EXPECT_EQ(fw::GetAsyncKeyState(VK_LEFT), 0);
            EXPECT_EQ(fw::GetAsyncKeyState(0), 0);
            EXPECT_EQ(fw::GetAsyncKeyState(999), 0);
            EXPECT_EQ(fw::GetDoubleClickTime(), 300u);
        }
        EXPECT_EQ(fw::GetAsyncKeyState(VK_CONTROL), 0);
    });
}

TEST(ScreenTest, FallbackMetricsWithoutAScreen) {
    ZEL_IN_FRESH_PROCESS({
        EXPECT_EQ(fw::GetSystemMetrics(SM_CXSCREEN), 1024);
        EXPECT_EQ(fw::GetSystemMetrics(SM_CYSCREEN), 768);
        EXPECT_EQ(fw::GetSystemMetrics(SM_CYCAPTION), 22);
        EXPECT_EQ(fw::GetSystemMetrics(SM_CYBORDER), 1);
        EXPECT_EQ(fw::GetSystemMetrics(SM_CYMENU), 20);
        EXPECT_EQ(fw::GetSystemMetrics(SM_CXFULLSCREEN), 1024);
        EXPECT_EQ(fw::GetSystemMetrics(SM_CYFULLSCREEN), 768 - 22);
        EXPECT_EQ(fw::GetSystemMetrics(12345), 0);
    });
}

// With a running (headless) application: boxes still answer at once, the pointer can be hidden
// and shown again, and the metrics come from its screen.
class ServicesApp : public CWinApp {
public:
    ServicesApp() : CWinApp("Zelmarin") {}
    bool InitInstance() override {
        answer = MessageBox("text", "caption", MB_YESNO | MB_DEFBUTTON2);
        fw::cursortest::Reset();
        fw::SetCursor(IDC_WAIT);
        hidden = fw::ShowCursor(false);
        shown = fw::ShowCursor(true);
        fw::SetCursor(IDC_ARROW);
        fw::cursortest::Reset();
        buttons = fw::GetAsyncKeyState(VK_LBUTTON);
        doubleClick = fw::GetDoubleClickTime();
        width = fw::GetSystemMetrics(SM_CXSCREEN);
        fullHeight = fw::GetSystemMetrics(SM_CYFULLSCREEN);
        screenHeight = fw::GetSystemMetrics(SM_CYSCREEN);
        caption = fw::GetSystemMetrics(SM_CYCAPTION);
        menu = fw::GetSystemMetrics(SM_CYMENU);
        return false;  // no event loop
    }
    int answer = 0, hidden = 0, shown = 0, width = 0, fullHeight = 0, screenHeight = 0, caption = 0, menu = 0;
    SHORT buttons = 1;
    UINT doubleClick = 0;
};

TEST(SystemServicesAppTest, HeadlessApplicationNeverBlocks) {
    ServicesApp app;
    char arg0[] = "zelmarin";
    char* argv[] = {arg0, nullptr};
    AfxWinMain(app, 1, argv);
    EXPECT_EQ(app.answer, IDNO);
    EXPECT_EQ(app.hidden, -1);
    EXPECT_EQ(app.shown, 0);
    EXPECT_EQ(app.buttons, 0);
    EXPECT_GT(app.doubleClick, 0u);
    EXPECT_GT(app.width, 0);
    EXPECT_GT(app.caption, 0);
    EXPECT_GE(app.menu, 20);
    EXPECT_EQ(app.fullHeight, app.screenHeight - app.caption);  // the headless screen has no panel
}

}  // namespace
