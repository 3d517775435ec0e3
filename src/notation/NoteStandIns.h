// What the notes, rests and beams call in code that is not written yet: the slash heads' staff
// position, the preference that shows every accidental, and the mark editor task.
// Each carries the name its owner gives it and only the body that the callers here need; the
// owners replace them as they are written.
#pragma once
#include <cstdint>

class CBarItem;
class CRawHead;
class CRawNote;
struct MarkPlaybackTable;

namespace notation {

// --- the current staff ---
// The staff position of slash heads on the current staff (the middle line).
int CurrentSlashPosition();
// The preference that shows every accidental (off).
bool ShowEveryAccidental();

}  // namespace notation

namespace notation {
// The mark editor task (CEditMarkTask) for a note's mark, run by the document's task runner
// (nothing yet).
void RunEditMarkTask(CRawNote* note);
}  // namespace notation
