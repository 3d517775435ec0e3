// Puts the performer's score and the transport bar's command entry where the document reaches
// them (model/PlaybackHooks.h). Start-up calls it once.
#pragma once

void RegisterPlaybackHooks();
