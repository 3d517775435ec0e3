// What the desktop hands a window and what it does for a program: files dropped on a window
// (over its controls too), the context menu a right click asks for, a link's click, an address
// opened with the desktop's handler, and the local date and time a test can fix.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Clock.h"
#include "framework/CodePage.h"
#include "framework/Dialog.h"
#include "framework/Menu.h"
#include "framework/Resources.h"
#include "framework/Shell.h"
#include "framework/UiTest.h"

namespace {

namespace ui = fw::uitest;

// Template 9201 of these tests: an edit field, a label, a link and a read-only log.
const char* const kTemplate = R"(dialog 9201 200 100
caption "Drops"
font 9 "宋体"
label -1 4 4 60 10 "Path:"
edit 10 4 16 150 12
link 11 4 34 120 9 "https://example.org/page"
edit 12 4 48 190 40 multiline readonly vscroll
label 13 160 4 36 9 "plain"
)";

class DropDlg : public CDialog {
public:
    explicit DropDlg(bool accept) : CDialog(9201), accept_(accept) {}
    std::vector<std::vector<std::string>> drops;  // each drop's paths, as DragQueryFile gives them
    std::vector<std::pair<int, POINT>> menus;     // the control id (0: the dialog) the menu was asked over, where
    std::vector<int> clicks;                      // STN_CLICKED from these controls

protected:
    BOOL OnInitDialog() override {
        if (accept_) DragAcceptFiles(TRUE);
        return CDialog::OnInitDialog();
    }
    void OnDropFiles(HDROP drop) override {
        std::vector<std::string> paths;
        const UINT count = DragQueryFile(drop, 0xFFFFFFFFu, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            std::string path(DragQueryFile(drop, i, nullptr, 0) + 1, '\0');
            const UINT got = DragQueryFile(drop, i, path.data(), UINT(path.size()));
            path.resize(got);
            paths.push_back(path);
        }
        EXPECT_EQ(DragQueryFile(drop, count, nullptr, 0), 0u) << "past the last file";
        drops.push_back(paths);
        DragFinish(drop);
    }
    void OnContextMenu(CWnd* wnd, POINT at) override { menus.emplace_back(wnd == this ? 0 : wnd->GetDlgCtrlID(), at); }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        if (HIWORD(DWORD(wParam)) == STN_CLICKED && LOWORD(DWORD(wParam)) >= 11) clicks.push_back(LOWORD(DWORD(wParam)));
        return CDialog::OnCommand(wParam, lParam);
    }

private:
    bool accept_;
};

struct DesktopTest : ::testing::Test {
    void SetUp() override {
        fw::resourcetest::SetText("dialogs", 9201, kTemplate);
        session = std::make_unique<ui::Session>();
    }
    void TearDown() override {
        session.reset();
        fw::resourcetest::Clear();
    }
    std::unique_ptr<ui::Session> session;
};

TEST_F(DesktopTest, FilesDroppedOnAWindowThatTakesThemReachItOverItsControlsToo) {
    const std::vector<std::string> files = {"/tmp/a score.zel", fw::FromUtf8("/tmp/曲谱/第二.zel")};
    DropDlg dlg(true);
    std::string field;
    ui::OnNextModal([&](CDialog& d) {
        ui::DropFiles(&d, 2, 2, files);                     // the dialog itself
        ui::DropFiles(d.GetDlgItem(10), 3, 3, {files[1]});  // an edit field, which would take text
        ui::DropFiles(d.GetDlgItem(12), 3, 3, files);       // a read-only edit
        ui::Call([&] { field = d.GetDlgItem(10)->GetWindowText(); });
        ui::Call([&] { d.EndDialog(IDOK); });
    });
    dlg.DoModal();
    EXPECT_EQ(dlg.drops, (std::vector<std::vector<std::string>>{files, {files[1]}, files}));
    EXPECT_EQ(field, "") << "the edit field took no text of the drop";
}

TEST_F(DesktopTest, AWindowThatDoesNotTakeFilesGetsNoDrop) {
    DropDlg dlg(false);
    ui::OnNextModal([&](CDialog& d) {
        ui::DropFiles(&d, 2, 2, {"/tmp/x.zel"});
        ui::Call([&] { d.EndDialog(IDOK); });
    });
    dlg.DoModal();
    EXPECT_TRUE(dlg.drops.empty());
    EXPECT_EQ(dlg.GetExStyle() & WS_EX_ACCEPTFILES, 0u);
}

TEST_F(DesktopTest, DragQueryFileCutsWithoutSplittingACharacter) {
    // A drop's path cut to a small buffer keeps whole double-byte characters.
    std::vector<std::string> cut;
    class Cutting : public DropDlg {
    public:
        using DropDlg::DropDlg;
        std::vector<std::string>* out = nullptr;
        void OnDropFiles(HDROP drop) override {
            for (UINT size : {1u, 3u, 4u, 5u, 100u}) {
                char buffer[100] = {};
                const UINT n = DragQueryFile(drop, 0, buffer, size);
                out->push_back(std::string(buffer, n));
            }
        }
    } cutting(true);
    cutting.out = &cut;
    const std::string path = fw::FromUtf8("/曲谱");  // "/" and two double-byte characters
    ui::OnNextModal([&](CDialog& d) {
        ui::DropFiles(&d, 2, 2, {path});
        ui::Call([&] { d.EndDialog(IDOK); });
    });
    cutting.DoModal();
    EXPECT_EQ(cut, (std::vector<std::string>{"", "/", path.substr(0, 3), path.substr(0, 3), path}));
}

TEST_F(DesktopTest, ARightClickAsksTheWindowForItsContextMenuThroughItsParents) {
    DropDlg dlg(true);
    POINT where{};
    ui::OnNextModal([&](CDialog& d) {
        ui::Click(&d, 5, 5, ui::kRight);
        // Over a label: the label has no menu of its own and passes the question on.
        ui::Click(d.GetDlgItem(13), 2, 2, ui::kRight);
        ui::Call([&] {
            POINT p{5, 5};
            d.ClientToScreen(&p);
            where = p;
            d.EndDialog(IDOK);
        });
    });
    dlg.DoModal();
    ASSERT_EQ(dlg.menus.size(), 2u);
    EXPECT_EQ(dlg.menus[0].first, 0);
    EXPECT_EQ(dlg.menus[0].second.x, where.x);
    EXPECT_EQ(dlg.menus[0].second.y, where.y);
}

TEST_F(DesktopTest, ALinkShowsItsAddressAndTellsItsClick) {
    DropDlg dlg(false);
    std::string text;
    ui::OnNextModal([&](CDialog& d) {
        ui::ClickControl(&d, 11);
        ui::Call([&] {
            text = d.GetDlgItem(11)->GetWindowText();
            d.EndDialog(IDOK);
        });
    });
    dlg.DoModal();
    EXPECT_EQ(dlg.clicks, std::vector<int>{11});
    EXPECT_EQ(text, "https://example.org/page");
}

TEST(Shell, OpensAddressesAndFilesWithTheDesktopsHandler) {
    fw::shelltest::Capture capture;
    EXPECT_GT(ShellExecute(nullptr, "open", "https://example.org/a b", nullptr, nullptr, 1), 32);
    EXPECT_GT(ShellExecute(nullptr, nullptr, "/tmp", nullptr, nullptr, 1), 32);
    EXPECT_EQ(ShellExecute(nullptr, "open", "/no/such/file.zel", nullptr, nullptr, 1), SE_ERR_FNF);
    EXPECT_EQ(ShellExecute(nullptr, "print", "https://example.org", nullptr, nullptr, 1), SE_ERR_NOASSOC);
    EXPECT_EQ(ShellExecute(nullptr, "open", "", nullptr, nullptr, 1), SE_ERR_NOASSOC);
    EXPECT_EQ(capture.opened(), (std::vector<std::string>{"https://example.org/a%20b", "file:///tmp"}));
}

TEST(LocalTime, ATestFixesTheDateAndTimeUntilItLetsGo) {
    SYSTEMTIME fixed;
    fixed.wYear = 2031;
    fixed.wMonth = 12;
    fixed.wDay = 31;
    fixed.wHour = 23;
    fixed.wMinute = 59;
    fixed.wSecond = 59;
    fw::clocktest::FixLocalTime(fixed);
    SYSTEMTIME now;
    fw::GetLocalTime(&now);
    EXPECT_EQ(now.wYear, 2031);
    EXPECT_EQ(now.wSecond, 59);
    fw::clocktest::Reset();
    fw::GetLocalTime(&now);
    EXPECT_GE(now.wYear, 2024);
    EXPECT_GE(now.wMonth, 1);
    EXPECT_LE(now.wMonth, 12);
    EXPECT_GE(now.wDay, 1);
    EXPECT_LE(now.wHour, 23);
}

}  // namespace
