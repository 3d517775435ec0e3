// The program's one MIDI device layer: every message of the program ends in its SendEvent,
// which applies the redirect table and hands the bytes to the open output port; MIDI input
// arrives on the back end's thread, is echoed through the thru settings, and is put into the
// input queue. The redirect table and the thru settings are snapshots the user-interface
// thread swaps whole, so the input and clock threads never read them half made.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "framework/Clock.h"
#include "midi/InputQueue.h"
#include "model/MidiOut.h"

class CMidiInPorts;
class CMidiOutPorts;

// A track's redirect: its normal output, the input whose playing it accepts, and the output its
// sound goes to instead.
struct RedirectEntry {
    std::int16_t device = -1;
    std::int16_t input = -1;
    std::int16_t redirect = -1;
    bool operator==(const RedirectEntry&) const = default;
};

// The thru settings of the preferences' "Playback\Thru".
struct ThruSettings {
    bool enabled = false;
    int channel = 0;
    int device = -1;
    std::int32_t patch = -1;
    int transpose = 0;
};

// A value one thread replaces whole and others read: the pointer is copied under a lock held
// for that copy alone, and a reader keeps the value it took for as long as it needs it. (The
// standard library's atomic shared pointer guards itself with a lock bit that the thread
// checker cannot see.)
template <typename T>
class Snapshot {
public:
    explicit Snapshot(std::shared_ptr<const T> value) : value_(std::move(value)) {}
    std::shared_ptr<const T> load() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return value_;
    }
    // The old value is released after the lock.
    void store(std::shared_ptr<const T> value) {
        std::lock_guard<std::mutex> lock(mutex_);
        value_.swap(value);
    }

private:
    mutable std::mutex mutex_;
    std::shared_ptr<const T> value_;
};

// A value that seldom changes, replaced whole by one thread and read by others without a lock:
// a reader takes the current value with one atomic load. Every value published is kept until
// the holder goes (an equal one is published again from the kept ones), so no reader ever meets
// a freed value and the kept values are only the distinct ones the program has used.
template <typename T>
class Published {
public:
    explicit Published(T value) { store(std::move(value)); }
    const T& load() const { return *current_.load(std::memory_order_acquire); }
    void store(T value) {
        std::lock_guard<std::mutex> lock(writers_);
        const T* at = nullptr;
        for (const std::unique_ptr<const T>& kept : kept_)
            if (*kept == value) at = kept.get();
        if (!at) {
            kept_.push_back(std::make_unique<const T>(std::move(value)));
            at = kept_.back().get();
        }
        current_.store(at, std::memory_order_release);
    }

private:
    std::mutex writers_;
    std::vector<std::unique_ptr<const T>> kept_;
    std::atomic<const T*> current_{nullptr};
};

class CMidi : public MidiSender {
public:
    CMidi();
    ~CMidi() override;
    CMidi(const CMidi&) = delete;
    CMidi& operator=(const CMidi&) = delete;

    // The port lists the layer sends to and receives from (null: none).
    void SetPorts(CMidiInPorts* in, CMidiOutPorts* out);

    // Clears the activity flags and arms the layer (input is handled only while armed); 0.
    int Arm();
    void Disarm();
    void MuteOn() { inputMuted_ = true; }
    void MuteOff() { inputMuted_ = false; }
    // Set once a score is open and ready; input is ignored while clear.
    void SetInputAccepted(bool accepted) { inputAccepted_ = accepted; }
    bool IsArmed() const { return armed_; }

    // The redirect table and the thru settings the idle handler rebuilds (the table's rest from
    // the 256th entry is dropped).
    void SetRedirects(std::vector<RedirectEntry> entries);
    void SetThru(const ThruSettings& thru);
    // The thru settings read from the preferences.
    void UpdateThruFromPreferences();

    // Routes one message: the first redirect entry naming the port as normal device or as
    // redirect output turns it to the other; then the port's open output gets the bytes, or,
    // for a port from 2000, the engine's queue for the instrument slot carrying it (a muted
    // slot's note-on going as a note-off), stamped with the engine block offset. True.
    virtual bool SendEvent(int port, const ChannelMessage& record);
    bool SendMessage3(int port, int status, int data1, int data2) override;
    bool SendRecord(int port, int status, int data1, int data2) override;
    // Bank and program of a packed patch word (bank MSB bits 24-31, LSB 16-23, program 0-7):
    // all three with force or bank bits, else the program; nothing for -1 or a program >= 128.
    bool SendPatch(int port, int channel, std::int32_t word, int force) override;
    // A bank/program triple (first byte 0xFF) or a run of messages with pause bytes (1/60 s
    // each, 0xFF ends); false at the first failed send.
    bool SendMessageList(int port, int channel, const std::uint8_t* list);
    // All notes off, pitch bend centred, then sustain off (or, for a sample-player port with
    // "Reset Mod Wheel", modulation 96), channel pressure and key pressure 0.
    bool ResetChannel(int port, int channel) override;
    // MIDI clock, song position and a real-time byte; a negative port succeeds without sending.
    virtual bool SendClock(int port);
    virtual bool SendSongPosition(int port, int sixteenths);
    virtual bool SendRealtime(int port, std::uint8_t byte);
    bool SendThruPatch();
    // Up to six bytes of a message (system exclusive included) to a port through SendRecord,
    // which passes the first three on; false for more than six.
    bool SendSysex(int port, const std::uint8_t* bytes, int count);
    // A lyric syllable and a key signature: nothing for a device (true); a layer that records a
    // MIDI file writes them.
    virtual bool SendLyric(std::int32_t textIndex, bool noHyphen, bool end);
    virtual bool SendKeySignature(int unused, int key);
    // The performer's tempo word (beats per minute x 100) with the bar's meter; true.
    virtual bool SetTempo(int tempo, int numerator, int denominator);
    // The tempo unless the transport records tempo taps (state 3); true either way.
    bool SetTempoUnlessRecording(int tempo);
    // The performer's running tick count, and the song position (those ticks less the start
    // offset, not below 0) as bar and tick in the bar by the performer's position ring.
    int GetSongTicks() const;
    void GetPosition(int* bar, int* tick) const;
    void SetStartOffset(int ticks) { startOffset_ = ticks; }
    // Closes every open input, then every open output, of the port lists.
    void CloseAllPorts();
    // Input runs once its port is open (the back ends deliver from the open on): this only
    // reports whether any input port is open. The ports dialog it may first run is not built.
    bool StartInputs(bool ask);

    // One incoming channel message (see the header comment); input of another kind is ignored.
    void RemapInput(ChannelMessage record);
    // An incoming message on an input port (the handle of the port it came in on).
    void Receive(std::uint32_t inputHandle, const std::uint8_t* bytes, std::size_t count);

    // The song clock. StartClock zeroes the counters and starts the 1 ms clock (unless the
    // audio engine drives it); false, with the clock not running, when the clock cannot start.
    bool StartClock();
    void StopClock();
    // One millisecond: tempo (scaled by the percentage) into the accumulator, one tick of the
    // count-off, the click or the performer for every 12,500 units.
    void Tick(std::uint32_t ms);
    // The clock thread's call at millisecond ms: every millisecond up to it runs in order (a
    // Tick, and GenerateAhead(480) every 100th); answers the next millisecond to call at.
    std::uint32_t OnTimer(std::uint32_t ms);
    // The next millisecond at which something may happen after those run so far: the next
    // generation, or the millisecond of the first tick that is not quiet (ClockPerformer::
    // QuietTicks). While recording, counting off or tapping tempo every millisecond counts
    // (input is stamped with the tick at which it comes).
    std::uint32_t NextCall();
    static constexpr std::uint32_t kLongestSleepMs = 10;
    // What the clock's next call would be changed on another thread (a voice muted, events made
    // that fall due sooner, the count-off set): the clock calls now.
    void WakeClock();
    // The clock's calls since it started (its wake-ups that did work).
    std::uint64_t ClockCalls() const { return clock_.Calls(); }
    // The engine's block of elapsed milliseconds: one Tick per millisecond fallen due.
    void EngineTick(double elapsed);
    void SetEngineDrivesClock(bool drives) { engineDrives_ = drives; }
    // Block offset of the current Tick within the engine's block (0 under the 1 ms clock).
    double EngineBlockOffset() const { return blockOffset_; }
    bool ClockRunning() const { return clockRunning_; }
    // Count-off ticks still to run, and the click: on during a count-off, else the preferences'.
    void SetCountOff(int ticks);
    int GetCountOff() const { return countOff_; }
    bool ClickOn() const { return clickOn_; }
    // One tap of tempo recording at that time of the clock (milliseconds).
    void TapTempo(std::uint32_t nowMs);
    int GetTapPosition() const { return tapPosition_; }
    // The tempos of the taps since the clock started.
    std::vector<std::uint32_t> TapTempos() const;
    void ClearTapTempos();
    // Playback while armed: the input queue emptied and the clock started; the stop stops the
    // clock (its thread joined) before the performer is silenced, then waits half a second.
    bool StartPlayback();
    void StopPlayback();

    // Whether a message came in or went out since the last look. The handling thread notes it;
    // the status bar's light takes each flag with one exchange, so no mark is lost between a read
    // and a clear.
    bool InputActivity() const { return inputActivity_; }
    bool OutputActivity() const { return outputActivity_; }
    void NoteActivity(bool input) { (input ? inputActivity_ : outputActivity_) = true; }
    bool TakeInputActivity() { return inputActivity_.exchange(false); }
    // The handle of the input port that delivered the last message (0: none yet).
    std::uint32_t LastInputHandle() const { return lastInput_; }
    bool TakeOutputActivity() { return outputActivity_.exchange(false); }
    void ClearActivity() { inputActivity_ = outputActivity_ = false; }

private:
    bool sendBytes(int port, std::uint8_t status, std::uint8_t data1, std::uint8_t data2);

    bool clickFollowsPreferences() const;

    CMidiInPorts* in_ = nullptr;
    fw::MillisecondClock clock_;
    std::atomic<bool> engineDrives_{false}, clockRunning_{false}, firstTick_{false}, clickOn_{false};
    std::atomic<int> countOff_{0}, tapPosition_{0};
    std::atomic<std::uint32_t> counter_{0};
    std::int32_t accumulator_ = 0;  // the clock's thread only
    double engineTime_ = 0;
    std::atomic<double> blockOffset_{0};
    // Tempo recording, on the input thread: the bar's end and beat, the previous tap.
    int tapBarEnd_ = 0, tapBeat_ = 480;
    std::uint32_t lastTap_ = 0;
    mutable std::mutex tapMutex_;
    std::vector<std::uint32_t> tapTempos_;
    CMidiOutPorts* out_ = nullptr;
    std::atomic<bool> armed_{false}, inputMuted_{false}, inputAccepted_{false};
    std::atomic<bool> inputActivity_{false}, outputActivity_{false};
    std::atomic<std::uint32_t> messageTime_{0};
    std::atomic<std::uint32_t> lastInput_{0};
    std::atomic<std::int32_t> startOffset_{0};
    Published<std::vector<RedirectEntry>> redirects_;
    Snapshot<ThruSettings> thru_;
};

// The program's MIDI input queue (16,000 bytes once the layer is made).
CQueue& TheInputQueue();

// Start-up: sizes the input queue, makes the layer, arms it, takes its input from the
// framework's ports and registers it as the model's MIDI layer; DestroyMidi undoes it.
CMidi* CreateMidi();
void DestroyMidi(CMidi* midi);
