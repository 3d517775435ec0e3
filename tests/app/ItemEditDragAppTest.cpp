// The select tool on the score's words, marks and drawings in the running program: a double
// click on each opens its edit (the document command that makes its operation), and a drag in
// the page pane moves a text, a graphic and a tempo mark as the hand moved them.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/AppGlobals.h"
#include "app/MainFrame.h"
#include "app/ZelApp.h"
#include "chrome/MainToolBar.h"
#include "framework/Globals.h"
#include "framework/Mdi.h"
#include "framework/UiTest.h"
#include "model/Bar.h"
#include "model/Graphic.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/SystemStaff.h"
#include "model/Tempo.h"
#include "model/Text.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"
#include "support/CommandRecorder.h"
#include "support/RunTool.h"
#include "support/RunningApp.h"
#include "support/TempHome.h"
#include "view/PagePane.h"
#include "view/ToolState.h"
#include "view/ZelView.h"
#include "view/ZelWnd.h"

using namespace fw::uitest;

namespace {

using ItemApp = testsupport::RunningApp;

// One of each kind, away from the bars' rests: a dynamic, a hairpin, an expression, a coda, an
// ending, a staff text, a text symbol, a rectangle, a harp marking and a tempo mark that shows
// its metronome mark (the new score's own shows nothing).
constexpr const char* kScript =
    "new 1\n"
    "dynamic 0 1 0 5\n"
    "hairpin 1 2 0 0 900 open=90\n"
    "expr 1 3 0 rit. style=1 end=450 printed\n"
    "jumper 4 1\n"
    "ending 5 1\n"
    "text 0 6 0 \"Solo\" kind=1 size=14 y=-700\n"
    "symbol 0 7 0 65 face=1 size=18 y=-500\n"
    "put 0 0 graphic 0 shape=0 place=300,245,340,270\n"
    "put 0 0 harp 0 place=110,520,110,520 pedals=-1,0,1,0,-1,1,0\n"
    "tempo 2 0 90\n"
    "save items.zel\n";

struct Found {
    CBarItem* item = nullptr;
    int bar = -1;
    int track = -1;  // -1: one of the bar's own items
};

// The first live item of the track's bars (or the bars' own items) that the test accepts.
Found Find(CScore* score, int track, const std::function<bool(CBarItem*)>& want) {
    for (int b = 0; b < score->GetBarCount(); ++b) {
        if (track >= 0) {
            Found f;
            trkbar::ForEachLiveItem(score->GetTrkBar(track, b), [&](CBarItem* it) {
                if (!f.item && want(it)) f = Found{it, b, track};
            });
            if (f.item) return f;
            continue;
        }
        CBar* bar = score->GetBar(b);
        CBarItem* it = bar->GetFirstItem();
        for (int i = 0, n = bar->GetItemCount(); it && i < n; ++i, it = it->NextItem())
            if (!rec::IsRemoved(it) && want(it)) return Found{it, b, -1};
    }
    return {};
}

bool ShownTempo(CBarItem* i) { return i->IsTempo() && (i->Bytes()[CTempo::kUnit] & CTempo::kMetronomeShownBit); }

// The item's bounds on its page, measured in its own bar and staff as the page draws it.
RECT BoundsOf(CScore* score, const Found& f) {
    CBar* bar = score->GetBar(f.bar);
    bar->MakeCurrent();
    if (CTrkBar* tb = score->GetTrkBar(std::max(f.track, 0), f.bar)) tb->SetCurrent();
    f.item->VerifyTrack();
    RECT r{};
    f.item->GetBounds(&r);
    if (r.right < r.left) std::swap(r.left, r.right);
    if (r.bottom < r.top) std::swap(r.top, r.bottom);
    return r;
}

}  // namespace

class ItemEditDragApp : public ::testing::Test {
protected:
    void SetUp() override {
        fw::ResetAllGlobals();
        fw::EnsureGraphics();
    }
    void TearDown() override { fw::ResetAllGlobals(); }

    testsupport::TempHome home;
    testsupport::TempDir dir;
};

TEST_F(ItemEditDragApp, DoubleClicksEditTheMarksWordsAndDrawingsAndDragsMoveThem) {
    if (!std::getenv("ZEL_BUILD_DIR")) GTEST_SKIP() << "ZEL_BUILD_DIR names the tools' folder";
    {
        std::ofstream out(dir.path() + "/items.zs");
        out << kScript;
    }
    std::string log;
    ASSERT_EQ(testsupport::RunTool("zelscript", "items.zs", &log, dir.path()), 0) << log;

    struct Edit {
        const char* name;
        int track;
        std::function<bool(CBarItem*)> want;
        const char* task;
    };
    const std::vector<Edit> edits = {
        {"dynamic", 0, [](CBarItem* i) { return i->IsDynamic(); }, "CEditDynamicTask"},
        {"hairpin", 1, [](CBarItem* i) { return i->TypeCode() == 19; }, "CEditCrescTask"},
        {"expression", 1, [](CBarItem* i) { return i->IsExpression(); }, "CEditExprTask"},
        {"coda", -1, [](CBarItem* i) { return i->IsJumperOrEnding() && !i->IsEnding(); }, "CJumperTask"},
        {"ending", -1, [](CBarItem* i) { return i->IsEnding(); }, "CEndingTask"},
        {"symbol", 0, [](CBarItem* i) { return i->IsSymbol(); }, "CEditPlaybackTask"},
        {"graphic", 0, [](CBarItem* i) { return i->IsGraphic(); }, "CEditPlaybackTask"},
        {"harp", 0, [](CBarItem* i) { return i->IsHarpPed(); }, "CHarpTask"},
        {"tempo", -1, [](CBarItem* i) { return ShownTempo(i); }, "CAddTempoTask"},
    };
    struct Seen {
        std::vector<std::string> made;      // per edit, the operations its double click made
        std::vector<std::string> missing;   // the kinds the score lacked
        int textLeftBefore = 0, textLeftAfter = 0;
        int graphicTopBefore = 0, graphicTopAfter = 0, graphicBottomBefore = 0, graphicBottomAfter = 0;
        int tempoBarBefore = -1, tempoBarAfter = -1, tempoPositionAfter = -1, tempos = 0;
        bool tempoTrailing = false;
    } seen;

    ItemApp app;
    app.whileRunning = [&] {
        Session session;
        CZelDoc* doc = app.OpenDocumentFile((dir.path() + "/items.zel").c_str());
        ASSERT_NE(doc, nullptr);
        app.SetActiveDocument(doc);
        RunUntilIdle();
        auto* wnd = testsupport::ActiveScoreWindow();
        ASSERT_NE(wnd, nullptr);
        CPagePane* pane = wnd->GetView()->GetPane(0);
        CScore* score = doc->GetScore();
        const RECT paper = score->GetPage(0)->GetPaperRect();
        const auto toPane = [&](POINT p) { return POINT{LONG(p.x - paper.left), LONG(p.y - paper.top)}; };
        Click(g_app.mainToolBar->FindButton(ToolState::kSelect), 12, 12);
        RunUntilIdle();

        // Each item's double click, a little inside its box's left edge at mid height; the
        // hairpin at its closed end, the ending on its hook's top.
        for (const Edit& e : edits) {
            const Found f = Find(score, e.track, e.want);
            if (!f.item) {
                seen.missing.push_back(e.name);
                seen.made.push_back("");
                continue;
            }
            const RECT r = BoundsOf(score, f);
            POINT at{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
            if (f.item->TypeCode() == 19) at = POINT{r.left + 1, (r.top + r.bottom) / 2};
            if (f.item->IsEnding()) at = POINT{r.left + 1, r.top + 1};
            const POINT p = toPane(at);
            commandtest::MadeTasks tasks;
            Move(pane, int(p.x), int(p.y));
            Click(pane, int(p.x), int(p.y));
            Click(pane, int(p.x), int(p.y), kLeft, kNone, 2);
            RunUntilIdle();
            std::string made;
            for (const std::string& c : tasks.classes) made += (made.empty() ? "" : ",") + c;
            seen.made.push_back(made);
        }

        auto drag = [&](POINT from, POINT to) {
            const POINT a = toPane(from), b = toPane(to);
            std::vector<POINT> way{a};
            const int steps = std::max(1L, std::max(std::labs(b.x - a.x), std::labs(b.y - a.y)) / 4);
            for (int i = 1; i <= steps; ++i)
                way.push_back(POINT{a.x + (b.x - a.x) * i / steps, a.y + (b.y - a.y) * i / steps});
            Move(pane, int(a.x), int(a.y));
            Drag(pane, way, kLeft);
            RunUntilIdle();
        };

        // The text 40 to the right.
        const auto isText = [](CBarItem* i) { return i->IsText(); };
        if (Found f = Find(score, 0, isText); f.item) {
            const RECT r = BoundsOf(score, f);
            seen.textLeftBefore = r.left;
            drag(POINT{r.left + 4, (r.top + r.bottom) / 2}, POINT{r.left + 44, (r.top + r.bottom) / 2});
            if (Found g = Find(score, 0, isText); g.item) seen.textLeftAfter = BoundsOf(score, g).left;
        }
        // The rectangle by its inside 30 down.
        const auto isGraphic = [](CBarItem* i) { return i->IsGraphic(); };
        if (Found f = Find(score, 0, isGraphic); f.item) {
            const RECT r = BoundsOf(score, f);
            seen.graphicTopBefore = r.top;
            seen.graphicBottomBefore = r.bottom;
            const POINT mid{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
            drag(mid, POINT{mid.x, mid.y + 30});
            if (Found g = Find(score, 0, isGraphic); g.item) {
                const RECT after = BoundsOf(score, g);
                seen.graphicTopAfter = after.top;
                seen.graphicBottomAfter = after.bottom;
            }
        }
        // The tempo mark dropped with its left past the end of its bar's notes: it goes to the
        // start of the next bar.
        if (Found f = Find(score, -1, ShownTempo); f.item) {
            seen.tempoBarBefore = f.bar;
            const RECT r = BoundsOf(score, f);
            CBar* bar = score->GetBar(f.bar);
            const int end = bar->FractionToX(1024);
            seen.tempoTrailing = end + 1 < bar->GetRight();
            const POINT grab{r.left + 3, r.bottom - 3};
            drag(grab, POINT{grab.x + (end + 1 - r.left), grab.y});
            for (int b = 0; b < score->GetBarCount(); ++b) {
                CBar* each = score->GetBar(b);
                CBarItem* it = each->GetFirstItem();
                for (int i = 0, n = each->GetItemCount(); it && i < n; ++i, it = it->NextItem())
                    if (!rec::IsRemoved(it) && ShownTempo(it)) {
                        ++seen.tempos;
                        seen.tempoBarAfter = b;
                        seen.tempoPositionAfter = it->PositionField();
                    }
            }
        }
    };
    testsupport::RunProgram(app);
    ASSERT_TRUE(app.started);
    EXPECT_TRUE(seen.missing.empty()) << seen.missing.front();
    ASSERT_EQ(seen.made.size(), edits.size());
    for (std::size_t i = 0; i < edits.size(); ++i) EXPECT_EQ(seen.made[i], edits[i].task) << edits[i].name;
    EXPECT_NEAR(seen.textLeftAfter - seen.textLeftBefore, 40, 2) << "the text follows the hand";
    EXPECT_NEAR(seen.graphicTopAfter - seen.graphicTopBefore, 30, 2);
    EXPECT_NEAR(seen.graphicBottomAfter - seen.graphicBottomBefore, 30, 2) << "the whole rectangle moves";
    EXPECT_EQ(seen.tempoBarBefore, 2);
    EXPECT_EQ(seen.tempos, 1);
    EXPECT_EQ(seen.tempoBarAfter, 3);
    if (seen.tempoTrailing) EXPECT_EQ(seen.tempoPositionAfter, 0) << "the start of the next bar";
}
