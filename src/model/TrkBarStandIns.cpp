#include "model/TrkBarStandIns.h"

#include <cstring>

#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "platform/Handles.h"

namespace trkbar {

bool TieBuildForNote(CBarItem* note, int endTime, int endPosition, int, HandleBuffer* out, bool selectedOnly) {
    enum : int { kHeadCount = 23, kHeads = 24, kHeadSize = 16, kTieSize = 36 };
    if (!note || !out || !note->IsNote()) return true;
    const int count = rec::Get<std::uint8_t>(note, kHeadCount);
    for (int h = 0; h < count && kHeads + kHeadSize * (h + 1) <= note->RecordSizeField(); ++h) {
        std::uint8_t* head = note->Bytes() + kHeads + kHeadSize * h;
        if (head[0] & 0x01) continue;                    // invisible
        if (selectedOnly && !(head[0] & 0x02)) continue;  // not selected
        alignas(8) std::uint8_t bytes[kTieSize] = {};
        rec::Put<std::int16_t>(bytes, rec::kSize, std::int16_t(kTieSize));
        auto* tie = static_cast<CBarItem*>(ConstructItem(30, bytes));
        tie->SetFlagsB(std::uint8_t(note->VoiceField() << CBarItem::kVoiceShift));
        tie->SetTimeField(note->TimeField());
        tie->SetPositionField(note->PositionField());
        const int offset = (head[2] >> 5) & 7;
        rec::Put<std::uint8_t>(tie, 16, std::uint8_t((offset << 2) | (offset << 5)));
        SetTieBits17(*tie, head[7]);
        rec::Put<std::int16_t>(tie, 18, std::int16_t(std::int8_t(head[5])));
        rec::Put<std::int16_t>(tie, 20, std::int16_t(std::int8_t(head[5])));
        rec::Put<std::int16_t>(tie, 22, std::int16_t(endTime == 0 ? 1 : 0));
        rec::Put<std::int16_t>(tie, 24, std::int16_t(endPosition));
        if (!out->AppendRecord(tie)) return false;
        if (selectedOnly) head[0] = std::uint8_t(head[0] & ~0x02);
    }
    return true;
}

void LyricAfterLoadFixup(CBarItem* lyric) {}

void PlaceNote(CTrkBar* trkBar, bool forcedStem) {}

void TupletFitToNotes(CBarItem* tupletTemplate, CBarItem* const* notes, int count) {
    enum : int { kEndBars = 22, kEndPosition = 24, kNumber = 38, kSecondNumber = 39, kSize = 44 };
    if (count <= 0 || tupletTemplate->RecordSizeField() < kSize) return;
    const CBarItem* first = notes[0];
    tupletTemplate->SetFlagsB(std::uint8_t((tupletTemplate->FlagsB() & 0x1F) | (first->VoiceField() << CBarItem::kVoiceShift)));
    tupletTemplate->SetTimeField(first->TimeField());
    tupletTemplate->SetPositionField(first->PositionField());
    rec::Put<std::int16_t>(tupletTemplate, kEndBars, 0);
    rec::Put<std::int16_t>(tupletTemplate, kEndPosition, notes[count - 1]->PositionField());
    rec::Put<std::uint8_t>(tupletTemplate, kNumber, rec::Get<std::uint8_t>(first, 16));
    rec::Put<std::uint8_t>(tupletTemplate, kSecondNumber, rec::Get<std::uint8_t>(first, 17));
}

bool DocumentFlagWord() { return false; }
int DataStripHeight() { return 40; }

}  // namespace trkbar
