// Minimal forms of what the score records and the score root call in code that is not written
// yet: the score's font table, and the records of pages
// and page texts (the document and its insertion point come with model/ZelDoc.h). Each carries
// the name and signature its owner gives it and only the body that the callers here need; the
// owners replace them as they are written.
#pragma once
#include <cstdint>
#include <string>

#include "framework/Types.h"
#include "model/ArrayItem.h"
#include "model/BarItem.h"
#include "model/DragTask.h"
#include "model/SpacingTable.h"
#include "model/ZelDoc.h"
#include "platform/FontRef.h"
#include "platform/StdArray.h"

// The MIDI data box of the sequencer views: shows a location's bar, beat, tick and value. Until
// the sequencer views are written it shows nothing.
class CMidiDataBox {
public:
    static void ShowEvent(const ScoreLocation& location, int a, int b) {}
};

// --- fonts ------------------------------------------------------------------------------------

class CScore;
// What the audio rack does after a score is read; until it is written it does nothing.
// `ReadVSTRackText`: rebuilds the audio rack from the score's rack text.
void ReadVSTRackText(CScore& score);

// The font of the chord-frame library (the default chord frame font of a new score).
const FontRef& GuitarLibFontRef();

// --- the drum library ---

// One MIDI key of the drum library's map: its name (a defined entry has one), note head,
// staff position, whether it is in use, and its voice.
struct DrumKey {
    char name[32];
    std::uint8_t noteHead;
    std::int8_t position;
    std::uint8_t used;
    std::uint8_t voice;
    std::uint8_t unused[4];
};
static_assert(sizeof(DrumKey) == 40);

// The drum library (its map of the 128 keys); until the user libraries exist no entry is
// defined.
class CDrumLib {
public:
    // The entry of a key (0-127; others give the entry of key 0).
    DrumKey* GetDrumEntry(std::int16_t key);

private:
    DrumKey keys[128] = {};
};
CDrumLib& DrumLib();

// --- score records ------------------------------------------------------------------------------

// Pages and tracks come with their own headers.
#include "model/Page.h"

#include "model/Track.h"

// --- the chord library ---

// `CChordLib::MakeChordKey` (root pitch, pitches, n): bit (pitch - root) mod 12 for each of at
// most 12 pitches, plus bit 12 when the first and the last pitch share a pitch class.
int MakeChordKey(int rootPitch, const int* pitches, int n);
