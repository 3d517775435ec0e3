// Note commands on a large selection: every note of 16 tracks x 100 bars (four quarter notes in
// every bar) selected, then Add Interval (35016, a major third up) and Flip Direction (35400)
// run through the document's command handler, each undone before the next run. The median of
// five runs of each, in ms.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "edit/Commands.h"
#include "model/Score.h"
#include "model/Select.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/NotationClasses.h"
#include "notation/Note.h"
#include "platform/Port.h"
#include "model/ScoreStandIns.h"
#include "model/ScoreStructureStandIns.h"

namespace {
double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}
double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}
}  // namespace

int main() {
    InitDrawing();
    RegisterTrackClass();
    RegisterNotationClasses();
    edit::RegisterOperations();
    CZelDoc doc;
    CScore* own = doc.score;
    CScore score(&doc);
    constexpr int kTracks = 16, kBars = 100;
    if (!score.BuildSkeleton(kBars, kTracks)) {
        std::fprintf(stderr, "bench_notecmds: the score could not be built\n");
        return 1;
    }
    for (int t = 0; t < kTracks; ++t)
        for (int b = 0; b < kBars; ++b) {
            CTrkBar* tb = score.GetTrkBar(t, b);
            tb->SetCurrent();
            for (int q = 0; q < 4; ++q) {
                auto* note = static_cast<CNote*>(tb->NewItem(CNote::kType, q * 480));
                if (!note) continue;
                note->SetHeadCountField(1);
                note->SetNoteValue(3);
                note->SetPositionField(std::int16_t(q * 256));
                note->Head(0)->SetPosition(q - 2);
                note->Head(0)->SetPitch(64 + q);
                note->Head(0)->SetDuration(480);
            }
        }
    score.RecalcLayout(0);
    doc.score = &score;
    doc.MakeCurrent();
    auto timeCommand = [&](int id, int* items, int* changedHeads) {
        std::vector<double> runs;
        for (int run = 0; run < 5; ++run) {
            // Undo exchanges the selection with its saved copy: it is asked for each run.
            CSelect* sel = doc.GetSelection();
            sel->score = &score;
            sel->SelectTracks(0, kTracks - 1, false);
            *items = sel->GetItemCount();
            const auto start = std::chrono::steady_clock::now();
            doc.OnCommandRange(id);
            runs.push_back(Since(start));
            *changedHeads = 0;
            for (CBarItem* i = score.GetTrkBar(kTracks - 1, kBars - 1)->GetItems(); i && i->TypeCode() != 255; i = i->NextItem())
                if (!i->IsRemoved() && i->IsNote()) *changedHeads += static_cast<CNote*>(i)->HeadCountField();
            doc.Undo();
        }
        return Median(runs);
    };
    int items = 0, heads = 0, flipHeads = 0;
    const double interval = timeCommand(35016, &items, &heads);
    const double flip = timeCommand(35400, &items, &flipHeads);
    doc.score = own;
    std::printf("Add Interval (35016), %d tracks x %d bars (%d items; the last bar's four notes then hold %d heads): %.2f ms\n",
                kTracks, kBars, items, heads, interval);
    std::printf("Flip Direction (35400), the same: %.2f ms\n", flip);
    return 0;
}
