#include "midi/PortTest.h"

#include "platform/PortLayer.h"

bool PlayPortTest(fw::midi::PortId port) {
    constexpr std::uint8_t kChannel = 1;
    // Key, ticks (1/60 s) held, ticks of silence after.
    struct Note {
        std::uint8_t key;
        int held, after;
    } notes[] = {{67, 4, 4}, {67, 4, 4}, {67, 4, 4}, {63, 20, 0}};
    for (const Note& n : notes) {
        if (!fw::midi::SendShort(port, 0x90 | kChannel, n.key, 64)) return false;
        WaitTicks(n.held);
        if (!fw::midi::SendShort(port, 0x80 | kChannel, n.key, 64)) return false;
        if (n.after) WaitTicks(n.after);
    }
    return true;
}
