// The lyric window's Apply of one verse over 1,000 notes: a track of 250 bars of four quarter
// notes, a verse of 1,000 syllables ("Hap-py" pairs and words). Timed twice: the scanner, line
// record and flow alone, then the whole Apply through the window (the editor's styled text
// read, tokens measured, the flow run as an undo step), each over a fresh verse and again over
// the verse it replaces. Prints the times in milliseconds.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "framework/Clock.h"
#include "framework/Gdi.h"
#include "framework/UiTest.h"
#include "model/LyricFlow.h"
#include "model/LyricWnd.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/ScoreStructureStandIns.h"
#include "model/System.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntry.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"
#include "notation/NotationClasses.h"
#include "platform/Port.h"

namespace {

int Syllables(CScore* score) {
    int n = 0;
    for (int b = 0; b < score->GetBarCount(); ++b)
        trkbar::ForEachLiveItem(score->GetTrkBar(0, b), [&](CBarItem* it) { n += it->IsLyric(); });
    return n;
}

using Clock = std::chrono::steady_clock;
constexpr int kBars = 260, kNotes = 1000;

double Since(Clock::time_point a) { return std::chrono::duration<double, std::milli>(Clock::now() - a).count(); }

std::string Verse() {
    std::string text;
    for (int i = 0; i < kNotes / 2; ++i) text += i % 2 ? "Hap-py " : "sing a ";
    return text;
}

}  // namespace

int main() {
    fw::EnsureGraphics();
    InitDrawing();
    fw::clocktest::SetManual(1000);
    RegisterNotationClasses();
    RegisterTrackClass();
    g_preferences.SetDefaultFonts();
    CZelDoc doc;
    CScore* score = doc.GetScore();
    score->BuildSkeleton(kBars, 1);
    score->Reindex();
    for (int k = 0; k < score->GetLineCount(); ++k) score->GetLine(k)->Relayout();
    score->RecalcLayout(0);
    int entered = 0;
    for (int b = 0; b < score->GetBarCount() && entered < kNotes; ++b)
        for (int q = 0; q < 4 && entered < kNotes; ++q) {
            CTrkBar* tb = score->GetTrkBar(0, b);
            tb->SetCurrent();
            EntryRequest r;
            r.value = 3;
            r.time = double(480 * q);
            r.position = tb->TickToFraction(480 * q);
            r.staffPosition = q;
            r.midiPitch = 60 + q;
            r.insertedDuration = 480;
            r.headDuration = 480;
            entered += tb->InsertNote(r, false, 0) ? 1 : 0;
        }
    const std::string text = Verse();
    const std::vector<LyricRun> runs{LyricRun{0, g_preferences.Font(4)}};
    const LyricPlace place{0, 0, 0, 0};
    std::printf("Lyric Apply: one verse of %d syllables over %d notes\n", kNotes, entered);
    for (int pass = 0; pass < 2; ++pass) {
        const auto a = Clock::now();
        std::vector<LyricToken> tokens = lyricflow::Scan(text, runs, nullptr);
        std::vector<std::uint8_t> line;
        lyricflow::BuildLine(line, place, text, runs, tokens, false);
        auto* task = new CLyricWndTask(place, std::move(tokens), runs, std::move(line), false, false);
        task->Attach(&doc, lyricflow::kUndoNameString);
        doc.DoTask(task);
        const double ms = Since(a);
        std::printf("  scan and flow (%s): %.2f ms, %d syllables\n", pass ? "replacing" : "fresh", ms, Syllables(score));
    }
    doc.ClearUndo();
    CLyricWnd window;
    if (!window.Create(nullptr)) {
        std::printf("  the window could not be made\n");
        return 1;
    }
    window.SetDocument(&doc);
    window.SetPlace(1, 1, 1, 2);
    for (int pass = 0; pass < 2; ++pass) {
        window.Editor()->SetAllText(text.c_str());
        const auto a = Clock::now();
        window.Apply();
        const double ms = Since(a);
        std::printf("  the window's Apply (%s): %.2f ms, %d syllables\n", pass ? "replacing" : "fresh", ms, Syllables(score));
    }
    const auto a = Clock::now();
    window.Load();
    std::printf("  the window's Load: %.2f ms (%zu characters)\n", Since(a), window.Editor()->GetText().size());
    return 0;
}
