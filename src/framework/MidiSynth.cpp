#include "framework/MidiSynth.h"

#include <fluidsynth.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "framework/Clock.h"

namespace fw::midi {
namespace {

constexpr int kRate = 44100;
constexpr DWORD kTailMs = 1000;  // the release of the last notes, rendered when the file closes
// The audio stream closes once the synthesizer has had no message and no sounding voice for
// this long (reverb tails have faded by then); while it is open it is looked at this often.
constexpr auto kSilenceBeforeClose = std::chrono::seconds(3);
constexpr auto kSilenceLook = std::chrono::milliseconds(500);

// FluidSynth's own reports go nowhere but its panics: a machine without sound is no fault.
void QuietLog(int, const char*, void*) {}

void QuietenFluid() {
    static bool done = [] {
        for (int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) fluid_set_log_function(level, QuietLog, nullptr);
        return true;
    }();
    (void)done;
}

void PutLe(std::FILE* f, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) std::fputc(int((v >> (8 * i)) & 0xFF), f);
}

}  // namespace

struct Synth::Impl {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    std::FILE* wav = nullptr;
    DWORD startMs = 0;
    std::uint64_t framesWritten = 0;
    std::vector<std::int16_t> buffer;

    // The sound font loads on a thread of its own; a message waits until it has.
    enum class Font { Loading, Ready, Failed };
    std::thread loader;
    // The audio stream (playing to a device) opens with a note and closes after a silence; the
    // closer thread looks for the silence only while it is open.
    bool playsToDevice = false;
    fluid_audio_driver_t* driver = nullptr;
    // No audio device took the stream: the port plays nowhere, and no note tries again (each try
    // costs the sending thread, the clock's, tens of milliseconds).
    bool noDevice = false;
    std::chrono::steady_clock::time_point lastMessage;
    bool ending = false;
    std::thread closer;

    std::mutex mutex;  // font, driver, lastMessage, ending
    std::condition_variable changed;
    Font font = Font::Loading;

    // Renders into the file up to the given millisecond after the start.
    void RenderTo(std::uint64_t ms) {
        std::uint64_t target = ms * kRate / 1000;
        while (framesWritten < target) {
            int frames = int(std::min<std::uint64_t>(target - framesWritten, 1024));
            buffer.resize(std::size_t(frames) * 2);
            fluid_synth_write_s16(synth, frames, buffer.data(), 0, 2, buffer.data(), 1, 2);
            std::fwrite(buffer.data(), sizeof(std::int16_t), buffer.size(), wav);
            framesWritten += std::uint64_t(frames);
        }
    }
    std::uint64_t Now() const { return DWORD(GetTickCount() - startMs); }

    void WriteHeader() {
        std::uint32_t data = std::uint32_t(framesWritten * 4);
        std::fseek(wav, 0, SEEK_SET);
        std::fputs("RIFF", wav);
        PutLe(wav, 36 + data, 4);
        std::fputs("WAVEfmt ", wav);
        PutLe(wav, 16, 4);
        PutLe(wav, 1, 2);  // PCM
        PutLe(wav, 2, 2);  // stereo
        PutLe(wav, kRate, 4);
        PutLe(wav, kRate * 4, 4);
        PutLe(wav, 4, 2);
        PutLe(wav, 16, 2);
        std::fputs("data", wav);
        PutLe(wav, data, 4);
        std::fseek(wav, 0, SEEK_END);
    }

    // Whether the sound font is there, once it has loaded.
    bool WaitForFont() {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [this] { return font != Font::Loading; });
        return font == Font::Ready;
    }

    // A desktop's sound server first; never a JACK driver, which could start a server. Under the
    // lock.
    void OpenDriver() {
        for (const char* name : {"pulseaudio", "pipewire", "alsa"}) {
            if (fluid_settings_setstr(settings, "audio.driver", name) != FLUID_OK) continue;
            driver = new_fluid_audio_driver(settings, synth);
            if (driver) break;
        }
    }

    // A message came: the stream opens with a note (and stays while messages come).
    void NoteMessage(bool note) {
        std::lock_guard<std::mutex> lock(mutex);
        lastMessage = std::chrono::steady_clock::now();
        if (!note || driver || noDevice) return;
        OpenDriver();
        noDevice = driver == nullptr;
        if (driver) changed.notify_all();
    }

    void CloseWhenSilent() {
        std::unique_lock<std::mutex> lock(mutex);
        while (!ending) {
            if (!driver) {
                changed.wait(lock, [this] { return ending || driver; });
                continue;
            }
            changed.wait_for(lock, kSilenceLook, [this] { return ending; });
            if (ending || !driver) continue;
            if (std::chrono::steady_clock::now() - lastMessage < kSilenceBeforeClose) continue;
            if (fluid_synth_get_active_voice_count(synth) > 0) continue;
            delete_fluid_audio_driver(driver);
            driver = nullptr;
        }
    }
};

Synth::Synth() : impl_(std::make_unique<Impl>()) {}

Synth::~Synth() {
    Impl& s = *impl_;
    if (s.loader.joinable()) s.loader.join();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.ending = true;
    }
    s.changed.notify_all();
    if (s.closer.joinable()) s.closer.join();
    if (s.driver) delete_fluid_audio_driver(s.driver);
    if (s.wav) {
        s.RenderTo(s.Now() + kTailMs);
        s.WriteHeader();
        std::fclose(s.wav);
    }
    if (s.synth) delete_fluid_synth(s.synth);
    if (s.settings) delete_fluid_settings(s.settings);
}

bool Synth::Open(const std::string& soundFont, const std::string& wavPath) {
    QuietenFluid();
    Impl& s = *impl_;
    if (!fluid_is_soundfont(soundFont.c_str())) return false;
    s.settings = new_fluid_settings();
    if (!s.settings) return false;
    fluid_settings_setnum(s.settings, "synth.sample-rate", kRate);
    fluid_settings_setint(s.settings, "synth.threadsafe-api", 1);
    s.synth = new_fluid_synth(s.settings);
    if (!s.synth) return false;
    if (!wavPath.empty()) {
        // A rendering loads its sound font at once: its file starts when the port opens.
        if (fluid_synth_sfload(s.synth, soundFont.c_str(), 1) == FLUID_FAILED) return false;
        s.font = Impl::Font::Ready;
        s.wav = std::fopen(wavPath.c_str(), "wb");
        if (!s.wav) return false;
        s.WriteHeader();
        s.startMs = GetTickCount();
        return true;
    }
    // A general MIDI sound font is large (seconds to read): it loads beside the caller, and the
    // first message waits for it.
    s.loader = std::thread([&s, soundFont] {
        const bool loaded = fluid_synth_sfload(s.synth, soundFont.c_str(), 1) != FLUID_FAILED;
        {
            std::lock_guard<std::mutex> lock(s.mutex);
            s.font = loaded ? Impl::Font::Ready : Impl::Font::Failed;
        }
        s.changed.notify_all();
    });
    s.playsToDevice = true;
    s.closer = std::thread([&s] { s.CloseWhenSilent(); });
    return true;
}

bool Synth::Send(const std::uint8_t* bytes, std::size_t count) {
    Impl& s = *impl_;
    if (count == 0) return false;
    if (!s.WaitForFont()) return false;
    if (s.wav) s.RenderTo(s.Now());
    std::uint8_t status = bytes[0];
    if (status == 0xF0) {
        // fluid_synth_sysex takes the bytes between F0 and F7.
        if (count < 2 || bytes[count - 1] != 0xF7) return false;
        fluid_synth_sysex(s.synth, reinterpret_cast<const char*>(bytes + 1), int(count - 2), nullptr, nullptr, nullptr, 0);
        return true;
    }
    if (status < 0x80) return false;
    int chan = status & 0x0F;
    int d1 = count > 1 ? bytes[1] & 0x7F : 0;
    int d2 = count > 2 ? bytes[2] & 0x7F : 0;
    if (s.playsToDevice && status < 0xF0) s.NoteMessage((status & 0xF0) == 0x90 && d2 != 0);
    switch (status & 0xF0) {
    case 0x80: fluid_synth_noteoff(s.synth, chan, d1); break;
    case 0x90:
        if (d2 == 0)
            fluid_synth_noteoff(s.synth, chan, d1);
        else
            fluid_synth_noteon(s.synth, chan, d1, d2);
        break;
    case 0xA0: fluid_synth_key_pressure(s.synth, chan, d1, d2); break;
    case 0xB0: fluid_synth_cc(s.synth, chan, d1, d2); break;
    case 0xC0: fluid_synth_program_change(s.synth, chan, d1); break;
    case 0xD0: fluid_synth_channel_pressure(s.synth, chan, d1); break;
    case 0xE0: fluid_synth_pitch_bend(s.synth, chan, d1 | (d2 << 7)); break;
    default: break;  // system common and real-time messages mean nothing to a synthesizer
    }
    return true;
}

}  // namespace fw::midi
