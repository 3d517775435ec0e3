// Start-up: the program started in process as a user starts it (a fresh home, offscreen, the
// MIDI ports as configured by default, so the built-in synthesizer with its General MIDI sound
// font), on a score. Prints the time until the main frame, its tool bars and palettes are made
// and the score is open, then the time until the built-in synthesizer has taken a note (its
// sound font read). Run it twice for a warm start. Goal: the first under 0.5 s.
//
//   build/bench_startup [SCORE]
#include <signal.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/AppGlobals.h"
#include "app/ZelApp.h"
#include "framework/App.h"
#include "framework/Midi.h"
#include "midi/PortLists.h"

namespace {

using Clock = std::chrono::steady_clock;
Clock::time_point g_start;
double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

class TimedApp : public CZelApp {
public:
    bool InitInstance() override {
        const bool started = CZelApp::InitInstance();
        const Clock::time_point ready = Clock::now();
        double noteMs = -1;
        // The built-in synthesizer's port, when one of the chosen outputs is it.
        if (started && g_app.outPorts)
            for (int i = 0; i < g_app.outPorts->GetCount(); ++i) {
                const DeviceRecord r = g_app.outPorts->GetAt(i);
                if (std::string(r.name) != fw::midi::kSynthName || !r.handle) continue;
                fw::midi::SendShort(r.handle, 0x90, 60, 1);
                fw::midi::SendShort(r.handle, 0x80, 60, 0);
                noteMs = Ms(g_start, Clock::now());
            }
        std::printf("frame, tool bars, palettes and the score: %.1f ms (%s)\n", Ms(g_start, ready),
                    started ? "started" : "did not start");
        if (noteMs >= 0) std::printf("first note taken by the built-in synthesizer: %.1f ms\n", noteMs);
        else std::printf("no built-in synthesizer port open\n");
        ::raise(SIGTERM);
        return started;
    }
};

std::string LoadAverage() {
    std::ifstream f("/proc/loadavg");
    std::string a, b, c;
    f >> a >> b >> c;
    return a + " " + b + " " + c;
}

}  // namespace

int main(int argc, char** argv) {
    g_start = Clock::now();
    char pattern[] = "/tmp/zel-bench-startup-XXXXXX";
    const char* home = ::mkdtemp(pattern);
    if (!home) return 1;
    const std::string h = home;
    ::setenv("HOME", h.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (h + "/config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (h + "/data").c_str(), 1);
    ::setenv("XDG_STATE_HOME", (h + "/state").c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::string score = argc > 1 ? argv[1] : std::string(ZEL_SOURCE_DIR) + "/tests/data/midi/export/plain.zel";
    std::vector<char*> args{argv[0], const_cast<char*>("-nologo"), score.data(), nullptr};
    std::printf("start-up (load %s)\n", LoadAverage().c_str());
    TimedApp app;
    const int code = AfxWinMain(app, 3, args.data());
    std::error_code error;
    std::filesystem::remove_all(h, error);
    return code;
}
