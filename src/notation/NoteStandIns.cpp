#include "notation/NoteStandIns.h"

#include "model/BarItem.h"

namespace notation {

int CurrentSlashPosition() { return 0; }
bool ShowEveryAccidental() { return false; }

}  // namespace notation

namespace notation {

void RunEditMarkTask(CRawNote*) {}

}  // namespace notation
