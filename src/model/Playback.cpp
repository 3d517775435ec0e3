#include "model/Playback.h"

std::atomic<bool>& PlaybackRunning() {
    static std::atomic<bool> running{false};
    return running;
}
