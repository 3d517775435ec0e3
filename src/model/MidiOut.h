// The sends the model makes through the MIDI layer (patches, controller values, notes). The
// layer sits above the model and registers itself at start-up with SetTheMidi; while none is
// registered the sends go nowhere.
#pragma once
#include <cstdint>

class MidiSender {
public:
    virtual ~MidiSender() = default;
    // A patch (program, with its bank) on a port and channel; force sends the bank too.
    virtual bool SendPatch(int port, int channel, std::int32_t word, int force) = 0;
    // A three-byte event (a controller value) to a port.
    virtual bool SendRecord(int port, int status, int data1, int data2) = 0;
    // A three-byte message (a note or a controller) to a port.
    virtual bool SendMessage3(int port, int status, int data1, int data2) = 0;
    // All notes off and the controllers reset on a port's channel; nothing is sent by default.
    virtual bool ResetChannel(int port, int channel) { return false; }
};

// The program's MIDI layer (never null).
MidiSender& TheMidi();
void SetTheMidi(MidiSender* midi);
