#include "app/PlaybackHooks.h"

#include "app/AppGlobals.h"
#include "app/ZelApp.h"
#include "midi/Performer.h"
#include "model/PlaybackHooks.h"
#include "model/Score.h"
#include "model/ZelDoc.h"
#include "view/ViewStandIns.h"

namespace {
// Play and stop over the performer, until the transport engine is written: play (2502) from the
// insertion bar, play from start (2504) from bar 0, stop (2501); play while playing stops.
void OnTransport(int id) {
    Performer* performer = g_app.performer;
    CMidi* midi = g_app.midi;
    if (!performer || !midi) return;
    const int state = GetTransportState();
    if ((id == CTransport::kPlay || id == CTransport::kPlayFromStart) && state == 0) {
        CZelApp* app = TheZelApp();
        CZelDoc* doc = app ? app->GetActiveDocument() : nullptr;
        CScore* score = doc ? doc->GetScore() : nullptr;
        if (!score || score->GetBarCount() == 0) return;
        int bar = id == CTransport::kPlayFromStart ? 0 : doc->location.barIndex;
        if (bar < 0 || bar >= score->GetBarCount()) bar = 0;
        SetTransportState(1);
        midi->SetCountOff(0);
        performer->Start(score, 0, score->GetTrackCount() - 1, bar, 0, true, true);
        performer->StartMetronome();
        if (!midi->StartPlayback()) {
            performer->Stop();
            SetTransportState(0);
        }
        return;
    }
    if (id == CTransport::kStop || id == CTransport::kPlay || id == CTransport::kPlayFromStart || id == CTransport::kRecord) {
        if (state == 0) return;
        midi->StopPlayback();
        SetTransportState(0);
    }
}
}  // namespace

void RegisterPlaybackHooks() {
    g_playbackHooks.playedScore = &GetPlayedScore;
    g_playbackHooks.transportCommand = &CTransport::OnTransportCommand;
    CTransport::SetHandler(&OnTransport);
}
