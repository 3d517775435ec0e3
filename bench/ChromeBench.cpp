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
#include "framework/App.h"
#include "framework/ControlBar.h"
#include "platform/Port.h"
#include "platform/SizingBar.h"
#include "chrome/MainToolBar.h"
#include "app/Transport.h"
#include "platform/StdView.h"
#include "model/NewScore.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/NotationClasses.h"
#include "view/DebugWnd.h"

#include <memory>

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

    // A drag step's relayout: six sizing bars in two rows at the top, two at the left, one
    // tool bar; one pixel moves between neighbours and the frame lays its bars out again.
    CWinApp app("bench");
    CFrameWnd frame;
    if (!frame.Create("dock")) return 1;
    frame.MoveWindow(0, 0, 1200, 800, TRUE);
    frame.EnableDocking(CBRS_ALIGN_ANY);
    frame.ShowWindow(SW_SHOW);
    app.m_pMainWnd = &frame;
    std::vector<std::unique_ptr<CSizingControlBarG>> bars;
    for (int i = 0; i < 8; ++i) {
        auto bar = std::make_unique<CSizingControlBarG>();
        if (!bar->Create("bar", &frame, SIZE{200, 80}, FALSE, UINT(100 + i), CBRS_TOP)) return 1;
        bar->EnableDocking(CBRS_ALIGN_ANY);
        frame.DockControlBarAt(bar.get(), i < 6 ? AFX_IDW_DOCKBAR_TOP : AFX_IDW_DOCKBAR_LEFT, i < 6 ? i / 3 : 0);
        bars.push_back(std::move(bar));
    }
    CControlBar tools;
    if (!tools.Create("tools", &frame, 200, CBRS_TOP, SIZE{400, 24})) return 1;
    tools.EnableDocking(CBRS_ALIGN_ANY);
    frame.DockControlBarAt(&tools, AFX_IDW_DOCKBAR_TOP, -1);
    fw::PumpMessages();
    int sign = 1;
    const double relayout = MedianMs(51, [&] {
        bars[0]->sizeHorz.cx += sign;
        bars[1]->sizeHorz.cx -= sign;
        sign = -sign;
        frame.RecalcLayout();
    });
    std::printf("docking: one drag step's relayout with 9 bars docked %.3f ms\n", relayout);

    // The debug window over a bar of a track holding 500 items (controllers, one a tick):
    // making its lines, and one paint of the list.
    RegisterTrackClass();
    RegisterNotationClasses();
    {
        CZelDoc doc;
        NewScoreSettings settings;
        if (!BuildNewScore(*doc.GetScore(), settings)) return 1;
        doc.MakeCurrent();
        CTrkBar* tb = doc.GetScore()->GetTrkBar(0, 0);
        for (int i = 0; i < 500 && tb; ++i) tb->NewItem(171, i);
        doc.SetCurrentBar(0, false);
        CDebugWnd debug;
        if (!debug.Create(&frame)) return 1;
        debug.SetDocument(&doc);
        debug.ShowBar();
        fw::PumpMessages();
        std::size_t count = 0;
        const double lines = MedianMs(21, [&] { count = debug.CurrentLines().size(); });
        CStdView* list = debug.GetListView();
        const double listPaint = MedianMs(21, [&] {
            list->RedrawAll();
            list->UpdateWindow();
        });
        std::printf("debug window: %zu lines made in %.3f ms; one paint of the list %.2f ms\n", count, lines, listPaint);
        debug.SetDocument(nullptr);
    }
    bars.clear();
    app.m_pMainWnd = nullptr;
    frame.DestroyWindow();

    // Start-up's bars: the standard and main tool bars with every palette, the transport and
    // text style bars made in a new frame; then the main tool bar's first paint.
    double create = 0, firstPaint = 0;
    std::vector<double> creates, paints;
    for (int run = 0; run < 7; ++run) {
        CFrameWnd main;
        if (!main.Create("bars")) return 1;
        main.MoveWindow(0, 0, 1200, 800, TRUE);
        main.EnableDocking(CBRS_ALIGN_ANY);
        main.ShowWindow(SW_SHOW);
        app.m_pMainWnd = &main;
        fw::PumpMessages();
        {
            CStdToolBar standard;
            CMainToolBar toolBar;
            CTransport transport;
            const auto t0 = std::chrono::steady_clock::now();
            if (!standard.Create(&main) || !toolBar.Create(&main, [&transport](CFrameWnd* f) { return transport.Create(f); })) return 1;
            const auto t1 = std::chrono::steady_clock::now();
            main.DockControlBar(&standard);
            main.DockControlBar(&toolBar);
            main.ShowControlBar(&toolBar, TRUE);
            fw::PumpMessages();
            const auto t2 = std::chrono::steady_clock::now();
            toolBar.Invalidate();
            for (int i = 0; i < CMainToolBar::kToolButtons; ++i) toolBar.toolButtons[i].Invalidate();
            toolBar.noteButton.Invalidate();
            toolBar.quantButton.Invalidate();
            fw::PumpMessages();
            const auto t3 = std::chrono::steady_clock::now();
            creates.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
            paints.push_back(std::chrono::duration<double, std::milli>(t3 - t2).count());
        }
        app.m_pMainWnd = nullptr;
        main.DestroyWindow();
    }
    const double firstCreate = creates.front();
    std::sort(creates.begin(), creates.end());
    std::sort(paints.begin(), paints.end());
    create = creates[creates.size() / 2];
    firstPaint = paints[paints.size() / 2];
    std::printf("start-up bars: standard, main, 16 palettes, transport and style bar made in %.2f ms (the first "
                "time, with their strips, %.2f ms); the main tool bar's paint %.2f ms\n", create, firstCreate, firstPaint);
    return 0;
}
