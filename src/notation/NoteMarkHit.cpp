// The hit test of a note's marks that the bar's item search asks for (model/NoteHitHooks.h):
// every mark, or only the marks standing over the staff (their vertical position above 1440)
// or under it (below 1440), as the search reaches a note from the system below or above.
#include "model/NoteHitHooks.h"
#include "notation/NoteBase.h"
#include "notation/NotationClasses.h"

namespace {

bool HitNoteMarks(CBarItem* item, int x, int y, int side) {
    if (!item || !item->IsNoteOrRawNote()) return false;
    auto* note = static_cast<CRawHead*>(item);
    return side == 0 ? note->HitTestMarks(x, y) : HitTestMarksOnSide(*note, x, y, side);
}

}  // namespace

void RegisterNoteHitHooks() { NoteMarksHit() = &HitNoteMarks; }
