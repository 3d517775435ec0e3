// The song clock's timing: the real 1 ms clock at 120 beats per minute sends a dense stream (a
// message on every 480-per-quarter tick) into a loopback capture port; each send's lateness is
// its capture stamp against the millisecond at which the clock's own arithmetic made it due.
// Prints p50, p99 and max lateness, the clock thread's CPU share and whether real-time priority
// was granted. Goal: p99 below 0.5 ms, max below 1 ms, CPU below 2 % of a core.
// With --score the stream is a score played by the performer through the device layer's tick
// (CMidi::Tick, generation every 100th millisecond), every message it sends going to the capture;
// the performance starts as the play button starts it, through the transport engine (2502),
// whose poll then runs every 100 ms on this thread. With --record the transport engine records
// instead (2500) while a feeder thread plays a note every 50 ms into a loopback input; the
// input-to-queue delay (from the send on the keyboard's port until the message is in the input
// queue) is printed too, and the recording's notes counted after the stop.
//
//   build/bench_midi_jitter [--seconds N] [--score FILE [--record]]     (default 10 s)
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ToolScore.h"
#include "app/TapeDeck.h"
#include "framework/Clock.h"
#include "framework/Midi.h"
#include "midi/MidiLayer.h"
#include "midi/Performer.h"
#include "model/Playback.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/TrkBar.h"

namespace {

struct Stream {
    fw::midi::PortId port = 0;
    const fw::MillisecondClock* clock = nullptr;
    std::int32_t accumulator = 0;
    std::uint32_t ticks = 0;
    std::vector<std::int64_t> due;  // reserved: the clock thread allocates nothing
    std::size_t sent = 0;

    static std::uint32_t Tick(void* user, std::uint32_t ms) {
        auto* s = static_cast<Stream*>(user);
        s->accumulator += 12000;  // 120 beats per minute at 100 %
        while (s->accumulator >= 12500) {
            s->accumulator -= 12500;
            if (s->sent == s->due.size()) return ms + 1;
            const std::uint8_t key = std::uint8_t(60 + s->ticks % 12);
            s->due[s->sent++] = s->clock->StartNs() + std::int64_t(ms) * 1000000;
            fw::midi::SendShort(s->port, s->ticks % 2 ? 0x80 : 0x90, key, 100);
            ++s->ticks;
        }
        return ms + 1;  // a message nearly every millisecond
    }
};

// The device layer with every message going to the capture, each stamped with the millisecond
// of the clock that made it due.
class CaptureMidi : public CMidi {
public:
    fw::midi::PortId port = 0;
    std::int64_t dueNs = 0;  // set by the clock before each millisecond
    std::vector<std::int64_t> due;
    std::size_t sent = 0;
    bool SendEvent(int, const ChannelMessage& m) override {
        if (sent == due.size()) return true;
        due[sent++] = dueNs;
        fw::midi::SendShort(port, m.status, m.data1, m.data2);
        return true;
    }
};

struct ScoreStream {
    CaptureMidi* midi = nullptr;
    const fw::MillisecondClock* clock = nullptr;
    static std::uint32_t Tick(void* user, std::uint32_t ms) {
        auto* s = static_cast<ScoreStream*>(user);
        s->midi->dueNs = s->clock->StartNs() + std::int64_t(ms) * 1000000;
        return s->midi->OnTimer(ms);
    }
};

double Ms(std::int64_t ns) { return double(ns) / 1e6; }

// The keyboard of --record: each message's send time, and when the device layer had queued it.
struct Keyboard {
    CMidi* midi = nullptr;
    std::vector<std::int64_t> sentNs, queuedNs;  // reserved: the threads allocate nothing
    std::atomic<std::size_t> sent{0};
    std::size_t queued = 0;  // the input thread's (here the sending thread's) count
    static void OnInput(void* user, fw::midi::PortId port, const std::uint8_t* bytes, std::size_t count) {
        auto* k = static_cast<Keyboard*>(user);
        k->midi->Receive(port, bytes, count);
        if (k->queued < k->queuedNs.size()) k->queuedNs[k->queued++] = fw::MonotonicNs();
    }
};

// The recorded performance notes of every track.
int CountRecordedNotes(CScore& score) {
    int notes = 0;
    for (int t = 0; t < score.GetTrackCount(); ++t)
        for (int b = 0; b < score.GetBarCount(); ++b)
            for (CBarItem* i = score.GetTrkBar(t, b)->GetItems(); i && i->TypeCode() != 255; i = i->NextItem())
                if (i->TypeCode() == 112 && !i->IsRemoved()) ++notes;
    return notes;
}

std::string LoadAverage() {
    std::ifstream f("/proc/loadavg");
    std::string a, b, c;
    f >> a >> b >> c;
    return a + " " + b + " " + c;
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = 10;
    std::string scorePath;
    bool record = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--score") == 0 && i + 1 < argc) {
            scorePath = argv[++i];
        } else if (std::strcmp(argv[i], "--record") == 0) {
            record = true;
        } else {
            std::fprintf(stderr, "usage: bench_midi_jitter [--seconds N] [--score FILE [--record]]\n");
            return 2;
        }
    }
    if (seconds < 1) seconds = 1;
    if (record && scorePath.empty()) {
        std::fprintf(stderr, "bench_midi_jitter: --record needs --score FILE\n");
        return 2;
    }
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
    std::unique_ptr<tools::ToolScore> score;
    CaptureMidi midi;
    std::unique_ptr<Performer> performer;
    std::unique_ptr<CTapeDeck> deck;
    ScoreStream scoreStream;
    Keyboard keyboard;
    fw::midi::PortId keysIn = 0, keysOut = 0;
    if (!scorePath.empty()) {
        tools::RegisterClasses();
        try {
            score = tools::ReadScore(scorePath);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "bench_midi_jitter: %s\n", e.what());
            return 1;
        }
        midi.port = stream.port;
        midi.due.resize(capacity * 8);
        fw::midi::loopback::ReserveLog(capacity * 8);
        performer = std::make_unique<Performer>(&midi);
        SetPerformer(performer.get());
        midi.Arm();
        midi.SetInputAccepted(true);
        midi.SetEngineDrivesClock(true);  // this bench's clock drives the layer's tick
        // No count-off and no click: the stream is the score's.
        g_preferences.SetWord(Preferences::kCountBars, 0);
        g_preferences.SetByte(Preferences::kClickEnabled, 0);
        g_preferences.SetByte(Preferences::kClickInRecord, 0);
        g_preferences.SetByte(Preferences::kClickInCountoff, 0);
        g_preferences.SetByte(Preferences::kTranscribe, 0);
        // No thru echo: only the performer's messages go to the capture.
        g_preferences.SetByte(Preferences::kThruEnabled, 0);
        midi.UpdateThruFromPreferences();
        deck = std::make_unique<CTapeDeck>(&midi, performer.get());
        deck->SetDocument(score->doc.get());
        deck->OnCommand(record ? CTapeDeck::kRecord : CTapeDeck::kPlay);
        if (GetTransportState() == CTapeDeck::kStopped) {
            std::fprintf(stderr, "bench_midi_jitter: the transport engine did not start\n");
            return 1;
        }
        fw::midi::loopback::ClearLog();
        midi.sent = 0;
        scoreStream.midi = &midi;
        scoreStream.clock = &clock;
        if (record) {
            fw::midi::loopback::AddInput("Keys");
            fw::midi::loopback::AddOutput("Keys Out", "Keys");
            keyboard.midi = &midi;
            keyboard.sentNs.resize(std::size_t(seconds) * 40 + 40);
            keyboard.queuedNs.resize(keyboard.sentNs.size());
            fw::midi::SetInputHandler(&Keyboard::OnInput, &keyboard);
            keysIn = fw::midi::OpenInput("Keys");
            keysOut = fw::midi::OpenOutput("Keys Out");
            if (!keysIn || !keysOut) {
                std::fprintf(stderr, "bench_midi_jitter: the loopback keyboard did not open\n");
                return 1;
            }
        }
    }
    const bool started = scorePath.empty() ? clock.Start(Stream::Tick, &stream) : clock.Start(ScoreStream::Tick, &scoreStream);
    if (!started) {
        std::fprintf(stderr, "bench_midi_jitter: the clock did not start\n");
        return 1;
    }
    const std::int64_t wallStart = fw::MonotonicNs();
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    // The keyboard: a note on, then its note off, every 50 ms.
    std::atomic<bool> feeding{record};
    std::thread feeder;
    if (record) {
        feeder = std::thread([&] {
            auto next = std::chrono::steady_clock::now();
            for (std::size_t i = 0; feeding && i < keyboard.sentNs.size(); ++i) {
                next += std::chrono::milliseconds(50);
                std::this_thread::sleep_until(next);
                keyboard.sentNs[i] = fw::MonotonicNs();
                keyboard.sent = i + 1;
                fw::midi::SendShort(keysOut, i % 2 ? 0x80 : 0x90, std::uint8_t(60 + (i / 2) % 12), 100);
            }
        });
    }
    if (deck) {
        // The transport engine's poll, as the page pane's timer calls it.
        while (std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            deck->Poll();
        }
    } else {
        std::this_thread::sleep_until(until);
    }
    feeding = false;
    if (feeder.joinable()) feeder.join();
    const std::int64_t cpu = clock.ThreadCpuNs();
    const std::int64_t wall = fw::MonotonicNs() - wallStart;
    const bool realtime = clock.RealtimeGranted();
    clock.Stop();
    // Only what reached the capture (the keyboard's sends are logged too).
    std::vector<fw::midi::loopback::Captured> log = fw::midi::loopback::Log();
    std::erase_if(log, [&](const fw::midi::loopback::Captured& c) { return c.port != stream.port; });
    int recordedNotes = -1;
    // What the stop sends (note-offs, resets) has no due millisecond: it is not counted.
    const std::size_t sentWhileRunning = midi.sent;
    if (performer) {
        fw::midi::SetInputHandler(nullptr, nullptr);
        deck->OnCommand(CTapeDeck::kStop);
        if (record) recordedNotes = CountRecordedNotes(*score->doc->GetScore());
        SetPerformer(nullptr);
    }

    const std::size_t sent = performer ? sentWhileRunning : stream.sent;
    const std::vector<std::int64_t>& due = performer ? midi.due : stream.due;
    const std::size_t n = std::min(log.size(), sent);
    std::vector<std::int64_t> late(n);
    for (std::size_t i = 0; i < n; ++i) late[i] = log[i].ns - due[i];
    std::sort(late.begin(), late.end());
    if (n == 0) {
        std::fprintf(stderr, "bench_midi_jitter: nothing was sent\n");
        return 1;
    }
    if (performer)
        std::printf("messages %zu over %d s of %s through the performer (load %s)\n", n, seconds, scorePath.c_str(),
                    LoadAverage().c_str());
    else
        std::printf("messages %zu over %d s at 120 BPM (load %s)\n", n, seconds, LoadAverage().c_str());
    std::printf("lateness p50 %.3f ms  p99 %.3f ms  max %.3f ms\n", Ms(late[n / 2]), Ms(late[n * 99 / 100]), Ms(late[n - 1]));
    std::printf("clock thread CPU %.2f %% of a core\n", 100.0 * double(cpu) / double(wall));
    std::printf("real-time priority %s\n", realtime ? "granted" : "not granted");
    if (record) {
        const std::size_t k = std::min(keyboard.sent.load(), keyboard.queued);
        std::vector<std::int64_t> delay(k);
        for (std::size_t i = 0; i < k; ++i) delay[i] = keyboard.queuedNs[i] - keyboard.sentNs[i];
        std::sort(delay.begin(), delay.end());
        if (k > 0)
            std::printf("input to queue: %zu messages, p50 %.3f ms  p99 %.3f ms  max %.3f ms\n", k, Ms(delay[k / 2]),
                        Ms(delay[k * 99 / 100]), Ms(delay[k - 1]));
        std::printf("recorded notes %d\n", recordedNotes);
    }
    return 0;
}
