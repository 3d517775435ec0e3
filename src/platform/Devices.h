// The device records and the lookups of a device list: the system's MIDI devices and the two
// lists of ports the user has chosen derive from `CDevices`. The output port list installs
// itself with `SetMidiOutPorts`, so that the model and the dialogs ask it for names and
// availability without knowing the MIDI layer.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// One device: its port id (outputs by their place in the system's list, sample-player outputs
// from 1000, other sampler outputs from 1500, inputs after every output), its kind (0 output,
// 1 input), the handle of the open port (0 when not open), the channels it accepts (bit 15 is
// channel 0, bit 0 channel 15) and its name.
struct DeviceRecord {
    std::int16_t id = 0;
    std::uint16_t kind = 0;
    std::uint32_t handle = 0;
    std::uint16_t channelMask = 0xFFFF;
    char name[128] = {};
};

// Port ids from this one are the audio engine's instruments.
constexpr int kFirstEnginePortId = 2000;

class CDevices {
public:
    enum : std::uint16_t { kOutput = 0, kInput = 1 };

    virtual ~CDevices() = default;

    int GetCount() const { return int(records_.size()); }
    const DeviceRecord& GetAt(int index) const { return records_[std::size_t(index)]; }
    void Add(const DeviceRecord& record) { records_.push_back(record); }
    // Empties the list (the port lists close their devices first).
    virtual void RemoveAll() { records_.clear(); }

    // The port id of the record at an index; -1 past the end.
    int GetIdAt(int index) const;
    // The index of the record with the id; -1 when none has it.
    virtual int IndexOfId(int portId);
    DeviceRecord* FindById(int portId);
    // The open handle of the port, 0 when none.
    std::uint32_t GetHandle(int portId);
    // The id of a numbered engine port name ("Sample Studio: n" is 1999 + n, n from 1), else of
    // the record with exactly that name; -1 when none.
    int FindIdByName(const char* name);
    // For ids from 2000 the display name of the engine's slot carrying the port; else the
    // record's name; "None" when neither has the id.
    void GetDeviceName(int portId, char* text, std::size_t size);
    // The name, then "-" and the channel number from 1 unless the channel is -1.
    void GetDeviceNameWithChannel(int portId, int channel, char* text, std::size_t size);
    // Whether the list's record of the id is an input (false when none has it).
    bool IsInputPort(int portId);
    // Whether the channel (0-15) is among the record's channels.
    bool IsChannelInMask(int portId, int channel);
    // A sample-player port, a port the engine's rack carries, or a record whose port is open.
    virtual bool IsPortAvailable(int portId);
    // Whether the port is a sample-player output (ids 1000-1499 of the list).
    virtual bool IsSamplePlayerPort(int portId);
    // The list's name of the port (empty when none).
    virtual void GetPortName(int portId, char* text, std::size_t size);
    // The note (key) name of a pitch on a port: the instrument definition's, else the plain
    // note name.
    virtual void GetNoteName(int portId, int channel, std::uint32_t patchWord, int pitch, char* text,
                             std::size_t size);

protected:
    std::vector<DeviceRecord> records_;
};

// The program's list of output ports (never null: an empty list until the port lists install
// theirs; tests install their own).
CDevices* GetMidiOutPorts();
void SetMidiOutPorts(CDevices* ports);
