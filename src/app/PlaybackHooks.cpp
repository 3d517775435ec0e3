#include "app/PlaybackHooks.h"

#include "model/PlaybackHooks.h"
#include "view/ViewStandIns.h"

void RegisterPlaybackHooks() {
    g_playbackHooks.playedScore = &Performer::GetScore;
    g_playbackHooks.transportCommand = &CTransport::OnTransportCommand;
}
