// A MIDI layer for tests that sends nothing and records each send of the model, in order.
#pragma once
#include <cstdint>
#include <vector>

#include "model/MidiOut.h"

namespace testsupport {

class MidiRecorder : public MidiSender {
public:
    enum class Kind { Patch, Record, Message3, Reset };
    struct Sent {
        Kind kind;
        int port;
        int a, b, c, d;  // Patch: channel, word, force; Record and Message3: status, data 1, data 2
        bool operator==(const Sent&) const = default;
    };
    bool SendPatch(int port, int channel, std::int32_t word, int force) override {
        sent.push_back({Kind::Patch, port, channel, int(word), force, 0});
        return true;
    }
    bool SendRecord(int port, int status, int data1, int data2) override {
        sent.push_back({Kind::Record, port, status, data1, data2, 0});
        return true;
    }
    bool SendMessage3(int port, int status, int data1, int data2) override {
        sent.push_back({Kind::Message3, port, status, data1, data2, 0});
        return true;
    }
    bool ResetChannel(int port, int channel) override {
        sent.push_back({Kind::Reset, port, channel, 0, 0, 0});
        return true;
    }
    std::vector<Sent> sent;
};

// The recorder, made the program's MIDI layer; its sends so far.
inline std::vector<MidiRecorder::Sent>& RecordedMidi() {
    static MidiRecorder recorder;
    SetTheMidi(&recorder);
    return recorder.sent;
}

}  // namespace testsupport
