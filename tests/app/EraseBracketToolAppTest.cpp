// The erase tool and the staves palette's bracket band in the running program: the tools chosen
// with the mouse (the main tool bar's erase button, the staves palette's bracket button), then
// a click on a note and a band over the staves on the score window's page pane. Each saved score
// is the one zelscript makes from the same clicks at the same places.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
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
#include "model/Page.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"
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

using EraseApp = testsupport::RunningApp;

struct Place {
    std::string text;
    POINT at;
};

}  // namespace

class EraseBracketToolApp : public ::testing::Test {
protected:
    void SetUp() override {
        fw::ResetAllGlobals();
        fw::EnsureGraphics();
    }
    void TearDown() override { fw::ResetAllGlobals(); }

    testsupport::TempHome home;
    testsupport::TempDir dir;
};

TEST_F(EraseBracketToolApp, AnErasedNoteAndABracketBandSaveWhatTheScriptOfTheSameClicksSaves) {
    if (!std::getenv("ZEL_BUILD_DIR")) GTEST_SKIP() << "ZEL_BUILD_DIR names the tools' folder";
    EraseApp app;
    std::vector<std::string> saved;
    std::string script;
    struct Seen {
        int eraseTool = 0, bracketTool = 0, bracketButton = -1, notesBefore = 0, notesAfter = 0, staves = 0;
        int bracketsBefore = 0, bracketsAfter = 0;
    } seen;
    app.whileRunning = [&] {
        Session session;
        CZelDoc* doc = nullptr;
        CZelWnd* wnd = testsupport::OpenNewScoreWindow(app, doc);
        ASSERT_TRUE(doc && wnd);
        CPagePane* pane = wnd->GetView()->GetPane(0);
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
        auto click = [&](const Place& p) {
            Move(pane, int(p.at.x), int(p.at.y));
            Click(pane, int(p.at.x), int(p.at.y), kLeft);
            RunUntilIdle();
        };
        auto notes = [&] {
            int n = 0;
            trkbar::ForEachLiveItem(score->GetTrkBar(0, 0), [&](CBarItem* it) { n += it->IsNote() ? 1 : 0; });
            return n;
        };
        auto brackets = [&] {
            int n = 0;
            for (int s = 0; s < score->GetLineCount(); ++s)
                for (int i = 0; i < score->GetLine(s)->GetStaffCount(); ++i)
                    for (int slot = 0; slot < CStaff::kBracketSlots; ++slot)
                        n += score->GetLine(s)->GetStaff(i)->GetBracketKind(slot) != 0 ? 1 : 0;
            return n;
        };
        auto save = [&] {
            const std::string path = dir.path() + "/app" + std::to_string(saved.size()) + ".zel";
            ASSERT_TRUE(doc->WriteNative(path.c_str()));
            saved.push_back(path);
        };
        // Two quarter notes to erase one of, entered before the start is saved.
        g_toolState.tool = ToolState::kNote;
        g_toolState.subTool = ToolState::kNoteSub;
        g_toolState.value = 3;
        click(place(0, 0, 0, 0));
        click(place(0, 0, 512, 2));
        seen.notesBefore = notes();
        ASSERT_TRUE(doc->WriteNative((dir.path() + "/start.zel").c_str()));
        script = "open start.zel\nwindow mode " + std::to_string(doc->location.arrangementMode) + " zoom " +
                 std::to_string(doc->GetZoom()) + "\n";

        // The main tool bar's erase button, then a click on the second note.
        CToolBtn* erase = g_app.mainToolBar ? g_app.mainToolBar->FindButton(ToolState::kErase) : nullptr;
        ASSERT_NE(erase, nullptr);
        Click(erase, 12, 12);
        RunUntilIdle();
        seen.eraseTool = g_toolState.tool;
        int position = -1;
        trkbar::ForEachLiveItem(score->GetTrkBar(0, 0), [&](CBarItem* it) {
            if (it->IsNote() && it->TimeField() > 0 && position < 0) position = it->PositionField();
        });
        ASSERT_GE(position, 0);
        const Place noteAt = place(0, 0, position, 2);
        click(noteAt);
        seen.notesAfter = notes();
        save();
        script += "tool 801\nclick " + noteAt.text + "\nsave z0.zel\n";

        // The staves palette's bracket button, then a band from the first staff to the last.
        testsupport::ClickPalette(kStavesPalette, 9);
        seen.bracketTool = g_toolState.tool;
        seen.bracketButton = g_toolState.button;
        seen.staves = score->GetLine(0)->GetStaffCount();
        seen.bracketsBefore = brackets();
        const int last = seen.staves - 1;
        const Place from = place(0, 1, 500, 4), to = place(last, 1, 500, -4);
        std::vector<POINT> way{from.at};
        const int steps = std::max(1L, std::max(std::labs(to.at.x - from.at.x), std::labs(to.at.y - from.at.y)) / 4);
        for (int i = 1; i <= steps; ++i)
            way.push_back(POINT{from.at.x + (to.at.x - from.at.x) * i / steps, from.at.y + (to.at.y - from.at.y) * i / steps});
        Move(pane, int(from.at.x), int(from.at.y));
        Drag(pane, way, kLeft);
        RunUntilIdle();
        seen.bracketsAfter = brackets();
        save();
        script += "tool 915 button 9\ndrag " + from.text + " " + to.text + "\nsave z1.zel\n";
    };
    testsupport::RunProgram(app);
    ASSERT_TRUE(app.started);
    EXPECT_EQ(seen.eraseTool, ToolState::kErase);
    EXPECT_EQ(seen.notesBefore, 2);
    EXPECT_EQ(seen.notesAfter, 1);
    EXPECT_EQ(seen.bracketTool, 915);
    EXPECT_EQ(seen.bracketButton, 9);
    // One more bracket on the first staff of every system.
    EXPECT_GT(seen.bracketsAfter, seen.bracketsBefore);
    ASSERT_EQ(saved.size(), 2u);
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
}
