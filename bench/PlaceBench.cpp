// Placing a clef: the clef tool's click in the middle of bar 10 of track 30 of a score of 64
// tracks x 1,000 bars (four quarter notes in every bar of every track). The clef's snapshot
// keeps the systems and the bars of five tracks from bar 10 to the score's end; undo gives them
// back. Prints the median of five clicks and undos in ms and the process's peak memory before
// and after them.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "model/Bar.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/ScoreStructureStandIns.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/NotationClasses.h"
#include "notation/Note.h"
#include "platform/Port.h"
#include "view/PlaceTools.h"
#include "view/ToolState.h"

namespace {
double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}
double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}
long PeakKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}
}  // namespace

int main() {
    InitDrawing();
    RegisterTrackClass();
    RegisterNotationClasses();
    CZelDoc doc;
    CScore* own = doc.score;
    CScore score(&doc);
    if (!score.BuildSkeleton(1000, 64)) {
        std::fprintf(stderr, "bench_place: the score could not be built\n");
        return 1;
    }
    for (int t = 0; t < score.GetTrackCount(); ++t)
        for (int b = 0; b < score.GetBarCount(); ++b) {
            CTrkBar* tb = score.GetTrkBar(t, b);
            for (int q = 0; q < 4; ++q) {
                auto* note = static_cast<CNote*>(tb->NewItem(CNote::kType, q * 480));
                if (!note) continue;
                note->SetHeadCountField(1);
                note->SetNoteValue(3);
                note->SetPositionField(std::int16_t(q * 256));
                note->Head(0)->SetPosition(q - 2);
            }
        }
    score.RecalcLayout(0);
    doc.score = &score;
    g_toolState.tool = CClefTool::kToolId;
    g_toolState.button = 1;
    const long before = PeakKb();
    std::vector<double> place, undo;
    for (int run = 0; run < 5; ++run) {
        ScoreLocation& at = doc.location;
        at.trackIndex = 30;
        at.barIndex = 10;
        at.position = 600;
        at.staffPosition = 0;
        at.page = nullptr;
        at.staff = score.GetTrkBar(30, 10)->GetStaff();
        at.time = score.GetBar(10)->FractionToTick(600);
        auto start = std::chrono::steady_clock::now();
        CClefTool tool;
        tool.Start(&doc, nullptr, CClefTool::kToolId);
        tool.MouseDown(POINT{0, 0});
        tool.MouseUp(POINT{0, 0}, POINT{0, 0}, POINT{0, 0});
        place.push_back(Since(start));
        if (run == 0) {
            int clefs = 0;
            for (CBarItem* it = score.GetTrkBar(30, 10)->GetItems(); it && it->TypeCode() != 255; it = it->NextItem())
                clefs += it->TypeCode() == 18 && !it->IsRemoved();
            std::printf("clefs placed in the bar: %d\n", clefs);
        }
        start = std::chrono::steady_clock::now();
        tool.SwapSnapshot();
        undo.push_back(Since(start));
    }
    const long after = PeakKb();
    doc.score = own;
    std::printf("Clef tool in bar 10 of 64 tracks x 1000 bars: place %.2f ms, undo %.2f ms\n", Median(place),
                Median(undo));
    std::printf("peak memory %ld kB before the clicks, %ld kB after\n", before, after);
    return 0;
}
