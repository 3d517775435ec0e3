// What the bar of a track calls in code that is not written yet: a note's written end and
// stem, pitch spelling, the tuplet's and the lyric's own operations, the MIDI data view's
// strip and the drawing port of a measuring pass. Each names the operation it stands for and has only the body the
// callers here need; the owners replace them as they are written.
#pragma once
#include <cstdint>

class CBarItem;
class CTrkBar;
class HandleBuffer;

namespace trkbar {

// --- notes, tuplets, lyrics ---
// CTie::BuildForNote (note, end time, end column, voice count, out, selected heads only): a tie
// record (type 30, 36 bytes) for each visible head of the note (each selected head, its
// selection cleared, with selectedOnly) towards the end column, in the next bar when the end
// time is 0, appended to out; false when memory runs out. The ties are left unshaped: the note's
// PlaceTies gives them their side and curve.
bool TieBuildForNote(CBarItem* note, int endTime, int endPosition, int voiceCount, HandleBuffer* out, bool selectedOnly);
// CLyric::AfterLoadFixup: nothing yet.
void LyricAfterLoadFixup(CBarItem* lyric);

// --- recalculation, finders and tuplets that entry calls ---
// CTrkBar::PlaceNote (note, forced stem): nothing yet.
void PlaceNote(CTrkBar* trkBar, bool forcedStem);
// CTuplet::FitToNotes (notes, count): the template (a tuplet record) takes the first entry's
// voice, time and position, the last entry's position as its end in the same bar, and the first
// entry's tuplet numbers as its number and second number (bytes 38 and 39). Its bracket, heights
// and side stay as they are.
void TupletFitToNotes(CBarItem* tupletTemplate, CBarItem* const* notes, int count);

// --- document and views ---
// The document's flag word that files of version 0x351 carry (clear).
bool DocumentFlagWord();
// The strip height of the MIDI data view settings (40).
int DataStripHeight();

}  // namespace trkbar
