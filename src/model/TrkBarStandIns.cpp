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

void PlaceNote(CTrkBar* trkBar, bool forcedStem) {}

void TupletFitToNotes(CBarItem* tupletTemplate, CBarItem* const* notes, int count) {
    if (count <= 0 || tupletTemplate->RecordSizeField() < 40) return;
    const CBarItem* first = notes[0];
    tupletTemplate->SetFlagsB(std::uint8_t((tupletTemplate->FlagsB() & 0x1F) | (first->VoiceField() << CBarItem::kVoiceShift)));
    tupletTemplate->SetTimeField(first->TimeField());
    tupletTemplate->SetPositionField(first->PositionField());
    const std::uint8_t played = rec::Get<std::uint8_t>(first, 16), normal = rec::Get<std::uint8_t>(first, 17);
    rec::Put<std::uint8_t>(tupletTemplate, 16, played);
    rec::Put<std::uint8_t>(tupletTemplate, 18, normal);
    rec::Put<std::uint8_t>(tupletTemplate, 38, played);
    rec::Put<std::uint8_t>(tupletTemplate, 39, normal);
}

bool DocumentFlagWord() { return false; }
int DataStripHeight() { return 40; }

}  // namespace trkbar
