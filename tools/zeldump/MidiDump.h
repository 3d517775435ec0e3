// zeldump on a Standard MIDI File: its chunks and events, then the import.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Opening a ".mid" or ".kar" file imports it (every command), taking the staff proposal as it
// stands.
void UseMidiImport();
// Whether the bytes start as a Standard MIDI File ("MThd").
bool IsMidiFile(const std::vector<std::uint8_t>& bytes);
// Prints the header, each track chunk (events, notes, last tick) and the imported score's size;
// a file the reader or the import refuses is reported with the reason (exit status 1).
int DumpMidi(const std::string& path, const std::vector<std::uint8_t>& bytes);
