// Whether playback runs: set by the MIDI layer's clock on its first millisecond after a start and
// cleared when it stops; read by the rest of the program (on any thread) to refuse or defer work.
#pragma once
#include <atomic>

std::atomic<bool>& PlaybackRunning();
