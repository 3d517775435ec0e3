// The score's devices and patches: the device and patch lists kept in step with what the tracks
// use before a save, the same ports and sounds found again by name after a load on another
// machine, tracks of missing ports moved, the names shown for ports and patches, and the free
// channels of a port.
#include <algorithm>
#include <cstring>
#include <vector>

#include <string>

#include "framework/CodePage.h"
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/PlaybackMarks.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "platform/Devices.h"
#include "platform/DlgCombosStandIns.h"
#include "platform/PortLayer.h"
#include "platform/StdArray.h"

namespace {

constexpr int kDeviceUsed = 4;  // the 32-bit used mark of a device entry
constexpr int kPatchWordAt = 0;
constexpr int kPatchUsed = 137;
constexpr int kMessageMissingDevice = 10027;
// The separator between a stored device name and its channel number.
constexpr const char* kChannelSeparator = "-";
// The preference words that hold a port id: the two clicks' ports, the thru port and the
// default output port.
constexpr int kPortPreferences[] = {Preferences::kAccentedClick + 6, Preferences::kUnaccentedClick + 6,
                                    Preferences::kThruDevice, Preferences::kDefaultDevice};

std::uint8_t* Entry(CStdArray* a, int i) { return static_cast<std::uint8_t*>(a->GetAt(i)); }
int DevicePort(const std::uint8_t* e) { return rec::Get<std::int16_t>(e, 0); }
const char* DeviceName(const std::uint8_t* e) { return reinterpret_cast<const char*>(e + CDeviceArray::kNameOffset); }
int PatchPort(const std::uint8_t* e) { return rec::Get<std::int16_t>(e, CPatchArray::kPortOffset); }
int PatchChannel(const std::uint8_t* e) { return e[CPatchArray::kChannelOffset]; }
int PatchValue(const std::uint8_t* e) { return rec::Get<std::uint16_t>(e, kPatchWordAt); }
const char* PatchName(const std::uint8_t* e) { return reinterpret_cast<const char*>(e + CPatchArray::kNameOffset); }

// Copies a name field that may lack its terminator into out, cut at the field's end and never
// inside a double-byte character.
void CopyField(char* out, std::size_t size, const char* field, std::size_t fieldSize) {
    if (!out || !size) return;
    std::size_t n = strnlen(field, fieldSize);
    n = std::min(n, size - 1);
    // A lead byte of a double-byte character (0x81-0xFE) left without its trail byte is dropped.
    std::size_t lead = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(field[i]);
        if (lead) lead = 0;
        else if (c >= 0x81 && c <= 0xFE) lead = 1;
    }
    if (lead) --n;
    std::memcpy(out, field, n);
    out[n] = 0;
}

// The instrument definitions' name of a patch on a port and channel; empty when none.
void DefinitionPatchName(int port, int channel, int patch, char* out, std::size_t size) {
    out[0] = 0;
    const int device = GetMidiOutPorts()->IndexOfId(port);
    if (device < 0) return;
    GetNameMgr()->GetPatchName(device, 0, std::uint32_t(patch), out, size);
    (void)channel;
}

bool IsNamedPatch(int port, int channel, int patch) {
    char name[CPatchArray::kNameSize] = {};
    DefinitionPatchName(port, channel, patch, name, sizeof name);
    return name[0] != 0;
}

// Every live expression of a track that changes the patch, with the track.
template <typename F>
void ForEachPatchChange(CScore& score, F&& f) {
    for (int t = 0; t < score.GetTrackCount(); ++t)
        for (int b = 0; b < score.GetBarCount(); ++b)
            trkbar::ForEachLiveItem(score.GetTrkBar(t, b), [&](CBarItem* item) {
                if (item->IsExpression() && CExpression::Of(item)->IsPlayKind2()) f(t, CExpression::Of(item));
            });
}

}  // namespace

bool CScore::NoteDeviceUsed(int port) {
    CDeviceArray* list = devices.get();
    for (int i = 0; i < list->GetCount(); ++i)
        if (DevicePort(Entry(list, i)) == port) {
            rec::Put<std::uint32_t>(Entry(list, i), kDeviceUsed, 1);
            return true;
        }
    std::uint8_t entry[CDeviceArray::kElementSize] = {};
    if (port < kFirstEnginePortId) {
        if (!GetMidiOutPorts()->IsPortAvailable(port)) return true;
        const DeviceRecord* record = GetMidiOutPorts()->FindById(port);
        if (!record) return true;
        // The entry is the device record's stored share: its port id and its name.
        rec::Put<std::int16_t>(entry, 0, record->id);
        std::memcpy(entry + CDeviceArray::kNameOffset, record->name, CDeviceArray::kNameSize);
    } else {
        // The engine's slot of the port names it; a port without a slot cannot be kept.
        char name[CDeviceArray::kNameSize] = {};
        GetMidiOutPorts()->GetPortName(port, name, sizeof name);
        if (!name[0]) return false;
        rec::Put<std::int16_t>(entry, 0, std::int16_t(port));
        std::memcpy(entry + CDeviceArray::kNameOffset, name, sizeof name);
    }
    rec::Put<std::uint32_t>(entry, kDeviceUsed, 1);
    return list->Add(entry) != nullptr;
}

bool CScore::NotePatchUsed(int port, int channel, int patch) {
    CPatchArray* list = patches.get();
    patch &= 0xFFFF;
    for (int i = 0; i < list->GetCount(); ++i) {
        std::uint8_t* e = Entry(list, i);
        if (PatchPort(e) == port && PatchChannel(e) == channel && PatchValue(e) == patch) {
            e[kPatchUsed] = 1;
            return true;
        }
    }
    char name[CPatchArray::kNameSize] = {};
    DefinitionPatchName(port, channel, patch, name, sizeof name);
    if (!name[0]) return true;  // only the sounds the definitions name are kept
    std::uint8_t entry[CPatchArray::kElementSize] = {};
    rec::Put<std::uint16_t>(entry, kPatchWordAt, std::uint16_t(patch));
    CopyField(reinterpret_cast<char*>(entry + CPatchArray::kNameOffset), CPatchArray::kNameSize, name, sizeof name);
    rec::Put<std::int16_t>(entry, CPatchArray::kPortOffset, std::int16_t(port));
    entry[CPatchArray::kChannelOffset] = std::uint8_t(channel);
    entry[kPatchUsed] = 1;
    return list->Add(entry) != nullptr;
}

void CScore::CollectDevicesForSave() {
    for (int i = 0; i < devices->GetCount(); ++i) rec::Put<std::uint32_t>(Entry(devices.get(), i), kDeviceUsed, 0);
    for (int i = 0; i < patches->GetCount(); ++i) Entry(patches.get(), i)[kPatchUsed] = 0;
    // An entry that cannot be added is left out; the save goes on without it.
    for (int t = 0; t < trackCount; ++t) {
        CTrack* track = GetTrack(t);
        for (int v = 0; v < CTrack::kVoices; ++v) {
            NoteDeviceUsed(track->GetDevice());
            NotePatchUsed(track->GetDevice(), track->GetVoiceChannel(v), int(track->GetVoicePatch(v) & 0xFFFF));
        }
    }
    ForEachPatchChange(*this, [&](int t, CExpression* e) {
        CTrack* track = GetTrack(t);
        NotePatchUsed(track->GetDevice(), track->GetVoiceChannel(e->VoiceField()), int(e->GetPlayValue() & 0xFFFF));
    });
    for (int i = devices->GetCount() - 1; i >= 0; --i)
        if (rec::Get<std::uint32_t>(Entry(devices.get(), i), kDeviceUsed) == 0) devices->RemoveAt(i);
    for (int i = patches->GetCount() - 1; i >= 0; --i)
        if (Entry(patches.get(), i)[kPatchUsed] == 0) patches->RemoveAt(i);
}

void CScore::RemapDevicesAfterLoad() {
    CDevices* ports = GetMidiOutPorts();
    std::vector<bool> moved(std::size_t(std::max<int>(trackCount, 0)), false);
    for (int i = 0; i < devices->GetCount(); ++i) {
        std::uint8_t* e = Entry(devices.get(), i);
        char name[CDeviceArray::kNameSize + 1] = {};
        CopyField(name, sizeof name, DeviceName(e), CDeviceArray::kNameSize);
        const int stored = DevicePort(e);
        const int now = ports->FindIdByName(name);
        if (now < 0 || now == stored) continue;
        for (int t = 0; t < trackCount; ++t)
            if (!moved[std::size_t(t)] && GetTrack(t)->GetDevice() == stored) {
                GetTrack(t)->SetDevice(now);
                moved[std::size_t(t)] = true;
            }
        if (ports->IsPortAvailable(now))
            for (int word : kPortPreferences)
                if (g_preferences.Word(word) == stored) g_preferences.SetWord(word, std::int16_t(now));
        rec::Put<std::int16_t>(e, 0, std::int16_t(now));
    }
    // A patch the definitions no longer name under its number is looked up by its stored name.
    for (int i = 0; i < patches->GetCount(); ++i) {
        std::uint8_t* e = Entry(patches.get(), i);
        const int port = PatchPort(e), channel = PatchChannel(e), patch = PatchValue(e);
        if (IsNamedPatch(port, channel, patch)) continue;
        char stored[CPatchArray::kNameSize + 1] = {};
        CopyField(stored, sizeof stored, PatchName(e), CPatchArray::kNameSize);
        if (!stored[0]) continue;
        int found = -1;
        for (int program = 0; program < 128 && found < 0; ++program) {
            const int candidate = (patch & 0xFF00) | program;
            char name[CPatchArray::kNameSize] = {};
            DefinitionPatchName(port, channel, candidate, name, sizeof name);
            if (std::strcmp(name, stored) == 0) found = candidate;
        }
        if (found < 0 || found == patch) continue;
        for (int t = 0; t < trackCount; ++t) {
            CTrack* track = GetTrack(t);
            if (track->GetDevice() != port) continue;
            for (int v = 0; v < CTrack::kVoices; ++v)
                if (track->GetVoiceChannel(v) == channel && (track->GetVoicePatch(v) & 0xFFFF) == patch)
                    track->SetVoicePatch(v, (track->GetVoicePatch(v) & ~0xFFFF) | found, false);
        }
        rec::Put<std::uint16_t>(e, kPatchWordAt, std::uint16_t(found));
    }
    // The sample player's ports of older files are the engine's now.
    for (int t = 0; t < trackCount; ++t) {
        CTrack* track = GetTrack(t);
        if (track->GetDevice() >= 1000 && track->GetDevice() <= 1007) track->SetDevice(track->GetDevice() + 1000);
    }
}

void CScore::CheckTrackDevices() {
    CDevices* ports = GetMidiOutPorts();
    bool told = false;
    for (int t = 0; t < trackCount; ++t) {
        CTrack* track = GetTrack(t);
        const int port = track->GetDevice();
        if (ports->IsPortAvailable(port)) continue;
        bool recorded = false;
        for (int i = 0; i < devices->GetCount(); ++i) recorded |= DevicePort(Entry(devices.get(), i)) == port;
        if (recorded) {
            if (!told) ShowAlertById(kAlertCaution, kMessageMissingDevice);
            told = true;
            continue;
        }
        if (port >= kFirstEnginePortId) continue;
        const int first = ports->GetIdAt(0);
        const int preferred = g_preferences.Word(Preferences::kDefaultDevice);
        if (g_preferences.Byte(Preferences::kUseDefaultDevice) && ports->IsPortAvailable(preferred))
            track->SetDevice(preferred);
        else if (first >= 0 && ports->IsPortAvailable(first))
            track->SetDevice(first);
    }
    for (int t = 0; t < trackCount; ++t) GetTrack(t)->RefreshVoiceSetup();
}

bool CScore::GetDeviceDisplayName(int port, int channel, char* out, std::size_t size) {
    if (!out || !size) return false;
    out[0] = 0;
    const bool available = GetMidiOutPorts()->IsPortAvailable(port);
    if (!available && port != -1)
        for (int i = 0; i < devices->GetCount(); ++i) {
            const std::uint8_t* e = Entry(devices.get(), i);
            if (DevicePort(e) != port) continue;
            CopyField(out, size, DeviceName(e), CDeviceArray::kNameSize);
            if (channel != -1) {
                const std::string text = std::string(out) + kChannelSeparator + std::to_string(channel + 1);
                fw::CopyText(out, size, text.c_str());
            }
            return true;
        }
    if (channel == -1) GetMidiOutPorts()->GetDeviceName(port, out, size);
    else GetMidiOutPorts()->GetDeviceNameWithChannel(port, channel, out, size);
    return available;
}

bool CScore::GetPatchDisplayName(int port, int channel, std::int32_t patch, char* out, std::size_t size) {
    if (!out || !size) return false;
    out[0] = 0;
    char name[CPatchArray::kNameSize] = {};
    DefinitionPatchName(port, channel, int(patch & 0xFFFF), name, sizeof name);
    if (name[0]) {
        fw::CopyText(out, size, name);
        return true;
    }
    for (int i = 0; i < patches->GetCount(); ++i) {
        const std::uint8_t* e = Entry(patches.get(), i);
        if (PatchPort(e) == port && PatchChannel(e) == channel && PatchValue(e) == int(patch & 0xFFFF)) {
            CopyField(out, size, PatchName(e), CPatchArray::kNameSize);
            break;
        }
    }
    return false;
}

bool CScore::GetStoredPatchData(int patch, std::vector<std::uint8_t>* out) {
    for (int i = 0; i < patches->GetCount(); ++i) {
        const std::uint8_t* e = Entry(patches.get(), i);
        const int length = rec::Get<std::uint16_t>(e, CPatchArray::kDataLengthOffset);
        if (PatchValue(e) != (patch & 0xFFFF) || length == 0) continue;
        // Data said to be longer than its entry's field is cut at the field.
        const int n = std::min(length, CPatchArray::kDataSize);
        if (out) out->assign(e + CPatchArray::kDataOffset, e + CPatchArray::kDataOffset + n);
        return true;
    }
    return false;
}

int CScore::FindFreeChannel(int trackIndex, int port, bool* flags) {
    int first = -1;
    for (int c = 0; c < 16; ++c) {
        bool free = c != 9;
        for (int t = 0; free && t < trackCount; ++t) {
            if (t == trackIndex) continue;
            CTrack* track = GetTrack(t);
            if (track->GetDevice() != port) continue;
            for (int v = 0; v < CTrack::kVoices; ++v)
                if (track->GetVoiceChannel(v) == c) free = false;
        }
        if (flags) flags[c] = free;
        if (free && first < 0) first = c;
    }
    return first;
}
