// Least forms of what later work asks of the performer, until it is written.
#pragma once
#include "midi/ClockPerformer.h"

class CScore;

// What MIDI file export asks of the performer (the play of one track into the device layer in
// place, tick by tick), until export drives the performer. Until then the performance is empty:
// `Performer::Start` (score, the play range of one track from bar 0, with the priming step)
// plays nothing, `Performer::GetCurrentBar` is past the score's end at once, so the track holds
// only what export writes itself, and `Performer::Silence` (track) sends nothing.
struct ExportPerformer {
    static void Start(CScore& score, int track, bool priming);
    static int GetCurrentBar(CScore& score);
    static int GetTickCounter();
    static void GenerateAhead(int ticks);
    static void PlayTick();
    static void Silence(int track);
};

