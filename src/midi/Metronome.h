// The metronome: an accented click on the first tick of every bar and an unaccented one at
// every beat group, sounded tick by tick from the song clock through the device layer. Its
// sounds are the preferences' two click records (pitch, velocity, duration, port, channel).
#pragma once
#include <cstdint>

class CMidi;

class Metronome {
public:
    // Stops a sounding click; the bar's length and beat group, and the tick in the bar.
    void Start(int ticksPerBar, int ticksPerClick, int startTick);
    // The bar's length and beat group and the tick in the bar, the sounding click left to end.
    void Follow(int ticksPerBar, int ticksPerClick, int tick);
    // One tick: a click at the bar's start (accented) or at a beat group (unaccented), else the
    // sounding click counts down to its note-off.
    void Click();
    // The sounding click's note-off.
    void Stop();
    // How many ticks from the next on Click sends nothing.
    int QuietTicks() const;
    void SetMidi(CMidi* midi) { midi_ = midi; }

private:
    void sound(bool accented);
    CMidi* midi_ = nullptr;
    std::int16_t phase_ = 0, position_ = 0, ticksPerClick_ = 480, ticksPerBar_ = 1920;
    std::int16_t remaining_ = 0, port_ = 0, key_ = 0, channel_ = 0;
};
