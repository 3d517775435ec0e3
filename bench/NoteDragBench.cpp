// The select tool's note drag in a large score: 64 tracks x 1,000 bars, four quarter notes in
// every bar of every track, in a score window (offscreen) showing a late page; the first note of
// that page's first bar is dragged up and down a staff step at each move (each step sounds and
// re-spells the head). Prints the mean and the worst time per move step and the time of the
// press and of the release (which applies the new pitch and recalculates the bar), in ms.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

#include "framework/Clock.h"
#include "framework/DC.h"
#include "framework/Gdi.h"
#include "framework/UiTest.h"
#include "model/Bar.h"
#include "model/DragTask.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/NotationClasses.h"
#include "notation/Note.h"
#include "platform/Port.h"
#include "view/PagePane.h"
#include "view/ToolState.h"
#include "view/ZelView.h"
#include "view/ZelWnd.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kSteps = 200;

double Ms(Clock::time_point a) { return std::chrono::duration<double, std::milli>(Clock::now() - a).count(); }

}  // namespace

int main() {
    fw::EnsureGraphics();
    InitDrawing();
    RegisterTrackClass();
    RegisterNotationClasses();
    fw::clocktest::SetManual(1000);
    fw::uitest::Session session;
    auto doc = std::make_unique<CZelDoc>();
    CScore* score = doc->GetScore();
    if (!score->BuildSkeleton(1000, 64)) {
        std::fprintf(stderr, "bench_note_drag: the score could not be built\n");
        return 1;
    }
    for (int t = 0; t < score->GetTrackCount(); ++t)
        for (int b = 0; b < score->GetBarCount(); ++b) {
            CTrkBar* tb = score->GetTrkBar(t, b);
            for (int q = 0; q < 4; ++q) {
                auto* note = static_cast<CNote*>(tb->NewItem(CNote::kType, q * 480));
                if (!note) continue;
                note->SetHeadCountField(1);
                note->SetNoteValue(3);
                note->SetPositionField(std::int16_t(q * 256));
                note->Head(0)->SetPosition(q - 2);
            }
        }
    score->RecalcLayout(0);
    doc->location.arrangementMode = 0;
    doc->SetZoom(100, false);
    auto wnd = std::make_unique<CZelWnd>();
    if (!wnd->Create(nullptr, RECT{0, 0, 820, 620}, doc.get())) {
        std::fprintf(stderr, "bench_note_drag: the score window could not be made\n");
        return 1;
    }
    fw::uitest::RunUntilIdle();
    const int pageIndex = std::max(0, score->GetPageCount() - 2);
    doc->SetCurrentPage(pageIndex);
    fw::uitest::RunUntilIdle();
    CPagePane* pane = wnd->GetView()->GetPane(0);
    if (pane->GetPageNumber() != pageIndex) {
        pane->SetPageNumber(pageIndex);
        pane->InvalidateAll();
        fw::uitest::RunUntilIdle();
    }
    CPage* page = score->GetPage(pageIndex);
    CLine* line = page && page->GetSystemCount() > 0 ? page->GetLine(0) : nullptr;
    CBar* bar = line && line->GetBarCount() > 0 ? score->GetBar(line->GetFirstBarIndex()) : nullptr;
    if (!bar) {
        std::fprintf(stderr, "bench_note_drag: no late bar\n");
        return 1;
    }
    CTrkBar* tb = score->GetTrkBar(0, bar->GetIndex());
    CBarItem* hit = nullptr;
    for (CBarItem* it = tb->GetItems(); it && it->TypeCode() != 255 && !hit; it = it->NextItem())
        if (it->IsNote() && !it->IsRemoved()) hit = it;
    CStaff* staff = line->GetStaff(0);
    if (!hit || !staff) return 1;

    ScoreLocation& at = doc->location;
    at.bar = bar;
    at.barIndex = std::int16_t(bar->GetIndex());
    at.trackIndex = 0;
    at.trkBar = tb;
    at.track = score->GetTrack(0);
    at.system = line;
    for (int i = 0; i < score->GetLineCount(); ++i)
        if (score->GetLine(i) == line) at.systemIndex = std::int16_t(i);
    at.staff = staff;
    at.page = page;
    at.pageIndex = std::uint16_t(pageIndex);
    at.position = hit->PositionField();
    at.time = hit->TimeField();
    g_toolState.tool = ToolState::kSelect;
    g_viewDrag.tool = ToolState::kSelect;
    g_model.hitPart = 0;
    g_model.hitTool = 903;
    bar->MakeCurrent();
    tb->SetCurrent();

    const POINT start{bar->PositionToItemX(hit->PositionField(), 0), staff->PositionToY(static_cast<CNote*>(hit)->Head(0)->Position())};
    const int step = std::max(1, staff->PositionToY(0) - staff->PositionToY(1));
    const int startPosition = static_cast<CNote*>(hit)->Head(0)->Position();
    CClientDC dc(pane);
    PushPort(&dc);
    auto a = Clock::now();
    CDragTask* drag = hit->CreateDragTask();
    drag->Begin(doc.get(), hit, 4900);
    drag->MouseDown(start);
    const double pressMs = Ms(a);
    POINT prev = start;
    double total = 0, worst = 0;
    for (int i = 0; i < kSteps; ++i) {
        // Up a staff step and back, in turn (the first move passes the threshold).
        POINT cur = prev;
        cur.y += (i % 2) ? step : -step;
        a = Clock::now();
        drag->MouseMove(cur, prev, start);
        const double ms = Ms(a);
        total += ms;
        worst = std::max(worst, ms);
        prev = cur;
    }
    // Released a step above the press: the note takes the new pitch.
    const POINT end{start.x, start.y - step};
    drag->MouseMove(end, prev, start);
    a = Clock::now();
    drag->MouseUp(end, end, start);
    const double releaseMs = Ms(a);
    PopPort();
    if (!doc->GetPagePane(pageIndex)) std::printf("(the late page is not shown: no drag image drawn)\n");
    const int position = static_cast<CNote*>(hit)->Head(0)->Position();
    std::printf("Note drag in bar %d of %d (page %d of %d), %d tracks, %d vertical move steps\n", bar->GetIndex() + 1,
                score->GetBarCount(), pageIndex + 1, score->GetPageCount(), score->GetTrackCount(), kSteps);
    std::printf("mean %.4f ms, worst %.4f ms per step; press %.3f ms, release %.3f ms; head from staff position %d to %d\n",
                total / kSteps, worst, pressMs, releaseMs, startPosition, position);
    delete drag;
    wnd.reset();
    doc.reset();
    return 0;
}
