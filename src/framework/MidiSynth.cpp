#include "framework/MidiSynth.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "framework/Clock.h"

namespace fw::midi {
namespace {

constexpr int kRate = 44100;
constexpr DWORD kTailMs = 1000;  // the release of the last notes, rendered when the file closes

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
    fluid_audio_driver_t* driver = nullptr;
    std::FILE* wav = nullptr;
    DWORD startMs = 0;
    std::uint64_t framesWritten = 0;
    std::vector<std::int16_t> buffer;

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
};

Synth::Synth() : impl_(std::make_unique<Impl>()) {}

Synth::~Synth() {
    Impl& s = *impl_;
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
    s.settings = new_fluid_settings();
    if (!s.settings) return false;
    fluid_settings_setnum(s.settings, "synth.sample-rate", kRate);
    fluid_settings_setint(s.settings, "synth.threadsafe-api", 1);
    s.synth = new_fluid_synth(s.settings);
    if (!s.synth || fluid_synth_sfload(s.synth, soundFont.c_str(), 1) == FLUID_FAILED) return false;
    if (!wavPath.empty()) {
        s.wav = std::fopen(wavPath.c_str(), "wb");
        if (!s.wav) return false;
        s.WriteHeader();
        s.startMs = GetTickCount();
        return true;
    }
    // A desktop's sound server first; never a JACK driver, which could start a server.
    for (const char* name : {"pulseaudio", "pipewire", "alsa"}) {
        if (fluid_settings_setstr(s.settings, "audio.driver", name) != FLUID_OK) continue;
        s.driver = new_fluid_audio_driver(s.settings, s.synth);
        if (s.driver) break;
    }
    return true;
}

bool Synth::Send(const std::uint8_t* bytes, std::size_t count) {
    Impl& s = *impl_;
    if (count == 0) return false;
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
