// What the notes, rests and beams call in code that is not written yet: the current bar's
// length, the growing and shrinking of a record in its run, a track's settings, the clef and
// key in force at a column and the operations of ties and tuplets. Each
// carries the name its owner gives it and only the body that the callers here need; the owners
// replace them as they are written.
#pragma once
#include <cstdint>

class CBarItem;
class CRawHead;
class CRawNote;
struct MarkPlaybackTable;

namespace notation {

// --- bars and runs ---
// CBar::GetLength of the current bar: its length in ticks (1920 without a current bar).
int CurrentBarLength();
// CTrkBar::ResizeItem on the current track bar: grows or shrinks the record by delta bytes and
// returns its new address, or null when that failed (no run to resize yet: null).
CBarItem* ResizeItem(CBarItem* item, int delta);

// --- the current track and staff ---
// CTrack::IsPercussionStaff and CTrack::IsTablatureStaff of the current track (false without
// one).
bool IsPercussionStaff();
bool IsTablatureStaff();
// CTrack::GetVoiceStem of the current track, or of track t of the current score: 0 automatic,
// 1 up, 2 down (0 without the track).
int GetVoiceStem(int voice);
int GetTrackVoiceStem(int track, int voice);
// CTrkBar::HasOtherVoice of the current track bar (false).
bool HasOtherVoice(int voice);
// CTrkBar::GetVoiceStats of the current track bar: returns the voices in use (1) and gives the
// mean staff position of each voice.
int GetVoiceStats(int meanPosition[8]);
// The staff position of slash heads on the current staff (the middle line).
int CurrentSlashPosition();
// The preference that shows every accidental (off).
bool ShowEveryAccidental();

// --- ties, tuplets and other attached items ---
// The tie's start staff position and its side operation (CTieType::SetSide).
int TieStartPosition(CBarItem* tie);
void SetTieSide(CBarItem* tie, bool above);
// CTieType::SetBits17: the pitch of the tied head into bits 1-7 of the tie's byte 17, bit 0 kept.
void SetTieBits17(CBarItem* tie, int value);
// Both staff offsets and both staff positions of a tie.
void SetTieStaff(CBarItem* tie, int staffOffset, int position);
// The tuplet's note check, run while a note of it is hidden: true when the tuplet should go
// (false: the tuplet stays until the tuplets' own check exists).
bool TupletNoteCheck(CBarItem* tuplet);

}  // namespace notation

#include "model/ScoreStandIns.h"

// The drags a hit on a note starts (the score view's drag tasks): a drag of the note or head,
// of its stem end, of an accidental and of a mark. They add nothing to the drag base until
// the score view's tools exist.
class CDragNote : public CDragTask {};
class CDragStem : public CDragTask {};
class CDragAcc : public CDragTask {};
class CDragMark : public CDragTask {};

namespace notation {
// The mark editor task (CEditMarkTask) for a note's mark, run by the document's task runner
// (nothing yet).
void RunEditMarkTask(CRawNote* note);
}  // namespace notation

class CFontArray;
struct FontRef;
namespace notation {
// The font-reference resolution through the document's font table after a load: a stored face
// index becomes the installed list's index of the same name (left as it is until the font
// table's look-up exists).
void ResolveFontRef(FontRef* font, CFontArray* fonts);
// CBarItem::IsShownInView: the item is not hidden (or hidden items are shown) and the current
// staff is shown.
bool IsShownInView(CBarItem* item);
}  // namespace notation
