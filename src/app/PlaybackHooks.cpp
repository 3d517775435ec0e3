#include "app/PlaybackHooks.h"

#include "app/AppGlobals.h"
#include "app/TapeDeck.h"
#include "app/Transport.h"
#include "model/Playback.h"
#include "model/PlaybackHooks.h"
#include "view/ZelView.h"

namespace {
// A transport punch event or refresh from the tape deck's poll goes to the bar.
void ToTransportBar(int event) {
    if (g_app.transport) g_app.transport->OnTransportCommand(event);
}
}  // namespace

void RegisterPlaybackHooks() {
    g_playbackHooks.playedScore = &GetPlayedScore;
    // A transport command goes through the bar (which builds the play range and shows the
    // state) to the tape deck; without a bar straight to the deck.
    g_playbackHooks.transportCommand = [](int id) {
        if (g_app.transport) {
            g_app.transport->OnTransportCommand(id);
        } else if (g_app.tapeDeck) {
            g_app.tapeDeck->OnCommand(id);
        }
    };
    g_playbackHooks.playbackStarted = &CZelView::QuickenTicks;
    g_playbackHooks.setCountOff = [](int ticks) {
        if (g_app.midi) g_app.midi->SetCountOff(ticks);
    };
    g_playbackHooks.transportPoll = [] {
        if (!g_app.tapeDeck) return;
        g_app.tapeDeck->SetEventSink(&ToTransportBar);
        g_app.tapeDeck->Poll();
    };
}
