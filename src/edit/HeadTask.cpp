#include "edit/HeadTask.h"

#include "model/Track.h"
#include "model/TrkBar.h"
#include "notation/RawNote.h"

bool CHeadTask::Perform() {
    SetRedrawItems(true);
    Walk();
    return true;
}

void CHeadTask::DoItem() {
    CBarItem* item = curItem;
    if (!item || !item->IsNote()) return;
    auto* note = static_cast<CRawNote*>(static_cast<CRawHead*>(item));
    const int shape = argument;
    for (int h = 0; h < note->HeadCountField(); ++h) {
        NoteHead* head = note->Head(h);
        if (!head->IsSelected()) continue;
        note->SetHeadShape(h, shape);
        if (!track || !track->IsPercussionStaff()) continue;
        for (int d = 0; d < CTrack::kDrums; ++d) {
            if (track->GetDrumHead(d) != shape || track->GetDrumPosition(d) != std::int8_t(head->Byte(NoteHead::kPosition)))
                continue;
            const int key = track->GetDrumKey(d);
            if (head->Byte(NoteHead::kPitch) != key) {
                head->SetByte(NoteHead::kPitch, std::uint8_t(key));
                ++keysChanged;
            }
            break;
        }
    }
    item->SetFlagsA(std::uint8_t(item->FlagsA() | CBarItem::kRelayoutBit));
    changed = 1;
}
