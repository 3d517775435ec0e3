// Large scores: how long saving, reading, opening and the everyday edits take, and how the
// layout and the building of a score grow with its size.
//
//   bench_score            every table
//   bench_score quick      the smallest sizes only (a smoke run)
//   bench_score T B        one size of T tracks and B bars (for a profiler)
//   bench_score edits T B  bar insertions and deletions only, with the shorter passes (also
//                          as the bar pop-up's undoable commands 33227 and 33463) and with
//                          whole passes (CScore::wholeScorePasses), then with the shorter
//                          passes on the score read back from its file
//   bench_score append T B building T tracks by appending bars up to B (for a profiler)
//   bench_score tracks T B a track deleted from the middle and a treble staff inserted there
//                          again, on a laid-out score of T tracks and B bars
//
// Each size runs in a child process of its own, so that its peak resident memory is its own.
// Times are the median of five runs, in milliseconds.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "edit/Commands.h"
#include "framework/File.h"
#include "model/Bar.h"
#include "model/EditTask.h"
#include "model/Meter.h"
#include "model/Score.h"
#include "model/ScoreFile.h"
#include "model/ScoreStandIns.h"
#include "model/ScoreStructureStandIns.h"
#include "model/ZelDoc.h"
#include "model/System.h"
#include "model/TaskMakers.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "notation/Beam.h"
#include "notation/NotationClasses.h"
#include "notation/Note.h"
#include "notation/Rest.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRuns = 5;
constexpr int kQuarter = 480;

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double Time(const std::function<void()>& f) {
    const auto a = Clock::now();
    f();
    return Ms(a, Clock::now());
}

// --- the score's contents ----------------------------------------------------------------------

CNote* AddNote(CTrkBar* tb, int time, int value, int position, bool beamed) {
    auto* note = static_cast<CNote*>(tb->NewItem(CNote::kType, time));
    if (!note) return nullptr;
    note->SetHeadCountField(1);
    note->SetNoteValue(value);
    note->SetFlagBit(CRawHead::kBeamedBit, beamed);
    note->Head(0)->SetPosition(position);
    rec::Put<std::uint8_t>(note->Head(0)->Bytes(), NoteHead::kPitch, std::uint8_t(60 + position));
    rec::Put<std::uint8_t>(note->Head(0)->Bytes(), NoteHead::kVelocity, 80);
    return note;
}

void AddRest(CTrkBar* tb, int time, int value) {
    auto* rest = static_cast<CRawHead*>(tb->NewItem(CRest::kType, time));
    if (rest) rest->SetNoteValue(value);
}

// A beam over the notes from `from` to `to` (ticks); `cross` makes its end reach the staff
// below, as a beam between two hands does.
void AddBeam(CTrkBar* tb, int from, int to, bool cross) {
    CBarItem* beam = tb->NewItem(16, from);
    if (!beam) return;
    rec::Put<std::uint8_t>(beam, 17, std::uint8_t(cross ? 1 : 0));
    rec::Put<std::uint8_t>(beam, 18, 1);
    BeamSegment main(beam->Bytes() + 30);
    main.SetFlags(std::uint8_t(1 << BeamSegment::kLevelShift | BeamSegment::kFirstUp | BeamSegment::kLastUp));
    main.SetStartPosition(std::int16_t(from * 1024 / (4 * kQuarter)));
    main.SetEndPosition(std::int16_t(to * 1024 / (4 * kQuarter)));
    rec::Put<std::int16_t>(beam, 42, -40);
    rec::Put<std::int16_t>(beam, 44, -60);
}

// One bar of a track: quarters, beamed eighths, rests, or a mix, by the bar's place.
void FillBar(CScore& score, int t, int b) {
    CTrkBar* tb = score.GetTrkBar(t, b);
    const int kind = (t * 7 + b) % 4;
    const int p = (t + b) % 7 - 3;
    switch (kind) {
        case 0:
            for (int i = 0; i < 4; ++i) AddNote(tb, i * kQuarter, 3, p + i, false);
            break;
        case 1:
            for (int i = 0; i < 8; ++i) AddNote(tb, i * kQuarter / 2, 4, p + (i & 3), true);
            AddBeam(tb, 0, 3 * kQuarter / 2, t + 1 < score.GetTrackCount() && b % 10 == 1);
            AddBeam(tb, 2 * kQuarter, 7 * kQuarter / 2, false);
            break;
        case 2:
            AddRest(tb, 0, 2);
            AddRest(tb, 2 * kQuarter, 2);
            break;
        default:
            AddNote(tb, 0, 3, p, false);
            AddNote(tb, kQuarter, 4, p + 1, true);
            AddNote(tb, 3 * kQuarter / 2, 4, p + 2, true);
            AddBeam(tb, kQuarter, 3 * kQuarter / 2, false);
            AddRest(tb, 2 * kQuarter, 3);
            AddNote(tb, 3 * kQuarter, 3, p, false);
            break;
    }
}

void LayOut(CScore& score) {
    for (int k = 0; k < score.GetLineCount(); ++k) score.GetLine(k)->Relayout();
    score.RecalcLayout(0);
}

void Fill(CScore& score) {
    for (int b = 0; b < score.GetBarCount(); ++b) {
        for (int t = 0; t < score.GetTrackCount(); ++t) FillBar(score, t, b);
        CBar* bar = score.GetBar(b);
        bar->MeasureContents();
        bar->Respace();
    }
    score.Reindex();
    score.RecalcBars(false);
}

// A score the benchmark builds or reads stands in its document as the document's own score
// while it is timed, so that the document's page passes lay out this score, as they do in the
// program.
struct OwnedBy {
    CZelDoc& doc;
    CScore* previous;
    OwnedBy(CZelDoc& d, CScore* s) : doc(d), previous(d.score) { d.score = s; }
    ~OwnedBy() { doc.score = previous; }
    OwnedBy(const OwnedBy&) = delete;
    OwnedBy& operator=(const OwnedBy&) = delete;
};

std::unique_ptr<CScore> Build(CZelDoc* doc, int tracks, int bars) {
    auto score = std::make_unique<CScore>(doc);
    OwnedBy own(*doc, score.get());
    score->BuildSkeleton(bars, tracks);
    score->Reindex();
    Fill(*score);
    LayOut(*score);
    return score;
}

std::string TempPath(const char* what) {
    return std::string("/tmp/zel-bench-") + std::to_string(getpid()) + "-" + what + ".zel";
}

void Save(CScore& score, const std::string& path) {
    ScoreFileDoc d;
    CFile f(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    ScoreFile::Write(score, d, f);
    f.Close();
}

std::unique_ptr<CScore> Read(CZelDoc* doc, const std::string& path) {
    auto score = std::make_unique<CScore>(doc);
    ScoreFileDoc d;
    CFile f(path.c_str(), CFile::modeRead);
    if (!ScoreFile::Open(*score, d, f)) std::fprintf(stderr, "bench: %s could not be read\n", path.c_str());
    return score;
}

long PeakKilobytes() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// Runs f in a child process and passes on what it prints.
void InChild(const std::function<void()>& f) {
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        f();
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::printf("  (run failed: status %d)\n", status);
}

void SizeRow(int tracks, int bars) {
    CZelDoc doc;
    auto score = Build(&doc, tracks, bars);
    OwnedBy ownBuilt(doc, score.get());
    const std::string path = TempPath("size");
    std::vector<double> save, read, open, docOpen, insert, remove, note;
    for (int r = 0; r < kRuns; ++r) save.push_back(Time([&] { Save(*score, path); }));
    const long fileBytes = [&] {
        CFile f(path.c_str(), CFile::modeRead);
        return long(f.GetLength());
    }();
    for (int r = 0; r < kRuns; ++r) {
        std::unique_ptr<CScore> s;
        read.push_back(Time([&] { s = Read(&doc, path); }));
    }
    std::unique_ptr<CScore> opened;
    for (int r = 0; r < kRuns; ++r) {
        opened.reset();
        open.push_back(Time([&] {
            opened = Read(&doc, path);
            OwnedBy own(doc, opened.get());
            LayOut(*opened);
        }));
    }
    // The document's open step: the reader, each system's relayout and the page set-up.
    for (int r = 0; r < kRuns; ++r) {
        auto d = std::make_unique<CZelDoc>();
        docOpen.push_back(Time([&] {
            if (!d->OnOpenDocument(path.c_str())) std::fprintf(stderr, "bench: the document did not open %s\n", path.c_str());
        }));
    }
    OwnedBy ownOpened(doc, opened.get());
    const int mid = opened->GetBarCount() / 2;
    for (int r = 0; r < kRuns; ++r) {
        insert.push_back(Time([&] { opened->InsertBar(mid); }));
        remove.push_back(Time([&] { opened->DeleteBar(mid); }));
    }
    for (int r = 0; r < kRuns; ++r) {
        note.push_back(Time([&] {
            AddNote(opened->GetTrkBar(0, mid), r * kQuarter / 2, 4, r, false);
            opened->UpdateBarLayout(mid);
        }));
    }
    std::printf("| %2d x %5d | %6.2f MB | %9.2f | %9.2f | %9.2f | %9.2f | %9.2f | %9.2f | %9.3f | %7.0f MB |\n", tracks,
                bars, fileBytes / 1e6, Median(save), Median(read), Median(open), Median(docOpen), Median(insert),
                Median(remove), Median(note), PeakKilobytes() / 1024.0);
    std::remove(path.c_str());
}

void GrowthRow(int tracks, int bars, bool appending) {
    CZelDoc doc;
    auto score = Build(&doc, tracks, bars);
    std::vector<double> layout;
    {
        OwnedBy own(doc, score.get());
        for (int r = 0; r < kRuns; ++r) layout.push_back(Time([&] { score->RecalcLayout(0); }));
    }
    score.reset();
    if (!appending) {
        std::printf("| %2d x %5d | %9.2f | %10.3f |\n", tracks, bars, Median(layout),
                    Median(layout) / (double(tracks) * bars) * 1000.0);
        return;
    }
    // Building by appending: a score of one system grows bar by bar to the size.
    CScore grown(&doc);
    OwnedBy own(doc, &grown);
    grown.BuildSkeleton(doc.GetBarsPerSystem(), tracks);
    grown.Reindex();
    LayOut(grown);
    const double append = Time([&] {
        while (grown.GetBarCount() < bars)
            if (!grown.AppendBar(false)) break;
    });
    std::printf("| %2d x %5d | %9.2f | %10.3f | %11.1f | %12.4f |\n", tracks, bars, Median(layout),
                Median(layout) / (double(tracks) * bars) * 1000.0, append, append / bars);
}

}  // namespace

int main(int argc, char** argv) {
    RegisterTrackClass();
    RegisterNotationClasses();
    if (argc == 4 && std::strcmp(argv[1], "edits") == 0) {
        // Only bar insertions and deletions, for a profiler: on the score as built, with the
        // shorter passes and with whole passes, then with the shorter passes on the same score
        // read back from its file and laid out, back to back.
        const int tracks = std::atoi(argv[2]), bars = std::atoi(argv[3]);
        const std::string path = TempPath("edits");
        const auto series = [&](CZelDoc& doc, CScore& score, const char* what) {
            OwnedBy own(doc, &score);
            const int mid = score.GetBarCount() / 2;
            std::vector<double> in, out;
            for (int r = 0; r < 40; ++r) {
                in.push_back(Time([&] { score.InsertBar(mid); }));
                out.push_back(Time([&] { score.DeleteBar(mid); }));
            }
            std::printf("%s: insert %.2f ms, delete %.2f ms\n", what, Median(in), Median(out));
        };
        // The same through the bar pop-up's commands as undoable operations (33227 inserts before
        // the current bar, 33463 deletes it), their snapshots included.
        const auto tasks = [&](CZelDoc& doc, CScore& score, const char* what) {
            OwnedBy own(doc, &score);
            edit::RegisterOperations();
            const int mid = score.GetBarCount() / 2;
            std::vector<double> in, out;
            for (int r = 0; r < 40; ++r) {
                for (const int id : {33227, 33463}) {
                    doc.SetCurrentBar(mid, false);
                    CScoreTask* task = MakeTask("CAddBarTask", doc);
                    static_cast<CCruise*>(task)->Attach(&doc, id, id);
                    (id == 33227 ? in : out).push_back(Time([&] { doc.DoTask(task); }));
                }
            }
            doc.ClearUndo();
            std::printf("%s: insert task %.2f ms, delete task %.2f ms\n", what, Median(in), Median(out));
        };
        InChild([&] {
            CZelDoc doc;
            auto built = Build(&doc, tracks, bars);
            Save(*built, path);
            series(doc, *built, "built, shorter passes");
            tasks(doc, *built, "built, shorter passes");
            built->wholeScorePasses = true;
            series(doc, *built, "built, whole passes");
        });
        // The file read by a process that has built nothing, as the program opens it.
        InChild([&] {
            CZelDoc doc;
            auto read = Read(&doc, path);
            {
                OwnedBy own(doc, read.get());
                LayOut(*read);
            }
            series(doc, *read, "read back, shorter passes");
        });
        std::remove(path.c_str());
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "note") == 0) {
        // Only adding a note to track 0's bars from the middle on and laying out its bar, for a profiler.
        CZelDoc doc;
        auto score = Build(&doc, std::atoi(argv[2]), std::atoi(argv[3]));
        LayOut(*score);
        const int mid = score->GetBarCount() / 2;
        std::vector<double> note;
        // One note per bar, over the bars from the middle on, so no bar grows over-full.
        for (int r = 0; r < 200 && mid + r < score->GetBarCount(); ++r) {
            note.push_back(Time([&] {
                AddNote(score->GetTrkBar(0, mid + r), kQuarter / 2, 4, 1, false);
                score->UpdateBarLayout(mid + r);
            }));
        }
        std::printf("add note: %.4f ms\n", Median(note));
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "tracks") == 0) {
        CZelDoc doc;
        auto score = Build(&doc, std::atoi(argv[2]), std::atoi(argv[3]));
        OwnedBy own(doc, score.get());
        LayOut(*score);
        const int mid = score->GetTrackCount() / 2;
        std::vector<double> out, in;
        for (int r = 0; r < kRuns; ++r) {
            out.push_back(Time([&] { score->DeleteTrack(mid); }));
            in.push_back(Time([&] { score->InsertTrack(mid, 0, 0); }));
        }
        std::printf("%d x %d: delete track %.2f ms, insert track %.2f ms\n", std::atoi(argv[2]), std::atoi(argv[3]),
                    Median(out), Median(in));
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "append") == 0) {
        // Only the building by appending bars, for a profiler.
        GrowthRow(std::atoi(argv[2]), std::atoi(argv[3]), true);
        return 0;
    }
    if (argc == 3) {
        SizeRow(std::atoi(argv[1]), std::atoi(argv[2]));
        return 0;
    }
    const bool quick = argc > 1 && std::strcmp(argv[1], "quick") == 0;
    std::printf("Large scores: median of %d runs, milliseconds\n\n", kRuns);
    std::printf("| tracks x bars | file | save | read | open | document open | insert bar | delete bar | add note | peak memory |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|\n");
    const std::vector<std::pair<int, int>> sizes =
        quick ? std::vector<std::pair<int, int>>{{1, 100}, {8, 300}}
              : std::vector<std::pair<int, int>>{{1, 100}, {8, 300}, {16, 1000}, {64, 1000}};
    for (auto [t, b] : sizes) InChild([t = t, b = b] { SizeRow(t, b); });
    std::printf("\nGrowth at 16 tracks: whole-score layout (median), building by appending bars (one run)\n\n");
    std::printf("| tracks x bars | layout | layout per 1,000 track bars | append all | append per bar |\n");
    std::printf("|---|---|---|---|---|\n");
    const std::vector<int> growth = quick ? std::vector<int>{100, 300} : std::vector<int>{100, 300, 1000, 3000};
    for (int b : growth) InChild([b] { GrowthRow(16, b, true); });
    if (quick) return 0;
    std::printf("\nWhole-score layout by tracks at 1,000 bars (median)\n\n");
    std::printf("| tracks x bars | layout | layout per 1,000 track bars |\n|---|---|---|\n");
    for (int t : {4, 8, 16, 32, 64}) InChild([t] { GrowthRow(t, 1000, false); });
    return 0;
}
