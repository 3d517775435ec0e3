// The heads of a note that stand on other tracks' staves going back to their own staff, for the
// track insertion and removal (model/CrossStaffHooks.h).
#include <algorithm>

#include "model/CrossStaffHooks.h"
#include "notation/NotationClasses.h"
#include "notation/RawNote.h"

namespace {

bool HeadsHome(CBarItem* item, int track, int index) {
    if (!item || !item->IsNoteOrRawNote()) return false;
    auto* note = static_cast<CRawNote*>(item);
    bool moved = false;
    for (int i = 0; i < note->HeadCountField(); ++i) {
        const int o = note->GetCrossStaffOffset(i);
        if (o == 0 || index < std::min(track, track + o) || index > std::max(track, track + o)) continue;
        note->MoveHeadToStaff(i, -o);
        moved = true;
    }
    return moved;
}

}  // namespace

void RegisterCrossStaffHooks() { NoteHeadsHome() = &HeadsHome; }
