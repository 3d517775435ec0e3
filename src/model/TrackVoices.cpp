// The voice slots of a track: their values one voice or all eight (voice -1), what is sent to
// the MIDI layer when a setter is asked to send, mute and solo, the texts and names shown for
// them, the sound clipboard, and what a voice's sound gives the performer.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "framework/CodePage.h"
#include "model/Articulation.h"
#include "model/MidiOut.h"
#include "platform/Devices.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/ScoreStructureStandIns.h"
#include "model/PlaybackHooks.h"
#include "model/Track.h"
#include "platform/DlgCombosStandIns.h"
#include "platform/PortLayer.h"

namespace {

constexpr std::int32_t kNoPatch = -1;
constexpr std::uint8_t kNoVolume = 0xFF;
constexpr std::uint8_t kMuteBit = 0x01;
constexpr std::uint8_t kSoloBit = 0x02;
constexpr std::uint8_t kTrackAudibleBit = 0x10;
constexpr std::uint8_t kTrackMuteBit = 0x20;
constexpr std::uint8_t kTrackSoloBit = 0x40;
constexpr int kVolumeController = 7;
constexpr int kPanController = 10;
// Document commands after a mute or solo change: the track views and the score redraw.
constexpr int kMuteSoloCommand = 4321;
constexpr int kRedrawScoreCommand = 33012;
// Ports from here on are instruments of the audio engine.
constexpr int kEnginePorts = 2000;
// Mark-playback entries the track keeps for the sound's own settings.
constexpr int kSoundEntry = 61;

template <class F>
void ForVoices(CTrack& track, int voice, F f) {
    if (voice < 0) {
        for (int v = 0; v < CTrack::kVoices; ++v) f(track.Slot(v));
    } else {
        f(track.Slot(voice));
    }
}

int Clamp7(int voice) { return std::clamp(voice, 0, 7); }

CScore* OwningScore(const CTrack& track) { return TrackOwningScore(track); }

// Tells the track's score that a patch is in use on a port and channel.
void NotePatch(const CTrack& track, int channel, std::int32_t word) {
    if (CScore* score = OwningScore(track)) score->NotePatchUsed(track.GetDevice(), channel, int(word & 0xFFFF));
}

void CopyName(char* out, std::size_t size, const char* text) {
    if (out && size) fw::CopyText(out, size, text);
}

// The sound clipboard: port, channel, patch word, display shift and the voice's sound name.
struct SoundClipboard {
    int port = -1;
    int channel = -1;
    std::int32_t patch = kNoPatch;
    int displayShift = 0;
    char name[CTrack::kVoiceDefNameSize] = {};
};

SoundClipboard& Clipboard() {
    static SoundClipboard clipboard;
    return clipboard;
}

const std::uint8_t* EntryBytes(CTrack& track, int i) {
    return reinterpret_cast<const std::uint8_t*>(&track.MarkTable().Entry(i));
}

}  // namespace

CScore* TrackOwningScore(const CTrack& track) {
    CScore* score = g_model.currentScore;
    if (!score) return nullptr;
    const int t = track.GetIndex();
    return t < score->GetTrackCount() && score->GetTrack(t) == &track ? score : nullptr;
}

VoiceNameTable& CurrentTrackVoiceNames() {
    static VoiceNameTable table = {};
    return table;
}

// --- slots --------------------------------------------------------------------------------------

void CTrack::SetVoiceCount(int n) {
    if (n < 1) n = 1;
    if (n > 8) n = 8;
    PutByte(kFlags87, std::uint8_t((Byte(kFlags87) & ~0x1E) | (n << 1)));
}

bool CTrack::CheckVoice(int voice) const {
    if (voice < GetVoiceCount()) return true;
    ShowAlertById(kAlertStop, 10006);
    return false;
}

void CTrack::SetVoiceStem(int voice, int value) {
    if (voice < 0)
        for (int v = 0; v < kVoices; ++v) PutByte(kStems + v, std::uint8_t(value));
    else
        PutByte(kStems + ClampVoice(voice), std::uint8_t(value));
}

void CTrack::SetVoiceWord(int voice, int value) {
    const std::uint16_t stored = std::uint16_t(value == -1 ? 0 : value);
    ForVoices(*this, voice, [&](std::uint8_t* slot) { rec::Put(slot, kSlotVoiceWord, stored); });
}

void CTrack::SetDevice(int port) {
    const std::uint16_t stored = std::uint16_t(port == -1 ? 0 : port);
    for (int v = 0; v < kVoices; ++v) rec::Put(Slot(v), kSlotPort, stored);
}

void CTrack::RefreshVoiceSetup() {
    SetDevice(GetDevice());
    UpdatePerformerChannels(GetIndex(), GetDevice(), GetVoiceChannel(0), -1);
}

bool CTrack::IsDeviceAvailable() const { return GetMidiOutPorts()->IsPortAvailable(GetDevice()); }

bool CTrack::IsSamplePlayerTrack() const { return GetMidiOutPorts()->IsSamplePlayerPort(GetDevice()); }

void CTrack::SetVoiceChannel(int voice, int channel) {
    ForVoices(*this, voice, [&](std::uint8_t* slot) { slot[kSlotChannel] = std::uint8_t(channel); });
}

void CTrack::SetVoiceTranspose(int voice, int semitones) {
    ForVoices(*this, voice, [&](std::uint8_t* slot) { slot[kSlotPitchOffset] = std::uint8_t(semitones); });
}

// --- patches, banks, volume and pan --------------------------------------------------------------

void CTrack::SetVoicePatch(int voice, std::int32_t word, bool send) {
    ForVoices(*this, voice, [&](std::uint8_t* slot) { rec::Put(slot, kSlotPatch, word); });
    if (word == kNoPatch) return;
    const int channel = GetVoiceChannel(voice < 0 ? 0 : voice);
    NotePatch(*this, channel, word);
    if (send) TheMidi().SendPatch(GetDevice(), channel, word, 1);
}

int CTrack::GetVoiceProgram(int voice) const {
    const std::int32_t word = GetVoicePatch(voice);
    return word == kNoPatch ? -1 : int(word & 0xFF);
}

void CTrack::SetVoiceProgram(int voice, int program, bool send) {
    const std::int32_t old = GetVoicePatch(std::max(voice, 0));
    // The program's sign is carried into the upper bytes: -1 makes the whole word -1.
    ForVoices(*this, voice, [&](std::uint8_t* slot) {
        std::int32_t word = rec::Get<std::int32_t>(slot, kSlotPatch);
        if (program < 0)
            word = kNoPatch;
        else
            word = std::int32_t((std::uint32_t(word) & 0xFFFFFF00u) | std::uint32_t(program & 0xFF));
        rec::Put(slot, kSlotPatch, word);
    });
    const int v = voice < 0 ? 0 : voice;
    const std::int32_t now = GetVoicePatch(v);
    if (now == kNoPatch || now == old) return;
    NotePatch(*this, GetVoiceChannel(v), now);
    if (send) TheMidi().SendPatch(GetDevice(), GetVoiceChannel(v), now, 0);
}

int CTrack::GetVoiceBank(int voice) const {
    const int device = GetMidiOutPorts()->IndexOfId(GetDevice());
    return GetNameMgr()->GetBankNumber(device, GetVoiceChannel(voice), std::uint32_t(GetVoicePatch(voice)));
}

void CTrack::SetVoiceBank(int voice, int bank, bool send) {
    const int device = GetMidiOutPorts()->IndexOfId(GetDevice());
    const auto one = [&](int v) {
        std::uint8_t* slot = Slot(v);
        const std::int32_t old = rec::Get<std::int32_t>(slot, kSlotPatch);
        const auto word = std::int32_t(GetNameMgr()->MakeBankWord(device, slot[kSlotChannel], bank, std::uint32_t(old)));
        rec::Put(slot, kSlotPatch, word);
        if (old == kNoPatch) return;
        NotePatch(*this, slot[kSlotChannel], word);
        if (send) TheMidi().SendPatch(GetDevice(), slot[kSlotChannel], word, 1);
    };
    if (voice == -1)
        for (int v = 0; v < kVoices; ++v) one(v);
    else
        one(ClampVoice(voice));
}

void CTrack::SetVoiceVolume(int voice, int volume, bool send) {
    const std::uint8_t stored = volume == 0 ? kNoVolume : std::uint8_t(volume);
    ForVoices(*this, voice, [&](std::uint8_t* slot) { slot[kSlotVolume] = stored; });
    if (volume == -1 || volume == 0 || !send) return;
    TheMidi().SendRecord(GetDevice(), 0xB0 + GetVoiceChannel(voice), kVolumeController, volume);
}

void CTrack::SetVoicePan(int voice, int pan, bool send) {
    ForVoices(*this, voice, [&](std::uint8_t* slot) { slot[kSlotPan] = std::uint8_t(pan); });
    if (pan == -1 || !send) return;
    TheMidi().SendRecord(GetDevice(), 0xB0 + GetVoiceChannel(voice), kPanController, pan + 64);
}

// --- mute and solo -------------------------------------------------------------------------------

bool CTrack::IsMuted(int voice) const {
    if (voice == -1) return (GetTrackFlags() & kTrackMuteBit) != 0;
    return voice >= 0 && voice < GetVoiceCount() && (Slot(voice)[kSlotMuteSolo] & kMuteBit) != 0;
}

bool CTrack::IsSolo(int voice) const {
    if (voice == -1) return (GetTrackFlags() & kTrackSoloBit) != 0;
    return voice >= 0 && voice < GetVoiceCount() && (Slot(voice)[kSlotMuteSolo] & kSoloBit) != 0;
}

namespace {

// Sets the track's bit (voice -1, clearing every voice's own bits) or toggles a voice's bit when
// it differs from on; then the other state of the same target is cleared and the document told.
void SetMuteSolo(CTrack& track, int voice, bool on, bool mute) {
    const std::uint8_t trackBit = mute ? kTrackMuteBit : kTrackSoloBit;
    const std::uint8_t voiceBit = mute ? kMuteBit : kSoloBit;
    if (voice == -1) {
        track.SetTrackFlags(std::uint8_t(on ? track.GetTrackFlags() | trackBit : track.GetTrackFlags() & ~trackBit));
        for (int v = 0; v < CTrack::kVoices; ++v) track.Slot(v)[CTrack::kSlotMuteSolo] = 0;
    } else if (voice >= 0 && voice < track.GetVoiceCount()) {
        std::uint8_t& bits = track.Slot(voice)[CTrack::kSlotMuteSolo];
        if (((bits & voiceBit) != 0) != on) bits ^= voiceBit;
    }
    const bool now = mute ? track.IsMuted(voice) : track.IsSolo(voice);
    if (now) {
        if (mute)
            SetMuteSolo(track, voice, false, false);
        else
            SetMuteSolo(track, voice, false, true);
    }
    if (CScore* score = OwningScore(track)) {
        score->UpdateMuteSolo();
        if (CZelDoc* doc = score->GetDocument()) {
            doc->OnCommandRange(kMuteSoloCommand);
            doc->OnCommandRange(kRedrawScoreCommand);
            doc->SetModifiedFlag(true);
        }
    }
}

}  // namespace

void CTrack::SetMuted(int voice, bool on) { SetMuteSolo(*this, voice, on, true); }

void CTrack::SetSolo(int voice, bool on) { SetMuteSolo(*this, voice, on, false); }

void CScore::UpdateMuteSolo() {
    bool solo = false;
    for (int t = 0; t < trackCount && !solo; ++t) {
        const CTrack* track = GetTrack(t);
        if (!track) continue;
        solo = track->IsSolo(-1);
        for (int v = 0; v < track->GetVoiceCount() && !solo; ++v) solo = track->IsSolo(v);
    }
    for (int t = 0; t < trackCount; ++t) {
        CTrack* track = GetTrack(t);
        if (!track) continue;
        const bool trackSolo = track->IsSolo(-1);
        bool audible = trackSolo;
        for (int v = 0; v < track->GetVoiceCount(); ++v) {
            const bool muted = track->IsMuted(-1) || track->IsMuted(v);
            const bool sounds = !muted && (!solo || track->IsSolo(v) || trackSolo);
            track->SetVoiceAudible(v, sounds);
            audible = audible || sounds;
        }
        const std::uint8_t flags = track->GetTrackFlags();
        track->SetTrackFlags(std::uint8_t(audible ? flags | kTrackAudibleBit : flags & ~kTrackAudibleBit));
    }
}

// --- texts and names -----------------------------------------------------------------------------

void CTrack::FormatVoiceVolume(int voice, char* text) const {
    const int volume = GetVoiceVolume(voice);
    if (volume == kNoVolume)
        std::strcpy(text, "-");
    else
        std::snprintf(text, 16, "%d", volume);
}

void CTrack::FormatVoicePan(int voice, char* text) const { std::snprintf(text, 16, "%d", GetVoicePan(voice)); }

void CTrack::FormatVoiceTranspose(int voice, char* text) const {
    std::snprintf(text, 16, "%d", GetVoiceTranspose(voice));
}

const char* CTrack::GetVoiceDefName(int voice) const {
    return reinterpret_cast<const char*>(Bytes() + kVoiceDefNames + kVoiceDefNameSize * ClampVoice(voice));
}

void CTrack::GetVoiceDefName(int voice, char* out) const {
    std::memcpy(out, GetVoiceDefName(voice), kVoiceDefNameSize);
    VoiceNameTable& table = CurrentTrackVoiceNames();
    for (int v = 0; v < kVoices; ++v) std::memcpy(table[v], GetVoiceDefName(v), kVoiceDefNameSize);
}

void CTrack::SetVoiceDefName(int voice, const char* name) {
    char* dest = reinterpret_cast<char*>(Bytes() + kVoiceDefNames + kVoiceDefNameSize * ClampVoice(voice));
    std::memset(dest, 0, kVoiceDefNameSize);
    if (name) fw::CopyText(dest, kVoiceDefNameSize, name);
}

void CTrack::GetDeviceName(char* out, std::size_t size) const {
    CopyName(out, size, "");
    const int port = GetDevice();
    if (port < kEnginePorts) {
        const int device = GetMidiOutPorts()->IndexOfId(port);
        if (IsDeviceAvailable() && GetNameMgr()->GetInstrumentName(device, GetVoiceChannel(0), out, size)) return;
        GetMidiOutPorts()->GetPortName(port, out, size);
        return;
    }
    // The score keeps the names of the engine's instruments; nothing without an open score.
    if (CScore* score = OwningScore(*this)) score->GetDeviceDisplayName(port, -1, out, size);
}

void CTrack::GetVoiceBankName(int voice, char* out, std::size_t size) const {
    const int port = GetDevice();
    const int bank = GetVoiceBank(voice);
    if (port == -1 || bank == -1) {
        CopyName(out, size, "None");
        return;
    }
    CopyName(out, size, "");
    const int device = GetMidiOutPorts()->IndexOfId(port);
    if (GetNameMgr()->AppendBankName(device, GetVoiceChannel(voice), std::uint32_t(GetVoicePatch(voice)), out, size))
        return;
    if (port >= kEnginePorts) {
        for (int i = 0; i < 128; ++i) {
            std::uint32_t word = 0;
            if (!GetVSTDeviceDefs()->GetPatchByIndex(port, i, 0, &word)) break;
            if (int(word & 0xFF) == bank) {
                GetVSTDeviceDefs()->GetPatchName(port, 0, word, int(word & 0xFF), out, size);
                return;
            }
        }
    }
}

void CTrack::GetVoicePatchName(int voice, char* out, std::size_t size) const {
    const int port = GetDevice();
    const std::int32_t word = GetVoicePatch(voice);
    if (port == -1 || word == kNoPatch) {
        CopyName(out, size, "None");
        return;
    }
    CopyName(out, size, "");
    if (port >= kEnginePorts) {
        if (GetVSTDeviceDefs()->GetPatchName(port, 0, std::uint32_t(word), int(word & 0xFF), out, size)) return;
        char number[16];
        GetPortPatchNameOrGM(port, GetVoiceChannel(voice), int(word & 0xFF), out, number, size);
        return;
    }
    if (IsSamplePlayerTrack()) return;  // the sample player names its slots itself
    if (CScore* score = OwningScore(*this)) score->GetPatchDisplayName(port, GetVoiceChannel(voice), word, out, size);
}

// --- sending and sounding ------------------------------------------------------------------------

void CTrack::SendVoicePatches() const {
    const int port = GetDevice();
    for (int v = 0; v < kVoices; ++v) {
        const std::int32_t word = GetVoicePatch(v);
        if (word == kNoPatch) continue;
        bool sentBefore = false;
        for (int u = 0; u < v && !sentBefore; ++u)
            sentBefore = GetVoiceChannel(u) == GetVoiceChannel(v) && GetVoicePatch(u) == word;
        if (!sentBefore) TheMidi().SendPatch(port, GetVoiceChannel(v), word, 1);
        if (IsSamplePlayerTrack()) {
            const int volume = GetVoiceVolume(v) == kNoVolume ? 80 : GetVoiceVolume(v);
            TheMidi().SendMessage3(port, 0xB0 + GetVoiceChannel(v), VolumeControllerToSend(v), volume);
        }
    }
}

void CTrack::SoundNote(int key, int velocity, int voice, bool endAfterWait) const {
    const int k = (key + GetDisplayShift() + GetVoiceTranspose(voice)) & 0xFF;
    const int status = 0x90 + GetVoiceChannel(voice);
    TheMidi().SendMessage3(GetDevice(), status, k, velocity);
    if (!endAfterWait) return;
    WaitTicks(4);
    TheMidi().SendMessage3(GetDevice(), status, k, 0);
}

// --- the sound clipboard -------------------------------------------------------------------------

bool CTrack::CopySound(int voice) const {
    SoundClipboard& c = Clipboard();
    if (c.port == GetDevice() && c.channel == GetVoiceChannel(voice) && c.patch == GetVoicePatch(voice)) return false;
    c.port = GetDevice();
    c.channel = GetVoiceChannel(voice);
    c.patch = GetVoicePatch(voice);
    c.displayShift = GetDisplayShift();
    std::memcpy(c.name, GetVoiceDefName(voice), kVoiceDefNameSize);
    return true;
}

bool CTrack::PasteSound(int voice) {
    const SoundClipboard& c = Clipboard();
    if (c.port == GetDevice() && c.channel == GetVoiceChannel(voice) && c.patch == GetVoicePatch(voice)) return false;
    SetDevice(c.port);
    SetVoiceChannel(voice, c.channel);
    ForVoices(*this, voice, [&](std::uint8_t* slot) { rec::Put(slot, kSlotPatch, c.patch); });
    return true;
}

// --- what the voice's sound gives the performer --------------------------------------------------

bool CTrack::GetMarkPlayback(int voice, int index, std::uint8_t* out) {
    const char* name = GetVoiceDefName(Clamp7(voice));
    const auto own = [&](int i) { std::memcpy(out, EntryBytes(*this, i), MarkPlayback::kSize); };
    if ((index >= 0 && index <= 31) || index == 61 || index == 62) {
        own(index);
        return true;
    }
    if (index < 1000) return GetVSTDeviceDefs()->GetArticulation(GetDevice(), name, index, out);
    GetVSTDeviceDefs()->GetArticulation(GetDevice(), name, index, out);
    if (index == 1002) own(62);
    if (index == 1003) own(63);
    if (index == 1004) own(61);
    return true;
}

int CTrack::GetVolumeController(int voice) const {
    return GetVSTDeviceDefs()->FindVolumeController(GetDevice(), GetVoiceDefName(Clamp7(voice)));
}

int CTrack::VolumeControllerToSend(int voice) const {
    constexpr int kMidiVolume = 7;
    const int controller = GetVolumeController(voice);
    return controller >= 0 && controller <= 127 ? controller : kMidiVolume;
}

int CTrack::GetVoiceDefValue(int voice, int which) {
    const std::uint8_t* entry = EntryBytes(*this, kSoundEntry);
    if (entry[4] != 0) {
        if (which == 0) return entry[4] - 1;
        if (which == 1) return entry[6];
        if (which == 2) return entry[7];
    }
    return GetVSTDeviceDefs()->GetSoundValue(GetDevice(), GetVoiceDefName(Clamp7(voice)), which);
}

int CTrack::GetVoiceDefByte(int voice, int which) {
    const std::uint8_t* entry = EntryBytes(*this, kSoundEntry);
    if (which == 0 && entry[2] != 0) return entry[2] - 1;
    return GetVSTDeviceDefs()->GetSoundByte(GetDevice(), GetVoiceDefName(Clamp7(voice)), which);
}

bool CTrack::VoiceSoundHasLegato(int voice) const {
    return GetVSTDeviceDefs()->HasLegato(GetDevice(), GetVoiceDefName(Clamp7(voice)));
}

int CTrack::GetSoundSetupValue(int voice) const {
    return GetVSTDeviceDefs()->GetSoundSetupValue(GetDevice(), GetVoiceDefName(Clamp7(voice)));
}

int CTrack::GetSoundNameValue(int voice) const {
    return GetVSTDeviceDefs()->GetSoundNameValue(GetDevice(), GetVoiceDefName(Clamp7(voice)));
}
