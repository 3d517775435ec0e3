#include "notation/NoteStandIns.h"

#include "model/BarItem.h"

namespace notation {

int CurrentSlashPosition() { return 0; }
bool ShowEveryAccidental() { return false; }

int TieStartPosition(CBarItem* tie) {
    enum : int { kStartPosition = 18 };
    return tie && tie->RecordSizeField() >= kStartPosition + 2 ? rec::Get<std::int16_t>(tie, kStartPosition) : 0;
}
void SetTieSide(CBarItem*, bool) {}
bool TupletNoteCheck(CBarItem*) { return false; }

}  // namespace notation

namespace notation {

void RunEditMarkTask(CRawNote*) {}

}  // namespace notation
