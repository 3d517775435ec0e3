#include "model/MidiStandIns.h"

void CMidi::SendPatch(int port, int channel, std::int32_t word, int last) {
    sent.push_back({Kind::Patch, port, channel, int(word), last, 0});
}

void CMidi::SendRecord(int port, int status, int data1, int data2) {
    sent.push_back({Kind::Record, port, status, data1, data2, 0});
}

void CMidi::SendMessage3(int port, int status, int data1, int data2) {
    sent.push_back({Kind::Message3, port, status, data1, data2, 0});
}

CMidi& TheMidi() {
    static CMidi midi;
    return midi;
}
