#include "edit/EditStandIns.h"

#include "model/Bar.h"

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
