// The graphics and group palettes in the running program: a rectangle drawn from the graphics
// palette, selected with the select tool and widened from the pen pop-up, and an octave line
// drawn with the group palette. Each saved score is the one zelscript makes from the same
// clicks at the same places.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/AppGlobals.h"
#include "app/MainFrame.h"
#include "app/ZelApp.h"
#include "chrome/MainToolBar.h"
#include "chrome/ToolBox.h"
#include "framework/Globals.h"
#include "framework/Mdi.h"
#include "framework/UiTest.h"
#include "model/Bar.h"
#include "model/Graphic.h"
#include "model/ModelGlobals.h"
#include "model/Ottava.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"
#include "platform/Popup.h"
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

using ShapeApp = testsupport::RunningApp;

struct Place {
    std::string text;
    POINT at;
};

int FixedDraw() { return 0x2C; }

}  // namespace

class GraphicsGroupToolApp : public ::testing::Test {
protected:
    void SetUp() override {
        fw::ResetAllGlobals();
        fw::EnsureGraphics();
    }
    void TearDown() override {
        g_model.randomSource = nullptr;
        fw::ResetAllGlobals();
    }

    static void ShowPalette(int palette) { testsupport::ShowPalette(palette); }
    static void ClickPalette(int palette, int index) { testsupport::ClickPalette(palette, index); }
    // Presses a pen button of the graphics palette and releases on a cell of its pop-up; false
    // when the pop-up never showed.
    static bool ChooseFromPenPopup(int button, int cell) {
        ShowPalette(kGraphicsPalette);
        CToolBox& p = Palette(kGraphicsPalette);
        const POINT c = p.ButtonCentre(button);
        bool opened = false;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        std::function<void()> chooseWhenOpen = [&] {
            CPopup* popup = g_chrome.palettePopup;
            if (!popup) {
                if (std::chrono::steady_clock::now() > deadline) return Release(&p, c.x, c.y);
                Tick();
                Call(chooseWhenOpen);
                return;
            }
            opened = true;
            RECT r;
            popup->GetCellRect(cell, &r);
            const int x = (r.left + r.right) / 2 + CPopup::kInset, y = (r.top + r.bottom) / 2 + CPopup::kInset;
            Move(popup, x - 1, y);
            Move(popup, x, y);
            Release(popup, x, y);
        };
        Press(&p, c.x, c.y);
        Call(chooseWhenOpen);
        RunUntilIdle();
        return opened;
    }

    testsupport::TempHome home;
    testsupport::TempDir dir;
};

TEST_F(GraphicsGroupToolApp, ARectangleWidenedFromThePenPopupAndAnOctaveLineSaveWhatTheScriptSaves) {
    if (!std::getenv("ZEL_BUILD_DIR")) GTEST_SKIP() << "ZEL_BUILD_DIR names the tools' folder";
    ShapeApp app;
    std::vector<std::string> saved;
    std::string script;
    struct Seen {
        int graphicTool = 0, groupTool = 0, groupButton = -1, width = -1, ottavas = 0, identifier = -1;
        bool popupOpened = false;
    } seen;
    app.whileRunning = [&] {
        Session session;
        g_model.randomSource = &FixedDraw;
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
        auto drag = [&](const Place& from, const Place& to) {
            std::vector<POINT> way{from.at};
            const int steps = std::max(1L, std::max(std::labs(to.at.x - from.at.x), std::labs(to.at.y - from.at.y)) / 4);
            for (int i = 1; i <= steps; ++i)
                way.push_back(POINT{from.at.x + (to.at.x - from.at.x) * i / steps, from.at.y + (to.at.y - from.at.y) * i / steps});
            Move(pane, int(from.at.x), int(from.at.y));
            Drag(pane, way, kLeft);
            RunUntilIdle();
        };
        auto save = [&] {
            const std::string path = dir.path() + "/app" + std::to_string(saved.size()) + ".zel";
            ASSERT_TRUE(doc->WriteNative(path.c_str()));
            saved.push_back(path);
        };
        auto shapes = [&](int bar) {
            std::vector<CBarItem*> out;
            trkbar::ForEachLiveItem(score->GetTrkBar(0, bar), [&](CBarItem* it) {
                if (it->IsGraphic()) out.push_back(it);
            });
            return out;
        };
        ASSERT_TRUE(doc->WriteNative((dir.path() + "/start.zel").c_str()));
        script = "open start.zel\nwindow mode " + std::to_string(doc->location.arrangementMode) + " zoom " +
                 std::to_string(doc->GetZoom()) + "\n";

        // The rectangle button, then a drag in bar 1 down and to the right.
        ClickPalette(kGraphicsPalette, 0);
        seen.graphicTool = g_toolState.tool;
        const Place from = place(0, 1, 200, 2), to = place(0, 1, 500, -2);
        drag(from, to);
        save();
        script += "tool 909 button 0\ndrag " + from.text + " " + to.text + "\nsave z0.zel\n";

        // The select tool's click inside the rectangle, then the pen pop-up's fifth width (4814).
        Click(g_app.mainToolBar->FindButton(800), 12, 12);
        RunUntilIdle();
        const Place inside = place(0, 1, 300, 1);
        Move(pane, int(inside.at.x), int(inside.at.y));
        Click(pane, int(inside.at.x), int(inside.at.y));
        RunUntilIdle();
        seen.popupOpened = ChooseFromPenPopup(8, 4);
        if (const std::vector<CBarItem*> s = shapes(1); s.size() == 1) seen.width = CGraphic::Of(s[0])->LineWidth();
        save();
        script += "tool 800\nclick " + inside.text + "\ncmd 4814\nsave z1.zel\n";

        // The group palette's octave line, drawn high above bar 2's staff.
        ClickPalette(kGroupsPalette, 8);
        seen.groupTool = g_toolState.tool;
        seen.groupButton = g_toolState.button;
        const Place up = place(0, 2, 100, 14), across = place(0, 2, 700, 14);
        drag(up, across);
        trkbar::ForEachLiveItem(score->GetTrkBar(0, 2), [&](CBarItem* it) {
            if (it->TypeCode() != COttava::kTypeCode) return;
            ++seen.ottavas;
            seen.identifier = static_cast<COttava*>(it)->GetIdentifier();
        });
        save();
        script += "tool 905 button 8\ndrag " + up.text + " " + across.text + "\nsave z2.zel\n";
    };
    testsupport::RunProgram(app);
    ASSERT_TRUE(app.started);
    EXPECT_EQ(seen.graphicTool, 909);
    EXPECT_TRUE(seen.popupOpened);
    EXPECT_EQ(seen.width, 20) << "widened from the pen pop-up";
    EXPECT_EQ(seen.groupTool, 905);
    EXPECT_EQ(seen.groupButton, 8);
    EXPECT_EQ(seen.ottavas, 1);
    EXPECT_EQ(seen.identifier, 0x2C) << "the pairing byte from the seeded source";
    ASSERT_EQ(saved.size(), 3u);

    {
        std::ofstream out(dir.path() + "/shapes.zs");
        out << "random 44\n" << script;
    }
    std::string log;
    ASSERT_EQ(testsupport::RunTool("zelscript", "shapes.zs", &log, dir.path()), 0) << log;
    for (std::size_t i = 0; i < saved.size(); ++i) {
        SCOPED_TRACE(i);
        const std::string differ = testsupport::ScoreDifference(saved[i], dir.path() + "/z" + std::to_string(i) + ".zel");
        EXPECT_TRUE(differ.empty()) << "bytes differ at" << differ;
    }
    for (std::size_t i = 1; i < saved.size(); ++i) EXPECT_NE(testsupport::FileBytes(saved[i]), testsupport::FileBytes(saved[i - 1]));
}
