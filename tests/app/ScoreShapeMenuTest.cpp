// The commands that shape the score, reached in the running program: Measure > Insert Bars,
// Multi-bar Rest and Justify and Score > Insert Page from the main frame's menu bar with their
// dialogs answered, Note > Octave Line from the menu bar, the bar-line palette's double bar line
// clicked into bar 0 and a multi-bar rest's edit action. Each saved score equals the script tool's run of the same command on the same file.
#include <gtest/gtest.h>

#include <signal.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/AppGlobals.h"
#include "app/MainFrame.h"
#include "app/ZelApp.h"
#include "chrome/ToolBox.h"
#include "framework/Dialog.h"
#include "framework/Gdi.h"
#include "framework/Globals.h"
#include "framework/Menu.h"
#include "framework/MessageBox.h"
#include "framework/UiTest.h"
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/ModelGlobals.h"
#include "model/Ottava.h"
#include "model/Page.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/ScoreFile.h"
#include "model/Select.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/RvqUtil.h"
#include "support/RunTool.h"
#include "support/TempHome.h"
#include "view/PagePane.h"
#include "view/ToolState.h"

namespace {

class ShapeApp : public CZelApp {
public:
    bool InitInstance() override {
        started = CZelApp::InitInstance();
        if (started) {
            if (whileRunning) whileRunning(*this);
            ::raise(SIGTERM);
        }
        return started;
    }
    std::function<void(ShapeApp&)> whileRunning;
    bool started = false;
};

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// One command as the user gives it, and the same in a script.
struct Step {
    const char* what;
    UINT id;
    int from;                             // 0 the menu bar, 1 the bar-line palette's button, then a click in bar 0
    std::function<void(CDialog&)> answer; // the dialog's answer, when it has one
    std::string script;                   // the script's lines after opening the file
};

TEST(ScoreShapeMenu, MenuEntriesChangeTheScoreAsTheScriptToolDoes) {
    if (!std::getenv("ZEL_BUILD_DIR")) GTEST_SKIP() << "ZEL_BUILD_DIR names the tools' folder";
    fw::ResetAllGlobals();
    fw::EnsureGraphics();
    testsupport::TempHome home;
    testsupport::TempDir dir;
    const std::string start = dir.path() + "/start.zel";
    {
        std::ofstream zs(dir.path() + "/make.zs");
        // Notes in track 0's bars 4 and 5, for the octave line.
        zs << "new 1\nnote 0 4 0 2 0\nnote 0 5 0 2 2\nsave " << start << "\n";
    }
    std::string out;
    ASSERT_EQ(testsupport::RunTool("zelscript", dir.path() + "/make.zs", &out), 0) << out;
    ASSERT_TRUE(SaveRegDword("Preferences\\Auto Flags", "New Dialog", 0));
    fw::msgboxtest::Capture boxes;
    for (int i = 0; i < 4; ++i) boxes.Answer(IDNO);

    namespace ui = fw::uitest;
    const auto ok = [](CDialog& d) { ui::ClickControl(&d, IDOK); };
    const std::vector<Step> steps = {
        {"Measure > Insert Bars", 34000, 0, ok, "answer ok 3=1\ncmd 34000\n"},
        {"Score > Insert Page", 33000, 0, ok, "answer ok 3=1\ncmd 33000\n"},
        {"Measure > Justify", 34013, 0, nullptr, "cmd 34013\n"},
        {"Note > Octave Line over track 0's bars 4-5", 35302, 0, nullptr, "select range 0-0 4-5\ncmd 35302\n"},
        {"the bar-line palette's double bar line, clicked into bar 0", 2301, 1, nullptr, "cmd 2301\n"},
    };
    struct Seen {
        std::vector<std::uint8_t> start, undone;
        std::vector<bool> enabled;
        int bars = 0, barsAfterInsert = 0, restSpan = 0, barlineTool = 0;
        int restIndex = -1;
        bool editedJazz = false, doubleBarline = false, octaveLine = false;
    } seen;
    ShapeApp app;
    app.whileRunning = [&](ShapeApp& a) {
        CZelDoc* doc = a.GetActiveDocument();
        if (!doc) return;
        auto* frame = static_cast<CFrameWnd*>(a.m_pMainWnd);
        // The saved form without the window's place on the screen, which the script tool's
        // documents have none of.
        auto bytes = [doc] {
            std::int32_t kept[4];
            for (int i = 0; i < 4; ++i) {
                kept[i] = doc->windowRect[i];
                doc->windowRect[i] = 0;
            }
            auto b = ScoreFile::WriteToBytes(*doc->GetScore(), *doc);
            for (int i = 0; i < 4; ++i) doc->windowRect[i] = kept[i];
            return b;
        };
        // The insertion point placed in bar 0, as a click in the score places it.
        doc->SetCurrentBar(0, true);
        doc->location.insertionPlaced = 1;
        ui::RunUntilIdle();
        seen.start = bytes();
        seen.bars = doc->GetScore()->GetBarCount();
        for (std::size_t k = 0; k < steps.size(); ++k) {
            const Step& s = steps[k];
            if (s.answer) ui::OnNextModal(s.answer);
            if (s.id == 35302) {
                // The span selected as zelscript's "select range 0-0 4-5" selects it.
                CSelect* sel = doc->GetSelection();
                sel->ClearAll();
                sel->SelectSpan(0, 4, 0, 0, 5, 1024, true);
                sel->Recount();
            }
            if (s.from == 0) {
                seen.enabled.push_back(fw::ChooseFromMenuBar(frame, s.id).enabled);
            } else {
                // The palette's button, then a click on the staff in the first half of bar 0.
                CToolBox& palette = Palette(kBarlinesPalette);
                if (!palette.IsShown()) {
                    palette.Show();
                    ui::RunUntilIdle();
                    ui::Move(&palette, 1, 1);
                }
                ui::RunUntilIdle();
                const POINT c = palette.ButtonCentre(int(s.id) - 2300);
                ui::Click(&palette, c.x, c.y);
                ui::RunUntilIdle();
                seen.barlineTool = g_toolState.tool;
                auto* pane = dynamic_cast<CPagePane*>(doc->currentPane);
                seen.enabled.push_back(pane != nullptr);
                if (pane) {
                    CScore* score = doc->GetScore();
                    const RECT paper = score->GetPage(0)->GetPaperRect();
                    const int x = score->GetBar(0)->FractionToX(300) - paper.left;
                    const int y = score->GetTrkBar(0, 0)->GetStaff()->PositionToY(0) - paper.top;
                    ui::Move(pane, x, y);
                    ui::Click(pane, x, y);
                }
            }
            ui::RunUntilIdle();
            if (s.id == 2301) seen.doubleBarline = doc->GetScore()->GetBar(0)->GetOpeningKind() == 1;
            if (s.id == 35302) {
                CTrkBar* tb = doc->GetScore()->GetTrkBar(0, 4);
                for (CBarItem* i = tb->GetItems(); i && i->TypeCode() != 255; i = i->NextItem())
                    if (!i->IsRemoved() && i->TypeCode() == COttava::kTypeCode) seen.octaveLine = true;
            }
            if (s.id == 34000) seen.barsAfterInsert = doc->GetScore()->GetBarCount();
            WriteFile(dir.path() + "/step" + std::to_string(k) + ".zel", bytes());
            fw::ChooseFromMenuBar(frame, 57643);
            ui::RunUntilIdle();
            doc->GetSelection()->ClearAll();
            doc->GetSelection()->Recount();
        }
        seen.undone = bytes();
        // Measure > Multi-bar Rest over three bars, then the rest's edit action: jazz style.
        ui::OnNextModal([](CDialog& d) {
            d.SetDlgItemText(3, "3");
            ui::ClickControl(&d, IDOK);
        });
        // The insertion point placed in bar 0 again (the palette's click took the caret away).
        doc->SetCurrentBar(0, true);
        doc->location.insertionPlaced = 1;
        ui::RunUntilIdle();
        fw::ChooseFromMenuBar(frame, 34011);
        ui::RunUntilIdle();
        seen.restSpan = doc->GetScore()->GetBar(0)->GetMultiRestSpan();
        WriteFile(dir.path() + "/rest.zel", bytes());
        CTrkBar* tb = doc->GetScore()->GetTrkBar(0, 0);
        int index = 0;
        for (CBarItem* i = tb->GetItems(); i && i->TypeCode() != 255; i = i->NextItem(), ++index)
            if (!i->IsRemoved() && i->TypeCode() == 39) {
                seen.restIndex = index;
                g_model.hitItem = i;
                g_model.hitTrkBar = tb;
                break;
            }
        if (seen.restIndex < 0) return;
        ui::OnNextModal([](CDialog& d) {
            ui::ClickControl(&d, 6);
            ui::ClickControl(&d, IDOK);
        });
        doc->OnCommandRange(4108);
        ui::RunUntilIdle();
        for (CBarItem* i = tb->GetItems(); i && i->TypeCode() != 255; i = i->NextItem())
            if (!i->IsRemoved() && i->TypeCode() == 39) seen.editedJazz = (rec::Get<std::uint8_t>(i, 16) & 1) != 0;
        WriteFile(dir.path() + "/edited.zel", bytes());
    };
    ui::Session session;
    char arg0[] = "zelmarin";
    std::string file = start;
    char* argv[] = {arg0, file.data(), nullptr};
    AfxWinMain(app, 2, argv);
    ASSERT_TRUE(app.started);
    ASSERT_FALSE(seen.start.empty());
    for (std::size_t k = 0; k < seen.enabled.size(); ++k) EXPECT_TRUE(seen.enabled[k]) << steps[k].what;
    EXPECT_EQ(seen.barsAfterInsert, seen.bars + 1);
    EXPECT_EQ(seen.undone, seen.start) << "each step's undo gives the score back";
    EXPECT_EQ(seen.restSpan, 3);
    EXPECT_TRUE(seen.editedJazz);
    EXPECT_EQ(seen.barlineTool, 916);
    EXPECT_TRUE(seen.octaveLine) << "an octave line over the selected notes";
    EXPECT_TRUE(seen.doubleBarline) << "at the start of bar 0, where the click lies";
    // The script tool, on the same file, saves the same bytes.
    for (std::size_t k = 0; k < steps.size(); ++k) {
        const std::string zs = dir.path() + "/check" + std::to_string(k) + ".zs";
        {
            std::ofstream f(zs);
            f << "open " << start << "\nat 0\n" << steps[k].script << "same " << dir.path() << "/step" << k << ".zel\n";
        }
        out.clear();
        EXPECT_EQ(testsupport::RunTool("zelscript", zs, &out), 0) << steps[k].what << "\n" << out;
    }
    const std::string zs = dir.path() + "/rest.zs";
    {
        std::ofstream f(zs);
        f << "open " << start << "\nat 0\nanswer ok 3=3\ncmd 34011\npaint\nsame " << dir.path() << "/rest.zel\n"
          << "hit 0 0 " << seen.restIndex << "\nanswer ok 6=1\ncmd 4108\npaint\nsame " << dir.path() << "/edited.zel\n";
    }
    out.clear();
    EXPECT_EQ(testsupport::RunTool("zelscript", zs, &out), 0) << out;
}

}  // namespace
