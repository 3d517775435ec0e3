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
// CRawHead::GetEndTime: the item's time plus its written duration (value code, dots, tuplet
// ratio, half flag; code 0 a whole bar of the current bar).
double RawHeadGetEndTime(CBarItem* item);
// CRawNote::UpdateStem (mode): nothing yet.
void RawNoteUpdateStem(CBarItem* note, int mode);
// The accidental and staff position of a head worked out for the track and voice (nothing yet).
void SpellHead(CTrkBar* trkBar, CBarItem* note, int head);
// CTuplet::InitFields (eight values): the values become the record's bytes 8-39.
void TupletInitFields(CBarItem* tuplet, const std::int32_t values[8]);
// CLyric::AfterLoadFixup: nothing yet.
void LyricAfterLoadFixup(CBarItem* lyric);

// --- document and views ---
// The document's flag word that files of version 0x351 carry (clear).
bool DocumentFlagWord();
// The strip height of the MIDI data view settings (40).
int DataStripHeight();

}  // namespace trkbar
