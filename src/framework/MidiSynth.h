// The built-in synthesizer behind the port list: FluidSynth on a General MIDI sound font,
// playing to an audio device or into a WAV file. Used by Midi.cpp only.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace fw::midi {

class Synth {
public:
    Synth();
    ~Synth();  // finishes the WAV file
    // Loads the sound font; with a WAV path renders there, else plays to an audio device when
    // one opens (and takes messages all the same when none does). False when the sound font
    // or the file cannot be opened.
    bool Open(const std::string& soundFont, const std::string& wavPath);
    // One MIDI message; false for bytes that are no message.
    bool Send(const std::uint8_t* bytes, std::size_t count);

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace fw::midi
