// The least form of the MIDI layer's entry points that the track's voices call to send patches,
// controller values and notes, until the MIDI layer is written. Nothing reaches a device: each
// call is recorded, in order, so that the callers' behaviour can be checked.
#pragma once
#include <atomic>
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

    // Set to 1 when a message comes in (input) or goes out (output), by whatever thread
    // handles it; the status bar's light reads and clears each with one exchange.
    std::atomic<std::uint8_t> inputActivity{0};
    std::atomic<std::uint8_t> outputActivity{0};
};

// The program's MIDI object.
CMidi& TheMidi();

// The choosers of the MIDI layer that the track's voice popups run, until the MIDI layer is
// written. Each pops up a plain menu at a screen point (answerable by a script) and returns
// false when nothing is chosen. Item ids are the value + 1, so that 0 stays "nothing chosen".
// Channels 1-16 (1-8 on a sample-player port); the chosen channel (0-15).
bool RunChannelMenu(int x, int y, int port, int* channel);
// "None" and banks 0-127; the chosen bank (-1 for "None").
bool RunBankMenu(int x, int y, int port, int channel, int* bank);
// Output ports 0-15 numbered with the device list's names; the chosen port.
bool RunOutputMenu(int x, int y, int* port, int channel);
// Pan -64..63; the chosen value.
bool RunPanMenu(int x, int y, int port, int* pan);
// Volume 0-127; the chosen value.
bool RunVolumeMenu(int x, int y, int port, int* volume, int flag);
// Programs 0-127 of the port's patch names, "None" first with withNone; the word with the
// chosen program in its low byte, 0xFF there for "None".
bool RunPatchMenu(int x, int y, int port, int channel, std::int32_t* word, int withNone, int flags);
// The performer's per-track channel table: the port and channel each track plays on, kept up
// to date when a track's port changes (the performer reads it once it is written).
struct PerformerChannel {
    int port = -1;
    int channel = 0;
    bool operator==(const PerformerChannel&) const = default;
};
std::vector<PerformerChannel>& PerformerChannels();
void UpdatePerformerChannels(int track, int port, int channel, int flag);

// The sample player's sound sets.
namespace SoundSets {
// The eight slots of a sample-player port; the chosen slot comes back as the channel.
bool ChooseSlot(int x, int y, int* port, int* channel);
}  // namespace SoundSets
