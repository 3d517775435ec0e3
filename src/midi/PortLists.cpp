#include "midi/PortLists.h"

#include <cstdio>
#include <cstring>

#include "framework/CodePage.h"
#include "framework/Midi.h"
#include "framework/Registry.h"
#include "model/Preferences.h"
#include "platform/DlgCombosStandIns.h"
#include "platform/PlatformGlobals.h"
#include "platform/RvqUtil.h"

namespace {

bool contains(const std::string& name, const char* part) { return name.find(part) != std::string::npos; }

// The previous version's key: the major version digit (the third character from the end) 3.
std::string previousKey(const std::string& key) {
    std::string older = key;
    if (older.size() >= 3) older[older.size() - 3] = '3';
    return older;
}

bool keyExists(const std::string& path) {
    RegKeyRecord key;
    return OpenRegKey(key, path.c_str(), nullptr, KEY_READ, HKEY_CURRENT_USER);
}

}  // namespace

int EnumDevices(CSystemDevices& system) {
    system.RemoveAll();
    system.defaultSynth = -1;
    system.samplePlayerPresent = false;
    const std::vector<fw::midi::PortInfo> ports = fw::midi::ListPorts();
    int outputs = 0, samplePlayers = 0, samplers = 0;
    for (const fw::midi::PortInfo& p : ports) {
        if (p.kind != fw::midi::Kind::Output) continue;
        DeviceRecord r;
        r.kind = CDevices::kOutput;
        fw::CopyText(r.name, sizeof r.name, p.name);
        if (contains(p.name, "Sample Studio") || contains(p.name, "Sample Orchestra")) {
            r.id = std::int16_t(1000 + samplePlayers++);
            system.samplePlayerPresent = true;
        } else if (contains(p.name, "Stream MidiOut") || contains(p.name, "StreamOut: Port")) {
            r.id = std::int16_t(1500 + samplers++);
        } else {
            r.id = std::int16_t(outputs);
        }
        if (p.synthesizer && system.defaultSynth < 0) system.defaultSynth = r.id;
        system.Add(r);
        ++outputs;
    }
    int inputs = 0;
    for (const fw::midi::PortInfo& p : ports) {
        if (p.kind != fw::midi::Kind::Input) continue;
        DeviceRecord r;
        r.kind = CDevices::kInput;
        r.id = std::int16_t(outputs + inputs++);
        fw::CopyText(r.name, sizeof r.name, p.name);
        system.Add(r);
    }
    if (g_preferences.Word(Preferences::kDefaultDevice) >= outputs && system.defaultSynth >= 0) {
        g_preferences.SetWord(Preferences::kDefaultDevice, std::int16_t(system.defaultSynth));
        g_preferences.SetWord(Preferences::kThruDevice, std::int16_t(system.defaultSynth));
        g_preferences.SetWord(Preferences::kDefaultDeviceChannel, 0);
    }
    return outputs + inputs;
}

CMidiPorts::~CMidiPorts() { CMidiPorts::RemoveAll(); }

void CMidiPorts::CloseAll() {
    for (DeviceRecord& r : records_)
        if (r.handle) {
            fw::midi::Close(r.handle);
            r.handle = 0;
        }
}

bool CMidiPorts::AnyOpen() const {
    for (const DeviceRecord& r : records_)
        if (r.handle) return true;
    return false;
}

void CMidiPorts::RemoveAll() {
    CloseAll();
    records_.clear();
}

const char* CMidiPorts::keyName() const { return kind_ == kInput ? "MIDI Input Devices" : "MIDI Output Devices"; }
const char* CMidiPorts::countName() const { return kind_ == kInput ? "MaxInPort" : "MaxOutPort"; }

bool CMidiPorts::OpenByName(const CDevices& system, const char* name) {
    for (int i = 0; i < system.GetCount(); ++i) {
        DeviceRecord r = system.GetAt(i);
        if (r.kind != kind_ || std::strcmp(r.name, name) != 0) continue;
        r.handle = kind_ == kInput ? fw::midi::OpenInput(r.name) : fw::midi::OpenOutput(r.name);
        Add(r);
        return r.handle != 0;
    }
    return false;
}

void CMidiPorts::Load(const CDevices& system, const std::string& programKey) {
    RemoveAll();
    RegKeyRecord key;
    if (OpenRegKey(key, programKey.c_str(), keyName(), KEY_READ, HKEY_CURRENT_USER)) {
        DWORD count = 0;
        GetRegDword(key, countName(), count);
        for (DWORD i = 0; i < count && i < 1024; ++i) {
            char name[128] = {};
            if (GetRegStringNoDefault(key, std::to_string(i).c_str(), name, sizeof name) && name[0])
                OpenByName(system, name);
        }
    }
    if (GetCount() == 0)
        for (int i = 0; i < system.GetCount(); ++i)
            if (system.GetAt(i).kind == kind_) {
                DeviceRecord r = system.GetAt(i);
                r.handle = kind_ == kInput ? fw::midi::OpenInput(r.name) : fw::midi::OpenOutput(r.name);
                if (r.handle) Add(r);
                break;
            }
    AfterLoad();
}

bool CMidiPorts::Save(const std::string& programKey) {
    RegKeyRecord key;
    if (!OpenRegKey(key, programKey.c_str(), keyName(), KEY_WRITE, HKEY_CURRENT_USER)) return false;
    std::vector<RegValueData> values;
    DWORD written = 0;
    for (const DeviceRecord& r : records_) {
        if (kind_ == kOutput && !IsPortAvailable(r.id)) continue;
        values.push_back({std::to_string(written++), REG_SZ, std::string(r.name) + '\0'});
    }
    values.push_back({countName(), REG_DWORD, std::string(reinterpret_cast<const char*>(&written), 4)});
    return RegSetValues(key.hKey, values) == ERROR_SUCCESS;
}

void CMidiOutPorts::AfterLoad() {
    const int chosen = g_preferences.Word(Preferences::kDefaultDevice);
    if (GetCount() == 0 || GetHandle(chosen) != 0) return;
    const auto first = std::int16_t(GetIdAt(0));
    g_preferences.SetWord(Preferences::kThruDevice, first);
    g_preferences.SetWord(Preferences::kDefaultDevice, first);
}

void LoadMidiPorts(CSystemDevices& system, CMidiInPorts& in, CMidiOutPorts& out) {
    EnumDevices(system);
    const std::string current = g_platform.programKeyPath;
    const bool fresh = !keyExists(current + "\\Preferences");
    const std::string from = fresh ? previousKey(current) : current;
    // Only choices there are to copy are copied: a first start of a new installation writes nothing.
    const bool copy = fresh && (keyExists(from + "\\MIDI Input Devices") || keyExists(from + "\\MIDI Output Devices"));
    in.Load(system, from);
    out.Load(system, from);
    if (copy) {
        in.Save(current);
        out.Save(current);
    }
}

std::uint32_t PortBankWord(int port, int bankIndex) {
    std::uint32_t word = 0;
    if (GetVSTDeviceDefs()->GetPatchByIndex(port, bankIndex, 0, &word)) return word;
    return GetNameMgr()->GetBankWordByIndex(GetMidiOutPorts()->IndexOfId(port), 0, bankIndex, 0);
}
