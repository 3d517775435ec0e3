#include "model/TrkBarStandIns.h"

#include <cstring>

#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/ModelGlobals.h"

namespace trkbar {

void TupletInitFields(CBarItem* tuplet, const std::int32_t values[8]) {
    if (tuplet->RecordSizeField() >= 40) std::memcpy(tuplet->Bytes() + 8, values, 32);
}

void LyricAfterLoadFixup(CBarItem* lyric) {}
CBarItem* FindTupletOfNote(CTrkBar*, CBarItem*, bool) { return nullptr; }

bool DocumentFlagWord() { return false; }
int DataStripHeight() { return 40; }

}  // namespace trkbar
