// The New dialog under scripted input: the key scroll bar, the meter and beat-unit grids, when
// OK is offered, the template folders and the path of the chosen template, the jazz box and the
// result record.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/NewDocDlg.h"
#include "framework/CodePage.h"
#include "framework/Controls.h"
#include "framework/Gdi.h"
#include "framework/TreeCtrl.h"
#include "framework/UiTest.h"
#include "platform/DrawGlobals.h"
#include "platform/PlatformGlobals.h"
#include "platform/Port.h"
#include "support/TempHome.h"

namespace {

namespace fs = std::filesystem;
namespace ui = fw::uitest;

class NewDocDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitDrawing();
        savedFolder = g_platform.programFolder;
        std::strcpy(g_platform.programFolder.path, program.path().c_str());
        savedJazz = g_draw.jazzFace;
        g_draw.jazzFace = FontRef::kNoFace;
    }
    void TearDown() override {
        g_platform.programFolder = savedFolder;
        g_draw.jazzFace = savedJazz;
        fs::current_path(savedCwd);
    }
    // Runs the dialog: once it is shown, `steps` adds its input and checks (ui::Call), then
    // the button ends it.
    bool Run(CNewDocDlg& dlg, const std::function<void(CNewDocDlg&)>& steps, int button = IDOK) {
        ui::OnNextModal([&dlg, steps, button](CDialog&) {
            steps(dlg);
            ui::ClickControl(&dlg, button);
        });
        return dlg.Run();
    }
    static void ClickCell(CNewDocDlg& dlg, int id, int cell) {
        ui::Click(dlg.GetDlgItem(id), cell * CNewDocDlg::kCell + 8, 10);
    }
    static bool OkEnabled(CNewDocDlg& dlg) {
        dlg.OnTick();
        return dlg.GetDlgItem(IDOK)->IsWindowEnabled();
    }
    void MakeTemplate(const std::string& relative) {
        const fs::path p = fs::path(program.path()) / "Templates" / relative;
        fs::create_directories(p.parent_path());
        std::ofstream(p) << "x";
    }
    static std::vector<std::string> Listed(CNewDocDlg& dlg) {
        std::vector<std::string> out;
        auto* list = static_cast<CListBox*>(dlg.GetDlgItem(CNewDocDlg::kTemplateList));
        for (int i = 0; i < list->GetCount(); ++i) {
            CString text;
            list->GetText(i, text);
            out.emplace_back(static_cast<const char*>(text));
        }
        return out;
    }
    static HTREEITEM Find(CTreeCtrl* tree, HTREEITEM under, const char* name) {
        for (HTREEITEM i = tree->GetChildItem(under); i; i = tree->GetNextSiblingItem(i))
            if (std::string(static_cast<const char*>(tree->GetItemText(i))) == name) return i;
        return nullptr;
    }

    testsupport::TempHome home;
    testsupport::TempDir program;
    ui::Session session;
    FileSpec savedFolder;
    fs::path savedCwd = fs::current_path();
    std::uint16_t savedJazz = 0;
};

TEST_F(NewDocDlgTest, TheKeyFollowsTheScrollBarFlatsBelowTheMiddleSharpsAbove) {
    // The score's key codes (1-7 flats, 8-14 sharps) and the name shown under the bar.
    CNewDocDlg dlg;
    std::vector<std::pair<int, std::string>> keys;
    ASSERT_FALSE(Run(
        dlg,
        [&keys](CNewDocDlg& d) {
            CWnd* bar = d.GetDlgItem(CNewDocDlg::kKeyScroll);
            auto note = [&keys, &d] {
                char name[64] = {};
                d.GetDlgItemText(CNewDocDlg::kKeyName, name, int(sizeof name));
                keys.emplace_back(d.settings.key, fw::ToUtf8(name));
            };
            ui::Call(note);
            for (int pos : {0, 7, 14, 6, 8})
                ui::Call([&d, bar, pos, note] {
                    d.SendMessage(WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, pos), LPARAM(bar));
                    note();
                });
            // From the middle, three clicks to the right: three sharps.
            ui::Call([&d, bar, note] {
                d.SendMessage(WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 7), LPARAM(bar));
                for (int i = 0; i < 3; ++i) d.SendMessage(WM_HSCROLL, MAKEWPARAM(SB_LINERIGHT, 0), LPARAM(bar));
                note();
            });
        },
        IDCANCEL));
    const std::vector<std::pair<int, std::string>> want{
        {0, "C 大调/A 小调"},   {7, "Cb 大调/Ab 小调"}, {0, "C 大调/A 小调"}, {14, "C# 大调/A# 小调"},
        {1, "F 大调/D 小调"},   {8, "G 大调/E 小调"},   {10, "A 大调/F# 小调"}};
    EXPECT_EQ(keys, want);
}

TEST_F(NewDocDlgTest, TheGridsChooseMeterAndBeatAndTheDottedCellToggles) {
    CNewDocDlg dlg;
    std::vector<int> dotted;
    ASSERT_TRUE(Run(dlg, [&dotted](CNewDocDlg& d) {
        EXPECT_EQ(d.settings.meterPreset, 4);
        EXPECT_EQ(d.settings.tempoDisplay, 2);
        ClickCell(d, CNewDocDlg::kMeterGrid, 8);
        ClickCell(d, CNewDocDlg::kBeatGrid, 3);
        for (int i = 0; i < 2; ++i) {
            ClickCell(d, CNewDocDlg::kBeatGrid, 6);
            ui::Call([&dotted, &d] { dotted.push_back(d.settings.tempoFlagB); });
        }
        ClickCell(d, CNewDocDlg::kBeatGrid, 6);
    }));
    EXPECT_EQ(dotted, (std::vector<int>{1, 0}));
    EXPECT_EQ(dlg.settings.meterPreset, 8);
    EXPECT_EQ(dlg.settings.tempoDisplay, 3);  // the dotted cell keeps the note value
    EXPECT_EQ(dlg.settings.tempoFlagB, 1);
}

// Every cell of the meter and beat-unit grids shows its picture: ink inside the cell, within
// the frame of a chosen cell.
TEST_F(NewDocDlgTest, EveryGridCellShowsItsPicture) {
    CNewDocDlg dlg;
    const std::string shot = (fs::path(program.path()) / "dialog.png").string();
    RECT meters{}, beats{};
    ASSERT_FALSE(Run(
        dlg,
        [&](CNewDocDlg& d) {
            ui::Call([&] {
                d.GetControlRect(CNewDocDlg::kMeterGrid, &meters);
                d.GetControlRect(CNewDocDlg::kBeatGrid, &beats);
                ASSERT_TRUE(d.SaveImage(shot));
            });
        },
        IDCANCEL));
    CBitmap picture;
    ASSERT_TRUE(picture.LoadFile(shot));
    const auto inked = [&picture](const RECT& grid, int cell) {
        int dark = 0;
        const int left = grid.left + cell * CNewDocDlg::kCell;
        for (int y = grid.top + 4; y < grid.top + 18; ++y)
            for (int x = left + 4; x < left + 18; ++x) {
                const COLORREF c = picture.GetPixel(x, y);
                if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 128) ++dark;
            }
        return dark;
    };
    for (int i = 0; i < CNewDocDlg::kMeterCells; ++i) EXPECT_GT(inked(meters, i), 3) << "meter cell " << i;
    for (int i = 0; i < CNewDocDlg::kBeatCells; ++i) EXPECT_GT(inked(beats, i), 0) << "beat-unit cell " << i;
}

TEST_F(NewDocDlgTest, OkWaitsForAStaffOrATemplate) {
    CNewDocDlg dlg;
    ASSERT_FALSE(Run(
        dlg,
        [](CNewDocDlg& d) {
            EXPECT_TRUE(OkEnabled(d));  // piano
            ui::ClickControl(&d, CNewDocDlg::kSingleStaff);
            ui::Call([&d] {
                EXPECT_EQ(d.settings.arrangement, CNewDocDlg::kSingleStaff);
                EXPECT_TRUE(OkEnabled(d));  // the treble staff is chosen at first
                d.SetComboSel(CNewDocDlg::kStaffCombo, -1);
                EXPECT_FALSE(OkEnabled(d));
                d.SetComboSel(CNewDocDlg::kStaffCombo, 1);
                EXPECT_TRUE(OkEnabled(d));
            });
            // No Templates folder: nothing to choose.
            ui::ClickControl(&d, CNewDocDlg::kTemplate);
            ui::Call([&d] { EXPECT_FALSE(OkEnabled(d)); });
            ui::ClickControl(&d, CNewDocDlg::kGuitar);
            ui::Call([&d] { EXPECT_TRUE(OkEnabled(d)); });
        },
        IDCANCEL));
}

TEST_F(NewDocDlgTest, AFolderListsItsTemplatesAndOkBuildsThePath) {
    MakeTemplate("Band/Jazz/Quartet.zel");
    MakeTemplate("Band/Jazz2/Trio.zel");
    MakeTemplate("Pop/Song.zel.bak");
    MakeTemplate("Pop/Song.ZEL");
    MakeTemplate("Piano.zel");
    fs::create_directories(fs::path(program.path()) / "Templates" / "Empty");
    fs::create_directories(fs::path(program.path()) / "Templates" / ".hidden");
    CNewDocDlg dlg;
    ASSERT_TRUE(Run(dlg, [this](CNewDocDlg& d) {
        auto* tree = static_cast<CTreeCtrl*>(d.GetDlgItem(CNewDocDlg::kFolderTree));
        EXPECT_EQ(fs::current_path(), savedCwd);  // the scan gives the current folder back
        EXPECT_EQ(d.folderCount, 3);
        HTREEITEM band = Find(tree, TVI_ROOT, "Band"), empty = Find(tree, TVI_ROOT, "Empty"),
                  pop = Find(tree, TVI_ROOT, "Pop");
        ASSERT_TRUE(band && empty && pop);
        EXPECT_EQ(Find(tree, TVI_ROOT, ".hidden"), nullptr);
        HTREEITEM jazz = Find(tree, band, "Jazz");
        ASSERT_NE(jazz, nullptr);
        EXPECT_EQ(tree->GetItemData(jazz), tree->GetItemData(band));
        // Choosing the template radio with an empty folder shown keeps OK off.
        ui::ClickControl(&d, CNewDocDlg::kTemplate);
        ui::Call([&d, tree, band, empty, pop, jazz] {
            tree->SelectItem(empty);
            EXPECT_TRUE(Listed(d).empty());
            EXPECT_FALSE(OkEnabled(d));
            tree->SelectItem(pop);
            EXPECT_EQ(Listed(d), std::vector<std::string>{"Song"});
            tree->SelectItem(band);
            EXPECT_EQ(Listed(d), (std::vector<std::string>{"Quartet", "Trio"}));
            // A folder lists its own templates, not those of a folder whose name starts alike.
            tree->SelectItem(jazz);
            EXPECT_EQ(Listed(d), std::vector<std::string>{"Quartet"});
            EXPECT_FALSE(OkEnabled(d));
            d.SendDlgItemMessage(CNewDocDlg::kTemplateList, LB_SETCURSEL, 0);
            EXPECT_TRUE(OkEnabled(d));
        });
    }));
    EXPECT_EQ(dlg.settings.arrangement, 4);
    EXPECT_EQ(std::string(dlg.templatePath.path), (fs::path(program.path()) / "Templates/Band/Jazz/Quartet.zel").string());
    EXPECT_STREQ(dlg.templatePath.name, "Quartet.zel");
}

TEST_F(NewDocDlgTest, TheJazzBoxShowsOnlyWithTheJazzFace) {
    for (bool installed : {false, true}) {
        g_draw.jazzFace = installed ? 7 : FontRef::kNoFace;
        CNewDocDlg dlg;
        bool visible = false;
        ASSERT_TRUE(Run(dlg, [&visible](CNewDocDlg& d) {
            visible = d.GetDlgItem(CNewDocDlg::kJazzFont)->IsWindowVisible();
            if (visible) ui::ClickControl(&d, CNewDocDlg::kJazzFont);
        }));
        EXPECT_EQ(visible, installed);
        EXPECT_EQ(dlg.settings.jazzFont, installed ? 1 : 0);
    }
}

TEST_F(NewDocDlgTest, OkGivesTheRecordWithTheKindCountedFromZero) {
    struct Case {
        int radio;
        int kind;
    } cases[] = {{CNewDocDlg::kSingleStaff, 0}, {CNewDocDlg::kPiano, 1}, {CNewDocDlg::kVoiceAndPiano, 2}, {CNewDocDlg::kGuitar, 3}};
    for (const Case& c : cases) {
        CNewDocDlg dlg;
        ASSERT_TRUE(Run(dlg, [&c](CNewDocDlg& d) {
            ui::ClickControl(&d, c.radio);
            ui::ClickControl(&d, CNewDocDlg::kShowTempo);
            ui::ClickControl(&d, CNewDocDlg::kPickup);
            ui::Call([&d] {
                d.SetText(CNewDocDlg::kTitle, "Sonatina");
                d.SetText(CNewDocDlg::kComposer, std::string(80, 'c').c_str());
                d.SetComboSel(CNewDocDlg::kStaffCombo, 1);
            });
        }));
        EXPECT_EQ(dlg.settings.arrangement, c.kind) << c.radio;
        EXPECT_EQ(dlg.settings.singleStaffChoice, c.kind == 0 ? 1 : -1) << c.radio;
        EXPECT_STREQ(dlg.settings.title, "Sonatina");
        EXPECT_EQ(std::strlen(dlg.settings.text3), 63u);
        EXPECT_EQ(std::string(dlg.settings.remark), fw::FromUtf8("注解"));
        EXPECT_EQ(std::string(dlg.settings.text4), fw::FromUtf8("版权所有"));
        EXPECT_EQ(dlg.settings.tempo, 9600);
        EXPECT_EQ(dlg.settings.tempoFlagA, 1);
        EXPECT_EQ(dlg.settings.pickup, 1);
        EXPECT_EQ(dlg.settings.key, 0);
    }
}

}  // namespace
