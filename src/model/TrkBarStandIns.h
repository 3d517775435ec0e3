// What the bar of a track calls in code that is not written yet: a note's written end and
// stem, pitch spelling, the lyric's own operations, the MIDI data view's
// strip and the drawing port of a measuring pass. Each names the operation it stands for and has only the body the
// callers here need; the owners replace them as they are written.
#pragma once
#include <cstdint>

class CBarItem;
class CTrkBar;
class HandleBuffer;

namespace trkbar {

// --- recalculation that entry calls ---
// CTrkBar::PlaceNote (note, forced stem): nothing yet.
void PlaceNote(CTrkBar* trkBar, bool forcedStem);

// --- document and views ---
// The document's flag word that files of version 0x351 carry (clear).
bool DocumentFlagWord();

}  // namespace trkbar
