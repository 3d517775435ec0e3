#include "edit/PlaybackTask.h"

#include <algorithm>

#include "edit/EditStandIns.h"
#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/TieType.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/RawNote.h"
#include "platform/Handles.h"

namespace {
constexpr int kPlaybackDialog = 414;
}  // namespace

bool CEditPlaybackTask::Prepare() {
    if (!score || !document) return false;
    auto* item = static_cast<CBarItem*>(g_model.hitItem);
    if (!item || item->TypeCode() != CSlur::kType || item->RecordSizeField() < CSlur::kPercent + 2) return false;
    bool found = false;
    for (int b = 0; b < score->GetBarCount() && !found; ++b)
        for (int t = 0; t < score->GetTrackCount() && !found; ++t)
            for (CBarItem* i = score->GetTrkBar(t, b)->GetItems(); i && i->TypeCode() != 255; i = i->NextItem())
                if (i == item) {
                    editedTrack = t;
                    editedBar = b;
                    found = true;
                    break;
                }
    if (!found) return false;
    edited = item;
    legato = rec::Get<std::int16_t>(item, CSlur::kPercent);
    if (!RunDialog()) return false;
    legato = std::clamp(legato, 0, 1000);
    return true;
}

bool CEditPlaybackTask::RunDialog() {
    int noScope = 0;
    CItemPropertyDlg dlg(kPlaybackDialog, &legato, &noScope);
    return dlg.RunModal();
}

bool CEditPlaybackTask::Perform() {
    if (!score || !document || !edited) return true;
    if (!SaveTrackBar(editedTrack, editedBar)) ThrowOutOfMemory();
    rec::Put<std::int16_t>(edited, CSlur::kPercent, std::int16_t(legato));
    if (legato <= 0) return true;
    const int voice = edited->GetVoice();
    const int startPosition = edited->PositionField();
    const int lastBar = std::min<int>(score->GetBarCount() - 1, editedBar + std::max<int>(0, CTieType::Of(edited)->EndBarOffset()));
    const int endPosition = CTieType::Of(edited)->EndPositionField();
    for (int b = editedBar; b <= lastBar; ++b) {
        if (!SaveTrackBar(editedTrack, b)) ThrowOutOfMemory();
        CTrkBar* tb = score->GetTrkBar(editedTrack, b);
        for (CBarItem* i = tb->GetItems(); i && i->TypeCode() != 255; i = i->NextItem()) {
            if (i->IsRemoved() || !i->IsNote() || i->GetVoice() != voice) continue;
            if (b == editedBar && i->PositionField() < startPosition) continue;
            if (b == lastBar && i->PositionField() > endPosition) continue;
            auto* note = static_cast<CRawNote*>(static_cast<CRawHead*>(i));
            const int written = int(note->GetDuration());
            for (int h = 0; h < note->HeadCountField(); ++h)
                note->Head(h)->SetDuration(std::uint16_t(std::int64_t(written) * legato / 100));
        }
    }
    return true;
}
