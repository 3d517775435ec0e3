// Reflow of a long score: 1,000 bars on 16 staves, rebuilt by width from the first system.
#include <chrono>
#include <cstdio>

#include "model/Bar.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/ScoreStructureStandIns.h"
#include "model/Track.h"
#include "notation/NotationClasses.h"

#ifdef ZEL_HAVE_GBENCH
#include <benchmark/benchmark.h>
#endif

namespace {

struct LongScore {
    CZelDoc doc;
    CScore score{&doc};
    LongScore() {
        score.BuildSkeleton(1000, 16);
        for (int b = 0; b < score.GetBarCount(); ++b) score.GetBar(b)->SetNaturalSpace(b % 7 == 0 ? 900 : 400);
    }
};

}  // namespace

#ifdef ZEL_HAVE_GBENCH
static void BM_RecalcLayout(benchmark::State& state) {
    RegisterTrackClass();
    RegisterNotationClasses();
    LongScore s;
    for (auto _ : state) benchmark::DoNotOptimize(s.score.RecalcLayout(0));
}
BENCHMARK(BM_RecalcLayout)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
#else
int main() {
    RegisterTrackClass();
    RegisterNotationClasses();
    LongScore s;
    const int runs = 5;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < runs; ++i) s.score.RecalcLayout(0);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("RecalcLayout, 1000 bars x 16 staves: %.2f ms per pass (%d systems, %d pages)\n", ms / runs,
                s.score.GetLineCount(), s.score.GetPageCount());
    return 0;
}
#endif
