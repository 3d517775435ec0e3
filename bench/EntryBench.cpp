// Note entry: 1,000 notes entered one by one, as the note tool enters them, spread over a score of
// 16 staves and 100 empty bars, with every automatic option on (rests, beams, spacing); then 200
// quarter notes clicked with the note tool into the first page of a new score in its score window
// (offscreen, scripted input: the hover, the press, the entry, the redraw and the undo step; a
// later pass that lands on a note selects it, as the note tool does).
// Prints the mean and the worst time per entry in milliseconds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>

#include "framework/Clock.h"
#include "framework/DC.h"
#include "framework/Gdi.h"
#include "framework/UiTest.h"
#include "model/Bar.h"
#include "model/NewScore.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/ScoreStructureStandIns.h"
#include "model/System.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntry.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"
#include "model/SystemStaff.h"
#include "notation/NotationClasses.h"
#include "platform/Port.h"
#include "view/PagePane.h"
#include "view/ToolState.h"
#include "view/ZelView.h"
#include "view/ZelWnd.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kTracks = 16, kBars = 100, kEntries = 1000, kClicks = 200;

// Quarter notes clicked into the first page of a new score through its score window.
void ClickedNotes() {
    fw::EnsureGraphics();
    InitDrawing();
    fw::clocktest::SetManual(1000);
    fw::uitest::Session session;
    auto doc = std::make_unique<CZelDoc>();
    CScore* score = doc->GetScore();
    {
        CDC measure;
        measure.CreateIC();
        PushPort(&measure);
        NewScoreSettings settings;
        BuildNewScore(*score, settings);
        PopPort();
    }
    doc->location.arrangementMode = 0;
    doc->SetZoom(100, false);
    auto wnd = std::make_unique<CZelWnd>();
    if (!wnd->Create(nullptr, RECT{0, 0, 820, 620}, doc.get())) {
        std::printf("clicked notes: the score window could not be made\n");
        return;
    }
    fw::uitest::RunUntilIdle();
    CPagePane* pane = wnd->GetView()->GetPane(0);
    int bars = 0;
    while (bars < score->GetBarCount() && score->GetBar(bars)->GetPage() == score->GetPage(0)) ++bars;
    g_toolState.tool = ToolState::kNote;
    g_toolState.subTool = ToolState::kNoteSub;
    g_toolState.value = 3;
    const RECT paper = score->GetPage(0)->GetPaperRect();
    double total = 0, worst = 0;
    for (int i = 0; i < kClicks; ++i) {
        CBar* bar = score->GetBar((i / 4) % std::max(bars, 1));
        CStaff* staff = score->GetTrkBar(0, bar->GetIndex())->GetStaff();
        const int x = bar->FractionToX(bar->TickToFraction(480 * (i % 4), false)) - paper.left;
        const int y = staff->PositionToY(i % 9 - 4) - paper.top;
        const auto a = Clock::now();
        fw::uitest::Move(pane, x, y);
        fw::uitest::Click(pane, x, y);
        fw::uitest::RunUntilIdle();
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - a).count();
        total += ms;
        worst = std::max(worst, ms);
    }
    int notes = 0;
    for (int b = 0; b < bars; ++b)
        trkbar::ForEachLiveItem(score->GetTrkBar(0, b), [&](CBarItem* item) { notes += item->IsNote(); });
    std::printf("Clicked notes: %d clicks with the note tool over %d bars of a page (%d notes now there)\n", kClicks,
                bars, notes);
    std::printf("mean %.4f ms, worst %.4f ms per click\n", total / kClicks, worst);
    wnd.reset();
    doc.reset();
}

}  // namespace

int main() {
    RegisterNotationClasses();
    RegisterTrackClass();
    CZelDoc doc;
    auto score = std::make_unique<CScore>(&doc);
    score->BuildSkeleton(kBars, kTracks);
    score->Reindex();
    for (int k = 0; k < score->GetLineCount(); ++k) score->GetLine(k)->Relayout();
    score->RecalcLayout(0);
    g_entry.autoBeam = g_entry.autoRests = g_entry.autoSpacing = true;
    g_entry.advance = true;

    std::mt19937 random(1000);
    double total = 0, worst = 0;
    int refused = 0;
    for (int i = 0; i < kEntries; ++i) {
        CTrkBar* tb = score->GetTrkBar(int(random() % kTracks), int(random() % kBars));
        tb->SetCurrent();
        EntryRequest r;
        r.value = 3 + int(random() % 3);
        r.time = double(240 * int(random() % 8));
        r.position = tb->TickToFraction(int(r.time));
        r.staffPosition = int(random() % 13) - 6;
        r.midiPitch = 60 + r.staffPosition;
        r.insertedDuration = 3840 >> r.value;
        r.headDuration = int(r.insertedDuration);
        const auto a = Clock::now();
        const bool ok = tb->InsertNote(r, true, 0);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - a).count();
        refused += !ok;
        total += ms;
        worst = std::max(worst, ms);
    }
    std::printf("Note entry: %d notes over %d staves x %d bars, every automatic option on\n", kEntries, kTracks, kBars);
    std::printf("mean %.4f ms, worst %.4f ms per entry (%d refused)\n", total / kEntries, worst, refused);
    ClickedNotes();
    return 0;
}
