// Menus from resources with column breaks and scripted answers; scrolling views; control bars;
// the font and print dialogs under a script.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/CmdUI.h"
#include "framework/CommonDialogs.h"
#include "framework/ControlBar.h"
#include "framework/Menu.h"
#include "framework/Resources.h"
#include "framework/UiTest.h"
#include "framework/View.h"

namespace {

namespace ui = fw::uitest;

const char* const kMenu = R"(menu 9301
popup "&Edit"
  item 100 "&Cut\tCtrl+X"
  item 101 "Copy" grayed
  separator
  popup "More"
    item 200 "Deep" checked
  end
  item 102 "Next column" break
end
popup "Second"
  item 300 "Only"
end
)";

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override { fw::resourcetest::SetText("menus", 9301, kMenu); }
    void TearDown() override { fw::resourcetest::Clear(); }
    ui::Session session;
};

TEST_F(MenuTest, ResourcesLoadWithPopupsStatesAndBreaks) {
    CMenu menu;
    ASSERT_TRUE(menu.LoadMenu(9301));
    EXPECT_FALSE(CMenu().LoadMenu(9399));
    EXPECT_EQ(menu.GetMenuItemCount(), 2u);
    CMenu* edit = menu.GetSubMenu(0);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(menu.GetSubMenu(0), edit);  // the same object each time
    EXPECT_EQ(edit->GetMenuItemCount(), 5u);
    EXPECT_EQ(edit->GetMenuItemID(0), 100u);
    EXPECT_EQ(edit->GetMenuItemID(2), 0u);        // separator
    EXPECT_EQ(edit->GetMenuItemID(3), UINT(-1));  // pop-up
    CString text;
    edit->GetMenuString(0, text, MF_BYPOSITION);
    EXPECT_EQ(text.str(), "&Cut\tCtrl+X");
    EXPECT_EQ(edit->GetMenuState(101, MF_BYCOMMAND) & MF_GRAYED, UINT(MF_GRAYED));
    EXPECT_EQ(edit->GetMenuState(4, MF_BYPOSITION) & MF_MENUBREAK, UINT(MF_MENUBREAK));
    // By command the pop-ups inside are searched too.
    EXPECT_EQ(menu.CheckMenuItem(200, MF_UNCHECKED), UINT(MF_CHECKED));
    EXPECT_EQ(edit->GetSubMenu(3)->GetMenuState(0, MF_BYPOSITION) & MF_CHECKED, 0u);
    EXPECT_EQ(menu.EnableMenuItem(101, MF_ENABLED), UINT(MF_GRAYED));
    EXPECT_EQ(menu.CheckMenuItem(999, MF_CHECKED), UINT(-1));
}

TEST_F(MenuTest, ItemsAreInsertedModifiedAndRemoved) {
    CMenu popup;
    ASSERT_TRUE(popup.CreatePopupMenu());
    EXPECT_TRUE(popup.AppendMenu(MF_STRING, 1, "one"));
    EXPECT_TRUE(popup.AppendMenu(MF_STRING, 3, "three"));
    EXPECT_TRUE(popup.InsertMenu(1, MF_BYPOSITION | MF_STRING, 2, "two"));
    EXPECT_TRUE(popup.InsertMenu(UINT(-1), MF_BYPOSITION | MF_SEPARATOR));
    EXPECT_TRUE(popup.InsertMenu(3, MF_BYCOMMAND | MF_STRING, 4, "before three"));
    ASSERT_EQ(popup.GetMenuItemCount(), 5u);
    EXPECT_EQ(popup.GetMenuItemID(2), 4u);
    EXPECT_EQ(popup.GetMenuItemID(4), 0u);
    EXPECT_TRUE(popup.ModifyMenu(0, MF_BYPOSITION | MF_STRING, 10, "ten"));
    EXPECT_EQ(popup.GetMenuItemID(0), 10u);
    CMenu sub;
    sub.CreatePopupMenu();
    sub.AppendMenu(MF_STRING, 50, "fifty");
    EXPECT_TRUE(popup.AppendMenu(MF_POPUP, UINT_PTR(sub.Detach()), "sub"));
    EXPECT_EQ(popup.GetSubMenu(5)->GetMenuItemID(0), 50u);
    EXPECT_TRUE(popup.DeleteMenu(50, MF_BYCOMMAND));
    EXPECT_EQ(popup.GetSubMenu(5)->GetMenuItemCount(), 0u);
    EXPECT_TRUE(popup.DeleteMenu(5, MF_BYPOSITION));
    EXPECT_FALSE(popup.DeleteMenu(9, MF_BYPOSITION));
    EXPECT_EQ(popup.GetMenuItemCount(), 5u);
}

// A pop-up's state carries its entry count above the flag bits: eight entries set the bit a
// separator has, and the keys after the tabs inside it are still found.
TEST_F(MenuTest, AcceleratorsAreFoundInPopupsOfEveryLength) {
    for (int entries : {1, 8, 9, 24}) {
        CMenu bar, sub;
        ASSERT_TRUE(bar.CreatePopupMenu());
        ASSERT_TRUE(sub.CreatePopupMenu());
        for (int i = 0; i < entries; ++i) {
            const std::string text = "entry\tCtrl+" + std::string(1, char('A' + i % 26));
            sub.AppendMenu(MF_STRING, UINT(100 + i), text.c_str());
        }
        bar.AppendMenu(MF_POPUP, UINT_PTR(sub.Detach()), "menu");
        const std::vector<fw::Accelerator> keys = fw::AcceleratorsFromMenu(&bar);
        ASSERT_EQ(keys.size(), std::size_t(entries)) << entries;
        EXPECT_EQ(keys[0].id, 100u);
        EXPECT_EQ(keys[0].mods, 2u);
        EXPECT_EQ(keys[0].vk, UINT('A'));
    }
    UINT mods = 0, vk = 0;
    ASSERT_TRUE(fw::ParseAcceleratorText("Zoom\tCtrl+[", &mods, &vk));
    EXPECT_EQ(vk, 0xDBu);
    ASSERT_TRUE(fw::ParseAcceleratorText("Tie\tAlt+;", &mods, &vk));
    EXPECT_EQ(mods, 4u);
    EXPECT_EQ(vk, 0xBAu);
}

TEST_F(MenuTest, TrackedPopupsAnswerFromTheScriptAndShowTheirColumns) {
    CMenu menu;
    ASSERT_TRUE(menu.LoadMenu(9301));
    CMenu* edit = menu.GetSubMenu(0);
    ui::AnswerMenu(102);
    EXPECT_EQ(edit->TrackPopupMenu(TPM_RETURNCMD | TPM_NONOTIFY, 40, 50, nullptr), 102);
    EXPECT_EQ(edit->TrackPopupMenu(TPM_RETURNCMD, 40, 50, nullptr), 0);  // nothing scripted: dismissed
    ASSERT_EQ(ui::Menus().size(), 2u);
    const ui::ShownMenu& shown = ui::Menus()[0];
    EXPECT_EQ(shown.x, 40);
    EXPECT_EQ(shown.answer, 102u);
    ASSERT_EQ(shown.items.size(), 5u);
    EXPECT_EQ(shown.items[0].text, "Cut\tCtrl+X");
    EXPECT_EQ(shown.items[0].column, 0);
    EXPECT_EQ(shown.items[4].column, 1);  // the break starts a new column
    ASSERT_EQ(shown.items[3].popup.size(), 1u);
    EXPECT_EQ(shown.items[3].popup[0].id, 200u);
    EXPECT_EQ(ui::Menus()[1].answer, 0u);
}

TEST_F(MenuTest, AChoiceWithoutReturnCommandGoesToTheOwner) {
    CWnd owner;
    RECT r{0, 0, 100, 100};
    ASSERT_TRUE(owner.CreateEx(0, nullptr, "o", WS_POPUP | WS_VISIBLE, r, nullptr, 0));
    std::vector<UINT> got;
    owner.AddCommandRange(1, 1000, [&](UINT id) { got.push_back(id); });
    CMenu menu;
    ASSERT_TRUE(menu.LoadMenu(9301));
    ui::AnswerMenu(300);
    EXPECT_TRUE(menu.GetSubMenu(1)->TrackPopupMenu(0, 0, 0, &owner));
    EXPECT_TRUE(got.empty());  // posted
    ui::RunUntilIdle();
    EXPECT_EQ(got, std::vector<UINT>{300});
}

// A view that counts what it draws and where the scroll position stands.
class CountingView : public CScrollView {
public:
    int draws = 0;
    POINT origin{};

    bool Make(CWnd* parent) {
        RECT r{0, 0, 200, 100};
        return Create(nullptr, "view", WS_CHILD | WS_VISIBLE, r, parent, 0xE900) != FALSE;
    }

protected:
    void OnDraw(CDC* dc) override {
        ++draws;
        origin = dc->GetWindowOrg();
    }
};

TEST(ScrollViewTest, BarsFollowTheSizesAndTheViewScrollsWithinThem) {
    ui::Session session;
    CWnd parent;
    RECT pr{0, 0, 200, 100};
    ASSERT_TRUE(parent.CreateEx(0, nullptr, "p", WS_POPUP | WS_VISIBLE, pr, nullptr, 0));
    CountingView view;
    ASSERT_TRUE(view.Make(&parent));
    view.SetScrollSizes(MM_TEXT, SIZE{1000, 90}, SIZE{100, 40}, SIZE{10, 10});
    // Wider than the view: a horizontal bar, which leaves too little height: a vertical one too.
    EXPECT_TRUE(view.GetStyle() & WS_HSCROLL);
    EXPECT_TRUE(view.GetStyle() & WS_VSCROLL);
    RECT client;
    view.GetClientRect(&client);
    EXPECT_EQ(client.right, 184);
    EXPECT_EQ(client.bottom, 84);
    EXPECT_EQ(view.GetScrollLimit(SB_HORZ), 1000 - 184);
    view.SendMessage(WM_HSCROLL, SB_LINEDOWN);
    EXPECT_EQ(view.GetScrollPosition().x, 10);
    view.SendMessage(WM_HSCROLL, SB_PAGEDOWN);
    EXPECT_EQ(view.GetScrollPosition().x, 110);
    view.SendMessage(WM_HSCROLL, SB_BOTTOM);
    EXPECT_EQ(view.GetScrollPosition().x, 816);
    view.ScrollToPosition(POINT{-50, 0});
    EXPECT_EQ(view.GetScrollPosition().x, 0);
    view.ScrollToPosition(POINT{300, 0});
    ui::RunUntilIdle();
    EXPECT_GT(view.draws, 0);
    EXPECT_EQ(view.origin.x, 300);  // drawing happens in content coordinates
    // The wheel scrolls the vertical bar by lines.
    view.SetScrollSizes(MM_TEXT, SIZE{1000, 800}, SIZE{100, 40}, SIZE{10, 10});
    ui::Wheel(&view, 20, 20, -120);
    ui::RunUntilIdle();
    EXPECT_EQ(view.GetScrollPosition().y, 30);  // three lines of ten
    // Content that fits needs no bars and returns to the start.
    view.SetScrollSizes(MM_TEXT, SIZE{50, 50});
    EXPECT_FALSE(view.GetStyle() & (WS_HSCROLL | WS_VSCROLL));
    EXPECT_EQ(view.GetScrollPosition().x, 0);
    EXPECT_EQ(view.GetScrollPosition().y, 0);
}

TEST(ScrollViewTest, MappingModesConvertAtNinetySixPixelsPerInch) {
    struct Case {
        int mode;
        SIZE logical;
        SIZE device;
    } cases[] = {
        {MM_TEXT, {100, -40}, {100, 40}},
        {MM_LOENGLISH, {100, -100}, {96, 96}},
        {MM_TWIPS, {1440, 720}, {96, 48}},
        {MM_LOMETRIC, {254, 254}, {96, 96}},
    };
    for (const Case& c : cases) {
        SIZE d = fw::MapModeToDevice(c.mode, c.logical);
        EXPECT_EQ(d.cx, c.device.cx) << c.mode;
        EXPECT_EQ(d.cy, c.device.cy) << c.mode;
    }
}

// A bar that limits its floating size.
class LimitedBar : public CControlBar {
protected:
    void OnGetMinMaxInfo(MINMAXINFO* mmi) override {
        mmi->ptMinTrackSize = POINT{100, 100};
        mmi->ptMaxTrackSize = POINT{400, 300};
    }
};

TEST(ControlBarTest, BarsDockWhereAllowedAndFloatWithinTheirLimits) {
    ui::Session session;
    CFrameWnd frame;
    ASSERT_TRUE(frame.Create("frame"));
    frame.ShowWindow(SW_SHOW);
    frame.EnableDocking(CBRS_ALIGN_ANY);
    CWnd pane;
    RECT r{0, 0, 10, 10};
    ASSERT_TRUE(pane.Create(nullptr, "pane", WS_CHILD | WS_VISIBLE, r, &frame, 0xE900));
    LimitedBar docked, floating;
    ASSERT_TRUE(docked.Create("docked", &frame, 1, CBRS_TOP, SIZE{200, 30}));
    ASSERT_TRUE(floating.Create("floating", &frame, 2, CBRS_TOP, SIZE{50, 50}));
    docked.EnableDocking(CBRS_ALIGN_TOP);
    floating.EnableDocking(0);
    frame.DockControlBar(&docked);
    frame.DockControlBar(&floating);  // may not dock: floats
    EXPECT_FALSE(docked.IsFloating());
    EXPECT_TRUE(floating.IsFloating());
    ui::RunUntilIdle();
    // The docked bar takes the top; the pane the rest.
    RECT pr, client;
    pane.GetWindowRect(&pr);
    frame.ScreenToClient(&pr);
    frame.GetClientRect(&client);
    EXPECT_EQ(pr.top, 30);
    EXPECT_EQ(pr.bottom, client.bottom);
    // Floating, the bar is never smaller than its limit.
    RECT fr;
    floating.GetClientRect(&fr);
    EXPECT_GE(fr.right, 100);
    EXPECT_GE(fr.bottom, 100);
    frame.ShowControlBar(&floating, FALSE);
    EXPECT_FALSE(floating.IsVisible());
    frame.ShowControlBar(&docked, FALSE);
    ui::RunUntilIdle();
    pane.GetWindowRect(&pr);
    frame.ScreenToClient(&pr);
    EXPECT_EQ(pr.top, 0);
}

TEST(CommonDialogTest, TheScriptAnswersFontAndPrintDialogs) {
    {
        // Without a script and without a display: cancelled, nothing waits.
        CFontDialog font;
        EXPECT_EQ(font.DoModal(), IDCANCEL);
        CPrintDialog print(TRUE);
        EXPECT_EQ(print.DoModal(), IDCANCEL);
    }
    fw::commondialogtest::Script script;
    script.AnswerFont("Times New Roman", 120, 1 | 2);
    script.Cancel();
    script.AnswerPrint("Office", DMORIENT_LANDSCAPE, DMPAPER_A4, 2);
    LOGFONT lf;
    lf.lfHeight = -16;
    CFontDialog font(&lf);
    ASSERT_EQ(font.DoModal(), IDOK);
    EXPECT_EQ(font.GetFaceName().str(), "Times New Roman");
    EXPECT_EQ(font.GetSize(), 120);
    EXPECT_TRUE(font.IsBold());
    EXPECT_TRUE(font.IsItalic());
    EXPECT_FALSE(font.IsUnderline());
    EXPECT_EQ(CFontDialog().DoModal(), IDCANCEL);
    CPrintDialog setup(TRUE);
    ASSERT_EQ(setup.DoModal(), IDOK);
    EXPECT_EQ(setup.GetDeviceName().str(), "Office");
    EXPECT_EQ(setup.m_orientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(setup.m_paperSize, DMPAPER_A4);
    EXPECT_EQ(setup.GetCopies(), 2);
    EXPECT_EQ(CPrintDialog(FALSE).DoModal(), IDCANCEL);  // script used up
    ASSERT_EQ(script.asked().size(), 4u);
    EXPECT_EQ(script.asked()[0].kind, fw::commondialogtest::Request::kFont);
    EXPECT_EQ(script.asked()[0].font.lfHeight, -16);
    EXPECT_EQ(script.asked()[2].kind, fw::commondialogtest::Request::kPrintSetup);
    EXPECT_EQ(script.asked()[3].kind, fw::commondialogtest::Request::kPrint);
}

}  // namespace
