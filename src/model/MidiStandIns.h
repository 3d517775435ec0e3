#pragma once

// The sample player's sound sets, until the audio side is written.
namespace SoundSets {
// The eight slots of a sample-player port, as a plain menu; the chosen slot comes back as the
// channel. False when the port is not a sample player's or nothing is chosen.
bool ChooseSlot(int x, int y, int* port, int* channel);
}  // namespace SoundSets
