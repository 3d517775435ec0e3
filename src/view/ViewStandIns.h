// Least forms of what the score view reads of the transport, which is not written yet: the
// count-off value and the transport bar with its command entry. (The played score, the play
// position and the transport word are the model's, model/Playback.h.)
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

// The transport bar: a control bar of the main frame (start-up makes it) with the transport
// commands.
class CTransport : public CControlBar {
public:
    static constexpr int kRecord = 2500;
    static constexpr int kStop = 2501;
    static constexpr int kPlay = 2502;
    static constexpr int kPlayFromStart = 2504;
    // What start-up registers to carry out play (2502, 2504) and stop (2501): the tape deck's
    // least form over the performer (the view cannot reach the MIDI layer).
    using Handler = void (*)(int id);
    static void SetHandler(Handler handler);
    // Makes the bar in the frame (docking at the top) with the next control-bar id; false when
    // it cannot.
    bool Create(CFrameWnd* frame);
    void SetDocument(CZelDoc*) {}
    // The transport bar's command entry; stop (2501) sets the transport word to 0. The ids
    // given are kept, in order, in Commands().
    static void OnTransportCommand(int id);
    static std::vector<int>& Commands();
};
