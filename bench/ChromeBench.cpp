// The bar controls: the cold build of every image strip (what the first drawing of each strip
// pays at start-up) and one paint of the controls sheet (buttons, fields, a number popup, a
// menu box of 128 items, the clef picker). Medians of several runs, in ms.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "ControlsSheet.h"
#include "framework/Gdi.h"
#include "framework/Strips.h"
#include "framework/Window.h"
#include "platform/Port.h"

namespace {

template <typename F>
double MedianMs(int runs, F&& f) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        f();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

}  // namespace

int main() {
    fw::EnsureGraphics();
    InitDrawing();
    int built = 0;
    // The very first build also loads the music font and builds its outlines.
    const double first = MedianMs(1, [&] { built = fw::BuildAllStrips(1); });
    const double strips = MedianMs(7, [&] { built = fw::BuildAllStrips(1); });
    const double strips2 = MedianMs(7, [&] { fw::BuildAllStrips(2); });
    ControlsSheet sheet;
    if (!sheet.Create()) {
        std::fprintf(stderr, "bench_chrome: the controls sheet could not be made\n");
        return 1;
    }
    sheet.Paint();  // the strips it shows are cached from here on
    const double paint = MedianMs(21, [&] {
        sheet.Paint();
        fw::PumpMessages();
    });
    std::printf("strips: %d built; the first time %.2f ms (with the font's loading), then %.2f ms (pixel ratio 1), "
                "%.2f ms (ratio 2)\n", built, first, strips, strips2);
    std::printf("controls sheet: one paint %.2f ms\n", paint);
    return 0;
}
