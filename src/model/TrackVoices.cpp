// The voice slots of a track: their values, one voice or all eight (voice -1). Sending to the
// MIDI layer belongs to the MIDI layer's own code; these setters only store what they are given.
#include <cstring>

#include "framework/CodePage.h"
#include "model/Track.h"

namespace {

template <class F>
void ForVoices(CTrack& track, int voice, F f) {
    if (voice < 0) {
        for (int v = 0; v < CTrack::kVoices; ++v) f(track.Slot(v));
    } else {
        f(track.Slot(voice));
    }
}

}  // namespace

void CTrack::SetVoiceCount(int n) {
    if (n < 1) n = 1;
    if (n > 8) n = 8;
    PutByte(kFlags87, std::uint8_t((Byte(kFlags87) & ~0x1E) | (n << 1)));
}

void CTrack::SetDevice(int port) {
    const std::uint16_t stored = std::uint16_t(port == -1 ? 0 : port);
    for (int v = 0; v < kVoices; ++v) rec::Put(Slot(v), kSlotPort, stored);
}

void CTrack::SetVoiceChannel(int voice, int channel) {
    ForVoices(*this, voice, [&](std::uint8_t* slot) { slot[kSlotChannel] = std::uint8_t(channel); });
}

void CTrack::SetVoicePatch(int voice, std::int32_t word, bool send) {
    ForVoices(*this, voice, [&](std::uint8_t* slot) { rec::Put(slot, kSlotPatch, word); });
}

void CTrack::SetVoiceProgram(int voice, int program, bool send) {
    // The program's sign is carried into the upper bytes: -1 makes the whole word -1.
    ForVoices(*this, voice, [&](std::uint8_t* slot) {
        std::int32_t word = rec::Get<std::int32_t>(slot, kSlotPatch);
        if (program < 0)
            word = -1;
        else
            word = std::int32_t((std::uint32_t(word) & 0xFFFFFF00u) | std::uint32_t(program & 0xFF));
        rec::Put(slot, kSlotPatch, word);
    });
}

void CTrack::SetVoiceBank(int voice, int bank, bool send) {
    // The bank lies in the upper three bytes; the instrument definitions' own packing is the
    // instrument manager's. Bank -1 (none) sets the upper bytes to 0xFF.
    ForVoices(*this, voice, [&](std::uint8_t* slot) {
        const std::uint32_t word = rec::Get<std::uint32_t>(slot, kSlotPatch);
        const std::uint32_t upper = bank < 0 ? 0xFFFFFF00u : (std::uint32_t(bank) << 8);
        rec::Put(slot, kSlotPatch, std::uint32_t((word & 0xFFu) | upper));
    });
}

void CTrack::SetVoiceTranspose(int voice, int semitones) {
    ForVoices(*this, voice, [&](std::uint8_t* slot) { slot[kSlotPitchOffset] = std::uint8_t(semitones); });
}

void CTrack::SetVoiceVolume(int voice, int volume, bool send) {
    const std::uint8_t stored = volume == 0 ? 0xFF : std::uint8_t(volume);
    ForVoices(*this, voice, [&](std::uint8_t* slot) { slot[kSlotVolume] = stored; });
}

void CTrack::SetVoicePan(int voice, int pan, bool send) {
    ForVoices(*this, voice, [&](std::uint8_t* slot) { slot[kSlotPan] = std::uint8_t(pan); });
}

const char* CTrack::GetVoiceDefName(int voice) const {
    return reinterpret_cast<const char*>(Bytes() + kVoiceDefNames + kVoiceDefNameSize * ClampVoice(voice));
}

void CTrack::SetVoiceDefName(int voice, const char* name) {
    char* dest = reinterpret_cast<char*>(Bytes() + kVoiceDefNames + kVoiceDefNameSize * ClampVoice(voice));
    std::memset(dest, 0, kVoiceDefNameSize);
    if (name) fw::CopyText(dest, kVoiceDefNameSize, name);
}
