// The dialog base: numeric and measure fields, the dispatch of control actions, keys and
// scroll bars, the growing tables, the tick, dragging a numeric edit field, and the progress
// dialog.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "UiBaseFixture.h"
#include "framework/Controls.h"
#include "framework/Input.h"
#include "framework/MessageBox.h"
#include "platform/DlgEdit.h"
#include "platform/Numeric.h"
#include "platform/PlatformGlobals.h"
#include "platform/StdDlg.h"

namespace {

constexpr UINT kProbeTemplate = 9001;
constexpr UINT kManyTemplate = 9002;
constexpr UINT kProgressTemplate = 9003;

const char* const kProbeText = R"(dialog 9001 220 160
caption "Probe"
edit 10 10 10 40 12
edit 11 10 26 40 12
edit 12 10 42 40 12
ownerstatic 21 60 40 30 20
vscroll 30 100 10 10 60
list 60 120 10 60 40
defbutton 1 110 130 40 14 "OK"
button 2 160 130 40 14 "Cancel"
)";

// A dialog that records what reaches its hooks.
class ProbeDlg : public CStdDlg {
public:
    std::vector<int> controls;
    std::vector<UINT> keys;
    std::vector<std::pair<int, int>> scrollSets;
    std::vector<int> numericValues;
    int ticks = 0;
    bool vetoOk = false;
    bool takeKeys = true;
    std::function<void(ProbeDlg&)> init;

    void InitControls() override {
        if (init) init(*this);
    }
    void OnControl(int id) override {
        controls.push_back(id);
        if (id == IDOK && vetoOk) {
            vetoOk = false;
            CStdDlg::OnControl(0);  // refuses OK
            return;
        }
        CStdDlg::OnControl(id);
    }
    bool OnKey(UINT key, UINT) override {
        keys.push_back(key);
        return takeKeys;
    }
    bool OnTick() override {
        ++ticks;
        return false;
    }
    void OnNumericValue(int v) override { numericValues.push_back(v); }
    void SetScrollPos(int id, int pos) override {
        scrollSets.emplace_back(id, pos);
        CStdDlg::SetScrollPos(id, pos);
    }
};

class DialogBaseTest : public UiBaseTest {
protected:
    void SetUp() override {
        UiBaseTest::SetUp();
        SetTemplate(kProbeTemplate, kProbeText);
    }
    void TearDown() override {
        dlg.DestroyWindow();
        UiBaseTest::TearDown();
    }
    void Open() {
        ASSERT_TRUE(dlg.Create(kProbeTemplate, &host));
        dlg.ShowWindow(SW_SHOW);
        fw::uitest::RunUntilIdle();
    }
    std::string Text(int id) {
        char buf[64];
        dlg.GetText(id, buf);
        return buf;
    }
    ProbeDlg dlg;
};

}  // namespace

TEST_F(DialogBaseTest, NumericFieldsWriteAndReadTheirFormats) {
    Open();
    dlg.SetupNumericField(10, CStdDlg::kFormatTenths, 37, 0, 1000, false);
    EXPECT_EQ(Text(10), "3.7");
    EXPECT_EQ(dlg.GetNumericField(10), 37);
    dlg.SetText(10, ".");
    EXPECT_EQ(dlg.GetNumericField(10), 0);
    EXPECT_EQ(Text(10), "0.");
    dlg.SetupNumericField(10, CStdDlg::kFormatTenths, 5000, 0, 100, false);
    EXPECT_EQ(Text(10), "500.0");  // decimals are written unclamped, read clamped
    EXPECT_EQ(dlg.GetNumericField(10), 100);

    const struct {
        const char* text;
        int value;
    } hundredths[] = {{"1.5", 150}, {"1.234", 123}, {"007.1", 710}, {"2x5", 200}, {"", 0}, {"99.99", 5000}, {".", 0}};
    dlg.SetupNumericField(11, CStdDlg::kFormatHundredths, 0, 0, 5000, false);
    for (const auto& c : hundredths) {
        dlg.SetText(11, c.text);
        EXPECT_EQ(dlg.GetNumericField(11), c.value) << c.text;
    }

    dlg.SetupNumericField(11, CStdDlg::kFormatInteger, 500, 0, 99, false);
    EXPECT_EQ(Text(11), "99");
    EXPECT_TRUE(dlg.IsFieldOutOfRange(11, 0, 50));
    EXPECT_FALSE(dlg.IsFieldOutOfRange(11, 0, 99));
    // A control that is no numeric field reads as its plain integer, unclamped.
    dlg.SetText(12, "12345");
    EXPECT_EQ(dlg.GetNumericField(12), 12345);
}

TEST_F(DialogBaseTest, TheMinimumCanShowAsAnEmptyField) {
    Open();
    dlg.SetupNumericField(11, CStdDlg::kFormatInteger, 5, 5, 50, true);
    EXPECT_EQ(Text(11), "");
    EXPECT_EQ(dlg.GetNumericField(11), 5);
    dlg.SetupNumericField(11, CStdDlg::kFormatInteger, 7, 5, 50, true);
    EXPECT_EQ(Text(11), "7");
    EXPECT_EQ(dlg.NumericCount(), 1);  // set up again, not added again
}

TEST_F(DialogBaseTest, NoteFieldsShowNamesAndAnEmptyFieldForNone) {
    ResetPlatformGlobals();
    Open();
    dlg.SetupNumericField(10, CStdDlg::kFormatNoteName, 60, 0, 127, false);
    EXPECT_EQ(Text(10), "C4");
    EXPECT_EQ(dlg.GetNumericField(10), 60);
    dlg.SetNoteField(10, -1);
    EXPECT_EQ(Text(10), "");
    EXPECT_EQ(dlg.GetNoteField(10), -1);
}

TEST_F(DialogBaseTest, MeasureFieldsReadBackWhatTheyShow) {
    Open();
    for (bool metric : {false, true}) {
        g_platform.metricUnits = metric;
        for (int twips : {0, 1, 37, 720, 1000, 1440, 2881, 14399}) {
            SCOPED_TRACE(std::to_string(twips) + (metric ? " cm" : " in"));
            dlg.SetupMeasureField(10, twips, 0, 20000);
            const std::string shown = Text(10);
            const int back = dlg.GetMeasureField(10);
            dlg.SetupMeasureField(10, back, 0, 20000);
            EXPECT_EQ(Text(10), shown);
        }
    }
    g_platform.metricUnits = false;
    dlg.SetupMeasureField(10, 1440, 0, 20000);
    EXPECT_EQ(Text(10), "1.00");
    EXPECT_EQ(dlg.GetMeasureField(10), 1440);
}

TEST_F(DialogBaseTest, OkEndsTheDialogUnlessTheDialogRefusesIt) {
    fw::uitest::OnNextModal([](CDialog& d) { fw::uitest::ClickControl(&d, IDOK); });
    EXPECT_TRUE(dlg.RunModal(kProbeTemplate));
    EXPECT_EQ(dlg.controls, std::vector<int>{IDOK});

    ProbeDlg refusing;
    refusing.vetoOk = true;
    fw::uitest::OnNextModal([](CDialog& d) {
        fw::uitest::ClickControl(&d, IDOK);
        fw::uitest::ClickControl(&d, IDCANCEL);
    });
    EXPECT_FALSE(refusing.RunModal(kProbeTemplate));
    EXPECT_EQ(refusing.controls, (std::vector<int>{IDOK, IDCANCEL}));
    EXPECT_EQ(fw::uitest::ForcedEnds(), 0);
}

TEST_F(DialogBaseTest, ARightClickOnAnOwnerDrawnControlActsAsALeftClick) {
    dlg.init = [](ProbeDlg& d) { d.AddDrawnControl(21, 0); };
    Open();
    fw::uitest::ClickControl(&dlg, 21, fw::uitest::kRight);
    fw::uitest::RunUntilIdle();
    EXPECT_EQ(dlg.controls, std::vector<int>{21});
    EXPECT_EQ(g_ui.clickCount, 1);
}

TEST_F(DialogBaseTest, ListSelectionsAndDoubleClicksAreControlActions) {
    Open();
    auto* list = dynamic_cast<CListBox*>(dlg.GetDlgItem(60));
    ASSERT_NE(list, nullptr);
    for (const char* t : {"a", "b", "c"}) list->AddString(t);
    RECT r;
    list->GetItemRect(1, &r);
    fw::uitest::Click(list, r.left + 5, (r.top + r.bottom) / 2);
    fw::uitest::RunUntilIdle();
    ASSERT_FALSE(dlg.controls.empty());
    EXPECT_EQ(dlg.controls.back(), 60);  // the selection change
    const std::size_t before = dlg.controls.size();
    fw::uitest::Click(list, r.left + 5, (r.top + r.bottom) / 2, fw::uitest::kLeft, fw::uitest::kNone, 2);
    fw::uitest::RunUntilIdle();
    EXPECT_EQ(g_ui.clickCount, 2);
    ASSERT_GT(dlg.controls.size(), before);
    EXPECT_EQ(dlg.controls.back(), 60);
}

TEST_F(DialogBaseTest, KeysArriveAsProgramKeyCodes) {
    Open();
    CWnd* edit = dlg.GetDlgItem(12);
    fw::uitest::Key(edit, VK_RETURN, fw::uitest::kNone, true);
    fw::uitest::Key(edit, VK_RETURN);
    for (int vk : {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_DELETE}) fw::uitest::Key(edit, vk);
    fw::uitest::RunUntilIdle();
    EXPECT_EQ(dlg.keys, (std::vector<UINT>{3, 13, 28, 29, 30, 31, 127}));
    EXPECT_TRUE(dlg.IsWindowVisible());  // the handled Enter did not end the dialog

    // While an in-place edit box is open the arrows stay with it.
    dlg.keys.clear();
    CEditBox box;
    ASSERT_TRUE(box.Create(&dlg, 99, RECT{10, 100, 80, 116}));
    dlg.activeEditBox = &box;
    fw::uitest::Key(edit, VK_LEFT);
    fw::uitest::RunUntilIdle();
    EXPECT_TRUE(dlg.keys.empty());
    dlg.activeEditBox = nullptr;
}

TEST_F(DialogBaseTest, TypedKeysGoToTheCurrentNumericField) {
    Open();
    auto* popup = new CDlgNumeric;
    popup->Init(5, 0, 99, RECT{10, 10, 50, 24}, nullptr);
    popup->Attach(&dlg, 10);
    popup->shownValue = 5;
    g_ui.currentNumeric = popup;
    CWnd* edit = dlg.GetDlgItem(12);
    fw::uitest::Type(edit, "42");
    fw::uitest::Key(edit, VK_ESCAPE);  // ends the entry; the dialog's Escape then cancels
    fw::uitest::RunUntilIdle();
    EXPECT_EQ(dlg.numericValues, std::vector<int>{42});
    EXPECT_EQ(dlg.activeNumeric, nullptr);
    EXPECT_EQ(g_ui.currentNumeric, nullptr);
    EXPECT_TRUE(dlg.keys.empty());
}

TEST_F(DialogBaseTest, ScrollBarsMoveThroughTheSetPositionHookOnlyOnChange) {
    Open();
    dlg.SetScrollRange(30, 0, 10);
    dlg.SetScrollPos(30, 10);
    dlg.scrollSets.clear();
    CWnd* bar = dlg.GetDlgItem(30);
    auto send = [&](UINT code, int pos) { dlg.SendMessage(WM_VSCROLL, MAKEWPARAM(code, pos), LPARAM(bar)); };
    send(SB_LINEDOWN, 0);  // at the maximum already
    send(SB_LINEUP, 0);
    send(SB_THUMBTRACK, 5);
    send(SB_THUMBTRACK, 5);
    send(SB_THUMBPOSITION, 50);
    send(SB_ENDSCROLL, 0);
    EXPECT_EQ(dlg.scrollSets, (std::vector<std::pair<int, int>>{{30, 9}, {30, 5}, {30, 10}}));
    EXPECT_EQ(dlg.exitCode, 30);
}

TEST_F(DialogBaseTest, TypingInAnEditFieldIsAControlActionButNotWhileInitialising) {
    dlg.init = [](ProbeDlg& d) { d.SetText(12, "init"); };
    dlg.takeKeys = false;
    Open();
    EXPECT_TRUE(dlg.controls.empty());
    fw::uitest::Type(dlg.GetDlgItem(12), "x");
    fw::uitest::RunUntilIdle();
    ASSERT_FALSE(dlg.controls.empty());
    EXPECT_EQ(dlg.controls.back(), 12);
}

TEST_F(DialogBaseTest, TheTickComesEverySixtyMilliseconds) {
    Open();
    EXPECT_EQ(fw::uitest::TimerInterval(&dlg, 2), 60u);
    EXPECT_TRUE(fw::uitest::FireTimer(&dlg, 2));
    EXPECT_EQ(dlg.ticks, 1);
    dlg.DestroyWindow();
    EXPECT_EQ(fw::uitest::TimerInterval(&dlg, 2), 0u);
}

TEST_F(DialogBaseTest, TheTablesGrowPastTheirOldLimits) {
    std::string text = "dialog 9002 300 300\n";
    for (int i = 0; i < 40; ++i)
        text += "edit " + std::to_string(100 + i) + " " + std::to_string(5 + (i % 8) * 35) + " " +
                std::to_string(5 + (i / 8) * 16) + " 30 12\n";
    SetTemplate(kManyTemplate, text);
    ASSERT_TRUE(dlg.Create(kManyTemplate, &host));
    for (int i = 0; i < 40; ++i) dlg.SetupNumericField(100 + i, CStdDlg::kFormatInteger, i, 0, 100, false);
    for (int i = 0; i < 400; ++i) dlg.AddDrawnControl(1000 + i, i & 1);
    dlg.AddDrawnControl(1000, 1);  // listed once only
    for (int i = 0; i < 40; ++i) dlg.SetSliderPos(2000 + i, 0);
    dlg.SetSliderPos(2000, 1);
    EXPECT_EQ(dlg.NumericCount(), 40);
    EXPECT_EQ(dlg.DrawnCount(), 400);
    EXPECT_EQ(dlg.SliderCount(), 40);
    EXPECT_EQ(dlg.FindNumericField(139), 39);
    EXPECT_EQ(dlg.GetNumericField(139), 39);
    EXPECT_EQ(dlg.drawnControls[399].id, 1399);
}

TEST_F(DialogBaseTest, DraggingANumericEditFieldRewritesItsValue) {
    dlg.init = [](ProbeDlg& d) { d.SetupNumericField(10, CStdDlg::kFormatInteger, 50, 0, 100, false); };
    Open();
    CWnd* edit = dlg.GetDlgItem(10);
    fw::uitest::Press(edit, 20, 8);
    fw::uitest::Move(edit, 20, 6);  // straight up: a drag of the value
    fw::uitest::Move(edit, 21, 4);
    fw::uitest::Move(edit, 20, 4);
    fw::uitest::Release(edit, 20, 4);
    fw::uitest::RunUntilIdle();
    EXPECT_EQ(Text(10), "52");
    EXPECT_EQ(dlg.GetNumericField(10), 52);
    ASSERT_FALSE(dlg.controls.empty());
    EXPECT_EQ(dlg.controls.back(), 10);
    EXPECT_EQ(dlg.activeNumeric, nullptr);

    dlg.controls.clear();
    fw::uitest::Click(edit, 20, 8);  // a plain click places the caret and reports the field
    fw::uitest::RunUntilIdle();
    EXPECT_EQ(Text(10), "52");
    EXPECT_EQ(dlg.controls, std::vector<int>{10});
    EXPECT_EQ(dlg.exitCode, 10);
}

TEST_F(DialogBaseTest, AProgressDialogStepsUntilCancelIsHeld) {
    SetTemplate(kProgressTemplate, R"(dialog 9003 160 60
label 3 5 5 150 9 ""
label 4 5 16 150 9 ""
progress 5 5 28 150 10
button 2 55 42 50 14 "Cancel"
)");
    CProgressDlg progress;
    ASSERT_TRUE(progress.Open(kProgressTemplate));
    EXPECT_EQ(CProgressDlg::Current(), &progress);
    progress.SetRange(0, 10);
    progress.SetMessageInt(7);
    EXPECT_TRUE(progress.Step());
    EXPECT_TRUE(CProgressDlg::StepCurrent());
    CWnd* cancel = progress.GetDlgItem(IDCANCEL);
    fw::uitest::Press(cancel, 10, 5);
    fw::uitest::RunUntilIdle();
    EXPECT_FALSE(progress.Step());
    fw::uitest::Release(cancel, 10, 5);
    fw::uitest::RunUntilIdle();
    progress.Close();
    EXPECT_EQ(CProgressDlg::Current(), nullptr);
    EXPECT_TRUE(CProgressDlg::StepCurrent());
}
