#include "edit/EditStandIns.h"

#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/TrkBar.h"
#include "notation/Rest.h"
#include "platform/Handles.h"

namespace editstandin {

void FillGaps(CTrkBar* trkBar, int voice, int, int, int) {
    if (!trkBar) return;
    for (CBarItem* item = trkBar->GetItems(); item && item->TypeCode() != 255; item = item->NextItem())
        if (!item->IsRemoved() && item->VoiceField() == voice && (item->IsNote() || item->IsRest())) return;
    std::uint8_t bytes[CRest::kSize] = {};
    CRest* rest = CRest::Construct(bytes);
    rest->SetNoteValue(0);
    rest->SetVoice(voice & 7);
    if (!trkBar->InsertCopy(rest)) ThrowOutOfMemory();
}

void RecalcTimes(CTrkBar*, int, int) {}
void Recalc(CTrkBar*, int) {}
bool AutoSpacing() { return false; }

}  // namespace editstandin

namespace editstandin {

void RemoveRepeat(CBar* bar) {
    if (!bar) return;
    if (bar->IsRepeatStart()) bar->SetOpeningKind(0);
    if (bar->HasRepeatEnd()) {
        bar->SetClosingKind(0);
        bar->RemoveJumper(CBar::kRepeatCountKind);
    }
}

}  // namespace editstandin
