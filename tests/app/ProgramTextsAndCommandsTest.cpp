// What the running program shows and offers: no command that does nothing (an operation the
// command table names but the program lacks is greyed and listed once), printing to a PDF file
// from the print dialog, every text of menus, tool tips, window titles and undo labels in the
// program's language, and the score view's scroll bars above its pages at any zoom.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "app/AppGlobals.h"
#include "app/MainFrame.h"
#include "app/ZelApp.h"
#include "framework/App.h"
#include "framework/CodePage.h"
#include "framework/ControlBar.h"
#include "framework/Dialog.h"
#include "framework/FileDialog.h"
#include "framework/Gdi.h"
#include "framework/Globals.h"
#include "framework/CmdUI.h"
#include "framework/Menu.h"
#include "framework/MessageBox.h"
#include "framework/ToolBar.h"
#include "framework/UiTest.h"
#include "model/TaskMakers.h"
#include "model/ZelDoc.h"
#include "support/RunTool.h"
#include "support/RunningApp.h"
#include "support/TempHome.h"
#include "support/TestData.h"
#include "view/PagePane.h"
#include "view/ViewGlobals.h"
#include "view/ViewPrintDialog.h"
#include "view/ZelView.h"
#include "view/ZelWnd.h"

namespace {

class ProgramTextsTest : public ::testing::Test {
protected:
    void SetUp() override {
        fw::ResetAllGlobals();
        fw::EnsureGraphics();
    }
    void TearDown() override { fw::ResetAllGlobals(); }
    testsupport::TempHome home;
};

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

int PdfPages(const std::string& path) {
    const std::string s = FileBytes(path);
    int n = 0;
    for (std::size_t at = s.find("/Type /Page"); at != std::string::npos; at = s.find("/Type /Page", at + 1))
        n += s.compare(at, 12, "/Type /Pages") != 0;
    return n;
}

}  // namespace

// Every row of the document's command table names an operation that has a maker in the running
// program, or one on the one list of operations not built yet (and then not both); an entry of
// the menu bar whose operation is on that list is grey.
TEST_F(ProgramTextsTest, EveryCommandRowHasItsOperationOrIsListedAndAListedOneIsGrey) {
    std::vector<std::string> wrong, enabledListed;
    std::set<std::string> named;
    testsupport::RunOnScore([&](CFrameWnd* frame, CZelDoc* doc) {
        doc->location.insertionPlaced = 1;
        for (const CommandRow& row : CommandRows()) {
            named.insert(row.className);
            const bool listed = OperationNotYetBuilt(row.className);
            if (listed == HasTaskMaker(row.className))
                wrong.push_back(std::string(row.className) + (listed ? " is listed but has a maker" : " has no maker"));
            if (!listed) continue;
            for (int id = row.first; id <= row.last; ++id) {
                // The voices choose the current voice while nothing is selected.
                if (id >= 35900 && id <= 35907) continue;
                const fw::MenuBarEntryState entry = fw::ChooseFromMenuBar(frame, UINT(id), false);
                if (entry.found && entry.enabled) enabledListed.push_back(std::to_string(id));
                EXPECT_FALSE(CommandBuilt(id)) << id;
            }
        }
        // The application's commands whose windows or dialogs are not written yet are grey too.
        for (UINT id = 32800; id <= 37012; ++id) {
            if (!CZelApp::CommandNotYetBuilt(id)) continue;
            const fw::MenuBarEntryState entry = fw::ChooseFromMenuBar(frame, id, false);
            if (entry.found && entry.enabled) enabledListed.push_back(std::to_string(id));
        }
    });
    for (const std::string& listed : OperationsNotYetBuilt())
        if (!named.count(listed)) wrong.push_back(listed + " is listed but no row names it");
    EXPECT_TRUE(wrong.empty()) << ::testing::PrintToString(wrong);
    EXPECT_TRUE(enabledListed.empty()) << ::testing::PrintToString(enabledListed);
}

// File > Print offers "PDF 文件" beside the system's printers (chosen when there are none); OK
// asks for the file's name and writes the pages zelrender --pdf writes of the same score: as
// many pages, the same drawing calls.
TEST_F(ProgramTextsTest, PrintingToThePdfEntryWritesWhatZelrenderWrites) {
    const std::string score = testsupport::TestDataPath("edit/mixed.zel");
    const std::string ours = home.root() + "/printed.pdf", theirs = home.root() + "/zelrender.pdf";
    const std::string theirOps = home.root() + "/zelrender.ops";
    std::vector<std::string> calls;
    std::string pdfEntry;
    bool asked = false;
    testsupport::RunOnScore(
        [&](CFrameWnd* frame, CZelDoc*) {
            fw::filedialogtest::Script files;
            files.Answer(ours);
            fw::uitest::OnNextModal([&](CDialog& d) {
                const int n = int(d.SendDlgItemMessage(CMyPrintDialog::kPrinterList, CB_GETCOUNT));
                const int at = int(d.SendDlgItemMessage(CMyPrintDialog::kPrinterList, CB_GETCURSEL));
                char text[64] = {};
                if (at >= 0) d.SendDlgItemMessage(CMyPrintDialog::kPrinterList, CB_GETLBTEXT, WPARAM(at), LPARAM(text));
                pdfEntry = fw::ToUtf8(text);
                // The PDF file is the last entry; with no printer it is the chosen one already.
                d.SendDlgItemMessage(CMyPrintDialog::kPrinterList, CB_SETCURSEL, WPARAM(n - 1));
                fw::uitest::ClickControl(&d, IDOK);
            });
            g_view.pdfCalls = &calls;
            fw::ChooseFromMenuBar(frame, 57607);
            fw::uitest::RunUntilIdle();
            g_view.pdfCalls = nullptr;
            asked = files.asked().size() == 1;
        },
        "edit/mixed.zel");
    EXPECT_EQ(pdfEntry, "PDF 文件") << "the test machine has no printer, so the PDF file is chosen";
    EXPECT_TRUE(asked) << "the file's name is asked for";
    std::string log;
    ASSERT_EQ(testsupport::RunTool("zelrender", "'" + score + "' --pdf '" + theirs + "' --ops '" + theirOps + "'", &log), 0)
        << log;
    ASSERT_TRUE(std::filesystem::exists(ours));
    EXPECT_GE(PdfPages(ours), 1);
    EXPECT_EQ(PdfPages(ours), PdfPages(theirs));
    std::vector<std::string> expected;
    std::ifstream in(theirOps);
    for (std::string line; std::getline(in, line);) expected.push_back(line);
    EXPECT_EQ(calls.size(), expected.size());
    std::size_t first = 0;
    while (first < calls.size() && first < expected.size() && calls[first] == expected[first]) ++first;
    EXPECT_EQ(first, expected.size()) << "the drawing calls differ from call " << first << ": "
                                      << (first < calls.size() ? calls[first] : "(none)") << " against "
                                      << (first < expected.size() ? expected[first] : "(none)");
}

namespace {

// The words of Latin letters in a text that are not on the allowed list: key names, MIDI, JACK,
// PDF, the program's name and the score's file name.
std::vector<std::string> EnglishWords(const std::string& utf8) {
    static const std::set<std::string> allowed = {"MIDI", "JACK", "PDF", "Zelmarin", "Ctrl", "Shift", "Alt",
                                                  "Del", "Tab", "Esc", "mixed", "zel"};
    std::vector<std::string> out;
    std::string word;
    auto flush = [&] {
        if (word.size() >= 2 && !allowed.count(word)) out.push_back(word);
        word.clear();
    };
    for (char c : utf8) {
        if (std::isalpha(static_cast<unsigned char>(c)) && static_cast<unsigned char>(c) < 0x80)
            word += c;
        else
            flush();
    }
    flush();
    return out;
}

void CollectMenu(CFrameWnd* frame, CMenu* menu, const std::string& where, std::vector<std::pair<std::string, std::string>>& texts) {
    if (!menu) return;
    fw::UpdateMenuPopup(frame, menu);
    for (UINT i = 0; i < menu->GetMenuItemCount(); ++i) {
        CString text;
        menu->GetMenuString(i, text, MF_BYPOSITION);
        texts.emplace_back(where, fw::ToUtf8(text.c_str()));
        if (CMenu* sub = menu->GetSubMenu(int(i))) CollectMenu(frame, sub, where + "/" + fw::ToUtf8(text.c_str()), texts);
    }
}

}  // namespace

// Every text the program shows of itself is in its language: the menus (with the undo label
// after an operation and for every operation of the command table), the tool tips and titles of
// its bars and palettes, the window titles; and the platform's own dialogs load its Chinese
// translation.
TEST_F(ProgramTextsTest, MenusToolTipsTitlesAndUndoLabelsAreChinese) {
    std::vector<std::pair<std::string, std::string>> texts;  // where, text
    std::string fileDialogOpen;
    testsupport::RunOnScore([&](CFrameWnd* frame, CZelDoc* doc) {
        doc->location.insertionPlaced = 1;
        // An operation from the menu: its undo label.
        fw::ChooseFromMenuBar(frame, 33000);
        fw::uitest::RunUntilIdle();
        texts.emplace_back("undo after Insert Page", fw::ToUtf8(fw::ChooseFromMenuBar(frame, 57643, false).text));
        CollectMenu(frame, frame->GetMenu(), "menu", texts);
        for (const CommandRow& row : CommandRows()) {
            if (OperationNotYetBuilt(row.className)) continue;
            for (int id = row.first; id <= row.last; ++id) {
                const int name = row.commandId < 0 ? id : row.commandId;
                texts.emplace_back("undo label of " + std::to_string(id),
                                   fw::ToUtf8(UndoLabel(kUndoPrefix, name)));
            }
        }
        for (CControlBar* bar : frame->GetControlBars()) {
            texts.emplace_back("bar title", fw::ToUtf8(bar->GetWindowText()));
            if (auto* tools = dynamic_cast<CToolBar*>(bar))
                for (int i = 0; i < tools->GetCount(); ++i) {
                    texts.emplace_back("tool tip of " + fw::ToUtf8(bar->GetWindowText()), fw::ToUtf8(tools->GetToolTipText(i)));
                    texts.emplace_back("prompt of " + fw::ToUtf8(bar->GetWindowText()), fw::ToUtf8(tools->GetPromptText(i)));
                }
        }
        texts.emplace_back("main window", fw::ToUtf8(frame->GetWindowText()));
        if (CZelWnd* wnd = testsupport::ActiveScoreWindow()) texts.emplace_back("score window", fw::ToUtf8(wnd->GetWindowText()));
        fileDialogOpen = fw::StandardDialogText("QFileDialog", "&Open");
    });
    ASSERT_GT(texts.size(), 200u);
    std::vector<std::string> english;
    for (const auto& [where, text] : texts)
        for (const std::string& w : EnglishWords(text)) english.push_back(where + ": \"" + text + "\" (" + w + ")");
    EXPECT_TRUE(english.empty()) << english.size() << " texts in English, first: "
                                 << (english.empty() ? std::string() : english[0]) << "\n"
                                 << ::testing::PrintToString(english);
    EXPECT_TRUE(fw::InstallStandardDialogTranslation()) << "the platform's Chinese translation is installed";
    EXPECT_NE(fileDialogOpen, "&Open") << "the file dialog's buttons are translated";
}

// At 200 % the page panes lie under the view's scroll bars: a point on either bar is the view's
// (its bar), not a page's.
TEST_F(ProgramTextsTest, AtTwoHundredPercentTheScrollBarsStayAboveThePages) {
    CWnd* atRight = nullptr;
    CWnd* atBottom = nullptr;
    CWnd* view = nullptr;
    testsupport::RunOnScore([&](CFrameWnd* frame, CZelDoc*) {
        fw::ChooseFromMenuBar(frame, 38001);
        fw::uitest::RunUntilIdle();
        CZelWnd* wnd = testsupport::ActiveScoreWindow();
        ASSERT_TRUE(wnd);
        view = wnd->GetView();
        RECT r;
        view->GetWindowRect(&r);
        atRight = CWnd::WindowFromPoint(POINT{r.right - 4, (r.top + r.bottom) / 2});
        atBottom = CWnd::WindowFromPoint(POINT{(r.left + r.right) / 2, r.bottom - 4});
    });
    EXPECT_EQ(atRight, view) << "the vertical scroll bar is not painted over";
    EXPECT_EQ(atBottom, view) << "the horizontal scroll bar is not painted over";
}
