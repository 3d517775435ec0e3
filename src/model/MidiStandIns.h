// The least form of the MIDI layer's entry points that the track's voices call to send patches,
// controller values and notes, until the MIDI layer is written. Nothing reaches a device: each
// call is recorded, in order, so that the callers' behaviour can be checked.
#pragma once
#include <cstdint>
#include <vector>

class CMidi {
public:
    enum class Kind { Patch, Record, Message3 };
    struct Sent {
        Kind kind;
        int port;
        int a, b, c, d;  // Patch: channel, word, last; Record and Message3: status, data 1, data 2
        bool operator==(const Sent&) const = default;
    };

    // Sends a patch (program, with its bank) on a port and channel.
    void SendPatch(int port, int channel, std::int32_t word, int last);
    // Sends a three-byte event (a controller value) to a port.
    void SendRecord(int port, int status, int data1, int data2);
    // Sends a three-byte message (a note or a controller) to a port.
    void SendMessage3(int port, int status, int data1, int data2);

    // The latest sends, oldest first.
    std::vector<Sent> sent;
};

// The program's MIDI object.
CMidi& TheMidi();
