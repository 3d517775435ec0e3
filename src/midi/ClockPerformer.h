// What the MIDI device layer's clock and input ask of the performer, its metronome and the
// transport: the performer implements it (midi/Performer.h) and the application installs it with
// SetPerformer; with none installed the instance below answers (transport stopped, tempo 120,
// nothing played). Tests install counting ones.
#pragma once
#include <cstdint>

class ClockPerformer {
public:
    virtual ~ClockPerformer() = default;
    // The transport state (0 stopped, 1 playing, 2 recording, 3 tempo recording).
    virtual int GetTransportState() { return 0; }
    // The tempo word (beats per minute times 100) and the MIDI data box's percentage.
    virtual int GetTempo() { return 12000; }
    virtual void SetTempo(int) {}
    virtual int GetTempoPercentage() { return 100; }
    // `Performer::PlayTick`: plays one tick; `Performer::GenerateAhead`: readies ticks ahead.
    virtual void PlayTick() {}
    virtual void GenerateAhead(int) {}
    // How many ticks from the next on are sure to do nothing but count (with `click`, the
    // metronome's click ticks too): the song clock need not wake for them, and runs them when it
    // next does. 0, the default: the next tick may do something.
    virtual int QuietTicks(bool click) { (void)click; return 0; }
    // The performer's running tick count.
    virtual int GetCurrentTick() { return 0; }
    // The current bar's length and its beat's length in ticks; advances to the next bar first
    // when asked (false when there is none).
    virtual bool GetBarTicks(bool next, int* barLength, int* beatLength) {
        *barLength = 1920;
        *beatLength = 480;
        return !next;
    }
    // `Performer::FindPosition`: a running tick count as bar and ticks into it.
    virtual void FindPosition(int* bar, int* tick) const { *bar = 0; (void)tick; }
    // `Performer::Stop`: silences what plays.
    virtual void Stop() {}
    // The metronome's tick (`Metronome::Tick`) and its stop.
    virtual void ClickTick() {}
    virtual void StopClick() {}
};

ClockPerformer& ThePerformer();
void SetPerformer(ClockPerformer* performer);
