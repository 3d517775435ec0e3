// MIDI ports: the list, opening by name, sends from several threads, input with its port, and
// the real back ends: a JACK server of the test's own, the ALSA sequencer where the machine
// has one, and the built-in synthesizer rendering into a WAV file.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework/Clock.h"
#include "framework/Globals.h"
#include "framework/Midi.h"
#include "support/TempHome.h"

extern char** environ;

namespace {

using fw::midi::Kind;
using fw::midi::PortId;
using Bytes = std::vector<std::uint8_t>;

// What arrives at our inputs, with the port it came in on.
struct Received {
    std::mutex mutex;
    std::vector<std::pair<PortId, Bytes>> messages;
    static void Handler(void* user, PortId port, const std::uint8_t* bytes, std::size_t count) {
        auto* r = static_cast<Received*>(user);
        std::lock_guard<std::mutex> lock(r->mutex);
        r->messages.emplace_back(port, Bytes(bytes, bytes + count));
    }
    std::size_t Count() {
        std::lock_guard<std::mutex> lock(mutex);
        return messages.size();
    }
    // The messages in that are not `skip`.
    std::size_t CountExcept(const Bytes& skip) {
        std::lock_guard<std::mutex> lock(mutex);
        std::size_t n = 0;
        for (const auto& m : messages) n += m.second != skip;
        return n;
    }
    // Waits, with a generous deadline, until n messages (other than `skip`) are in.
    bool WaitFor(std::size_t n, const Bytes& skip = {}) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (CountExcept(skip) < n) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }
};

class MidiPortsTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = fw::midi::CurrentConfig();
        fw::ResetAllGlobals();
        fw::midi::SetInputHandler(Received::Handler, &received_);
    }
    void TearDown() override {
        fw::midi::SetInputHandler(nullptr, nullptr);
        fw::midi::Configure(saved_);
        fw::ResetAllGlobals();
    }
    fw::midi::Config saved_;
    Received received_;
};

TEST_F(MidiPortsTest, ListsOutputsThenInputsTheSynthesizerFirst) {
    fw::midi::Config c = saved_;
    c.synth = true;
    fw::midi::Configure(c);
    fw::midi::loopback::AddInput("Keyboard");
    fw::midi::loopback::AddOutput("Module A");
    fw::midi::loopback::AddOutput("Module B");
    std::vector<fw::midi::PortInfo> ports = fw::midi::ListPorts();
    ASSERT_EQ(ports.size(), 4u);
    EXPECT_EQ(ports[0].name, fw::midi::kSynthName);
    EXPECT_TRUE(ports[0].synthesizer);
    EXPECT_EQ(ports[0].kind, Kind::Output);
    EXPECT_EQ(ports[1].name, "Module A");
    EXPECT_EQ(ports[2].name, "Module B");
    EXPECT_FALSE(ports[1].synthesizer);
    EXPECT_EQ(ports[3].name, "Keyboard");
    EXPECT_EQ(ports[3].kind, Kind::Input);
    EXPECT_EQ(midiOutGetNumDevs(), 3u);
    EXPECT_EQ(midiInGetNumDevs(), 1u);
}

TEST_F(MidiPortsTest, NamesAreCutTo127BytesAtACharacterStart) {
    std::string longName;
    for (int i = 0; i < 100; ++i) longName += "é";  // two bytes each
    longName = "x" + longName;  // so byte 127 falls inside a character
    fw::midi::loopback::AddOutput(longName);
    std::vector<fw::midi::PortInfo> ports = fw::midi::ListPorts();
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].name.size(), 127u);
    EXPECT_EQ(ports[0].name, longName.substr(0, 127));
    longName = "x" + longName;
    fw::midi::loopback::AddOutput(longName);
    EXPECT_EQ(fw::midi::ListPorts()[1].name.size(), 127u - 1) << "a character is never cut in two";
    EXPECT_NE(fw::midi::OpenOutput(fw::midi::ListPorts()[1].name), 0u);
}

TEST_F(MidiPortsTest, OpensByExactNameAndKindOnly) {
    fw::midi::loopback::AddOutput("Out");
    fw::midi::loopback::AddInput("In");
    struct Case {
        const char* name;
        bool output;
        bool opens;
    } cases[] = {{"Out", true, true}, {"In", false, true}, {"In", true, false}, {"Out", false, false},
                 {"out", true, false}, {"Ou", true, false}, {"", true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << (c.output ? " as output" : " as input"));
        PortId id = c.output ? fw::midi::OpenOutput(c.name) : fw::midi::OpenInput(c.name);
        EXPECT_EQ(id != 0, c.opens);
        EXPECT_EQ(fw::midi::IsOpen(id), c.opens);
        fw::midi::Close(id);
    }
    PortId out = fw::midi::OpenOutput("Out");
    PortId in = fw::midi::OpenInput("In");
    EXPECT_TRUE(fw::midi::SendShort(out, 0x90, 60, 100));
    EXPECT_FALSE(fw::midi::SendShort(in, 0x90, 60, 100)) << "an input takes no sends";
    EXPECT_FALSE(fw::midi::SendShort(out, 0x40, 60, 100)) << "a data byte is no message";
    fw::midi::Close(out);
    EXPECT_FALSE(fw::midi::IsOpen(out));
    EXPECT_FALSE(fw::midi::SendShort(out, 0x90, 60, 100)) << "a closed port takes no sends";
    PortId again = fw::midi::OpenOutput("Out");
    EXPECT_NE(again, out) << "ids are not reused";
    EXPECT_FALSE(fw::midi::SendShort(out, 0x90, 60, 100)) << "an old id does not reach the port opened again";
}

TEST_F(MidiPortsTest, ShortMessagesHaveTheLengthOfTheirStatus) {
    struct Case {
        std::uint8_t status;
        std::size_t length;
    } cases[] = {{0x80, 3}, {0x9F, 3}, {0xA0, 3}, {0xB5, 3}, {0xC0, 2}, {0xDF, 2}, {0xE0, 3},
                 {0xF0, 0}, {0xF1, 2}, {0xF2, 3}, {0xF3, 2}, {0xF6, 1}, {0xF8, 1}, {0xFE, 1}, {0x7F, 0}};
    for (const Case& c : cases) EXPECT_EQ(fw::midi::ShortLength(c.status), c.length) << int(c.status);
}

// Three threads (clock, input, user interface) send to one port: every message arrives whole,
// each thread's in its order, and the log's stamps never go back.
TEST_F(MidiPortsTest, AHundredThousandMessagesFromThreeThreadsArriveWhole) {
    fw::midi::loopback::AddOutput("Loop Out", "Loop In");
    fw::midi::loopback::AddInput("Loop In");
    PortId out = fw::midi::OpenOutput("Loop Out");
    PortId in = fw::midi::OpenInput("Loop In");
    ASSERT_NE(out, 0u);
    ASSERT_NE(in, 0u);
    constexpr int kThreads = 3, kEach = 33334;
    fw::midi::loopback::ReserveLog(kThreads * kEach);
    {
        std::lock_guard<std::mutex> lock(received_.mutex);
        received_.messages.reserve(kThreads * kEach);
    }
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t, out] {
            for (int i = 0; i < kEach; ++i) {
                // Every fourth a program change (two bytes); the rest note-ons of three.
                const std::uint8_t status = std::uint8_t((i % 4 == 3 ? 0xC0 : 0x90) | t);
                ASSERT_TRUE(fw::midi::SendShort(out, status, std::uint8_t(i & 0x7F), std::uint8_t(i >> 7 & 0x7F)));
            }
        });
    for (std::thread& t : threads) t.join();
    ASSERT_TRUE(received_.WaitFor(kThreads * kEach));
    int next[kThreads] = {};
    for (const auto& [port, bytes] : received_.messages) {
        ASSERT_EQ(port, in);
        ASSERT_FALSE(bytes.empty());
        const int t = bytes[0] & 0x0F;
        ASSERT_LT(t, kThreads);
        const int i = next[t]++;
        const bool program = i % 4 == 3;
        ASSERT_EQ(bytes.size(), program ? 2u : 3u);
        ASSERT_EQ(bytes[0] & 0xF0, program ? 0xC0 : 0x90);
        ASSERT_EQ(bytes[1], i & 0x7F);
        if (!program) {
            ASSERT_EQ(bytes[2], i >> 7 & 0x7F);
        }
    }
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(next[t], kEach);
    std::vector<fw::midi::loopback::Captured> log = fw::midi::loopback::Log();
    ASSERT_EQ(log.size(), std::size_t(kThreads * kEach));
    for (std::size_t i = 1; i < log.size(); ++i) ASSERT_LE(log[i - 1].ns, log[i].ns);
    EXPECT_EQ(log[0].port, out);
}

// A message the checked runs never send: what goes out before a connection is known to carry.
const Bytes kProbe = {0x8F, 0x7F, 0x00};

// Sends the probe through `out` until one arrives (a connection JACK makes takes effect at a
// later cycle, which a loaded machine may hold up; what was sent before is lost). Probes still
// on their way arrive later and are skipped by the check.
bool WaitUntilConnected(Received& received, PortId out) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (received.Count() == 0) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        fw::midi::Send(out, kProbe.data(), kProbe.size());
        for (int i = 0; i < 10 && received.Count() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Sends note-ons, controllers and a SysEx string through `out` and checks that `in` gets each
// whole and in order (probes skipped).
void LoopAndCheck(Received& received, PortId out, PortId in) {
    std::vector<Bytes> sent;
    for (int i = 0; i < 40; ++i) {
        sent.push_back({std::uint8_t(0x90 | (i % 16)), std::uint8_t(36 + i), std::uint8_t(1 + i * 3)});
        sent.push_back({std::uint8_t(0xB0 | (i % 16)), std::uint8_t(i % 120), std::uint8_t(127 - i)});
        if (i == 20) sent.push_back({0xF0, 0x7E, 0x7F, 0x06, 0x01, 0x10, 0x20, 0x30, 0xF7});
    }
    for (const Bytes& b : sent) ASSERT_TRUE(fw::midi::Send(out, b.data(), b.size()));
    ASSERT_TRUE(received.WaitFor(sent.size(), kProbe))
        << "only " << received.CountExcept(kProbe) << " of " << sent.size() << " arrived";
    std::lock_guard<std::mutex> lock(received.mutex);
    std::vector<std::pair<PortId, Bytes>> got;
    for (const auto& m : received.messages)
        if (m.second != kProbe) got.push_back(m);
    ASSERT_EQ(got.size(), sent.size());
    for (std::size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(got[i].first, in);
        EXPECT_EQ(got[i].second, sent[i]) << "message " << i;
    }
}

// The name of the listed output that ends with ":" + port (our own virtual input).
std::string ListedOutputEndingWith(const std::string& port) {
    for (const fw::midi::PortInfo& p : fw::midi::ListPorts())
        if (p.kind == Kind::Output && p.name.size() > port.size() &&
            p.name.compare(p.name.size() - port.size() - 1, std::string::npos, ":" + port) == 0)
            return p.name;
    return "";
}

// A JACK server of this test's own, on the dummy back end, under a name no other run uses.
// JACK servers share one registry in shared memory, and two starting at once may fail each
// other: test runs on one machine (another build's tests, say) take turns through a lock file.
class JackServer {
public:
    JackServer() : name_("zeltest-" + std::to_string(::getpid())) {
        const char* tmp = std::getenv("TMPDIR");
        const std::string lockPath = std::string(tmp && *tmp ? tmp : "/tmp") + "/zeltest-jackd.lock";
        lock_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (lock_ >= 0) ::flock(lock_, LOCK_EX);
        // A client that a loaded machine holds up for a while is waited for, not dropped (jackd drops
        // one that misses its cycle by half a second).
        const char* argv[] = {"jackd", "-n", name_.c_str(), "--no-realtime", "-t", "30000", "-d", "dummy", "-r", "48000", "-p", "256", nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&pid_, "jackd", &actions, nullptr, const_cast<char**>(argv), environ) != 0) pid_ = 0;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~JackServer() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status;
            ::waitpid(pid_, &status, 0);
        }
        ::unsetenv("JACK_DEFAULT_SERVER");
        if (lock_ >= 0) ::close(lock_);  // the turn ends with the server
    }
    // Waits until the server answers (jack_wait, with a generous deadline).
    bool WaitUntilUp() {
        if (pid_ <= 0) return false;
        ::setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
        std::string command = "jack_wait -s " + name_ + " -w -t 60 >/dev/null 2>&1";
        return std::system(command.c_str()) == 0;
    }

private:
    std::string name_;
    pid_t pid_ = 0;
    int lock_ = -1;
};

TEST_F(MidiPortsTest, LoopsThroughJackPortsWholeAndInOrder) {
    JackServer server;
    ASSERT_TRUE(server.WaitUntilUp()) << "jackd (package jackd2) did not start its dummy server";
    fw::midi::Config c = saved_;
    c.jack = true;
    fw::midi::Configure(c);
    PortId in = fw::midi::OpenVirtualInput(fw::midi::Backend::Jack, "loop-in");
    ASSERT_NE(in, 0u);
    const std::string target = ListedOutputEndingWith("loop-in");
    ASSERT_FALSE(target.empty()) << "our JACK input is not among the listed outputs";
    PortId out = fw::midi::OpenOutput(target);
    ASSERT_NE(out, 0u);
    ASSERT_TRUE(WaitUntilConnected(received_, out)) << "nothing came through the JACK connection";
    LoopAndCheck(received_, out, in);
    fw::midi::Configure(saved_);  // every JACK client closes before the server goes
}

TEST_F(MidiPortsTest, LoopsThroughAnAlsaVirtualPortWholeAndInOrder) {
    if (!fw::midi::AlsaSequencerPresent()) GTEST_SKIP() << "no ALSA sequencer (/dev/snd/seq) on this machine";
    fw::midi::Config c = saved_;
    c.alsa = true;
    fw::midi::Configure(c);
    PortId in = fw::midi::OpenVirtualInput(fw::midi::Backend::Alsa, "zeltest-loop-in");
    ASSERT_NE(in, 0u);
    std::string target;
    for (const fw::midi::PortInfo& p : fw::midi::ListPorts())
        if (p.kind == Kind::Output && p.name.find("zeltest-loop-in") != std::string::npos) target = p.name;
    ASSERT_FALSE(target.empty());
    EXPECT_EQ(target.find_first_of("0123456789"), std::string::npos) << "no client:port numbers in " << target;
    PortId out = fw::midi::OpenOutput(target);
    ASSERT_NE(out, 0u);
    LoopAndCheck(received_, out, in);
}

// Without ALSA and JACK the list holds only what is configured; nothing is reported.
TEST_F(MidiPortsTest, MissingBackEndsGiveNoPorts) {
    fw::midi::Config c = saved_;
    c.alsa = true;
    c.jack = true;
    ::setenv("JACK_DEFAULT_SERVER", ("zeltest-none-" + std::to_string(::getpid())).c_str(), 1);
    fw::midi::Configure(c);
    std::vector<fw::midi::PortInfo> ports = fw::midi::ListPorts();
    ::unsetenv("JACK_DEFAULT_SERVER");
    for (const fw::midi::PortInfo& p : ports) EXPECT_EQ(p.backend, fw::midi::Backend::Alsa) << p.name;
    if (!fw::midi::AlsaSequencerPresent()) {
        EXPECT_TRUE(ports.empty());
    }
}

// A JACK server that refuses (its service is there, no server answers) is asked once for each
// configuration, not at every listing and opening.
TEST_F(MidiPortsTest, ARefusingJackServerIsAskedOncePerConfiguration) {
    testsupport::TempDir runtime;
    std::fclose(std::fopen((runtime.path() + "/pipewire-0").c_str(), "w"));
    const char* oldRuntime = std::getenv("XDG_RUNTIME_DIR");
    const std::string savedRuntime = oldRuntime ? oldRuntime : "";
    ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    ::setenv("JACK_DEFAULT_SERVER", ("zeltest-refusing-" + std::to_string(::getpid())).c_str(), 1);
    fw::midi::Config c = saved_;
    c.jack = true;
    const std::uint32_t before = fw::midi::JackProbes();
    fw::midi::Configure(c);
    for (int i = 0; i < 4; ++i) {
        for (const fw::midi::PortInfo& p : fw::midi::ListPorts()) EXPECT_NE(p.backend, fw::midi::Backend::Jack) << p.name;
        EXPECT_EQ(fw::midi::OpenVirtualInput(fw::midi::Backend::Jack, "zeltest-in"), 0u);
    }
    EXPECT_EQ(fw::midi::JackProbes(), before + 1);
    fw::midi::Configure(c);  // a new configuration asks again
    fw::midi::ListPorts();
    fw::midi::ListPorts();
    EXPECT_EQ(fw::midi::JackProbes(), before + 2);
    ::unsetenv("JACK_DEFAULT_SERVER");
    if (oldRuntime) ::setenv("XDG_RUNTIME_DIR", savedRuntime.c_str(), 1);
    else ::unsetenv("XDG_RUNTIME_DIR");
}

struct Wav {
    int channels = 0, rate = 0, bits = 0;
    std::vector<std::int16_t> samples;
};

Wav ReadWav(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::vector<char> b((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    Wav w;
    auto u32 = [&](std::size_t at) { return std::uint32_t(std::uint8_t(b[at])) | std::uint32_t(std::uint8_t(b[at + 1])) << 8 | std::uint32_t(std::uint8_t(b[at + 2])) << 16 | std::uint32_t(std::uint8_t(b[at + 3])) << 24; };
    auto u16 = [&](std::size_t at) { return int(std::uint8_t(b[at])) | int(std::uint8_t(b[at + 1])) << 8; };
    if (b.size() < 44 || std::string(b.data(), 4) != "RIFF" || std::string(b.data() + 8, 8) != "WAVEfmt ") return w;
    if (u32(4) != b.size() - 8 || std::string(b.data() + 36, 4) != "data" || u32(40) != b.size() - 44) return w;
    w.channels = u16(22);
    w.rate = int(u32(24));
    w.bits = u16(34);
    w.samples.resize((b.size() - 44) / 2);
    for (std::size_t i = 0; i < w.samples.size(); ++i) w.samples[i] = std::int16_t(u16(44 + 2 * i));
    return w;
}

double Rms(const Wav& w, double fromS, double toS) {
    double sum = 0;
    std::size_t from = std::size_t(fromS * w.rate) * 2, to = std::min(w.samples.size(), std::size_t(toS * w.rate) * 2);
    for (std::size_t i = from; i < to; ++i) sum += double(w.samples[i]) * w.samples[i];
    return to > from ? std::sqrt(sum / double(to - from)) : 0;
}

// The built-in synthesizer renders into a WAV file in step with the (virtual) clock: silence
// before the first note, sound while the notes play, the release after the file's last message.
TEST_F(MidiPortsTest, TheSynthesizerRendersIntoAWavFileInStepWithTheClock) {
    testsupport::TempDir dir;
    const std::string wav = dir.path() + "/test.wav";
    fw::clocktest::SetManual(5000);
    fw::midi::Config c = saved_;
    c.synth = true;
    c.synthWav = wav;
    fw::midi::Configure(c);
    PortId synth = fw::midi::OpenOutput(fw::midi::kSynthName);
    ASSERT_NE(synth, 0u) << "no sound font at " << c.soundFont;
    fw::SleepMs(200);
    // Three short notes and a long one, as the ports dialog's test plays them.
    for (int note = 0; note < 4; ++note) {
        ASSERT_TRUE(fw::midi::SendShort(synth, 0x91, note < 3 ? 67 : 63, 64));
        fw::SleepMs(note < 3 ? 67 : 333);
        ASSERT_TRUE(fw::midi::SendShort(synth, 0x81, note < 3 ? 67 : 63, 64));
        if (note < 3) fw::SleepMs(67);
    }
    fw::midi::Close(synth);
    fw::clocktest::Reset();
    Wav w = ReadWav(wav);
    ASSERT_EQ(w.channels, 2) << "not a whole WAV file";
    EXPECT_EQ(w.rate, 44100);
    EXPECT_EQ(w.bits, 16);
    // 200 ms of silence, the notes, a second of release.
    const double seconds = double(w.samples.size()) / 2 / w.rate;
    EXPECT_NEAR(seconds, 0.2 + (6 * 67 + 333) / 1000.0 + 1.0, 0.01);
    // (The synthesizer dithers: silence is a sample value or two.)
    EXPECT_LT(Rms(w, 0, 0.19), 2) << "nothing sounds before the first note";
    EXPECT_GT(Rms(w, 0.2, 0.9), 50) << "the notes sound";
    // A bad sound font: the synthesizer does not open.
    c.soundFont = dir.path() + "/missing.sf2";
    fw::midi::Configure(c);
    EXPECT_EQ(fw::midi::OpenOutput(fw::midi::kSynthName), 0u);
}

// Playing to a device, the synthesizer's port opens before its sound font has loaded (the font
// loads beside the caller); a note sent meanwhile waits for it and is taken, never dropped. A
// file that is no sound font does not open; one that breaks off while loading refuses its notes.
TEST_F(MidiPortsTest, TheSynthesizerOpensAtOnceAndItsFirstNoteWaitsForTheSoundFont) {
    testsupport::TempDir dir;
    fw::midi::Config c = saved_;
    c.synth = true;
    c.synthWav.clear();
    fw::midi::Configure(c);
    PortId synth = fw::midi::OpenOutput(fw::midi::kSynthName);
    ASSERT_NE(synth, 0u) << "no sound font at " << c.soundFont;
    EXPECT_TRUE(fw::midi::SendShort(synth, 0x90, 60, 1)) << "the first note waits for the font";
    EXPECT_TRUE(fw::midi::SendShort(synth, 0x80, 60, 0));
    fw::midi::Close(synth);

    struct Case {
        const char* name;
        std::string bytes;
        bool opens;
    } cases[] = {
        {"missing.sf2", "", false},
        {"text.sf2", "not a sound font at all", false},
        // The header of a sound font and nothing after it.
        {"cut.sf2", std::string("RIFF\x04\x00\x00\x00sfbk", 12), true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        c.soundFont = dir.path() + "/" + k.name;
        if (!k.bytes.empty()) {
            std::FILE* f = std::fopen(c.soundFont.c_str(), "wb");
            ASSERT_NE(f, nullptr);
            std::fwrite(k.bytes.data(), 1, k.bytes.size(), f);
            std::fclose(f);
        }
        fw::midi::Configure(c);
        const PortId id = fw::midi::OpenOutput(fw::midi::kSynthName);
        EXPECT_EQ(id != 0, k.opens);
        if (id) {
            EXPECT_FALSE(fw::midi::SendShort(id, 0x90, 60, 1)) << "a font that failed to load takes no note";
            fw::midi::Close(id);
        }
    }
}

}  // namespace
