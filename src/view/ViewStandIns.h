// Least forms of what the score view reads of the MIDI layer, which is not written yet: the
// performer's score and play position, the transport word and the transport bar with its command
// entry. Every word the performer's thread shares is an atomic behind an accessor; the
// position is one packed word, so bar, beat and tick are always read from one moment.
#pragma once
#include <cstdint>
#include <vector>

#include "framework/ControlBar.h"

class CScore;
class CZelDoc;

class Performer {
public:
    // The score the performer plays (null when none).
    static CScore* GetScore();
    static void SetScore(CScore* score);
    // The play position: bar number, beat and tick.
    static void GetPosition(int* bar, int* beat, int* tick);
    static void SetPosition(int bar, int beat, int tick);
    // The count-off value (the page pane sets 100 before a stop while recording).
    static int GetCountOff();
    static void SetCountOff(int value);
};

// The transport word: 0 stopped, 1 playing, 2 recording, 3 recording in the second mode.
int GetTransportState();
void SetTransportState(int state);

// The transport bar: a control bar of the main frame (start-up makes it) with the transport
// commands.
class CTransport : public CControlBar {
public:
    static constexpr int kStop = 2501;
    // Makes the bar in the frame (docking at the top) with the next control-bar id; false when
    // it cannot.
    bool Create(CFrameWnd* frame);
    void SetDocument(CZelDoc*) {}
    // The transport bar's command entry; stop (2501) sets the transport word to 0. The ids
    // given are kept, in order, in Commands().
    static void OnTransportCommand(int id);
    static std::vector<int>& Commands();
};
