#include "model/PlaybackHooks.h"

PlaybackHooks g_playbackHooks;

void UpdatePerformerChannels(int track, int port, int channel, int) {
    if (track < 0 || track >= 64) return;
    if (g_playbackHooks.trackPortChanged) g_playbackHooks.trackPortChanged(track, port, channel);
}
