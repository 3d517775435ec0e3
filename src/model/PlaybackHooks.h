// What the document asks of the performer and the transport bar, which live above the model: the
// score the performer plays and the transport bar's command entry. The application puts them in
// at start-up (RegisterPlaybackHooks); without them no score is played and a command goes
// nowhere.
#pragma once
#include <functional>
#include <mutex>

class CScore;

struct PlaybackHooks {
    // The score the performer plays, null when none.
    std::function<CScore*()> playedScore;
    // Runs a transport command (2500-2505: 2501 stops).
    std::function<void(int id)> transportCommand;
    // The transport engine's poll while playback runs (the page pane's timer calls it).
    std::function<void()> transportPoll;
    // Playback has started: the score windows follow it from now on (their ticks quicken).
    std::function<void()> playbackStarted;
    // Sets the MIDI layer's count-off (the page pane sets 100 before it stops a recording that
    // found no room for another bar, so the stop converts no further bar).
    std::function<void(int ticks)> setCountOff;

    // The performer's play lock: an edit of the score holds it while it changes the score (never
    // across a dialog or a wait), so a generation pass on the clock thread never reads a score
    // being changed (the pass tries the lock and is skipped when it is held).
    std::recursive_mutex* playLock = nullptr;
    // The running performer's voices of a track follow a new output port and channel.
    std::function<void(int track, int port, int channel)> trackPortChanged;

    CScore* PlayedScore() const { return playedScore ? playedScore() : nullptr; }
    void TransportCommand(int id) const {
        if (transportCommand) transportCommand(id);
    }
    void TransportPoll() const {
        if (transportPoll) transportPoll();
    }
    void PlaybackStarted() const {
        if (playbackStarted) playbackStarted();
    }
    void SetCountOff(int ticks) const {
        if (setCountOff) setCountOff(ticks);
    }
};

extern PlaybackHooks g_playbackHooks;

// A track's output port changed (the track's device pop-up): the performer's channel table of the
// track follows it (-1 for the fourth argument, as the callers pass it).
void UpdatePerformerChannels(int track, int port, int channel, int flag);

// Holds the play lock for a scope (nothing without a performer).
class PlayLockGuard {
public:
    PlayLockGuard() : lock_(g_playbackHooks.playLock) {
        if (lock_) lock_->lock();
    }
    ~PlayLockGuard() {
        if (lock_) lock_->unlock();
    }
    PlayLockGuard(const PlayLockGuard&) = delete;
    PlayLockGuard& operator=(const PlayLockGuard&) = delete;

private:
    std::recursive_mutex* lock_;
};
