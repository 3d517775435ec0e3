// The converter on large scores: a score of 64 tracks and 1,000 bars and one of four times the
// bars (read whole, then refused: the converter takes at most 20 tracks), and the same for 20
// tracks, converted whole. The scores are written by the editor's writer, every bar holding
// quarter notes, eighths and a chord. Times are the median of five runs, in milliseconds; the
// last column compares each size with the one four times smaller.
//
//   bench_converter          every row
//   bench_converter T B      one size (for a profiler)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "converter/Conversion.h"
#include "converter/ScoreConverter.h"
#include "framework/File.h"
#include "model/Score.h"
#include "model/ScoreFile.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/NotationClasses.h"
#include "notation/Note.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRuns = 5;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double Time(const std::function<void()>& f) {
    const auto a = Clock::now();
    f();
    return std::chrono::duration<double, std::milli>(Clock::now() - a).count();
}

void AddNote(CTrkBar* tb, int time, int value, std::initializer_list<int> positions) {
    auto* note = static_cast<CNote*>(tb->NewItem(CNote::kType, time));
    if (!note) return;
    const int n = int(positions.size());
    if (n > 1) note = static_cast<CNote*>(tb->ResizeNote(note, nullptr, n - 1));
    if (!note) return;
    note->SetHeadCountField(n);
    note->SetNoteValue(value);
    int k = 0;
    for (int p : positions) {
        note->Head(k)->SetPosition(p);
        note->Head(k)->SetPitch(60 + p);
        ++k;
    }
}

std::vector<std::uint8_t> BuildScore(int tracks, int bars) {
    RegisterNotationClasses();
    CZelDoc doc;
    CScore score(&doc);
    if (!score.BuildSkeleton(bars, tracks)) return {};
    score.Reindex();
    for (int t = 0; t < tracks; ++t) {
        for (int b = 0; b < bars; ++b) {
            CTrkBar* tb = score.GetTrkBar(t, b);
            const int p = (t + b) % 7 - 3;
            AddNote(tb, 0, 3, {p});
            AddNote(tb, 480, 4, {p + 1});
            AddNote(tb, 720, 4, {p + 2});
            AddNote(tb, 960, 2, {p - 2, p, p + 2});
        }
    }
    ScoreFileDoc fileDoc;
    return ScoreFile::WriteToBytes(score, fileDoc);
}

std::string TempPath(int tracks, int bars) {
    return "/tmp/zel-bench-converter-" + std::to_string(getpid()) + "-" + std::to_string(tracks) + "x" +
           std::to_string(bars) + ".zel";
}

struct Row {
    double file = 0, core = 0, mb = 0;
};

Row Measure(int tracks, int bars) {
    const std::vector<std::uint8_t> score = BuildScore(tracks, bars);
    Row row;
    row.mb = score.size() / 1e6;
    const std::string path = TempPath(tracks, bars);
    {
        CFile f(path.c_str(), CFile::modeCreate | CFile::modeWrite);
        f.Write(score.data(), UINT(score.size()));
    }
    std::vector<double> file, core;
    zel2tqx::Outcome outcome = zel2tqx::Outcome::EmptyFile;
    int notes = 0;
    for (int r = 0; r < kRuns; ++r) {
        file.push_back(Time([&] {
            const zel2tqx::Conversion c = zel2tqx::ConvertFile(path, zel2tqx::Mode::MovableDo);
            outcome = c.outcome;
            notes = c.state.notesConverted;
        }));
        std::vector<std::uint8_t> bytes = score;
        core.push_back(Time([&] { zel2tqx::ConvertScoreBytes(bytes, zel2tqx::Mode::MovableDo); }));
    }
    row.file = Median(file);
    row.core = Median(core);
    std::printf("| %2d x %5d | %7.2f MB | %-13s | %8d | %10.2f | %10.2f | %8.1f MB/s |", tracks, bars, row.mb,
                outcome == zel2tqx::Outcome::Converted ? "converted" : "refused (>20)", notes, row.file, row.core,
                row.mb / (row.file / 1000.0));
    std::remove(path.c_str());
    std::remove(zel2tqx::OutputPath(path, zel2tqx::Mode::MovableDo).c_str());
    return row;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3) {
        Measure(std::atoi(argv[1]), std::atoi(argv[2]));
        std::printf("\n");
        return 0;
    }
    std::printf("| tracks x bars | file | outcome | notes | file to copy ms | bytes only ms | read rate | 4x / 1x |\n");
    std::printf("|---|---|---|---|---|---|---|---|\n");
    for (int tracks : {64, 20}) {
        const Row small = Measure(tracks, 1000);
        std::printf(" |\n");
        const Row large = Measure(tracks, 4000);
        std::printf(" %.2f (file), %.2f (bytes), size %.2f |\n", large.file / small.file, large.core / small.core,
                    large.mb / small.mb);
    }
    return 0;
}
