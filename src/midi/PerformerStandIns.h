// Least forms of what the performer asks of the audio engine's device definitions, which later
// work writes.
#pragma once

namespace VSTDeviceDefs {
// The articulation key-switch base note of a sound: -1, none, until the definitions are loaded.
inline int GetKeySwitchBase(const char*) { return -1; }
}  // namespace VSTDeviceDefs
