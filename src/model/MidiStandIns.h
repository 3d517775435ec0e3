#pragma once
#include <atomic>
#include <cstdint>
#include <vector>

#include "model/MidiOut.h"

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

// The sample player's sound sets.
namespace SoundSets {
// The eight slots of a sample-player port; the chosen slot comes back as the channel.
bool ChooseSlot(int x, int y, int* port, int* channel);
}  // namespace SoundSets
