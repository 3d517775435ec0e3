// Printing a large score to PDF: the dense 16-track, 200-bar MIDI file of the import benchmark,
// imported and laid out, then every page printed to a PDF file through the printing artist as
// `zelrender --pdf` prints. Prints the page count, the median of three prints in ms and the
// file's size. `bench_print OUT.pdf [OPS.log]` keeps the file to be looked at (pdffonts, pdftoppm)
// and writes the drawing calls sent to its pages, one a line, as `zelrender --ops` does.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "DenseMidi.h"
#include "app/MidiFileHooks.h"
#include "framework/File.h"
#include "framework/Gdi.h"
#include "midi/MidiImport.h"
#include "model/Page.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "notation/NotationClasses.h"
#include "platform/Port.h"

namespace {

using Clock = std::chrono::steady_clock;
double Ms(Clock::time_point a) { return std::chrono::duration<double, std::milli>(Clock::now() - a).count(); }

long FileSize(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? long(st.st_size) : -1;
}

}  // namespace

int main(int argc, char** argv) {
    // The file is read from a folder of its own under the one name, so that the title the import
    // gives the score (the file's name) is the same on every run.
    char folder[] = "/tmp/zel-bench-print-XXXXXX";
    if (!mkdtemp(folder)) {
        std::fprintf(stderr, "bench_print: no temporary folder\n");
        return 1;
    }
    const std::string kept = argc > 1 ? argv[1] : "";
    const std::string opsLog = argc > 2 ? argv[2] : "";
    const std::string pdf = kept.empty() ? std::string(folder) + "/dense.pdf" : kept;
    RegisterNotationClasses();
    RegisterTrackClass();
    fw::EnsureGraphics();
    InitDrawing();
    // The fonts the program starts with, as the tools print.
    g_preferences.SetDefaultFonts(0);
    g_preferences.MakeFontsCurrent();
    RegisterMidiFileHooks();
    g_midiImport.optionsDialog = nullptr;

    const std::vector<std::uint8_t> bytes = bench::DenseMidiFile();
    const std::string midi = std::string(folder) + "/dense.mid";
    fw::WriteFileAtomic(midi, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    CZelDoc doc;
    const bool opened = doc.OnOpenDocument(midi.c_str());
    std::remove(midi.c_str());
    if (!opened) {
        rmdir(folder);
        std::fprintf(stderr, "bench_print: the dense file was refused\n");
        return 1;
    }
    CScore& score = *doc.GetScore();
    std::vector<double> times;
    for (int run = 0; run < 3; ++run) {
        const auto a = Clock::now();
        if (!PrintScoreToPdf(score, pdf)) {
            std::fprintf(stderr, "bench_print: cannot write %s\n", pdf.c_str());
            return 1;
        }
        times.push_back(Ms(a));
    }
    std::sort(times.begin(), times.end());
    const long size = FileSize(pdf);
    std::printf("Print to PDF: 16 tracks x 200 bars, %d pages: %.0f ms (median of 3; %.0f-%.0f), %.2f MB (%ld bytes)\n",
                score.GetPageCount(), times[1], times.front(), times.back(), size / 1e6, size);
    if (!opsLog.empty()) {
        std::vector<std::string> calls;
        std::ofstream log(opsLog);
        if (!PrintScoreToPdf(score, pdf, &calls)) return 1;
        for (const std::string& line : calls) log << line << '\n';
        if (!log) {
            std::fprintf(stderr, "bench_print: cannot write %s\n", opsLog.c_str());
            return 1;
        }
    }
    if (kept.empty()) std::remove(pdf.c_str());
    rmdir(folder);
    return 0;
}
