// What the performer shares with the rest of the program, on any thread: whether playback runs,
// the score it plays, the play position and the transport word. Each is an atomic; the position
// is one packed word, so bar, beat and tick are always read from one moment.
#pragma once
#include <atomic>

class CScore;

// Set by the MIDI layer's clock on its first millisecond after a start and cleared when it stops;
// read to refuse or defer work while the score plays.
std::atomic<bool>& PlaybackRunning();

// The score the performer plays (null when none).
CScore* GetPlayedScore();
void SetPlayedScore(CScore* score);
// The play position the performer publishes each tick: bar number, beat and tick in the beat.
void GetPlayPosition(int* bar, int* beat, int* tick);
void SetPlayPosition(int bar, int beat, int tick);

// The transport word: 0 stopped, 1 playing, 2 recording, 3 recording in the second mode.
int GetTransportState();
void SetTransportState(int state);
