// Windows and their messages: mouse with double clicks and modifier keys, keys and characters,
// paints, timers, commands by id and range, posted messages, capture and modal mouse loops, all
// driven through the scripted input of fw::uitest.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Input.h"
#include "framework/UiTest.h"
#include "framework/Window.h"

namespace {

using fw::uitest::Session;
namespace ui = fw::uitest;

// A window that writes down what reaches it.
class Recorder : public CWnd {
public:
    std::vector<std::string> log;
    std::vector<POINT> points;
    std::vector<UINT> flags;
    std::vector<UINT> keys;
    std::vector<LPARAM> keyFlags;
    std::vector<UINT> chars;
    int paints = 0;
    int erases = 0;
    RECT lastPaint{};
    std::vector<UINT_PTR> timers;

    bool Make(int w = 200, int h = 150) {
        RECT r{100, 100, 100 + w, 100 + h};
        return CreateEx(0, nullptr, "rec", WS_POPUP | WS_VISIBLE, r, nullptr, 0) != FALSE;
    }

protected:
    void mouse(const char* what, UINT f, POINT p) {
        log.push_back(what);
        points.push_back(p);
        flags.push_back(f);
    }
    void OnLButtonDown(UINT f, POINT p) override { mouse("ldown", f, p); }
    void OnLButtonUp(UINT f, POINT p) override { mouse("lup", f, p); }
    void OnLButtonDblClk(UINT f, POINT p) override { mouse("ldbl", f, p); }
    void OnRButtonDown(UINT f, POINT p) override { mouse("rdown", f, p); }
    void OnRButtonUp(UINT f, POINT p) override { mouse("rup", f, p); }
    void OnMouseMove(UINT f, POINT p) override { mouse("move", f, p); }
    BOOL OnMouseWheel(UINT f, short delta, POINT) override {
        log.push_back("wheel " + std::to_string(delta));
        return TRUE;
    }
    void OnKeyDown(UINT vk, UINT, UINT) override {
        keys.push_back(vk);
        keyFlags.push_back(GetCurrentMessage()->lParam);
    }
    void OnChar(UINT ch, UINT, UINT) override { chars.push_back(ch); }
    void OnPaint() override {
        CPaintDC dc(this);
        ++paints;
        lastPaint = dc.m_ps.rcPaint;
    }
    BOOL OnEraseBkgnd(CDC* dc) override {
        ++erases;
        return CWnd::OnEraseBkgnd(dc);
    }
    void OnTimer(UINT_PTR id) override { timers.push_back(id); }
};

std::vector<std::string> only(const std::vector<std::string>& log, const std::string& skip = "move") {
    std::vector<std::string> out;
    for (const auto& s : log)
        if (s != skip) out.push_back(s);
    return out;
}

TEST(WindowMessageTest, MouseMessagesCarryClientPointsFlagsAndDoubleClicks) {
    Session session;
    Recorder w;
    ASSERT_TRUE(w.Make());
    ui::Click(&w, 10, 20);
    ui::Click(&w, 30, 40, ui::kLeft, ui::kNone, 2);
    ui::Click(&w, 50, 60, ui::kRight, ui::kCtrl);
    ui::Press(&w, 5, 6, ui::kLeft, ui::kShift);
    ui::Release(&w, 5, 6, ui::kLeft, ui::kShift);
    ui::RunUntilIdle();
    std::vector<std::string> want = {"ldown", "lup", "ldown", "lup", "ldbl", "lup", "rdown", "rup", "ldown", "lup"};
    EXPECT_EQ(only(w.log), want);
    std::vector<POINT> pts;
    std::vector<UINT> fl;
    for (std::size_t i = 0; i < w.log.size(); ++i)
        if (w.log[i] != "move") {
            pts.push_back(w.points[i]);
            fl.push_back(w.flags[i]);
        }
    ASSERT_EQ(pts.size(), want.size());
    EXPECT_EQ(pts[0].x, 10);
    EXPECT_EQ(pts[0].y, 20);
    EXPECT_EQ(pts[4].x, 30);
    EXPECT_EQ(pts[4].y, 40);
    EXPECT_EQ(fl[0], UINT(MK_LBUTTON));
    EXPECT_EQ(fl[1], 0u);                            // released: no button down
    EXPECT_EQ(fl[6], UINT(MK_RBUTTON | MK_CONTROL));  // the modifier rides along
    EXPECT_EQ(fl[8], UINT(MK_LBUTTON | MK_SHIFT));
}

TEST(WindowMessageTest, AWindowWithoutDoubleClicksGetsTwoPresses) {
    Session session;
    Recorder w;
    ASSERT_TRUE(w.Make());
    w.SetClassStyle(0);
    ui::Click(&w, 30, 40, ui::kLeft, ui::kNone, 2);
    ui::RunUntilIdle();
    EXPECT_EQ(only(w.log), (std::vector<std::string>{"ldown", "lup", "ldown", "lup"}));
}

TEST(WindowMessageTest, KeysArriveAsVirtualKeysAndCharacters) {
    Session session;
    Recorder w;
    ASSERT_TRUE(w.Make());
    ui::Key(&w, VK_LEFT);
    ui::Key(&w, VK_DELETE);
    ui::Key(&w, VK_RETURN);
    ui::Key(&w, VK_RETURN, ui::kNone, true);  // the keypad's Enter
    ui::Key(&w, 'A');
    ui::Type(&w, "x.");
    ui::RunUntilIdle();
    ASSERT_GE(w.keys.size(), 5u);
    EXPECT_EQ(w.keys[0], UINT(VK_LEFT));
    EXPECT_EQ(w.keys[1], UINT(VK_DELETE));
    EXPECT_EQ(w.keys[2], UINT(VK_RETURN));
    EXPECT_EQ(w.keys[3], UINT(VK_RETURN));
    EXPECT_EQ(w.keys[4], UINT('A'));
    // The program's key codes of those keys.
    EXPECT_EQ(fw::ToolboxKeyCode(w.keys[0], w.keyFlags[0]), 28u);
    EXPECT_EQ(fw::ToolboxKeyCode(w.keys[1], w.keyFlags[1]), 127u);
    EXPECT_EQ(fw::ToolboxKeyCode(w.keys[2], w.keyFlags[2]), 13u);
    EXPECT_EQ(fw::ToolboxKeyCode(w.keys[3], w.keyFlags[3]), 3u);
    // Enter, Enter, 'a', then the typed text; Left and Delete make no character.
    EXPECT_EQ(w.chars, (std::vector<UINT>{13, 13, 'a', 'x', '.'}));
}

// A window that takes a key's character in PreTranslateMessage, as the dialogs do.
class Translator : public Recorder {
public:
    std::vector<UINT> taken;
    std::vector<LPARAM> takenFlags;
    bool eat = true;

    BOOL PreTranslateMessage(MSG* msg) override {
        if (msg->message != WM_KEYDOWN) return FALSE;
        MSG copy = *msg;
        TranslateMessage(&copy);
        MSG ch;
        if (!PeekMessage(&ch, this, WM_CHAR, WM_CHAR, PM_REMOVE)) return FALSE;
        taken.push_back(UINT(ch.wParam));
        takenFlags.push_back(ch.lParam);
        return eat;
    }
};

TEST(WindowMessageTest, APreTranslatedKeyGivesUpItsCharacterOnce) {
    Session session;
    Translator w;
    ASSERT_TRUE(w.Make());
    ui::Key(&w, VK_RETURN, ui::kNone, true);
    ui::Key(&w, 'B');
    ui::Key(&w, VK_LEFT);  // no character: the key goes on
    ui::RunUntilIdle();
    EXPECT_EQ(w.taken, (std::vector<UINT>{13, 'b'}));
    EXPECT_EQ(fw::ToolboxKeyCode(VK_RETURN, w.takenFlags[0]), 3u);  // the keypad's mark stays on the character
    EXPECT_TRUE(w.chars.empty());
    EXPECT_EQ(w.keys, std::vector<UINT>{VK_LEFT});
    // Not eaten: the key is handled, and its character, taken out, is not typed again.
    w.eat = false;
    ui::Key(&w, 'C');
    ui::RunUntilIdle();
    EXPECT_EQ(w.keys, (std::vector<UINT>{VK_LEFT, 'C'}));
    EXPECT_TRUE(w.chars.empty());
}

TEST(WindowMessageTest, ToolboxKeyCodesOfTheKeys) {
    struct Case {
        UINT vk;
        LPARAM flags;
        UINT want;
    } cases[] = {
        {VK_LEFT, 0, 28},   {VK_RIGHT, 0, 29}, {VK_UP, 0, 30}, {VK_DOWN, 0, 31}, {VK_DELETE, 0, 127},
        {VK_RETURN, 0, 13}, {VK_RETURN, LPARAM(KF_EXTENDED_LPARAM), 3},           {'A', 0, 0},
        {VK_HOME, 0, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(fw::ToolboxKeyCode(c.vk, c.flags), c.want) << c.vk;
}

TEST(WindowMessageTest, InvalidationsCollectIntoOnePaintWithItsRectangle) {
    Session session;
    Recorder w;
    ASSERT_TRUE(w.Make());
    ui::RunUntilIdle();
    int before = w.paints;
    EXPECT_GE(before, 1);  // shown: painted once
    RECT a{10, 10, 20, 20}, b{30, 5, 40, 15};
    w.InvalidateRect(&a, FALSE);
    w.InvalidateRect(&b, FALSE);
    int erases = w.erases;
    ui::RunUntilIdle();
    EXPECT_EQ(w.paints, before + 1);
    EXPECT_EQ(w.erases, erases);  // no erase asked
    EXPECT_EQ(w.lastPaint.left, 10);
    EXPECT_EQ(w.lastPaint.top, 5);
    EXPECT_EQ(w.lastPaint.right, 40);
    EXPECT_EQ(w.lastPaint.bottom, 20);
    w.Invalidate(TRUE);
    w.UpdateWindow();  // now, not later
    EXPECT_EQ(w.paints, before + 2);
    EXPECT_EQ(w.erases, erases + 1);
    ui::RunUntilIdle();
    EXPECT_EQ(w.paints, before + 2);
}

TEST(WindowMessageTest, TimersFireOnlyWhenTheScriptSaysSo) {
    Session session;
    Recorder w;
    ASSERT_TRUE(w.Make());
    EXPECT_EQ(w.SetTimer(2, 60), 2u);
    EXPECT_EQ(ui::TimerInterval(&w, 2), 60u);
    ui::RunUntilIdle();
    EXPECT_TRUE(w.timers.empty());
    EXPECT_TRUE(ui::FireTimer(&w, 2));
    EXPECT_TRUE(ui::FireTimer(&w, 2));
    EXPECT_EQ(w.timers, (std::vector<UINT_PTR>{2, 2}));
    EXPECT_TRUE(w.KillTimer(2));
    EXPECT_FALSE(ui::FireTimer(&w, 2));
    EXPECT_FALSE(w.KillTimer(2));
}

TEST(WindowMessageTest, CommandsRouteByIdAndRangeLaterEntriesFirst) {
    Session session;
    Recorder w;
    ASSERT_TRUE(w.Make());
    std::vector<UINT> got;
    w.AddCommandRange(1000, 1099, [&](UINT id) { got.push_back(id); });
    w.AddCommand(1050, [&] { got.push_back(1); });  // a single id over the range
    w.AddNotify(7, EN_CHANGE, [&] { got.push_back(2); });
    w.SendMessage(WM_COMMAND, 1000);
    w.SendMessage(WM_COMMAND, 1099);
    w.SendMessage(WM_COMMAND, 1050);
    w.SendMessage(WM_COMMAND, 1100);             // outside: nobody
    w.SendMessage(WM_COMMAND, MAKEWPARAM(7, EN_CHANGE), 1);
    w.SendMessage(WM_COMMAND, MAKEWPARAM(7, EN_KILLFOCUS), 1);  // another code: nobody
    EXPECT_EQ(got, (std::vector<UINT>{1000, 1099, 1, 2}));
}

TEST(WindowMessageTest, PostedMessagesWaitInOrderAndCanBeTakenOut) {
    Session session;
    Recorder w;
    ASSERT_TRUE(w.Make());
    std::vector<UINT> got;
    w.AddCommandRange(1, 100, [&](UINT id) { got.push_back(id); });
    w.PostMessage(WM_COMMAND, 1);
    w.PostMessage(WM_COMMAND, 2);
    w.PostMessage(WM_COMMAND, 3);
    EXPECT_TRUE(got.empty());
    MSG m;
    ASSERT_TRUE(PeekMessage(&m, &w, WM_COMMAND, WM_COMMAND, PM_NOREMOVE));
    EXPECT_EQ(m.wParam, 1u);
    // Taking the second one out leaves the others.
    int seen = 0;
    while (PeekMessage(&m, &w, WM_COMMAND, WM_COMMAND, PM_NOREMOVE) && seen++ < 1) {
    }
    MSG all[3];
    int n = 0;
    while (n < 3 && PeekMessage(&all[n], &w, 0, 0, PM_REMOVE)) ++n;
    EXPECT_EQ(n, 3);
    w.PostMessage(WM_COMMAND, 4);
    w.PostMessage(WM_COMMAND, 5);
    ASSERT_TRUE(PeekMessage(&m, nullptr, WM_COMMAND, WM_COMMAND, PM_REMOVE));
    EXPECT_EQ(m.wParam, 4u);
    ui::RunUntilIdle();
    EXPECT_EQ(got, (std::vector<UINT>{5}));
    EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE));
}

TEST(WindowMessageTest, CaptureTakesTheMouseFromOtherWindows) {
    Session session;
    Recorder a, b;
    ASSERT_TRUE(a.Make());
    RECT r{400, 100, 500, 200};
    ASSERT_TRUE(b.CreateEx(0, nullptr, "b", WS_POPUP | WS_VISIBLE, r, nullptr, 0));
    a.SetCapture();
    EXPECT_EQ(CWnd::GetCapture(), &a);
    ui::Click(&b, 10, 10);
    ui::RunUntilIdle();
    EXPECT_EQ(only(b.log), std::vector<std::string>{});
    ASSERT_EQ(only(a.log), (std::vector<std::string>{"ldown", "lup"}));
    // In a's coordinates: b's (10, 10) lies 300 pixels to the right of a's origin.
    auto it = std::find(a.log.begin(), a.log.end(), "ldown");
    POINT p = a.points[std::size_t(it - a.log.begin())];
    EXPECT_EQ(p.x, 310);
    EXPECT_EQ(p.y, 10);
    ReleaseCapture();
    EXPECT_EQ(CWnd::GetCapture(), nullptr);
    ui::Click(&b, 10, 10);
    ui::RunUntilIdle();
    EXPECT_EQ(only(b.log), (std::vector<std::string>{"ldown", "lup"}));
}

// A window whose press runs a modal mouse loop, writing down what the loop sees.
class Tracker : public Recorder {
public:
    std::vector<POINT> seen;
    std::vector<bool> shift;
    UINT timeout = 0;
    bool returned = false;

protected:
    void OnLButtonDown(UINT, POINT) override {
        SetCapture();
        while (fw::MouseLoopStep(timeout)) {
            POINT p;
            fw::GetCursorPos(&p);
            ScreenToClient(&p);
            seen.push_back(p);
            shift.push_back((fw::GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0);
        }
        ReleaseCapture();
        returned = true;
    }
};

TEST(WindowMessageTest, AMouseLoopRunsUntilTheButtonComesUp) {
    Session session;
    Tracker w;
    ASSERT_TRUE(w.Make());
    ui::Press(&w, 10, 10);
    ui::Move(&w, 20, 15);
    ui::Move(&w, 30, 20, ui::kShift);
    ui::Release(&w, 30, 20);
    bool after = false;
    ui::Call([&] { after = w.returned; });
    ui::RunUntilIdle();
    EXPECT_TRUE(w.returned);
    EXPECT_TRUE(after);  // the loop had returned before the next step
    ASSERT_EQ(w.seen.size(), 2u);
    EXPECT_EQ(w.seen[0].x, 20);
    EXPECT_EQ(w.seen[0].y, 15);
    EXPECT_EQ(w.seen[1].x, 30);
    EXPECT_FALSE(w.shift[0]);
    EXPECT_TRUE(w.shift[1]);  // the modifiers are current inside the loop
    EXPECT_EQ(fw::GetAsyncKeyState(VK_LBUTTON) & 0x8000, 0);
}

TEST(WindowMessageTest, AMouseLoopEndsWhenTheScriptRunsDry) {
    Session session;
    Tracker w;
    ASSERT_TRUE(w.Make());
    ui::Press(&w, 10, 10);
    ui::Move(&w, 12, 10);
    ui::RunUntilIdle();  // no release scripted: the loop must not hang
    EXPECT_TRUE(w.returned);
    EXPECT_EQ(w.seen.size(), 1u);
    EXPECT_EQ(fw::GetAsyncKeyState(VK_LBUTTON) & 0x8000, 0);
}

TEST(WindowMessageTest, APollingLoopSeesATickAsAPassWithoutInput) {
    Session session;
    Tracker w;
    w.timeout = 50;
    ASSERT_TRUE(w.Make());
    ui::Press(&w, 10, 10);
    ui::Tick();
    ui::Tick();
    ui::Move(&w, 11, 12);
    ui::Release(&w, 11, 12);
    ui::RunUntilIdle();
    ASSERT_EQ(w.seen.size(), 3u);  // two polls with nothing new, one move
    EXPECT_EQ(w.seen[0].x, 10);
    EXPECT_EQ(w.seen[1].x, 10);
    EXPECT_EQ(w.seen[2].x, 11);
}

TEST(WindowMessageTest, ChildWindowsFollowTheirParent) {
    Session session;
    Recorder parent;
    ASSERT_TRUE(parent.Make(300, 200));
    Recorder child;
    RECT r{50, 40, 150, 90};
    ASSERT_TRUE(child.Create(nullptr, "c", WS_CHILD | WS_VISIBLE, r, &parent, 77));
    EXPECT_EQ(parent.GetDlgItem(77), &child);
    EXPECT_EQ(child.GetParent(), &parent);
    EXPECT_EQ(parent.ChildWindowFromPoint(POINT{60, 50}), &child);
    EXPECT_EQ(parent.ChildWindowFromPoint(POINT{5, 5}), &parent);
    RECT cr;
    child.GetClientRect(&cr);
    EXPECT_EQ(cr.right, 100);
    EXPECT_EQ(cr.bottom, 50);
    POINT p{0, 0};
    child.MapWindowPoints(&parent, &p, 1);
    EXPECT_EQ(p.x, 50);
    EXPECT_EQ(p.y, 40);
    ui::Click(&child, 5, 5);
    ui::RunUntilIdle();
    EXPECT_EQ(only(child.log), (std::vector<std::string>{"ldown", "lup"}));
    EXPECT_TRUE(only(parent.log).empty());
    parent.DestroyWindow();
    EXPECT_FALSE(child.IsWindow());  // went with its parent
}

}  // namespace
