// Dialogs from templates, their controls and notifications, the dialog keys and the modal loop
// under a script.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "framework/CodePage.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/Gdi.h"
#include "framework/Menu.h"
#include "framework/Resources.h"
#include "framework/StringTable.h"
#include "framework/UiTest.h"
#include "support/TempHome.h"

namespace {

namespace ui = fw::uitest;

// Template 9101 of these tests: a little of everything.
const char* const kTemplate = R"(# a test dialog
dialog 9101 200 120
caption "测试对话框"
font 9 "宋体"
label -1 4 4 60 10 "名称:"
edit 10 70 4 60 12
spin 11 0 0 10 12 buddy alignright
check 12 4 20 80 10 "Check"
radio 13 4 32 60 10 "One" group
radio 14 4 44 60 10 "Two"
radio 15 4 56 60 10 "Three"
check 16 4 94 80 10 "Manual" manual group
combo 20 100 40 80 60 sort
list 21 100 60 80 40
hscroll 22 4 70 80 10
owner 23 140 100 50 16
slider 24 100 104 36 12 autoticks
progress 25 4 104 60 8
defbutton 1 140 4 50 14 "OK"
button 2 140 20 50 14 @10029
)";

// A dialog that writes down its notifications and draws its owner-drawn control.
class TestDlg : public CDialog {
public:
    explicit TestDlg(UINT id = 9101) : CDialog(id) {}
    std::vector<std::pair<int, int>> commands;  // id, code
    std::vector<std::pair<UINT, int>> scrolls;  // code, position
    int inits = 0;
    int draws = 0;
    bool refuseOk = false;
    std::vector<UINT> keysSeen;  // key-downs passing PreTranslateMessage
    std::vector<std::pair<int, UINT>> presses;  // control id, button-down message

    BOOL PreTranslateMessage(MSG* msg) override {
        if (msg->message == WM_KEYDOWN) keysSeen.push_back(UINT(msg->wParam));
        if ((msg->message == WM_LBUTTONDOWN || msg->message == WM_LBUTTONDBLCLK) && msg->hwnd && msg->hwnd != this)
            presses.emplace_back(msg->hwnd->GetDlgCtrlID(), msg->message);
        return CDialog::PreTranslateMessage(msg);
    }

protected:
    BOOL OnInitDialog() override {
        ++inits;
        return CDialog::OnInitDialog();
    }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        commands.emplace_back(LOWORD(DWORD(wParam)), HIWORD(DWORD(wParam)));
        return CDialog::OnCommand(wParam, lParam);
    }
    void OnOK() override {
        if (!refuseOk) CDialog::OnOK();
    }
    void OnHScroll(UINT code, UINT pos, CScrollBar* bar) override {
        if (bar) scrolls.emplace_back(code, int(pos));
    }
    void OnVScroll(UINT code, UINT pos, CScrollBar* bar) override {
        if (bar) scrolls.emplace_back(code, int(pos));
    }
    void OnDrawItem(int id, DRAWITEMSTRUCT* dis) override {
        ++draws;
        ASSERT_EQ(id, 23);
        dis->hDC->FillSolidRect(&dis->rcItem, RGB(255, 0, 0));
    }
};

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override { fw::resourcetest::SetText("dialogs", 9101, kTemplate); }
    void TearDown() override { fw::resourcetest::Clear(); }
    ui::Session session;

    static bool has(const std::vector<std::pair<int, int>>& v, int id, int code) {
        for (auto& p : v)
            if (p.first == id && p.second == code) return true;
        return false;
    }
};

TEST_F(DialogTest, TemplatesParseIntoControlsWithTheirIdsKindsAndRectangles) {
    EXPECT_TRUE(fw::HasDialogTemplate(9101));
    EXPECT_FALSE(fw::HasDialogTemplate(9199));
    SIZE size;
    ASSERT_TRUE(fw::GetDialogTemplateSize(9101, &size));
    EXPECT_EQ(size.cx, 300);  // 200 dialog units at 6 pixels per 4
    EXPECT_EQ(size.cy, 180);  // 120 at 12 per 8
    TestDlg dlg;
    ASSERT_TRUE(dlg.Create(9101));
    EXPECT_EQ(dlg.inits, 1);
    EXPECT_EQ(dlg.GetWindowText(), fw::FromUtf8("测试对话框"));
    EXPECT_NE(dynamic_cast<CEdit*>(dlg.GetDlgItem(10)), nullptr);
    EXPECT_NE(dynamic_cast<CSpinButtonCtrl*>(dlg.GetDlgItem(11)), nullptr);
    EXPECT_NE(dynamic_cast<CButton*>(dlg.GetDlgItem(12)), nullptr);
    EXPECT_NE(dynamic_cast<CComboBox*>(dlg.GetDlgItem(20)), nullptr);
    EXPECT_NE(dynamic_cast<CListBox*>(dlg.GetDlgItem(21)), nullptr);
    EXPECT_NE(dynamic_cast<CScrollBar*>(dlg.GetDlgItem(22)), nullptr);
    EXPECT_NE(dynamic_cast<CSliderCtrl*>(dlg.GetDlgItem(24)), nullptr);
    EXPECT_NE(dynamic_cast<CProgressCtrl*>(dlg.GetDlgItem(25)), nullptr);
    EXPECT_EQ(dlg.GetDlgItem(99), nullptr);
    // The check box at (4, 20) 80 x 10 dialog units.
    RECT r;
    dlg.GetDlgItem(12)->GetWindowRect(&r);
    dlg.ScreenToClient(&r);
    EXPECT_EQ(r.left, 6);
    EXPECT_EQ(r.top, 30);
    EXPECT_EQ(r.right, 126);
    EXPECT_EQ(r.bottom, 45);
    RECT dlu{4, 20, 84, 30};
    dlg.MapDialogRect(&dlu);
    EXPECT_EQ(dlu.left, 6);
    EXPECT_EQ(dlu.bottom, 45);
    // Texts: literal, and from the string table.
    std::string stop;
    fw::LoadStringResource(10029, stop);
    EXPECT_EQ(dlg.GetDlgItem(2)->GetWindowText(), stop);
    EXPECT_EQ(dlg.GetDlgItem(12)->GetWindowText(), "Check");
    // The spin took the field before it as its buddy, which gave up room for it.
    auto* spin = static_cast<CSpinButtonCtrl*>(dlg.GetDlgItem(11));
    EXPECT_EQ(spin->GetBuddy(), dlg.GetDlgItem(10));
    EXPECT_EQ(dlg.GetDefID(), UINT(IDOK));
}

TEST_F(DialogTest, EveryCompiledInTemplateAndMenuReads) {
    auto dialogs = fw::ListResources("dialogs");
    for (UINT id : dialogs) {
        EXPECT_TRUE(fw::HasDialogTemplate(id)) << id;
        CDialog dlg;
        EXPECT_TRUE(dlg.Create(id)) << id;
    }
    for (UINT id : fw::ListResources("menus")) EXPECT_TRUE(fw::HasMenuResource(id)) << id;
}

TEST_F(DialogTest, BadTemplatesAreRefused) {
    struct Case {
        const char* text;
    } cases[] = {
        {"button 1 0 0 10 10 \"x\""},             // no header
        {"dialog 9102 10 10\nwidget 1 0 0 1 1"},  // unknown kind
        {"dialog 9102 10 10\nbutton 1 0 0 10"},   // short rectangle
        {"dialog 9102 10 10\nbutton 1 0 0 10 10 \"x\" sparkly"},  // unknown flag
        {"dialog 9102 ten 10"},
    };
    for (const Case& c : cases) {
        fw::resourcetest::SetText("dialogs", 9102, c.text);
        EXPECT_FALSE(fw::HasDialogTemplate(9102)) << c.text;
        CDialog dlg(9102);
        EXPECT_EQ(dlg.DoModal(), -1) << c.text;
    }
}

TEST_F(DialogTest, ControlsNotifyTheirDialog) {
    TestDlg dlg;
    ASSERT_TRUE(dlg.Create(9101));
    dlg.ShowWindow(SW_SHOW);
    ui::RunUntilIdle();
    // A user's click on the check box checks it and says so.
    ui::ClickControl(&dlg, 12);
    ui::RunUntilIdle();
    EXPECT_TRUE(has(dlg.commands, 12, BN_CLICKED));
    EXPECT_EQ(dlg.IsDlgButtonChecked(12), 1u);
    // A manual check box leaves its check to the program.
    ui::ClickControl(&dlg, 16);
    ui::RunUntilIdle();
    EXPECT_TRUE(has(dlg.commands, 16, BN_CLICKED));
    EXPECT_EQ(dlg.IsDlgButtonChecked(16), 0u);
    // Radio buttons of one group exclude each other.
    dlg.CheckRadioButton(13, 15, 13);
    ui::ClickControl(&dlg, 15);
    ui::RunUntilIdle();
    EXPECT_EQ(dlg.GetCheckedRadioButton(13, 15), 15);
    EXPECT_EQ(dlg.IsDlgButtonChecked(13), 0u);
    // Text set by the program tells the dialog too (as the platform's edit fields do).
    dlg.commands.clear();
    dlg.SetDlgItemText(10, "12");
    EXPECT_TRUE(has(dlg.commands, 10, EN_CHANGE));
    BOOL ok = FALSE;
    EXPECT_EQ(int(dlg.GetDlgItemInt(10, &ok)), 12);
    EXPECT_TRUE(ok);
    // Typing into the field.
    dlg.commands.clear();
    auto* edit = dlg.GetDlgItem(10);
    edit->SendMessage(EM_SETSEL, 0, -1);
    ui::Type(edit, "345");
    ui::RunUntilIdle();
    EXPECT_EQ(edit->GetWindowText(), "345");
    EXPECT_TRUE(has(dlg.commands, 10, EN_CHANGE));
    // A key the field does not want reaches the dialog once, not again on its way up.
    dlg.keysSeen.clear();
    ui::Key(edit, VK_F1 + 4);
    ui::RunUntilIdle();
    EXPECT_EQ(dlg.keysSeen, std::vector<UINT>{VK_F1 + 4});
    // A selection by the program is quiet; one by the user is not.
    auto* list = static_cast<CListBox*>(dlg.GetDlgItem(21));
    list->AddString("a");
    list->AddString("b");
    dlg.commands.clear();
    list->SetCurSel(1);
    EXPECT_FALSE(has(dlg.commands, 21, LBN_SELCHANGE));
    RECT item;
    ASSERT_EQ(list->GetItemRect(0, &item), 0);
    ui::Click(list, item.left + 5, (item.top + item.bottom) / 2);
    ui::RunUntilIdle();
    EXPECT_TRUE(has(dlg.commands, 21, LBN_SELCHANGE));
    EXPECT_EQ(list->GetCurSel(), 0);
    ui::Click(list, item.left + 5, (item.top + item.bottom) / 2, ui::kLeft, ui::kNone, 2);
    ui::RunUntilIdle();
    EXPECT_TRUE(has(dlg.commands, 21, LBN_DBLCLK));
}

TEST_F(DialogTest, ListBoxesTakeDoubleClicksAndTellTheDialog) {
    TestDlg dlg;
    ASSERT_TRUE(dlg.Create(9101));
    dlg.ShowWindow(SW_SHOW);
    ui::RunUntilIdle();
    auto* list = static_cast<CListBox*>(dlg.GetDlgItem(21));
    EXPECT_NE(list->GetClassStyle() & CS_DBLCLKS, 0u);
    list->AddString("a");
    list->AddString("b");
    RECT item;
    ASSERT_EQ(list->GetItemRect(1, &item), 0);
    const int x = item.left + 5, y = (item.top + item.bottom) / 2;
    ui::Click(list, x, y, ui::kLeft, ui::kNone, 2);
    ui::RunUntilIdle();
    // The second press arrives as a double click, and the dialog hears of it once.
    EXPECT_EQ(dlg.presses, (std::vector<std::pair<int, UINT>>{{21, WM_LBUTTONDOWN}, {21, WM_LBUTTONDBLCLK}}));
    int doubles = 0;
    for (auto& c : dlg.commands) doubles += c == std::pair<int, int>{21, LBN_DBLCLK};
    EXPECT_EQ(doubles, 1);
    EXPECT_EQ(list->GetCurSel(), 1);

    // Other controls keep seeing every press as a press.
    dlg.presses.clear();
    ui::ClickControl(&dlg, 12, ui::kLeft, ui::kNone, 2);
    ui::RunUntilIdle();
    EXPECT_EQ(dlg.presses, (std::vector<std::pair<int, UINT>>{{12, WM_LBUTTONDOWN}, {12, WM_LBUTTONDOWN}}));
}

TEST_F(DialogTest, SpinButtonsStepTheirBuddyAndTellTheDialog) {
    TestDlg dlg;
    ASSERT_TRUE(dlg.Create(9101));
    dlg.ShowWindow(SW_SHOW);
    auto* spin = static_cast<CSpinButtonCtrl*>(dlg.GetDlgItem(11));
    spin->SetRange(1, 100);
    spin->SetPos(7);
    EXPECT_EQ(dlg.GetDlgItem(10)->GetWindowText(), "7");
    dlg.SetDlgItemText(10, "41");  // the field's own number counts
    EXPECT_EQ(spin->GetPos(), 41);
    RECT r;
    spin->GetClientRect(&r);
    ui::Click(spin, r.right / 2, 2);  // the upper arrow
    ui::RunUntilIdle();
    EXPECT_EQ(dlg.GetDlgItem(10)->GetWindowText(), "42");
    ASSERT_FALSE(dlg.scrolls.empty());
    EXPECT_EQ(dlg.scrolls.front(), (std::pair<UINT, int>{SB_THUMBPOSITION, 42}));
    spin->SetPos(500);  // outside the range: the end
    EXPECT_EQ(spin->GetPos(), 100);
}

TEST_F(DialogTest, ComboAndListMessages) {
    TestDlg dlg;
    ASSERT_TRUE(dlg.Create(9101));
    auto* combo = static_cast<CComboBox*>(dlg.GetDlgItem(20));
    EXPECT_EQ(combo->AddString("pear"), 0);
    EXPECT_EQ(combo->AddString("Apple"), 0);  // sorted, case blind
    EXPECT_EQ(combo->AddString("fig"), 1);
    EXPECT_EQ(combo->GetCount(), 3);
    EXPECT_EQ(combo->GetCurSel(), CB_ERR);
    EXPECT_EQ(combo->FindString(-1, "F"), 1);
    EXPECT_EQ(combo->FindString(1, "p"), 2);
    EXPECT_EQ(combo->FindString(2, "a"), 0);  // wraps round
    EXPECT_EQ(combo->FindStringExact(-1, "PEAR"), 2);
    EXPECT_EQ(combo->FindStringExact(-1, "pea"), CB_ERR);
    EXPECT_EQ(combo->SetCurSel(2), 2);
    CString text;
    combo->GetLBText(2, text);
    EXPECT_EQ(text.str(), "pear");
    EXPECT_EQ(combo->GetWindowText(), "pear");
    EXPECT_EQ(combo->SetCurSel(7), CB_ERR);
    EXPECT_EQ(combo->GetCurSel(), CB_ERR);
    combo->SetItemData(1, 1234);
    EXPECT_EQ(combo->GetItemData(1), 1234u);
    EXPECT_EQ(combo->DeleteString(0), 2);
    EXPECT_EQ(combo->GetItemData(0), 1234u);  // the data moved with its entry
    // The template's height is the dropped list's; the field keeps its own.
    RECT shown, dropped;
    combo->GetWindowRect(&shown);
    combo->GetDroppedControlRect(&dropped);
    EXPECT_EQ(dropped.bottom - dropped.top, 90);
    EXPECT_LT(shown.bottom - shown.top, 90);
    combo->ResetContent();
    EXPECT_EQ(combo->GetCount(), 0);

    auto* list = static_cast<CListBox*>(dlg.GetDlgItem(21));
    for (const char* s : {"one", "two", "three"}) list->AddString(s);
    EXPECT_EQ(list->GetCount(), 3);
    EXPECT_EQ(list->GetTextLen(2), 5);
    CString t;
    list->GetText(1, t);
    EXPECT_EQ(t.str(), "two");
    EXPECT_EQ(list->SelectString(-1, "th"), 2);
    EXPECT_EQ(list->GetCurSel(), 2);
    EXPECT_EQ(list->DeleteString(5), LB_ERR);
}

TEST_F(DialogTest, ScrollBarsKeepThePositionTheProgramSets) {
    TestDlg dlg;
    ASSERT_TRUE(dlg.Create(9101));
    dlg.ShowWindow(SW_SHOW);
    auto* bar = static_cast<CScrollBar*>(dlg.GetDlgItem(22));
    bar->SetScrollRange(0, 10);
    EXPECT_EQ(bar->SetScrollPos(20), 0);
    EXPECT_EQ(bar->GetScrollPos(), 10);  // clamped to the range
    SCROLLINFO si;
    si.fMask = SIF_PAGE;
    si.nPage = 4;
    bar->SetScrollInfo(&si);
    EXPECT_EQ(bar->GetScrollLimit(), 7);
    EXPECT_EQ(bar->GetScrollPos(), 7);
    // A click on the right arrow asks the dialog; the thumb stays until the program moves it.
    RECT r;
    bar->GetClientRect(&r);
    ui::Click(bar, r.right - 3, r.bottom / 2);
    ui::RunUntilIdle();
    ASSERT_FALSE(dlg.scrolls.empty());
    EXPECT_EQ(dlg.scrolls.front().first, UINT(SB_LINEDOWN));
    EXPECT_EQ(bar->GetScrollPos(), 7);
}

TEST_F(DialogTest, SlidersAndProgressBars) {
    TestDlg dlg;
    ASSERT_TRUE(dlg.Create(9101));
    auto* slider = static_cast<CSliderCtrl*>(dlg.GetDlgItem(24));
    slider->SetRange(0, 10);
    slider->SetTicFreq(2);
    slider->SetPos(4);
    EXPECT_EQ(slider->GetPos(), 4);
    EXPECT_EQ(slider->GetRangeMax(), 10);
    EXPECT_EQ(slider->GetNumTics(), 6u);
    int t0 = slider->GetTicPos(0), t1 = slider->GetTicPos(1);
    EXPECT_GT(t1, t0);
    EXPECT_EQ(slider->GetTicPos(4), -1);  // the ends have no index
    auto* progress = static_cast<CProgressCtrl*>(dlg.GetDlgItem(25));
    progress->SetRange(0, 10);
    progress->SetStep(4);
    EXPECT_EQ(progress->StepIt(), 0);
    EXPECT_EQ(progress->StepIt(), 4);
    EXPECT_EQ(progress->GetPos(), 8);
    progress->StepIt();  // past the end it starts again
    EXPECT_LT(progress->GetPos(), 8);
}

TEST_F(DialogTest, OwnerDrawnControlsAreDrawnByTheirDialogAndShowInItsPicture) {
    testsupport::TempDir dir;
    TestDlg dlg;
    ASSERT_TRUE(dlg.Create(9101));
    dlg.ShowWindow(SW_SHOW);
    ui::RunUntilIdle();
    EXPECT_GE(dlg.draws, 1);
    std::string png = dir.path() + "/dlg.png";
    ASSERT_TRUE(dlg.SaveImage(png));
    CBitmap bmp;
    ASSERT_TRUE(bmp.LoadFile(png));
    EXPECT_EQ(bmp.GetSize().cx, 300);
    RECT r;
    dlg.GetDlgItem(23)->GetWindowRect(&r);
    dlg.ScreenToClient(&r);
    EXPECT_EQ(bmp.GetPixel((r.left + r.right) / 2, (r.top + r.bottom) / 2), RGB(255, 0, 0));
    int draws = dlg.draws;
    dlg.GetDlgItem(23)->Invalidate();
    ui::RunUntilIdle();
    EXPECT_EQ(dlg.draws, draws + 1);
}

TEST_F(DialogTest, ModalDialogsAnswerFromTheScript) {
    {
        TestDlg dlg;
        ui::OnNextModal([](CDialog& d) { ui::ClickControl(&d, IDOK); });
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_FALSE(dlg.IsWindow());
    }
    {
        // No handler: cancelled at once.
        TestDlg dlg;
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_EQ(dlg.inits, 1);
    }
    {
        // Keys: Escape cancels, Enter presses the default button.
        TestDlg a, b;
        ui::OnNextModal([](CDialog& d) { ui::Key(d.GetDlgItem(10), VK_ESCAPE); });
        EXPECT_EQ(a.DoModal(), IDCANCEL);
        ui::OnNextModal([](CDialog& d) { ui::Key(d.GetDlgItem(10), VK_RETURN); });
        EXPECT_EQ(b.DoModal(), IDOK);
    }
    {
        // A dialog that refuses OK stays open until the script runs dry.
        TestDlg dlg;
        dlg.refuseOk = true;
        int forced = ui::ForcedEnds();
        ui::OnNextModal([](CDialog& d) {
            ui::ClickControl(&d, IDOK);
            ui::Call([&d] { EXPECT_TRUE(d.IsWindowVisible()); });
        });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_EQ(ui::ForcedEnds(), forced + 1);
        EXPECT_TRUE(has(dlg.commands, IDOK, BN_CLICKED));
    }
    EXPECT_EQ(ui::ModalsRun(), (std::vector<UINT>{9101, 9101, 9101, 9101, 9101}));
}

TEST_F(DialogTest, ADialogMayGoAwayFromItsOwnControlsHandler) {
    auto* dlg = new TestDlg;
    ASSERT_TRUE(dlg->Create(9101));
    dlg->ShowWindow(SW_SHOW);
    bool gone = false;
    dlg->AddCommand(12, [&] {
        dlg->DestroyWindow();
        gone = true;
    });
    ui::ClickControl(dlg, 12);
    ui::Click(dlg, 5, 5);  // a step for a window that is no more
    ui::RunUntilIdle();
    EXPECT_TRUE(gone);
    EXPECT_FALSE(dlg->IsWindow());
    delete dlg;
}

TEST_F(DialogTest, StepsAfterAModalDialogWaitForIt) {
    // A click opens a dialog; the handler's steps run inside it, the rest of the script after.
    TestDlg dlg;
    ASSERT_TRUE(dlg.Create(9101));
    dlg.ShowWindow(SW_SHOW);
    std::vector<std::string> order;
    dlg.AddCommand(12, [&] {
        order.push_back("open");
        TestDlg inner;
        ui::OnNextModal([&](CDialog& d) {
            order.push_back("handler");
            ui::Call([&] { order.push_back("inside"); });
            ui::ClickControl(&d, IDOK);
        });
        order.push_back(inner.DoModal() == IDOK ? "ok" : "cancel");
    });
    ui::ClickControl(&dlg, 12);
    ui::Call([&] { order.push_back("after"); });
    ui::RunUntilIdle();
    EXPECT_EQ(order, (std::vector<std::string>{"open", "handler", "inside", "ok", "after"}));
}

}  // namespace

namespace {

TEST(EditSelectionTest, AMultiLineFieldSelectsByTheProgramsByteOffsets) {
    // The program's text holds a line break as "\r\n" and a Chinese character as two bytes; the
    // field holds each as one character. Offsets go both ways by the program's bytes.
    ui::Session session;
    fw::resourcetest::SetText("dialogs", 9102, "dialog 9102 100 60\nedit 5 4 4 90 50 multiline readonly vscroll\n");
    CDialog dlg;
    ASSERT_TRUE(dlg.Create(9102));
    auto* edit = static_cast<CEdit*>(dlg.GetDlgItem(5));
    const std::string text = "ab\r\n" + fw::FromUtf8("曲") + "c\r\n";
    edit->SetWindowText(text.c_str());
    struct Case {
        int start, end, wantStart, wantEnd;
    } cases[] = {{4, 6, 4, 6}, {2, 4, 2, 4}, {0, -1, 0, int(text.size())}, {int(text.size()), int(text.size()), int(text.size()), int(text.size())}};
    for (const Case& c : cases) {
        edit->SetSel(c.start, c.end);
        int a = -1, b = -1;
        edit->GetSel(a, b);
        EXPECT_EQ(a, c.wantStart) << c.start << "-" << c.end;
        EXPECT_EQ(b, c.wantEnd) << c.start << "-" << c.end;
    }
    dlg.DestroyWindow();
    fw::resourcetest::Clear();
}

}  // namespace
