#include "model/PlaybackHooks.h"

PlaybackHooks g_playbackHooks;
