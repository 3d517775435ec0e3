#include "model/TrkBarStandIns.h"

#include <cstring>

#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/ModelGlobals.h"

namespace trkbar {

double RawHeadGetEndTime(CBarItem* item) {
    static const int kTicks[9] = {0, 1920, 960, 480, 240, 120, 60, 30, 15};
    const std::uint8_t flags = rec::Get<std::uint8_t>(item, 18);
    const std::uint8_t value = rec::Get<std::uint8_t>(item, 19);
    const int code = value >> 4;
    double d;
    if (code == 0 || code > 8) {
        d = g_model.currentBar ? g_model.currentBar->GetLength() : 1920;
    } else {
        int ticks = kTicks[code];
        int half = ticks / 2;
        for (int dots = flags >> 6; dots > 0; --dots) {
            ticks += half;
            half /= 2;
        }
        d = ticks;
        const int count = rec::Get<std::uint8_t>(item, 16);
        if (count) d = rec::Get<std::uint8_t>(item, 17) * d / count;
    }
    if (value & 1) d /= 2;
    return item->TimeField() + d;
}

void RawNoteUpdateStem(CBarItem* note, int mode) {}
void SpellHead(CTrkBar* trkBar, CBarItem* note, int head) {}

void TupletInitFields(CBarItem* tuplet, const std::int32_t values[8]) {
    if (tuplet->RecordSizeField() >= 40) std::memcpy(tuplet->Bytes() + 8, values, 32);
}

void LyricAfterLoadFixup(CBarItem* lyric) {}

bool DocumentFlagWord() { return false; }
int DataStripHeight() { return 40; }

}  // namespace trkbar
