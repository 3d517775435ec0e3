// Least forms of what the performer asks of the audio engine's device definitions, which later
// work writes.
#pragma once

namespace VSTDeviceDefs {
// The volume controller of a sound (by its definition name): 7, the MIDI volume, until the
// device definitions are loaded.
inline int FindVolumeController(const char*) { return 7; }
// The articulation key-switch base note of a sound: -1, none, until the definitions are loaded.
inline int GetKeySwitchBase(const char*) { return -1; }
}  // namespace VSTDeviceDefs
