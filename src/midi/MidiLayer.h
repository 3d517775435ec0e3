// The program's one MIDI device layer: every message of the program ends in its SendEvent,
// which applies the redirect table and hands the bytes to the open output port; MIDI input
// arrives on the back end's thread, is echoed through the thru settings, and is put into the
// input queue. The redirect table and the thru settings are snapshots the user-interface
// thread swaps whole, so the input and clock threads never read them half made.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

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

    // The snapshots the idle handler rebuilds; the rest of the table from the 256th is dropped.
    void SetRedirects(std::vector<RedirectEntry> entries);
    void SetThru(const ThruSettings& thru);
    // The thru settings read from the preferences.
    void UpdateThruFromPreferences();

    // Routes one message: the first redirect entry naming the port as normal device or as
    // redirect output turns it to the other; then the port's open output gets the bytes. True.
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
    bool ResetChannel(int port, int channel);
    // MIDI clock, song position and a real-time byte; a negative port succeeds without sending.
    bool SendClock(int port);
    bool SendSongPosition(int port, int sixteenths);
    bool SendRealtime(int port, std::uint8_t byte);
    bool SendThruPatch();

    // One incoming channel message (see the header comment); input of another kind is ignored.
    void RemapInput(ChannelMessage record);
    // An incoming message on an input port (the handle of the port it came in on).
    void Receive(std::uint32_t inputHandle, const std::uint8_t* bytes, std::size_t count);

    bool InputActivity() const { return inputActivity_; }
    bool OutputActivity() const { return outputActivity_; }
    void ClearActivity() { inputActivity_ = outputActivity_ = false; }

private:
    bool sendBytes(int port, std::uint8_t status, std::uint8_t data1, std::uint8_t data2);

    CMidiInPorts* in_ = nullptr;
    CMidiOutPorts* out_ = nullptr;
    std::atomic<bool> armed_{false}, inputMuted_{false}, inputAccepted_{false};
    std::atomic<bool> inputActivity_{false}, outputActivity_{false};
    std::atomic<std::uint32_t> messageTime_{0};
    std::atomic<std::shared_ptr<const std::vector<RedirectEntry>>> redirects_;
    std::atomic<std::shared_ptr<const ThruSettings>> thru_;
};

// The program's MIDI input queue (16,000 bytes once the layer is made).
CQueue& TheInputQueue();

// Start-up: sizes the input queue, makes the layer, arms it, takes its input from the
// framework's ports and registers it as the model's MIDI layer; DestroyMidi undoes it.
CMidi* CreateMidi();
void DestroyMidi(CMidi* midi);
