#include "edit/PlaybackTask.h"

#include <algorithm>
#include <cstring>

#include "edit/EditStandIns.h"
#include "model/Bar.h"
#include "model/Graphic.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/Symbol.h"
#include "model/TieType.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/RawNote.h"
#include "platform/Handles.h"

namespace {
constexpr int kPlaybackDialog = 414;
// A slur's playback words (the end time adjustment and the word after the percentage) and its
// playback byte.
constexpr int kSlurWords[2] = {CSlur::kEndTimeAdjust, CSlur::kReserved};
constexpr int kSlurByte = CSlur::kReserved + 2;
// The item's flag that the playback edit keeps, and its playback time offset.
constexpr int kFlagsA = 8, kTimeOffset = 15;
constexpr std::uint8_t kFlag8Bit1 = 0x02;

bool IsSlur(const CBarItem* item) { return item->TypeCode() == CSlur::kType; }
}  // namespace

int CEditPlaybackTask::PlaybackOffset(const CBarItem* item) {
    if (!item) return -1;
    int at = -1;
    const int type = item->TypeCode();
    if (type == CSlur::kType) at = CSlur::kPlayback;
    else if (type == CBend::kType) at = CBend::kPlayback;
    else if (type == CSymbol::kTypeCode) at = CSymbol::kPlayback;
    else if (item->IsGraphic()) at = CGraphic::kPlayback;
    // A record of an older file may end before the setting.
    return at >= 0 && item->RecordSizeField() >= at + kBlockSize ? at : -1;
}

bool CEditPlaybackTask::Prepare() {
    if (!score || !document) return false;
    auto* item = static_cast<CBarItem*>(g_model.hitItem);
    const int at = PlaybackOffset(item);
    if (at < 0) return false;
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
    playback = Playback{};
    std::memcpy(playback.block, item->Bytes() + at, kBlockSize);
    if (IsSlur(item)) {
        playback.legato = rec::Get<std::int16_t>(item, CSlur::kPercent);
        for (int w = 0; w < 2; ++w) playback.slurWords[w] = rec::Get<std::int16_t>(item, std::size_t(kSlurWords[w]));
        playback.slurByte = item->Bytes()[kSlurByte];
    }
    if (!RunDialog()) return false;
    playback.scope = std::clamp(playback.scope, 0, 2);
    playback.legato = IsSlur(item) ? std::clamp(playback.legato, 0, 1000) : 0;
    return true;
}

bool CEditPlaybackTask::RunDialog() {
    CItemPropertyDlg dlg(kPlaybackDialog, &playback, &playback.scope);
    return dlg.RunModal();
}

void CEditPlaybackTask::CopyInto(CBarItem* item) const {
    const int at = PlaybackOffset(item);
    if (at < 0) return;
    std::memcpy(item->Bytes() + at, playback.block, kBlockSize);
    if (!IsSlur(item)) return;
    rec::Put<std::int16_t>(item, CSlur::kPercent, std::int16_t(playback.legato));
    for (int w = 0; w < 2; ++w) rec::Put<std::int16_t>(item, std::size_t(kSlurWords[w]), playback.slurWords[w]);
    item->Bytes()[kSlurByte] = playback.slurByte;
}

void CEditPlaybackTask::ApplyLegato(CBarItem* slur, int t, int firstBar) {
    if (playback.legato <= 0) return;
    const int voice = slur->GetVoice();
    const int startPosition = slur->PositionField();
    const int lastBar = std::min<int>(score->GetBarCount() - 1, firstBar + std::max<int>(0, CTieType::Of(slur)->EndBarOffset()));
    const int endPosition = CTieType::Of(slur)->EndPositionField();
    for (int b = firstBar; b <= lastBar; ++b) {
        if (!SaveTrackBar(t, b)) ThrowOutOfMemory();
        CTrkBar* tb = score->GetTrkBar(t, b);
        for (CBarItem* i = tb->GetItems(); i && i->TypeCode() != 255; i = i->NextItem()) {
            if (i->IsRemoved() || !i->IsNote() || i->GetVoice() != voice) continue;
            if (b == firstBar && i->PositionField() < startPosition) continue;
            if (b == lastBar && i->PositionField() > endPosition) continue;
            auto* note = static_cast<CRawNote*>(static_cast<CRawHead*>(i));
            const int written = int(note->GetDuration());
            for (int h = 0; h < note->HeadCountField(); ++h)
                note->Head(h)->SetDuration(std::uint16_t(std::int64_t(written) * playback.legato / 100));
        }
    }
}

bool CEditPlaybackTask::Perform() {
    if (!score || !document || !edited) return true;
    if (!SaveTrackBar(editedTrack, editedBar)) ThrowOutOfMemory();
    // The item's relayout flag and time offset stay as they were before the dialog.
    const std::uint8_t flags = edited->Bytes()[kFlagsA], offset = edited->Bytes()[kTimeOffset];
    CopyInto(edited);
    edited->Bytes()[kFlagsA] = flags;
    edited->Bytes()[kTimeOffset] = offset;
    if (IsSlur(edited)) ApplyLegato(edited, editedTrack, editedBar);
    if (playback.scope == 0) return true;
    const int own = std::clamp<int>(document->location.trackIndex, 0, score->GetTrackCount() - 1);
    const int firstTrack = playback.scope == 2 ? 0 : own, lastTrack = playback.scope == 2 ? score->GetTrackCount() - 1 : own;
    for (int t = firstTrack; t <= lastTrack; ++t)
        for (int b = 0; b < score->GetBarCount(); ++b) {
            CTrkBar* tb = score->GetTrkBar(t, b);
            for (CBarItem* i = tb->GetItems(); i && i->TypeCode() != 255; i = i->NextItem()) {
                if (i->IsRemoved() || i == edited || i->TypeCode() != edited->TypeCode() || !edited->IsSameKind(*i)) continue;
                if (!SaveTrackBar(t, b)) ThrowOutOfMemory();
                // The like item takes the relayout flag's bit 1 and the setting; a slur also its
                // time offset, words, byte and percentage, and the legato lengths under it.
                i->Bytes()[kFlagsA] = std::uint8_t((i->Bytes()[kFlagsA] & ~kFlag8Bit1) | (edited->Bytes()[kFlagsA] & kFlag8Bit1));
                CopyInto(i);
                if (IsSlur(i)) {
                    i->Bytes()[kTimeOffset] = edited->Bytes()[kTimeOffset];
                    ApplyLegato(i, t, b);
                }
                AddItemRect(i);
            }
        }
    return true;
}
