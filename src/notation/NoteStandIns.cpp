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
void SetTieBits17(CBarItem* tie, int value) {
    if (!tie || tie->RecordSizeField() < 18) return;
    rec::Put<std::uint8_t>(tie, 17, std::uint8_t((rec::Get<std::uint8_t>(tie, 17) & 0x01) | ((value & 0x7F) << 1)));
}
void SetTieStaff(CBarItem*, int, int) {}
bool TupletNoteCheck(CBarItem*) { return false; }

}  // namespace notation

namespace notation {

void RunEditMarkTask(CRawNote*) {}

}  // namespace notation
