#include "notation/NoteStandIns.h"

#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "notation/NotationGlobals.h"
#include "notation/NoteBase.h"
#include "notation/RawNote.h"
#include "platform/Theory.h"

namespace notation {

int CurrentSlashPosition() { return 0; }
bool ShowEveryAccidental() { return false; }

int TieStartPosition(CBarItem*) { return 0; }
void SetTieSide(CBarItem*, bool) {}
void SetTieBits17(CBarItem* tie, int value) {
    if (!tie || tie->RecordSizeField() < 18) return;
    rec::Put<std::uint8_t>(tie, 17, std::uint8_t((rec::Get<std::uint8_t>(tie, 17) & 0x01) | ((value & 0x7F) << 1)));
}
void SetTieStaff(CBarItem*, int, int) {}
bool TupletNoteCheck(CBarItem*) { return false; }

}  // namespace notation

namespace notation {

void RunEditMarkTask(CRawNote*) {}

bool IsShownInView(CBarItem* item) {
    if (item->IsHidden() && !g_notation.showHiddenItems) return false;
    const CStaff* staff = g_model.currentStaff;
    return !staff || staff->IsShown();
}

}  // namespace notation

namespace notation {
void ResolveFontRef(FontRef*, CFontArray*) {}
}  // namespace notation
