// The bitmap check button: the button messages, clicks and cancelled presses, the blinking of
// the checked state, auto-repeat on the virtual clock and the idle command update.
#include <gtest/gtest.h>

#include <vector>

#include "ChromeFixture.h"
#include "framework/Clock.h"
#include "framework/CmdUI.h"
#include "framework/Controls.h"
#include "framework/DC.h"
#include "platform/ChkBit.h"

namespace {

using fw::uitest::Call;
using fw::uitest::Click;
using fw::uitest::Drag;
using fw::uitest::Press;
using fw::uitest::Release;
using fw::uitest::RunUntilIdle;
using fw::uitest::Tick;

// A parent that keeps each notification's code and the clock when it came.
class NotifyHost : public CWnd {
public:
    struct Note {
        int code;
        DWORD at;
    };
    std::vector<Note> notes;
    std::vector<int> Codes() const {
        std::vector<int> c;
        for (const Note& n : notes) c.push_back(n.code);
        return c;
    }

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM) override {
        notes.push_back({HIWORD(DWORD(wParam)), fw::GetTickCount()});
        return TRUE;
    }
};

class ChkBitTest : public ChromeTest {
protected:
    void SetUp() override {
        ChromeTest::SetUp();
        ASSERT_TRUE(parent.Create(nullptr, "bar", WS_OVERLAPPED | WS_VISIBLE, RECT{60, 60, 360, 260}, nullptr, 0));
        RunUntilIdle();
    }
    void TearDown() override {
        parent.DestroyWindow();
        ChromeTest::TearDown();
    }
    NotifyHost parent;
};

}  // namespace

TEST_F(ChkBitTest, TheButtonMessagesSetAndReadTheCheck) {
    CChkBit b(0);
    ASSERT_TRUE(b.Create("", WS_VISIBLE | BS_CHECKBOX, RECT{10, 10, 34, 34}, &parent, 501, 391));
    const struct {
        UINT message;
        WPARAM w;
        int checked;
    } steps[] = {{BM_SETSTATE, 2, 0}, {BM_SETSTATE, 1, 1}, {BM_SETSTATE, 2, 1}, {BM_SETSTATE, 6, 1},
                 {BM_SETSTATE, 4, 0}, {BM_SETCHECK, 1, 1},  {BM_SETCHECK, 0, 0}};
    for (const auto& s : steps) {
        b.SendMessage(s.message, s.w, 0);
        EXPECT_EQ(b.GetCheck(), s.checked) << s.message << " " << s.w;
        EXPECT_EQ(b.SendMessage(BM_GETCHECK), s.checked);
        EXPECT_EQ(b.SendMessage(BM_GETSTATE), s.checked);
    }
    EXPECT_EQ(b.SendMessage(WM_GETDLGCODE), DLGC_BUTTON | DLGC_RADIOBUTTON);
    CFont font;
    b.SendMessage(WM_SETFONT, WPARAM(&font), 1);
    EXPECT_EQ(b.SendMessage(WM_GETFONT), LRESULT(&font));
}

TEST_F(ChkBitTest, AClickTogglesACheckBoxAndAPressDraggedOutChangesNothing) {
    const struct {
        const char* what;
        DWORD style;
        bool dragOut;
        int checked;
        std::vector<int> codes;
    } cases[] = {
        {"check box clicked", BS_CHECKBOX, false, 1, {2, 0}},
        {"check box dragged out", BS_CHECKBOX, true, 0, {2}},
        {"auto check box clicked", BS_AUTOCHECKBOX, false, 1, {2, 0}},
        {"push button clicked", BS_PUSHBUTTON, false, 0, {2, 0}},
        {"push button dragged out", BS_PUSHBUTTON, true, 0, {2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CChkBit b(CChkBit::kTextKind);
        ASSERT_TRUE(b.Create("Go", WS_VISIBLE | c.style, RECT{10, 10, 60, 30}, &parent, 502, 0));
        parent.notes.clear();
        if (c.dragOut)
            Drag(&b, {{5, 5}, {100, 5}, {120, 60}});
        else
            Click(&b, 5, 5);
        RunUntilIdle();
        EXPECT_EQ(b.GetCheck(), c.checked);
        EXPECT_EQ(parent.Codes(), c.codes);
        EXPECT_EQ(b.pressed, b.GetCheck()) << "the face shows the state again";
        EXPECT_EQ(CWnd::GetCapture(), nullptr);
    }
}

TEST_F(ChkBitTest, ARightClickSendsItsOwnCode) {
    CChkBit b(0);
    ASSERT_TRUE(b.Create("", WS_VISIBLE, RECT{10, 10, 34, 34}, &parent, 503, 391));
    Click(&b, 5, 5, fw::uitest::kRight);
    RunUntilIdle();
    EXPECT_EQ(parent.Codes(), (std::vector<int>{8}));
}

TEST_F(ChkBitTest, ACheckedFlashingButtonBlinksOnceASecond) {
    CChkBit b(0);
    ASSERT_TRUE(b.Create("", WS_VISIBLE, RECT{10, 10, 34, 34}, &parent, 504, 391));
    b.flashing = 1;
    b.SetCheck(1);
    EXPECT_EQ(fw::uitest::TimerInterval(&b, CChkBit::kFlashTimer), 250u);
    EXPECT_EQ(b.flashPhase, 1);
    // Four phases of 250 ms: the content shows in one of them.
    std::vector<int> phases;
    for (int i = 0; i < 8; ++i) {
        ASSERT_TRUE(fw::uitest::FireTimer(&b, CChkBit::kFlashTimer));
        phases.push_back(b.flashPhase);
    }
    EXPECT_EQ(phases, (std::vector<int>{2, 3, 0, 1, 2, 3, 0, 1}));
    b.SetCheck(0);
    EXPECT_EQ(fw::uitest::TimerInterval(&b, CChkBit::kFlashTimer), 0u);
}

TEST_F(ChkBitTest, AHeldRepeatButtonClicksAfterHalfASecondThenEvery50Ms) {
    CChkBit b(0);
    ASSERT_TRUE(b.Create("", WS_VISIBLE, RECT{10, 10, 34, 34}, &parent, 505, 391));
    b.repeat = 1;
    const DWORD start = fw::GetTickCount();
    Press(&b, 5, 5);
    // One second in steps of 10 ms, each a turn of the button's loop.
    for (int i = 0; i < 100; ++i) {
        Call([] { fw::clocktest::Advance(10); });
        Tick();
    }
    Release(&b, 5, 5);
    RunUntilIdle();
    std::vector<DWORD> clicks;
    for (const auto& n : parent.notes)
        if (n.code == 0) clicks.push_back(n.at - start);
    ASSERT_EQ(clicks.size(), 11u);
    for (std::size_t i = 0; i < clicks.size(); ++i) EXPECT_EQ(clicks[i], 500 + 50 * i);
    EXPECT_EQ(b.pressed, 0);
    EXPECT_EQ(CWnd::GetCapture(), nullptr);
}

TEST_F(ChkBitTest, TheIdleUpdateChecksAndDisablesTheButton) {
    CChkBit b(0);
    ASSERT_TRUE(b.Create("", WS_VISIBLE, RECT{10, 10, 34, 34}, &parent, 506, 391));
    fw::AddUpdateHandler(&parent, 506, [](CCmdUI* ui) {
        ui->SetCheck(1);
        ui->Enable(false);
    });
    fw::SendMessageToDescendants(&parent, WM_IDLEUPDATECMDUI, TRUE, 0);
    EXPECT_EQ(b.GetCheck(), 1);
    EXPECT_FALSE(b.IsWindowEnabled());
    // A button with no handler is left as it is.
    CChkBit other(0);
    ASSERT_TRUE(other.Create("", WS_VISIBLE, RECT{40, 10, 64, 34}, &parent, 507, 391));
    fw::SendMessageToDescendants(&parent, WM_IDLEUPDATECMDUI, TRUE, 0);
    EXPECT_TRUE(other.IsWindowEnabled());
    EXPECT_EQ(other.GetCheck(), 0);
}

TEST_F(ChkBitTest, ABitmapLargerThanTheButtonIsScaledIntoIt) {
    CChkBit b(0);
    // The 24 x 24 pressed face in a 12 x 12 button: its inside fills the middle.
    ASSERT_TRUE(b.Create("", WS_VISIBLE, RECT{10, 10, 22, 22}, &parent, 508, 391));
    b.Invalidate();
    RunUntilIdle();
    CBitmap face;
    ASSERT_TRUE(face.LoadBitmap(391));
    CClientDC dc(&b);
    EXPECT_EQ(dc.GetPixel(6, 6), face.GetPixel(12, 12));
}
