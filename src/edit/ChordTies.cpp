// The ties of a chord, found and removed together.
#include "edit/ChordTies.h"

#include "model/BarItem.h"
#include "model/EditTask.h"
#include "model/TrkBar.h"
#include "notation/RawNote.h"

namespace edit {

bool IsChordTie(CTrkBar* trkBar, CBarItem* tie) {
    if (!trkBar || !tie || !tie->IsTie()) return false;
    for (CBarItem* r = trkBar->GetItems(); r && r->TypeCode() != 255; r = r->NextItem()) {
        if (r->IsRemoved() || !r->IsNoteOrRawNote()) continue;
        if (r->VoiceField() != tie->VoiceField() || r->TimeField() != tie->TimeField() ||
            r->PositionField() != tie->PositionField())
            continue;
        return static_cast<CRawNote*>(r)->HeadCountField() > 1;
    }
    return false;
}

int RemoveSiblingTies(CScoreTask& task, CTrkBar* trkBar, CBarItem* tie, bool withDelete) {
    if (!trkBar || !tie) return 0;
    const int time = tie->GetTime();
    const int timeWithOffset = tie->GetTimeWithOffset();
    const int voice = tie->GetVoice();
    int removed = 0;
    for (CBarItem* r = trkBar->GetItems(); r && r->TypeCode() != 255; r = r->NextItem()) {
        if (r == tie || r->IsRemoved() || !r->IsTie()) continue;
        if (r->GetTime() != time || r->GetTimeWithOffset() != timeWithOffset || r->GetVoice() != voice) continue;
        task.AddItemRect(r);
        if (withDelete)
            r->Delete();
        else
            r->MarkRemoved();
        ++removed;
    }
    return removed;
}

}  // namespace edit
