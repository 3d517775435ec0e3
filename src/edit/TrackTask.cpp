// Insert and delete track over the score's track insertion and removal.
#include "edit/TrackTask.h"

#include <algorithm>

#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/TaskMakers.h"
#include "model/ZelDoc.h"
#include "platform/Handles.h"
#include "platform/PortLayer.h"

namespace {
constexpr int kMessageTooManyTracks = 10012;

int StavesOfKind(int kind) { return kind == 7 ? 3 : kind == 6 ? 2 : 1; }
}  // namespace

bool CTrackTask::Prepare() {
    if (!score || !document) return false;
    const int command = name;
    insertIndex = std::int16_t(std::clamp<int>(document->location.trackIndex, 0, std::max(0, score->GetTrackCount() - 1)));
    trackKind = ChosenPaletteButton() ? ChosenPaletteButton()() : 0;
    if (command == kInsertMenu) {
        // The track dialog's defaults: a treble staff before the current track.
        trackKind = 0;
        name = kInsert;
    }
    if (trackKind != 4 && trackKind != 5 && trackKind != 6 && trackKind != 7) trackKind = 0;
    return true;
}

bool CTrackTask::Perform() {
    if (!score || !document) return true;
    const int command = name;
    const bool insert = command == kInsert || command == kInsertMenu;
    const int n = insert ? StavesOfKind(trackKind) : -1;
    const int count = score->GetTrackCount();
    if (insert && count + n > kMaxTracks) {
        ShowAlertById(kAlertStop, kMessageTooManyTracks);
        hasSnapshot = 0;
        return true;
    }
    if (!insert && count <= 1) {
        hasSnapshot = 0;
        return true;
    }
    SetLayoutChanged();
    // Every track slot the change reaches: after an insertion the tracks moved up, after a
    // removal the last track's bars moved down a slot.
    const int lastSlot = std::max(count - 1, count - 1 + n);
    if (!SaveTracks() || !SavePages() || !SaveLines() || !SaveBarArray() || !SaveTrackBarArrays(0, lastSlot) ||
        !SaveRange(0, 0, lastSlot, score->GetBarCount() - 1))
        ThrowOutOfMemory();
    if (insert) {
        if (!score->InsertTrack(insertIndex, trackKind, document->location.systemIndex)) ThrowOutOfMemory();
    } else {
        if (!score->DeleteTrack(insertIndex)) ThrowOutOfMemory();
        if (document->location.trackIndex >= score->GetTrackCount())
            document->location.trackIndex = score->GetTrackCount() - 1;
    }
    score->RecalcBars(false);
    document->RecalcPageGeometry(true, false);
    document->NotifyWindows(1, CZelDoc::kHintTaskDone);
    return true;
}

void CTrackTask::SwapSnapshot() {
    CScoreTask::SwapSnapshot();
    if (!score || !document) return;
    score->RecalcBars(false);
    document->NotifyWindows(1, CZelDoc::kHintTaskDone);
}
