// What the document asks of the performer and the transport bar, which live above the model: the
// score the performer plays and the transport bar's command entry. The application puts them in
// at start-up (RegisterPlaybackHooks); without them no score is played and a command goes
// nowhere.
#pragma once
#include <functional>

class CScore;

struct PlaybackHooks {
    // The score the performer plays, null when none.
    std::function<CScore*()> playedScore;
    // Runs a transport command (2500-2505: 2501 stops).
    std::function<void(int id)> transportCommand;

    CScore* PlayedScore() const { return playedScore ? playedScore() : nullptr; }
    void TransportCommand(int id) const {
        if (transportCommand) transportCommand(id);
    }
};

extern PlaybackHooks g_playbackHooks;
