// What every draw or measure of a note, rest or beam starts with: the music metrics of the
// current staff's font (head width, stem width, stem pen) and the x of the item's column.
#pragma once

class CRawHead;
class CStaff;
struct NoteHead;
struct FontRef;

namespace notation {

// The width of the standard filled head, the stem's width in pixels and the stem's pen width
// (1/20 point), as the last SetNoteMetrics left them.
int HeadWidth();
int StemWidth();
int StemPen();

// Runs the artist's music metrics for the current staff's music-font size (a grace item: the
// size already selected) with the engraver settings' stem width.
void SetNoteMetrics(const CRawHead& item);
// The x of the item's column in the current bar, plus a head width for a note whose heads are
// shifted right; also kept as the note-x drawing global.
int SetNoteX(CRawHead& item);
// SetNoteMetrics, then SetNoteX.
int BeginNoteDrawing(CRawHead& item);

// A length scaled by the item's own scale percent (unchanged when it is 0).
int ScaledBy(const CRawHead& item, int v);
// The staff of the current system `offset` staves from the item's own; the current staff when
// the system has none there (an offset read from a file is never trusted).
CStaff* StaffOrCurrent(int offset);
// The staff that lies above the current one in the system, else the current one.
CStaff* StaffAboveOrCurrent();

// The current track's font for fret numbers; a track without one set (and a score without a
// default) takes the interface face at 10 points.
void TrackFontOrDefault(FontRef* font);

}  // namespace notation
