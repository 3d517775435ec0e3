#include "midi/Metronome.h"

#include <algorithm>

#include "midi/MidiLayer.h"
#include "model/Preferences.h"

void Metronome::Start(int ticksPerBar, int ticksPerClick, int startTick) {
    Stop();
    // A bar or beat group of no ticks would divide by nothing: one tick stands for it.
    ticksPerBar_ = std::int16_t(ticksPerBar > 0 ? ticksPerBar : 1);
    ticksPerClick_ = std::int16_t(ticksPerClick > 0 ? ticksPerClick : 1);
    position_ = std::int16_t(startTick % ticksPerBar_);
    phase_ = std::int16_t(startTick % ticksPerClick_);
}

void Metronome::Follow(int ticksPerBar, int ticksPerClick, int tick) {
    ticksPerBar_ = std::int16_t(ticksPerBar > 0 ? ticksPerBar : 1);
    ticksPerClick_ = std::int16_t(ticksPerClick > 0 ? ticksPerClick : 1);
    position_ = std::int16_t(tick % ticksPerBar_);
    phase_ = std::int16_t(tick % ticksPerClick_);
}

void Metronome::Stop() {
    if (remaining_ > 0 && midi_) midi_->SendMessage3(port_, 0x80 | (channel_ & 15), key_, 0);
    remaining_ = 0;
}

void Metronome::sound(bool accented) {
    const int at = accented ? Preferences::kAccentedClick : Preferences::kUnaccentedClick;
    key_ = g_preferences.Word(at);
    const int velocity = g_preferences.Word(at + 2);
    remaining_ = g_preferences.Word(at + 4);
    port_ = g_preferences.Word(at + 6);
    channel_ = g_preferences.Word(at + 8);
    if (midi_) midi_->SendMessage3(port_, 0x90 | (channel_ & 15), key_ & 127, velocity & 127);
}

void Metronome::Click() {
    if (phase_ == 0 || position_ == 0) {
        Stop();
        sound(position_ == 0);
    } else if (remaining_ > 0 && --remaining_ == 0) {
        if (midi_) midi_->SendMessage3(port_, 0x80 | (channel_ & 15), key_, 0);
    }
    if (++position_ >= ticksPerBar_) {
        position_ = 0;
        phase_ = 0;
    } else if (++phase_ >= ticksPerClick_) {
        phase_ = 0;
    }
}

int Metronome::QuietTicks() const {
    if (phase_ == 0 || position_ == 0) return 0;
    // The next click comes with the bar's end or the beat group's, whichever is first; before it
    // the sounding click may end.
    int quiet = std::min(ticksPerBar_ - position_, ticksPerClick_ - phase_);
    if (remaining_ > 0) quiet = std::min(quiet, remaining_ - 1);
    return std::max(0, quiet);
}
