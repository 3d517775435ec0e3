// The About box: its texts from the program's version block (and the defaults without one), the
// patch number while Shift is held, its background, and Help > About in the running program.
#include <gtest/gtest.h>

#include <signal.h>

#include <string>
#include <vector>

#include "app/AboutDlg.h"
#include "app/AppGlobals.h"
#include "framework/App.h"
#include "framework/CodePage.h"
#include "framework/Globals.h"
#include "framework/Input.h"
#include "framework/Menu.h"
#include "framework/MessageBox.h"
#include "framework/UiTest.h"
#include "framework/Window.h"
#include "platform/RvqUtil.h"
#include "support/RunningApp.h"
#include "support/TempHome.h"
#include "support/TestData.h"

namespace {

class AboutDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        fw::ResetAllGlobals();
        fw::EnsureGraphics();
    }
    void TearDown() override { fw::ResetAllGlobals(); }
    testsupport::TempHome home;
};

TEST_F(AboutDlgTest, TextsComeFromTheVersionBlockElseTheDefaults) {
    const VersionInfo own;
    EXPECT_EQ(CAboutDlg::ProductLine(own), "Zelmarin for Linux 4.1.0");
    EXPECT_EQ(CAboutDlg::PatchText(own), "Patch 25");
    EXPECT_FALSE(CAboutDlg::LegalNotice(own).empty());

    const VersionInfo none(nullptr, 0);
    EXPECT_TRUE(none.IsEmpty());
    EXPECT_EQ(CAboutDlg::ProductLine(none), "Zelmarin for Windows 4.1.0");
    EXPECT_EQ(CAboutDlg::PatchText(none), "");

    // Empty values take the defaults one by one; a file version of three numbers has no patch.
    const VersionInfo::Value partial[] = {{"ProductName", ""}, {"ProductVersion", "5.0"}, {"FileVersion", "5,0,1"}};
    const VersionInfo some(partial, 3);
    EXPECT_EQ(CAboutDlg::ProductLine(some), "Zelmarin for Windows 5.0");
    EXPECT_EQ(CAboutDlg::PatchText(some), "");

    // A value longer than the buffer is cut and still ends.
    char small[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
    ASSERT_TRUE(own.Query("ProductName", small, sizeof small));
    EXPECT_STREQ(small, "Zelma");
    EXPECT_FALSE(own.Query("Comments", small, sizeof small));
}

// The box as it shows, drawn into a picture.
void Shot(CAboutDlg& dlg, const std::string& path, CBitmap& picture) {
    dlg.Invalidate();
    EXPECT_TRUE(dlg.SaveImage(path));
    EXPECT_TRUE(picture.LoadFile(path));
}

TEST_F(AboutDlgTest, ShiftShowsThePatchNumberAndTheBackgroundShadesBelowTheWhiteTop) {
    fw::inputtest::Script keys;
    CAboutDlg dlg;
    ASSERT_TRUE(dlg.Create(CAboutDlg::kTemplateId, nullptr));
    dlg.ShowWindow(SW_SHOW);
    fw::PumpMessages();
    EXPECT_EQ(dlg.GetDlgItem(CAboutDlg::kProductLine)->GetWindowText(), "Zelmarin for Linux 4.1.0");
    EXPECT_EQ(fw::ToUtf8(dlg.GetDlgItem(CAboutDlg::kLegalNotice)->GetWindowText()), CAboutDlg::LegalNotice(VersionInfo()));

    const std::string dir = home.root();
    CBitmap plain, shifted, again;
    Shot(dlg, dir + "/plain.png", plain);
    keys.SetDown(VK_SHIFT, true);
    Shot(dlg, dir + "/shift.png", shifted);
    keys.SetDown(VK_SHIFT, false);
    Shot(dlg, dir + "/again.png", again);
    EXPECT_GT(plain.CountDifferences(shifted, 16), 20) << "the patch number shows while Shift is held";
    EXPECT_EQ(plain.CountDifferences(again, 0), 0) << "and goes when it is released";

    // White above the white area's bottom edge; the bottom row shades to (128, 128, 200).
    RECT white;
    dlg.GetDlgItem(CAboutDlg::kWhiteArea)->GetWindowRect(&white);
    dlg.ScreenToClient(&white);
    RECT client;
    dlg.GetClientRect(&client);
    EXPECT_EQ(plain.GetPixel(2, 2), RGB(255, 255, 255));
    EXPECT_EQ(plain.GetPixel(2, white.bottom - 1), RGB(255, 255, 255));
    const COLORREF bottom = plain.GetPixel(2, client.bottom - 1);
    EXPECT_NEAR(GetRValue(bottom), 128, 3);
    EXPECT_NEAR(GetGValue(bottom), 128, 3);
    EXPECT_NEAR(GetBValue(bottom), 200, 3);
    const COLORREF middle = plain.GetPixel(2, (white.bottom + client.bottom) / 2);
    EXPECT_GT(GetRValue(middle), 128);
    EXPECT_LT(GetRValue(middle), 255);
    dlg.DestroyWindow();
}

TEST_F(AboutDlgTest, HelpAboutRunsTheBoxInTheRunningProgram) {
    ASSERT_TRUE(SaveRegDword("Preferences\\Auto Flags", "New Dialog", 0));
    fw::msgboxtest::Capture boxes;
    for (int i = 0; i < 4; ++i) boxes.Answer(IDNO);
    testsupport::RunningApp app;
    std::string shown;
    app.whileRunning = [&] {
        auto* frame = static_cast<CFrameWnd*>(app.m_pMainWnd);
        ASSERT_NE(frame, nullptr);
        fw::uitest::RunUntilIdle();
        fw::uitest::OnNextModal([&](CDialog& d) {
            if (CWnd* line = d.GetDlgItem(CAboutDlg::kProductLine)) shown = line->GetWindowText();
            d.EndDialog(IDOK);
        });
        const fw::MenuBarEntryState state = fw::ChooseFromMenuBar(frame, 57664);
        EXPECT_TRUE(state.enabled);
        fw::uitest::RunUntilIdle();
        const std::vector<UINT>& modals = fw::uitest::ModalsRun();
        ASSERT_FALSE(modals.empty());
        EXPECT_EQ(modals.back(), CAboutDlg::kTemplateId);
    };
    fw::uitest::Session session;
    testsupport::RunProgram(app, {testsupport::TestDataPath("edit/mixed.zel")});
    ASSERT_TRUE(app.started);
    EXPECT_EQ(shown, "Zelmarin for Linux 4.1.0");
}

}  // namespace
