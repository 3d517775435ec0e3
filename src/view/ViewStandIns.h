// Least forms of what the score view reads of the transport, which is not written yet: the
// count-off value. (The played score, the play position and the transport word are the
// model's, model/Playback.h; the transport bar's commands reach the application through
// model/PlaybackHooks.h.)
#pragma once
#include <cstdint>
#include <vector>

#include "framework/ControlBar.h"
#include "model/Playback.h"

class CScore;
class CZelDoc;

// The count-off value (the page pane sets 100 before a stop while recording).
int GetPlayCountOff();
void SetPlayCountOff(int value);

