// Least forms of what the MIDI device layer asks of parts later work writes: the performer's
// running position and the transport state.
#pragma once

// `Performer`'s current tick (the running tick count); 0 while nothing plays.
inline int PerformerCurrentTick() { return 0; }
// The transport state (0 stopped, 1 playing, 2 recording, 3 tempo recording); stopped.
inline int TransportState() { return 0; }
