// The placing tools in the running program: the palettes' buttons chosen with the mouse, then
// clicks and a drag on the score window's page pane. Each saved score is the one zelscript
// makes from the same clicks at the same places.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "app/AppGlobals.h"
#include "app/MainFrame.h"
#include "app/ZelApp.h"
#include "chrome/ToolBox.h"
#include "framework/Globals.h"
#include "framework/Mdi.h"
#include "framework/UiTest.h"
#include "model/Bar.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/LibraryStandIns.h"
#include "platform/PlatformGlobals.h"
#include "support/RunTool.h"
#include "support/SavedScore.h"
#include "support/TempHome.h"
#include "support/PaletteClick.h"
#include "support/RunningApp.h"
#include "view/PagePane.h"
#include "view/ToolState.h"
#include "view/ZelView.h"
#include "view/ZelWnd.h"

using namespace fw::uitest;

namespace {

using PlaceApp = testsupport::RunningApp;

// A place as zelscript writes it (T:B:P:S) and its point in the page pane.
struct Place {
    std::string text;
    POINT at;
};

}  // namespace

class PlaceToolApp : public ::testing::Test {
protected:
    void SetUp() override {
        fw::ResetAllGlobals();
        fw::EnsureGraphics();
    }
    void TearDown() override { fw::ResetAllGlobals(); }

    static void ClickPalette(int palette, int index) { testsupport::ClickPalette(palette, index); }

    testsupport::TempHome home;
    testsupport::TempDir dir;
};

TEST_F(PlaceToolApp, PaletteChoicesAndPageClicksPlaceWhatTheScriptOfTheSameClicksPlaces) {
    if (!std::getenv("ZEL_BUILD_DIR")) GTEST_SKIP() << "ZEL_BUILD_DIR names the tools' folder";
    PlaceApp app;
    std::vector<std::string> saved;
    std::string script;
    struct Seen {
        int clefTool = 0, clefButton = -1, dynamicTool = 0, hairpinButton = -1, exprTool = 0, exprButton = -1;
    } seen;
    app.whileRunning = [&] {
        Session session;
        CZelDoc* doc = nullptr;
        CZelWnd* wnd = testsupport::OpenNewScoreWindow(app, doc);
        ASSERT_TRUE(doc && wnd);
        CZelView* view = wnd->GetView();
        CPagePane* pane = view->GetPane(0);
        CScore* score = doc->GetScore();
        const RECT paper = score->GetPage(0)->GetPaperRect();
        auto place = [&](int track, int bar, int position, int staffPosition) {
            CBar* b = score->GetBar(bar);
            CStaff* staff = score->GetTrkBar(track, bar)->GetStaff();
            char text[64];
            std::snprintf(text, sizeof text, "%d:%d:%d:%d", track, bar, position, staffPosition);
            return Place{text, POINT{LONG(b->FractionToX(position) - paper.left),
                                     LONG(staff->PositionToY(staffPosition) - paper.top)}};
        };
        auto click = [&](const Place& p, UINT mods) {
            Move(pane, int(p.at.x), int(p.at.y), mods);
            Click(pane, int(p.at.x), int(p.at.y), kLeft, mods);
            RunUntilIdle();
        };
        auto save = [&] {
            const std::string path = dir.path() + "/app" + std::to_string(saved.size()) + ".zel";
            ASSERT_TRUE(doc->WriteNative(path.c_str()));
            saved.push_back(path);
        };
        ASSERT_TRUE(doc->WriteNative((dir.path() + "/start.zel").c_str()));
        script = "open start.zel\nwindow mode " + std::to_string(doc->location.arrangementMode) + " zoom " +
                 std::to_string(doc->GetZoom()) + "\n";

        // The clef palette's button 3, a click in the middle of bar 0.
        ClickPalette(kClefsPalette, 3);
        seen.clefTool = g_toolState.tool;
        seen.clefButton = g_toolState.button;
        const Place clefAt = place(0, 0, 600, 9);
        click(clefAt, kNone);
        save();
        script += "tool 914 button 3\nclick " + clefAt.text + "\nsave z0.zel\n";

        // A forte with Ctrl.
        ClickPalette(kDynamicsPalette, 6);
        seen.dynamicTool = g_toolState.tool;
        const Place forteAt = place(0, 1, 300, -5);
        click(forteAt, kCtrl);
        save();
        script += "tool 904 button 6\nclick " + forteAt.text + " ctrl\nsave z1.zel\n";

        // A hairpin drawn in small steps from right to left.
        ClickPalette(kDynamicsPalette, 16);
        seen.hairpinButton = g_toolState.button;
        const Place from = place(0, 1, 1000, -5), to = place(0, 0, 0, -5);
        std::vector<POINT> way{from.at};
        const int steps = std::max(1L, std::max(std::labs(to.at.x - from.at.x), std::labs(to.at.y - from.at.y)) / 4);
        for (int i = 1; i <= steps; ++i)
            way.push_back(POINT{from.at.x + (to.at.x - from.at.x) * i / steps, from.at.y + (to.at.y - from.at.y) * i / steps});
        Move(pane, int(from.at.x), int(from.at.y));
        Drag(pane, way, kLeft);
        RunUntilIdle();
        save();
        script += "tool 904 button 16\ndrag " + from.text + " " + to.text + "\nsave z2.zel\n";

        // The expression palette, then a Shift click whose popup chooses the library's third entry.
        for (const char* text : {"Staccato", "pizz", "cresc"}) {
            std::uint8_t entry[CExprLib::kEntrySize] = {};
            std::snprintf(reinterpret_cast<char*>(entry + 16), 32, "%s", text);
            ASSERT_TRUE(g_platform.exprLib->AddEntry(entry));
        }
        ClickPalette(kExpressionsPalette, 1);
        seen.exprTool = g_toolState.tool;
        const Place exprAt = place(0, 2, 300, 7);
        AnswerMenu(3);
        click(exprAt, kShift);
        seen.exprButton = g_toolState.button;
        save();
        script += "exprlib Staccato\nexprlib pizz\nexprlib cresc\ntool 919 button 0\npopup 3\nclick " + exprAt.text +
                  " shift\nsave z3.zel\n";
    };
    testsupport::RunProgram(app);
    ASSERT_TRUE(app.started);
    EXPECT_EQ(seen.clefTool, 914);
    EXPECT_EQ(seen.clefButton, 3);
    EXPECT_EQ(seen.dynamicTool, 904);
    EXPECT_EQ(seen.hairpinButton, 16);
    EXPECT_EQ(seen.exprTool, 919);
    EXPECT_EQ(seen.exprButton, 2);
    ASSERT_EQ(saved.size(), 4u);

    {
        std::ofstream out(dir.path() + "/clicks.zs");
        out << script;
    }
    std::string log;
    ASSERT_EQ(testsupport::RunTool("zelscript", "clicks.zs", &log, dir.path()), 0) << log;
    for (std::size_t i = 0; i < saved.size(); ++i) {
        SCOPED_TRACE(i);
        const std::string differ = testsupport::ScoreDifference(saved[i], dir.path() + "/z" + std::to_string(i) + ".zel");
        EXPECT_TRUE(differ.empty()) << "bytes differ at" << differ;
    }
    // Each step changed the score.
    for (std::size_t i = 1; i < saved.size(); ++i) EXPECT_NE(testsupport::FileBytes(saved[i]), testsupport::FileBytes(saved[i - 1]));
    EXPECT_NE(testsupport::FileBytes(saved[0]), testsupport::FileBytes(dir.path() + "/start.zel"));
}
