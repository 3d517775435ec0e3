// Selecting a large score: every track of 64 tracks x 1,000 bars (four quarter notes in every
// bar of every track) selected whole, then everything deselected again. The median of five
// runs of each, in ms.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/ScoreStructureStandIns.h"
#include "model/Select.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/NotationClasses.h"
#include "notation/Note.h"
#include "platform/Port.h"

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
    CZelDoc doc;
    CScore* own = doc.score;
    CScore score(&doc);
    if (!score.BuildSkeleton(1000, 64)) {
        std::fprintf(stderr, "bench_select: the score could not be built\n");
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
    CSelect* sel = doc.GetSelection();
    sel->score = &score;
    std::vector<double> select, clear;
    int counted = 0;
    for (int run = 0; run < 5; ++run) {
        auto start = std::chrono::steady_clock::now();
        sel->SelectTracks(0, 63, false);
        select.push_back(Since(start));
        counted = sel->GetItemCount();
        start = std::chrono::steady_clock::now();
        sel->ClearAll();
        clear.push_back(Since(start));
    }
    doc.score = own;
    std::printf("SelectTracks, 64 tracks x 1000 bars (%d items): %.2f ms\n", counted, Median(select));
    std::printf("ClearAll after it: %.2f ms\n", Median(clear));
    return 0;
}
