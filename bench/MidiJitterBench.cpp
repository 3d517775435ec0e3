// The song clock's timing: the real 1 ms clock at 120 beats per minute sends a dense stream (a
// message on every 480-per-quarter tick) into a loopback capture port; each send's lateness is
// its capture stamp against the millisecond at which the clock's own arithmetic made it due.
// Prints p50, p99 and max lateness, the clock thread's CPU share and whether real-time priority
// was granted. Goal: p99 below 0.5 ms, max below 1 ms, CPU below 2 % of a core.
//
//   build/bench_midi_jitter [--seconds N]     (default 10)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "framework/Clock.h"
#include "framework/Midi.h"

namespace {

struct Stream {
    fw::midi::PortId port = 0;
    const fw::MillisecondClock* clock = nullptr;
    std::int32_t accumulator = 0;
    std::uint32_t ticks = 0;
    std::vector<std::int64_t> due;  // reserved: the clock thread allocates nothing
    std::size_t sent = 0;

    static void Tick(void* user, std::uint32_t ms) {
        auto* s = static_cast<Stream*>(user);
        s->accumulator += 12000;  // 120 beats per minute at 100 %
        while (s->accumulator >= 12500) {
            s->accumulator -= 12500;
            if (s->sent == s->due.size()) return;
            const std::uint8_t key = std::uint8_t(60 + s->ticks % 12);
            s->due[s->sent++] = s->clock->StartNs() + std::int64_t(ms) * 1000000;
            fw::midi::SendShort(s->port, s->ticks % 2 ? 0x80 : 0x90, key, 100);
            ++s->ticks;
        }
    }
};

double Ms(std::int64_t ns) { return double(ns) / 1e6; }

std::string LoadAverage() {
    std::ifstream f("/proc/loadavg");
    std::string a, b, c;
    f >> a >> b >> c;
    return a + " " + b + " " + c;
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = 10;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: bench_midi_jitter [--seconds N]\n");
            return 2;
        }
    }
    if (seconds < 1) seconds = 1;
    fw::midi::Config config;
    config.synth = config.alsa = config.jack = false;
    fw::midi::Configure(config);
    fw::midi::loopback::AddOutput("Capture");
    Stream stream;
    stream.port = fw::midi::OpenOutput("Capture");
    const std::size_t capacity = std::size_t(seconds) * 1000 + 1000;
    stream.due.resize(capacity);
    fw::midi::loopback::ReserveLog(capacity);

    fw::MillisecondClock clock;
    stream.clock = &clock;  // its start time is set before its thread runs
    if (!clock.Start(Stream::Tick, &stream)) {
        std::fprintf(stderr, "bench_midi_jitter: the clock did not start\n");
        return 1;
    }
    const std::int64_t wallStart = fw::MonotonicNs();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const std::int64_t cpu = clock.ThreadCpuNs();
    const std::int64_t wall = fw::MonotonicNs() - wallStart;
    const bool realtime = clock.RealtimeGranted();
    clock.Stop();

    std::vector<fw::midi::loopback::Captured> log = fw::midi::loopback::Log();
    const std::size_t n = std::min(log.size(), stream.sent);
    std::vector<std::int64_t> late(n);
    for (std::size_t i = 0; i < n; ++i) late[i] = log[i].ns - stream.due[i];
    std::sort(late.begin(), late.end());
    if (n == 0) {
        std::fprintf(stderr, "bench_midi_jitter: nothing was sent\n");
        return 1;
    }
    std::printf("messages %zu over %d s at 120 BPM (load %s)\n", n, seconds, LoadAverage().c_str());
    std::printf("lateness p50 %.3f ms  p99 %.3f ms  max %.3f ms\n", Ms(late[n / 2]), Ms(late[n * 99 / 100]), Ms(late[n - 1]));
    std::printf("clock thread CPU %.2f %% of a core\n", 100.0 * double(cpu) / double(wall));
    std::printf("real-time priority %s\n", realtime ? "granted" : "not granted");
    return 0;
}
