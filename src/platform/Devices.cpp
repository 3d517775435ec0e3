#include "platform/Devices.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/CodePage.h"
#include "platform/EngineStandIns.h"
#include "platform/PlatformGlobals.h"
#include "platform/Theory.h"

int CDevices::GetIdAt(int index) const {
    return index >= 0 && index < GetCount() ? records_[std::size_t(index)].id : -1;
}

int CDevices::IndexOfId(int portId) {
    for (int i = 0; i < GetCount(); ++i)
        if (records_[std::size_t(i)].id == portId) return i;
    return -1;
}

DeviceRecord* CDevices::FindById(int portId) {
    const int index = IndexOfId(portId);
    return index < 0 || index >= GetCount() ? nullptr : &records_[std::size_t(index)];
}

bool CDevices::IsInputPort(int portId) {
    const DeviceRecord* record = FindById(portId);
    return record && record->kind == kInput;
}

std::uint32_t CDevices::GetHandle(int portId) {
    const DeviceRecord* record = FindById(portId);
    return record ? record->handle : 0;
}

int CDevices::FindIdByName(const char* name) {
    if (!name) return -1;
    static const char kEngine[] = "Sample Studio:";
    if (const char* at = std::strstr(name, kEngine)) {
        // Slot number n is port 1999 + n; a number that names no engine port is no id.
        const char* number = at + sizeof kEngine - 1;
        if (*number == ' ') ++number;
        const long n = std::isdigit(static_cast<unsigned char>(*number)) ? std::strtol(number, nullptr, 10) : 0;
        return n >= 1 && n <= INT16_MAX - 1999 ? int(1999 + n) : -1;
    }
    for (const DeviceRecord& r : records_)
        if (std::strcmp(r.name, name) == 0) return r.id;
    return -1;
}

void CDevices::GetDeviceName(int portId, char* text, std::size_t size) {
    if (portId >= kFirstEnginePortId)
        if (const PlugInSlot* slot = PlugInTable::GetSlot(PlugInTable::IndexOfPort(portId))) {
            slot->GetDisplayName(text, size);
            return;
        }
    const DeviceRecord* record = FindById(portId);
    fw::CopyText(text, size, record ? record->name : "None");
}

void CDevices::GetDeviceNameWithChannel(int portId, int channel, char* text, std::size_t size) {
    char name[128] = {};
    GetDeviceName(portId, name, sizeof name);
    std::string out = name;
    if (channel != -1) out += "-" + std::to_string(channel + 1);
    fw::CopyText(text, size, out);
}

bool CDevices::IsChannelInMask(int portId, int channel) {
    const DeviceRecord* record = FindById(portId);
    if (!record || channel < 0 || channel > 15) return false;
    return (record->channelMask >> (15 - channel)) & 1;
}

bool CDevices::IsPortAvailable(int portId) {
    if (IsSamplePlayerPort(portId)) return true;
    if (portId >= kFirstEnginePortId && PlugInTable::IndexOfPort(portId) >= 0) return true;
    return GetHandle(portId) != 0;
}

bool CDevices::IsSamplePlayerPort(int portId) { return portId >= 1000 && portId < 1500 && FindById(portId); }

void CDevices::GetPortName(int portId, char* text, std::size_t size) {
    const DeviceRecord* record = FindById(portId);
    fw::CopyText(text, size, record ? record->name : "");
}

void CDevices::GetNoteName(int, int, std::uint32_t, int pitch, char* text, std::size_t size) {
    std::string name;
    CTheory::AppendOctave(pitch, 0, g_platform.noteNameStyle, name);
    fw::CopyText(text, size, name);
}

namespace {
CDevices g_noPorts;
CDevices* g_ports = &g_noPorts;
}  // namespace

CDevices* GetMidiOutPorts() { return g_ports; }
void SetMidiOutPorts(CDevices* ports) { g_ports = ports ? ports : &g_noPorts; }
