// The scrub and bracket tools on large scores. Scrub: one pointer step (a new time under the
// pointer, every head of the range started or stopped) over eight bars of two dense staves (a
// grand staff, four-note chords on every sixteenth) pressed in the ninth bar, with Shift.
// Bracket: the bracket tool's start on a score of 64 tracks x 1,000 bars (four quarter notes in
// every bar of every track), whose snapshot is the whole score, and the undo exchange. Prints
// medians in ms and the process's peak memory.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "model/Bar.h"
#include "model/MidiOut.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/ScoreStructureStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/NotationClasses.h"
#include "notation/Note.h"
#include "platform/Port.h"
#include "view/BendBracketHarpTools.h"
#include "view/ScrubNotes.h"
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

class CountSends : public MidiSender {
public:
    bool SendPatch(int, int, std::int32_t, int) override { return true; }
    bool SendRecord(int, int, int, int) override { return true; }
    bool SendMessage3(int, int, int, int) override {
        ++sent;
        return true;
    }
    long sent = 0;
};

// Notes of `heads` heads on every `step` ticks of every bar of the tracks.
void Fill(CScore& score, int tracks, int step, int heads) {
    std::vector<std::uint8_t> bytes(CRawNote::kHeads + heads * NoteHead::kSize, 0);
    for (int t = 0; t < tracks; ++t)
        for (int b = 0; b < score.GetBarCount(); ++b) {
            CTrkBar* tb = score.GetTrkBar(t, b);
            tb->SetCurrent();
            for (int q = 0; q * step < 1920; ++q) {
                std::fill(bytes.begin(), bytes.end(), 0);
                CNote* note = CNote::Construct(bytes.data());
                note->SetHeadCountField(heads);
                note->CBaseItem::SetSize(std::int16_t(bytes.size()));
                note->SetNoteValue(step == 120 ? 5 : 3);
                note->SetTimeField(std::int16_t(q * step));
                note->SetPositionField(std::int16_t(q * step * 1024 / 1920));
                for (int h = 0; h < heads; ++h) {
                    NoteHead* head = note->Head(h);
                    head->SetPosition(q % 4 - 2 + 2 * h);
                    head->SetPitch(60 + q % 12 + 4 * h);
                    head->SetByte(NoteHead::kVelocity, 64);
                    head->SetDuration(std::uint16_t(step));
                }
                if (CBarItem* placed = tb->InsertCopy(note)) placed->LayoutChord();
            }
        }
}
}  // namespace

int main() {
    InitDrawing();
    RegisterTrackClass();
    RegisterNotationClasses();
    CountSends sends;
    SetTheMidi(&sends);
    {
        CZelDoc doc;
        CScore* own = doc.score;
        CScore score(&doc);
        if (!score.BuildSkeleton(16, 2)) return 1;
        Fill(score, 2, 120, 4);
        score.RecalcLayout(0);
        doc.score = &score;
        // Pressed in bar 8 of the upper staff: the range holds bars 0 to the end of its system.
        ScoreLocation at = doc.location;
        score.LocatePoint(score.GetBar(8)->GetLeft() + 2, score.GetTrkBar(0, 8)->GetStaff()->GetReferenceY(), &at);
        at.trackIndex = 0;
        at.barIndex = 8;
        std::vector<double> steps;
        ScrubNotes scrub(score, at, POINT{0, 0}, 2);
        CBar* bar = score.GetBar(8);
        const int y = score.GetTrkBar(0, 8)->GetStaff()->GetReferenceY();
        for (int i = 0; i < 41; ++i) {
            const POINT p{LONG(bar->FractionToX(i * 25)), LONG(y)};
            const auto start = std::chrono::steady_clock::now();
            scrub.Step(p);
            steps.push_back(Since(start));
        }
        scrub.Walk(true);
        doc.score = own;
        std::printf("Scrub step over bars 0-%d of two staves of 4-note chords on sixteenths: %.3f ms (%ld sends)\n",
                    score.GetBar(8)->GetLine() ? score.GetBar(8)->GetLine()->GetLastBar() : 8, Median(steps), sends.sent);
    }
    CZelDoc doc;
    CScore* own = doc.score;
    CScore score(&doc);
    if (!score.BuildSkeleton(1000, 64)) {
        std::fprintf(stderr, "bench_erasetools: the score could not be built\n");
        return 1;
    }
    Fill(score, 64, 480, 1);
    score.RecalcLayout(0);
    doc.score = &score;
    g_toolState.tool = CBracketTool::kToolId;
    g_toolState.button = 9;
    const long before = PeakKb();
    std::vector<double> snapshot, undo;
    for (int run = 0; run < 5; ++run) {
        auto start = std::chrono::steady_clock::now();
        CBracketTool tool;
        tool.Start(&doc, nullptr, CBracketTool::kNameId);
        snapshot.push_back(Since(start));
        start = std::chrono::steady_clock::now();
        tool.SwapSnapshot();
        undo.push_back(Since(start));
    }
    const long after = PeakKb();
    doc.score = own;
    std::printf("Bracket tool's snapshot of 64 tracks x 1000 bars: start %.2f ms, undo exchange %.2f ms\n",
                Median(snapshot), Median(undo));
    std::printf("peak memory %ld kB before, %ld kB after\n", before, after);
    return 0;
}
