// Transcription and MIDI files: a dense performance (64 bars of 4/4, eight voices of random
// notes, one staff) transcribed in the several-voices mode, then a 16-track, 200-bar file
// imported (read, transcribed, laid out) and the score exported, then each damaged or tricky
// file of tests/data/midi/hostile imported (or refused). Prints each time in milliseconds.
//
// An optional run over public performance MIDI files (not in CI): open each through
// `build/zelscript` with `answer ok 8=0` and `open FILE.mid` after `time`, as the note tells.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "DenseMidi.h"
#include "app/MidiFileHooks.h"
#include "edit/Transcriber.h"
#include "framework/File.h"
#include "midi/MidiExport.h"
#include "midi/MidiImport.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/NotationClasses.h"
#include "platform/Port.h"

namespace {

using Clock = std::chrono::steady_clock;
double Ms(Clock::time_point a) { return std::chrono::duration<double, std::milli>(Clock::now() - a).count(); }

}  // namespace

int main() {
    RegisterNotationClasses();
    RegisterTrackClass();
    InitDrawing();
    RegisterMidiFileHooks();
    g_midiImport.optionsDialog = nullptr;

    // 1. Transcription of 64 bars x 8 voices.
    {
        CZelDoc doc;
        CScore& score = *doc.score;
        score.BuildSkeleton(64, 1);
        score.Reindex();
        doc.MakeCurrent();
        std::mt19937 random(64);
        int notes = 0;
        for (int b = 0; b < 64; ++b) {
            CTrkBar* tb = score.GetTrkBar(0, b);
            tb->SetCurrent();
            for (int v = 0; v < 8; ++v)
                for (int t = int(random() % 60); t < 1860; t += 120 + int(random() % 360)) {
                    PerformanceEvent e;
                    e.time = t;
                    e.duration = 60 + int(random() % 600);
                    e.key = std::uint8_t(40 + random() % 40);
                    tb->AddPerformanceNote(e);
                    ++notes;
                }
        }
        const auto a = Clock::now();
        Transcriber& t = g_edit.transcriber;
        t.Setup(&score, 120, true, true, true);
        const int code = t.Run(0, 0, 63, 0);
        std::printf("Transcription: %d performance notes, 64 bars, several voices: %.1f ms (code %d)\n", notes, Ms(a),
                    code);
    }
    // 2. Import and export of a dense 16-track, 200-bar file.
    {
        const std::vector<std::uint8_t> bytes = bench::DenseMidiFile();
        const std::string path = "/tmp/zel-bench-dense.mid";
        fw::WriteFileAtomic(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        CZelDoc doc;
        auto a = Clock::now();
        const bool opened = doc.OnOpenDocument(path.c_str());
        std::printf("Import: %zu bytes, 16 tracks x 200 bars (read, transcribe, lay out): %.1f ms (%s)\n", bytes.size(),
                    Ms(a), opened ? "opened" : "refused");
        a = Clock::now();
        const int code = ExportMidiFileTo(doc, "/tmp/zel-bench-export.mid");
        std::printf("Export of that score: %.1f ms (code %d)\n", Ms(a), code);
        std::remove(path.c_str());
        std::remove("/tmp/zel-bench-export.mid");
    }
    // 3. The damaged and tricky files, each opened as the program opens it.
    {
        std::vector<std::filesystem::path> files;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(ZEL_MIDI_FIXTURES, error))
            if (entry.path().extension() == ".mid") files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const auto& file : files) {
            CZelDoc doc;
            const auto a = Clock::now();
            const bool opened = doc.OnOpenDocument(file.string().c_str());
            const double ms = Ms(a);
            if (opened)
                std::printf("Import of %s: %.1f ms (%d bars)\n", file.filename().c_str(), ms, doc.GetScore()->GetBarCount());
            else
                std::printf("Import of %s: %.1f ms (refused, code %d)\n", file.filename().c_str(), ms, doc.lastReadCode);
        }
    }
    return 0;
}
