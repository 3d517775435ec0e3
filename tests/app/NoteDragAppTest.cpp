// Dragging a note in the running program: a note entered with the main tool bar's note tool, the
// select tool chosen on the main tool bar, the note's head dragged up in the score window's page
// pane, then the ornaments palette's trill clicked on the note. Each saved score is the one
// zelscript makes from the same clicks and drags at the same places.
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
#include "chrome/MainToolBar.h"
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
#include "support/TempHome.h"
#include "support/RunningApp.h"
#include "view/PagePane.h"
#include "view/ToolState.h"
#include "view/ZelView.h"
#include "view/ZelWnd.h"

using namespace fw::uitest;

namespace {

using DragApp = testsupport::RunningApp;

std::vector<char> Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A saved score without what belongs to its window rather than to the score: the header's
// rulers option (byte 22) and the window's show state and placement (bytes 36-45).
std::vector<char> ScoreBytes(const std::string& path) {
    std::vector<char> bytes = Bytes(path);
    for (std::size_t i : {22u, 36u, 37u, 38u, 39u, 40u, 41u, 42u, 43u, 44u, 45u})
        if (i < bytes.size()) bytes[i] = 0;
    return bytes;
}

// A place as zelscript writes it (T:B:P:S) and its point in the page pane.
struct Place {
    std::string text;
    POINT at;
};

}  // namespace


class NoteDragApp : public ::testing::Test {
protected:
    void SetUp() override {
        fw::ResetAllGlobals();
        fw::EnsureGraphics();
    }
    void TearDown() override { fw::ResetAllGlobals(); }

    testsupport::TempHome home;
    testsupport::TempDir dir;
};

TEST_F(NoteDragApp, ANoteDraggedUpAndATrillClickedOnItSaveWhatTheScriptOfTheSameGesturesSaves) {
    if (!std::getenv("ZEL_BUILD_DIR")) GTEST_SKIP() << "ZEL_BUILD_DIR names the tools' folder";
    DragApp app;
    std::vector<std::string> saved;
    std::string script;
    int selectTool = 0, ornamentTool = 0;
    app.whileRunning = [&] {
        Session session;
        CZelDoc* doc = nullptr;
        CZelWnd* wnd = testsupport::OpenNewScoreWindow(app, doc);
        ASSERT_TRUE(doc && wnd);
        ASSERT_NE(g_app.mainToolBar, nullptr);
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
        auto save = [&] {
            const std::string path = dir.path() + "/app" + std::to_string(saved.size()) + ".zel";
            ASSERT_TRUE(doc->WriteNative(path.c_str()));
            saved.push_back(path);
        };
        auto toolButton = [&](int id) {
            CToolBtn* b = g_app.mainToolBar->FindButton(id);
            ASSERT_NE(b, nullptr) << id;
            Click(b, 12, 12);
            RunUntilIdle();
        };
        ASSERT_TRUE(doc->WriteNative((dir.path() + "/start.zel").c_str()));
        script = "open start.zel\nwindow mode " + std::to_string(doc->location.arrangementMode) + " zoom " +
                 std::to_string(doc->GetZoom()) + "\n";

        // A note at the start of bar 0 on the middle line.
        toolButton(ToolState::kNote);
        const Place noteAt = place(0, 0, 0, 0);
        Move(pane, int(noteAt.at.x), int(noteAt.at.y));
        Click(pane, int(noteAt.at.x), int(noteAt.at.y), kLeft);
        RunUntilIdle();
        script += "tool 903 sub " + std::to_string(g_toolState.subTool) + " value " +
                  std::to_string(g_toolState.value) + "\nclick " + noteAt.text + "\n";

        // The select tool; the head dragged three staff positions up in small steps.
        toolButton(ToolState::kSelect);
        selectTool = g_toolState.tool;
        const Place to = place(0, 0, 0, 3);
        std::vector<POINT> way{noteAt.at};
        const int steps = std::max(1L, std::labs(to.at.y - noteAt.at.y) / 4);
        for (int i = 1; i <= steps; ++i) way.push_back(POINT{noteAt.at.x, noteAt.at.y + (to.at.y - noteAt.at.y) * i / steps});
        Move(pane, int(noteAt.at.x), int(noteAt.at.y));
        Drag(pane, way, kLeft);
        RunUntilIdle();
        save();
        script += "tool 800\ndrag " + noteAt.text + " " + to.text + "\nsave z0.zel\n";

        // The ornaments palette's trill on the note.
        CToolBox& ornaments = Palette(kOrnamentsPalette);
        if (!ornaments.IsShown()) {
            ornaments.Show();
            RunUntilIdle();
            Move(&ornaments, 1, 1);
        }
        RunUntilIdle();
        const POINT c = ornaments.ButtonCentre(0);
        Click(&ornaments, c.x, c.y);
        RunUntilIdle();
        ornamentTool = g_toolState.tool;
        const Place head = place(0, 0, 0, 3);
        Move(pane, int(head.at.x), int(head.at.y));
        Click(pane, int(head.at.x), int(head.at.y), kLeft);
        RunUntilIdle();
        save();
        script += "tool 906 button " + std::to_string(g_toolState.button) + " sub " + std::to_string(g_toolState.subTool) +
                  "\nclick " + head.text + "\nsave z1.zel\n";
    };
    testsupport::RunProgram(app);
    ASSERT_TRUE(app.started);
    EXPECT_EQ(selectTool, 800);
    EXPECT_EQ(ornamentTool, 906);
    ASSERT_EQ(saved.size(), 2u);
    {
        std::ofstream out(dir.path() + "/gestures.zs");
        out << script;
    }
    std::string log;
    ASSERT_EQ(testsupport::RunTool("zelscript", "gestures.zs", &log, dir.path()), 0) << log << script;
    for (std::size_t i = 0; i < saved.size(); ++i) {
        SCOPED_TRACE(i);
        const std::vector<char> mine = ScoreBytes(saved[i]);
        const std::vector<char> theirs = ScoreBytes(dir.path() + "/z" + std::to_string(i) + ".zel");
        ASSERT_FALSE(mine.empty());
        std::string differ;
        for (std::size_t k = 0; k < mine.size() && k < theirs.size() && differ.size() < 200; ++k)
            if (mine[k] != theirs[k]) differ += " " + std::to_string(k) + ":" + std::to_string(int(mine[k])) + "/" + std::to_string(int(theirs[k]));
        EXPECT_EQ(mine.size(), theirs.size());
        EXPECT_TRUE(differ.empty()) << "bytes differ at" << differ;
    }
    // The drag changed the score and the trill changed it again.
    EXPECT_NE(Bytes(saved[0]), Bytes(dir.path() + "/start.zel"));
    EXPECT_NE(Bytes(saved[1]), Bytes(saved[0]));
}
