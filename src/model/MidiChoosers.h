// The MIDI layer's choosers that a track's voice pop-ups run: each pops up a menu box at a
// screen point and answers false, leaving the value alone, when nothing is chosen. The menu
// boxes live above the model; the view puts the choosers in at start-up
// (RegisterMidiChoosers, view/MidiChoosers.h). Until then nothing is ever chosen.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>

struct MidiChoosers {
    // An output of the combined output list; the chosen port id.
    std::function<bool(int x, int y, int* port)> output;
    // Channels 1-16 (1-8 on a sample-player port); the chosen channel (0-15).
    std::function<bool(int x, int y, int port, int* channel)> channel;
    // "None" and the banks of the port's instrument definition; the chosen bank (-1 "None").
    std::function<bool(int x, int y, int port, int channel, int* bank)> bank;
    // The port's programs ("None" first with withNone); the word with the chosen program in its
    // low byte, 0xFF there for "None".
    std::function<bool(int x, int y, int port, int channel, std::int32_t* word, bool withNone)> patch;
    // Pans -64 to 63; the value is kept with 64 added (0-127).
    std::function<bool(int x, int y, int* stored)> pan;
    // Values 0 to 127.
    std::function<bool(int x, int y, int* value, int flag)> value;
};

MidiChoosers& TheMidiChoosers();

// The combined output list: the audio engine's instrument slots in rack order (none while the
// program has no engine), then the chosen output ports.
int GetOutputEntryCount();
// The entry's port id; -1 past the end.
int GetOutputEntryPortId(int index);
// The entry's text (numbered: "n - " before it, from 1): an instrument slot's display name; for
// a MIDI port the instrument name the instrument definitions give the port, else its device
// name. Answers the entry's port id (-1 past the end).
int GetOutputEntryName(int index, char* text, std::size_t size, bool numbered);
