// Note entry: 1,000 notes entered one by one, as the note tool enters them, spread over a score of
// 16 staves and 100 empty bars, with every automatic option on (rests, beams, spacing). Prints
// the mean and the worst time per entry in milliseconds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>

#include "model/Bar.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/ScoreStructureStandIns.h"
#include "model/System.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntry.h"
#include "model/ZelDoc.h"
#include "notation/NotationClasses.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kTracks = 16, kBars = 100, kEntries = 1000;

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
    return 0;
}
