#include "model/MidiStandIns.h"

namespace {
// The record keeps the latest sends only, so that a long session does not grow it without end.
constexpr std::size_t kKept = 4096;
void Keep(std::vector<CMidi::Sent>& sent) {
    if (sent.size() >= kKept) sent.erase(sent.begin(), sent.begin() + kKept / 2);
}
}  // namespace

void CMidi::SendPatch(int port, int channel, std::int32_t word, int last) {
    Keep(sent);
    sent.push_back({Kind::Patch, port, channel, int(word), last, 0});
}

void CMidi::SendRecord(int port, int status, int data1, int data2) {
    Keep(sent);
    sent.push_back({Kind::Record, port, status, data1, data2, 0});
}

void CMidi::SendMessage3(int port, int status, int data1, int data2) {
    Keep(sent);
    sent.push_back({Kind::Message3, port, status, data1, data2, 0});
}

CMidi& TheMidi() {
    static CMidi midi;
    return midi;
}
