// The select tool's group drag: the eighth notes of the first page of a new piano score (two
// staves) selected, then one of them dragged with the group, a staff step up or down or a step
// along the bar at each move, in a score window (offscreen). Prints the mean and the worst time
// per move step in milliseconds, and the time of the press and of the release.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

#include "framework/Clock.h"
#include "framework/DC.h"
#include "framework/Gdi.h"
#include "framework/UiTest.h"
#include "model/Bar.h"
#include "model/NewScore.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/Select.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntry.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"
#include "notation/NotationClasses.h"
#include "platform/Port.h"
#include "view/DragGroup.h"
#include "view/ZelView.h"
#include "view/ZelWnd.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kSteps = 200;

double Ms(Clock::time_point a) { return std::chrono::duration<double, std::milli>(Clock::now() - a).count(); }

}  // namespace

int main() {
    RegisterNotationClasses();
    RegisterTrackClass();
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
        settings.arrangement = 1;
        BuildNewScore(*score, settings);
        PopPort();
    }
    doc->location.arrangementMode = 0;
    doc->SetZoom(100, false);
    auto wnd = std::make_unique<CZelWnd>();
    if (!wnd->Create(nullptr, RECT{0, 0, 820, 620}, doc.get())) {
        std::printf("group drag: the score window could not be made\n");
        return 1;
    }
    fw::uitest::RunUntilIdle();
    int bars = 0;
    while (bars < score->GetBarCount() && score->GetBar(bars)->GetPage() == score->GetPage(0)) ++bars;
    g_entry.advance = false;
    for (int t = 0; t < score->GetTrackCount(); ++t)
        for (int b = 0; b < bars; ++b) {
            CTrkBar* tb = score->GetTrkBar(t, b);
            tb->SetCurrent();
            for (int i = 0; i < 8; ++i) {
                EntryRequest r;
                r.value = 4;
                r.time = 240.0 * i;
                r.position = tb->TickToFraction(int(r.time));
                r.staffPosition = i % 5 - 2;
                r.midiPitch = 60 + r.staffPosition;
                r.insertedDuration = 240;
                r.headDuration = 240;
                tb->InsertNote(r, false, 0);
            }
        }
    CSelect* sel = doc->GetSelection();
    sel->SelectSpan(0, 0, 0, score->GetTrackCount() - 1, bars - 1, 1024, false);
    sel->Recount();
    CBarItem* hit = nullptr;
    trkbar::ForEachLiveItem(score->GetTrkBar(0, 0), [&](CBarItem* it) {
        if (!hit && it->IsNote()) hit = it;
    });
    if (!hit) {
        std::printf("group drag: no note to press\n");
        return 1;
    }
    CBar* bar = score->GetBar(0);
    CStaff* staff = bar->GetLine()->GetStaff(0);
    ScoreLocation& at = doc->location;
    at.bar = bar;
    at.barIndex = 0;
    at.trackIndex = 0;
    at.trkBar = score->GetTrkBar(0, 0);
    at.system = bar->GetLine();
    at.systemIndex = 0;
    at.staff = staff;
    at.page = score->GetPage(0);
    at.pageIndex = 0;
    at.position = hit->PositionField();

    auto a = Clock::now();
    auto* drag = new CDragGroup;
    drag->Begin(doc.get(), hit, 4900);
    const POINT start{bar->PositionToItemX(hit->PositionField(), 0), staff->PositionToY(0)};
    drag->MouseDown(start);
    const double pressMs = Ms(a);
    const int step = std::max(1, staff->PositionToY(0) - staff->PositionToY(1));
    POINT prev = start;
    double total = 0, worst = 0;
    for (int i = 0; i < kSteps; ++i) {
        // Up and down a staff step in turn, every fourth move a few units along the bar.
        POINT cur = prev;
        if (i % 4 == 3)
            cur.x += (i / 4) % 2 ? -6 : 6;
        else
            cur.y += (i % 2) ? step : -step;
        a = Clock::now();
        drag->MouseMove(cur, prev, start);
        const double ms = Ms(a);
        total += ms;
        worst = std::max(worst, ms);
        prev = cur;
    }
    a = Clock::now();
    drag->MouseUp(prev, prev, start);
    const double releaseMs = Ms(a);
    std::printf("Group drag: %d selected items (%d listed) over %d bars of %d staves, %d move steps\n",
                sel->GetItemCount(), drag->Count(), bars, score->GetTrackCount(), kSteps);
    std::printf("mean %.4f ms, worst %.4f ms per step; press %.3f ms, release %.3f ms\n", total / kSteps, worst,
                pressMs, releaseMs);
    delete drag;
    wnd.reset();
    doc.reset();
    return 0;
}
