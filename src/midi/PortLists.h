// The system's MIDI devices and the two lists of ports the user has chosen: which ports there
// are (with the program's port ids), which of them are open, and the choices remembered by
// device name under the program's version key ("MIDI Input Devices", "MIDI Output Devices").
#pragma once
#include <cstdint>
#include <string>

#include "platform/Devices.h"

// The system's devices: every output of the framework's list, then every input, each with its
// port id; the default synthesizer is the first output that is a synthesizer (-1: none).
class CSystemDevices : public CDevices {
public:
    int defaultSynth = -1;
    bool samplePlayerPresent = false;
};

// Fills the system list and returns outputs + inputs. When the preferences' "Default Device"
// is not below the number of outputs, it and the thru "Device" become the default synthesizer
// and "Default Device Channel" 0.
int EnumDevices(CSystemDevices& system);

// A list of chosen ports of one kind; emptying it closes its open ports.
class CMidiPorts : public CDevices {
public:
    explicit CMidiPorts(std::uint16_t kind) : kind_(kind) {}
    ~CMidiPorts() override;
    CMidiPorts(const CMidiPorts&) = delete;
    CMidiPorts& operator=(const CMidiPorts&) = delete;

    void RemoveAll() override;
    // Closes every open port of the list, keeping the records (with handle 0).
    void CloseAll();
    bool AnyOpen() const;
    // Finds the system's device of this kind and name, opens it and appends it (with handle 0
    // when the open failed); true when it opened. A name the system does not know is skipped.
    bool OpenByName(const CDevices& system, const char* name);
    // Empties the list and reopens each name remembered under the version key's subkey (key
    // path like "Software\...\4.0"); with none, the system's first device of this kind.
    void Load(const CDevices& system, const std::string& programKey);
    // Writes the list under the version key; false when the key cannot be written.
    bool Save(const std::string& programKey);

protected:
    virtual void AfterLoad() {}
    const char* keyName() const;
    const char* countName() const;
    std::uint16_t kind_;
};

class CMidiInPorts : public CMidiPorts {
public:
    CMidiInPorts() : CMidiPorts(kInput) {}
};

class CMidiOutPorts : public CMidiPorts {
public:
    CMidiOutPorts() : CMidiPorts(kOutput) {}

protected:
    // When the preferences' "Default Device" has no open port in the list, it and the thru
    // "Device" become the first port's id.
    void AfterLoad() override;
};

// Start-up: enumerates the devices, then loads both lists from the program's version key (from
// the previous version's key, "3.0", when the current one has no "Preferences" yet, and then
// saves them under the current key at once).
void LoadMidiPorts(CSystemDevices& system, CMidiInPorts& in, CMidiOutPorts& out);

// The packed patch word of the n-th bank of a port: from the port's device definitions, else
// from the instrument names of its device.
std::uint32_t PortBankWord(int port, int bankIndex);
