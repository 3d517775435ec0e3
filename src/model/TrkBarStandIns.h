// What the bar of a track calls in code that is not written yet: a note's written end and
// stem, pitch spelling, the tuplet's and the lyric's own operations, the MIDI data view's
// strip and the drawing port of a measuring pass. Each names the operation it stands for and has only the body the
// callers here need; the owners replace them as they are written.
#pragma once
#include <cstdint>

class CBarItem;
class CTrkBar;

namespace trkbar {

// --- notes, tuplets, lyrics ---
// CTuplet::InitFields (eight values): the values become the record's bytes 8-39.
void TupletInitFields(CBarItem* tuplet, const std::int32_t values[8]);
// CLyric::AfterLoadFixup: nothing yet.
void LyricAfterLoadFixup(CBarItem* lyric);

// CTrkBar::FindTupletOfNote (note, last): the tuplet of the note's voice that holds it (none
// yet).
CBarItem* FindTupletOfNote(CTrkBar* trkBar, CBarItem* note, bool last);
// --- recalculation, finders and tuplets that entry calls ---
// CTrkBar::PlaceNote (note, forced stem): nothing yet.
void PlaceNote(CTrkBar* trkBar, bool forcedStem);
// CTuplet::FitToNotes (notes, count): the template takes the first note's voice, time and
// position and the tuplet numbers (count and span at bytes 16 and 18, played and normal at 38
// and 39, as AddTuplet and the bar's measuring read them).
void TupletFitToNotes(CBarItem* tupletTemplate, CBarItem* const* notes, int count);

// --- document and views ---
// The document's flag word that files of version 0x351 carry (clear).
bool DocumentFlagWord();
// The strip height of the MIDI data view settings (40).
int DataStripHeight();

}  // namespace trkbar
