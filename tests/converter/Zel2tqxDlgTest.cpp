// The converter's window, used as a person uses it: a path typed, browsed for or dropped on the
// window, each button pressed, the log read, the links followed and the About box opened from
// the context menu, with a fixed clock.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ConverterFixtures.h"
#include "ScoreImage.h"
#include "converter/Conversion.h"
#include "converter/Zel2tqxDlg.h"
#include "framework/Clock.h"
#include "framework/CodePage.h"
#include "framework/FileDialog.h"
#include "framework/Input.h"
#include "framework/MessageBox.h"
#include "framework/Shell.h"
#include "framework/UiTest.h"
#include "support/TempHome.h"

namespace {

using namespace convertertest;
namespace ui = fw::uitest;

std::string Cp(const std::string& utf8) { return fw::FromUtf8(utf8); }

std::string TextOf(CWnd& d, int id) {
    CString text;
    d.GetDlgItemText(id, text);
    return text.str();
}

Bytes AMajorScore() {
    ScorePlan plan;
    plan.bars = 1;
    plan.tracks = {{0, 10, {}, {{0, 0, 3, {-1}, {69}}}}};  // A4 in A major
    return WriteScore(plan);
}

struct Zel2tqxDlgTest : ::testing::Test {
    testsupport::TempDir dir;
    std::unique_ptr<ui::Session> session;
    std::unique_ptr<fw::msgboxtest::Capture> boxes;
    std::unique_ptr<fw::shelltest::Capture> shell;
    std::unique_ptr<fw::filedialogtest::Script> files;

    void SetUp() override {
        SYSTEMTIME t;
        t.wYear = 2025;
        t.wMonth = 11;
        t.wDay = 2;
        t.wHour = 21;
        t.wMinute = 9;
        t.wSecond = 58;
        fw::clocktest::FixLocalTime(t);
        session = std::make_unique<ui::Session>();
        boxes = std::make_unique<fw::msgboxtest::Capture>();
        shell = std::make_unique<fw::shelltest::Capture>();
        files = std::make_unique<fw::filedialogtest::Script>();
    }
    void TearDown() override {
        files.reset();
        shell.reset();
        boxes.reset();
        session.reset();
        fw::clocktest::ReleaseLocalTime();
    }
    std::string Path(const std::string& name) const { return dir.path() + "/" + name; }

    // Runs the window: `steps` are scripted once it shows, then it is closed with Escape.
    void Run(const std::function<void(CDialog&)>& steps) {
        CZel2tqxDlg dialog;
        ui::OnNextModal([&](CDialog& d) {
            steps(d);
            ui::Key(&d, VK_ESCAPE);
        });
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
        EXPECT_EQ(ui::ForcedEnds(), 0) << "the script ran dry before the window closed";
    }
    // Types a path into the path field, replacing what it held.
    static void TypePath(CDialog& d, const std::string& path) {
        ui::Call([&d] { d.SetDlgItemText(CZel2tqxDlg::kPathField, ""); });
        ui::Type(d.GetDlgItem(CZel2tqxDlg::kPathField), path.c_str());
    }
};

TEST_F(Zel2tqxDlgTest, EachConversionButtonWritesItsCopyAndLogsALineAndClearEmptiesTheLog) {
    WriteFile(Path("song.zel"), AMajorScore());
    const std::string line = Cp("2025-11-02  21:09:58  转换成功!") + "\r\n";
    std::vector<std::string> logs;
    Run([&](CDialog& d) {
        TypePath(d, Path("song.zel"));
        ui::ClickControl(&d, CZel2tqxDlg::kMovableDoButton);
        ui::Call([&] { logs.push_back(TextOf(d, CZel2tqxDlg::kLogField)); });
        ui::ClickControl(&d, CZel2tqxDlg::kFixedDoButton);
        ui::Call([&] { logs.push_back(TextOf(d, CZel2tqxDlg::kLogField)); });
        ui::ClickControl(&d, CZel2tqxDlg::kClearButton);
        ui::Call([&] { logs.push_back(TextOf(d, CZel2tqxDlg::kLogField)); });
        ui::ClickControl(&d, CZel2tqxDlg::kMovableDoButton);
        ui::Call([&] {
            logs.push_back(TextOf(d, CZel2tqxDlg::kLogField));
            logs.push_back(static_cast<CZel2tqxDlg&>(d).LogText());
        });
    });
    EXPECT_EQ(logs, (std::vector<std::string>{line, line + line, "", line, line}));
    EXPECT_TRUE(boxes->shown().empty());
    EXPECT_EQ(ReadHeadShapes(ReadFile(Path("song_首调.zel"))), (HeadShapes{{{zel2tqx::kFilledCodes[0]}}}));
    EXPECT_EQ(ReadHeadShapes(ReadFile(Path("song_固定调.zel"))), (HeadShapes{{{zel2tqx::kFilledCodes[5]}}}));
}

TEST_F(Zel2tqxDlgTest, EveryConversionStartsFromAResetState) {
    // First a score in A major; then one without a staff chunk, whose track's key is C: its A4
    // is degree 6, not the 1 that A major would give it.
    WriteFile(Path("a.zel"), AMajorScore());
    ScoreImage bare(1, 1);
    const auto at = bare.Bar({NoteRecord(3, {{-1, 69}}), EndRecord()});
    WriteFile(Path("b.zel"), bare.bytes);
    Run([&](CDialog& d) {
        TypePath(d, Path("a.zel"));
        ui::ClickControl(&d, CZel2tqxDlg::kMovableDoButton);
        TypePath(d, Path("b.zel"));
        ui::ClickControl(&d, CZel2tqxDlg::kMovableDoButton);
    });
    const Bytes copy = ReadFile(Path("b_首调.zel"));
    ASSERT_EQ(copy.size(), bare.bytes.size());
    EXPECT_EQ(copy[at[0] + 20], zel2tqx::kFilledCodes[5]);
}

TEST_F(Zel2tqxDlgTest, ABadPathOrAFileErrorShowsItsMessageAndLogsNothing) {
    ScorePlan many;
    many.bars = 1;
    many.tracks.assign(21, TrackSpec{});
    WriteFile(Path("many.zel"), WriteScore(many));
    WriteFile(Path("empty.zel"), {});
    struct Case {
        const char* what;
        std::string path;
        std::string message;  // code page; empty: no box
    } cases[] = {
        {"no path", "", Cp("zel格式曲谱为空，不能转换！")},
        {"another ending", Path("song.mid"), Cp("曲谱不是zel格式的，不能转换！")},
        {"21 tracks", Path("many.zel"), Cp("当前音轨数目大于最大允许音轨数目：20!")},
        {"a missing file", Path("missing.zel"), Cp("找不到该文件。\n(" + Path("missing.zel") + ")")},
        {"an empty file", Path("empty.zel"), ""},
    };
    for (const Case& c : cases) {
        boxes.reset();
        boxes = std::make_unique<fw::msgboxtest::Capture>();
        std::string log = "unread";
        Run([&](CDialog& d) {
            TypePath(d, c.path);
            ui::ClickControl(&d, CZel2tqxDlg::kFixedDoButton);
            ui::Call([&] { log = TextOf(d, CZel2tqxDlg::kLogField); });
        });
        EXPECT_EQ(log, "") << c.what;
        if (c.message.empty()) {
            EXPECT_TRUE(boxes->shown().empty()) << c.what;
        } else {
            ASSERT_EQ(boxes->shown().size(), 1u) << c.what;
            EXPECT_EQ(boxes->shown()[0].text, c.message) << c.what;
        }
    }
    EXPECT_FALSE(FileExists(Path("many_固定调.zel")));
    EXPECT_FALSE(FileExists(Path("empty_固定调.zel")));
}

TEST_F(Zel2tqxDlgTest, BrowseAsksForAScoreAndPutsItsPathInTheField) {
    files->Answer(Path("chosen.zel"));
    files->Cancel();
    std::vector<std::string> shown;
    Run([&](CDialog& d) {
        ui::ClickControl(&d, CZel2tqxDlg::kBrowseButton);
        ui::Call([&] { shown.push_back(TextOf(d, CZel2tqxDlg::kPathField)); });
        ui::ClickControl(&d, CZel2tqxDlg::kBrowseButton);  // cancelled: the path stays
        ui::Call([&] { shown.push_back(TextOf(d, CZel2tqxDlg::kPathField)); });
    });
    EXPECT_EQ(shown, (std::vector<std::string>{Path("chosen.zel"), Path("chosen.zel")}));
    ASSERT_EQ(files->asked().size(), 2u);
    const fw::filedialogtest::Request& r = files->asked()[0];
    EXPECT_TRUE(r.open);
    EXPECT_EQ(r.defExt, "ZEL");
    EXPECT_EQ(r.fileName, ".zel");
    EXPECT_EQ(r.filter, "(*.zel)|*.zel||");
    EXPECT_EQ(r.flags & (OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT), DWORD(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT));
}

TEST_F(Zel2tqxDlgTest, AFileDroppedAnywhereOnTheWindowFillsThePath) {
    const std::vector<std::string> dropped = {Cp(Path("夜曲.zel")), Cp(Path("second.zel"))};
    WriteFile(Path("夜曲.zel"), AMajorScore());
    std::vector<std::string> shown;
    Run([&](CDialog& d) {
        // On the path field itself, on the log, and on the window between the controls.
        for (int id : {int(CZel2tqxDlg::kPathField), int(CZel2tqxDlg::kLogField), 0}) {
            ui::Call([&d] { d.SetDlgItemText(CZel2tqxDlg::kPathField, "before"); });
            CWnd* target = id ? d.GetDlgItem(id) : &d;
            ui::DropFiles(target, 4, 4, dropped);
            ui::Call([&] { shown.push_back(TextOf(d, CZel2tqxDlg::kPathField)); });
        }
        // The dropped score converts.
        ui::ClickControl(&d, CZel2tqxDlg::kMovableDoButton);
    });
    EXPECT_EQ(shown, std::vector<std::string>(3, dropped[0]));
    EXPECT_TRUE(FileExists(Path("夜曲_首调.zel")));
}

TEST_F(Zel2tqxDlgTest, TheLinksAndTheForumButtonOpenTheirAddresses) {
    std::vector<std::string> texts;
    Run([&](CDialog& d) {
        ui::Call([&] { texts = {TextOf(d, CZel2tqxDlg::kHomeLink), TextOf(d, CZel2tqxDlg::kForumLink)}; });
        ui::ClickControl(&d, CZel2tqxDlg::kHomeLink);
        ui::ClickControl(&d, CZel2tqxDlg::kForumLink);
        ui::ClickControl(&d, CZel2tqxDlg::kForumButton);
    });
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], zel2tqx::Text(zel2tqx::kHomeAddressText));
    EXPECT_EQ(texts[1], zel2tqx::Text(zel2tqx::kForumAddressText));
    EXPECT_EQ(shell->opened(), (std::vector<std::string>{texts[0], texts[1], texts[1]}));
}

TEST_F(Zel2tqxDlgTest, TheContextMenuOpensTheAboutBox) {
    std::string aboutCaption, aboutText;
    ui::AnswerMenu(CZel2tqxDlg::kAboutCommand);
    Run([&](CDialog& d) {
        ui::OnNextModal([&](CDialog& about) {
            aboutCaption = about.GetWindowText();
            for (CWnd* c : about.GetChildren())
                if (c->GetDlgCtrlID() != IDOK) aboutText += c->GetWindowText();
            ui::ClickControl(&about, IDOK);
        });
        ui::Click(&d, 3, 3, ui::kRight);
    });
    ASSERT_EQ(ui::Menus().size(), 1u);
    ASSERT_EQ(ui::Menus()[0].items.size(), 1u);
    EXPECT_EQ(ui::Menus()[0].items[0].id, CZel2tqxDlg::kAboutCommand);
    EXPECT_EQ(ui::Menus()[0].items[0].text, Cp("关于 Zel2tqx(A)..."));
    EXPECT_EQ(ui::ModalsRun(), (std::vector<UINT>{CZel2tqxDlg::kTemplateId, CZel2tqxDlg::kAboutTemplateId}));
    EXPECT_EQ(aboutCaption, Cp("关于 Zel2tqx"));
    EXPECT_EQ(aboutText, Cp("Zel2tqx，1.0 版"));
}

TEST_F(Zel2tqxDlgTest, TheConvertersTextsAreItsOwnInTheSharedResources) {
    // The converter's template and string ids lie among the editor's: each must still be the
    // converter's (a later text of the editor under the same id would show here).
    std::string caption;
    SIZE units;
    ASSERT_TRUE(fw::GetDialogTemplateInfo(CZel2tqxDlg::kTemplateId, &units, &caption));
    EXPECT_EQ(caption, "Zel2tqx");
    ASSERT_TRUE(fw::GetDialogTemplateInfo(CZel2tqxDlg::kAboutTemplateId, &units, &caption));
    EXPECT_EQ(caption, Cp("关于 Zel2tqx"));
    EXPECT_EQ(zel2tqx::Text(zel2tqx::kAboutItemText), Cp("关于 Zel2tqx(&A)..."));
    EXPECT_EQ(zel2tqx::Text(zel2tqx::kMovableSuffixText), Cp("_首调"));
    EXPECT_EQ(zel2tqx::Text(zel2tqx::kFixedSuffixText), Cp("_固定调"));
}

}  // namespace
