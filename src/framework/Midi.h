// MIDI ports: the system's outputs and inputs (ALSA sequencer and JACK through RtMidi), the
// built-in synthesizer and a loopback for tests, behind one list. Plain C++.
//
// Ports are listed outputs first (the built-in synthesizer at their head), then inputs, each
// with a name of at most 127 bytes that stays the same between runs, so a saved choice finds
// its device again. A port is opened by its exact name and answers to the id Open returns.
// Sends to one port are serialised (the clock, input and user-interface threads all send);
// input arrives on an input thread, with the id of the port it came in on.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/Types.h"

namespace fw::midi {

constexpr std::size_t kMaxNameBytes = 127;
// The built-in synthesizer's port name and its sound font (a setting may name another file).
inline constexpr const char* kSynthName = "Built-in Synthesizer";
inline constexpr const char* kDefaultSoundFont = "/usr/share/sounds/sf2/default-GM.sf2";

enum class Kind : std::uint8_t { Output = 0, Input = 1 };
enum class Backend : std::uint8_t { Synth, Alsa, Jack, Loopback };

struct PortInfo {
    std::string name;
    Kind kind = Kind::Output;
    bool synthesizer = false;
    Backend backend = Backend::Loopback;
};

// Which back ends take part and how. Changing it closes every open port.
struct Config {
    bool synth = true;
    bool alsa = true;
    bool jack = true;
    std::string soundFont = kDefaultSoundFont;
    // When set, the built-in synthesizer plays into this WAV file (44,100 Hz, 16-bit stereo,
    // in step with GetTickCount) instead of an audio device; the file is finished when the
    // synthesizer's port closes.
    std::string synthWav;
    // The name our ports carry in the ALSA and JACK graphs.
    std::string clientName = "Zelmarin";
};
void Configure(const Config& config);
Config CurrentConfig();

std::vector<PortInfo> ListPorts();
int CountPorts(Kind kind);

// An open port: 0 is none. Ids are not reused while the program runs.
using PortId = std::uint32_t;

// Open the port of that kind with exactly that name; 0 when none has it or it cannot open.
PortId OpenOutput(const std::string& name);
PortId OpenInput(const std::string& name);
// A port of ours that others connect to (ALSA or JACK): an input others send to, appearing
// in the list as an output of our client. 0 when the back end is not there.
PortId OpenVirtualInput(Backend backend, const std::string& portName);
void Close(PortId port);
void CloseAll();
bool IsOpen(PortId port);

// One whole message (a short message or a SysEx string); false when the port is not open or
// the back end refuses it.
bool Send(PortId port, const std::uint8_t* bytes, std::size_t count);
// A channel or system message of one to three bytes; its length follows from the status.
bool SendShort(PortId port, std::uint8_t status, std::uint8_t data1 = 0, std::uint8_t data2 = 0);
// The number of bytes of a short message that begins with this status (1 to 3; 0 for SysEx).
std::size_t ShortLength(std::uint8_t status);

// Called on an input thread for every message that arrives at an open input.
using InputHandler = void (*)(void* user, PortId port, const std::uint8_t* bytes, std::size_t count);
void SetInputHandler(InputHandler handler, void* user);

// Whether /dev/snd/seq, the ALSA sequencer, is there.
bool AlsaSequencerPresent();
// How many times a JACK server was asked whether it runs: once for each configuration that uses
// JACK (a server that refuses is not asked again at every listing or opening).
std::uint32_t JackProbes();

// Ports that lead nowhere but a log, for tests and benchmarks. A loopback output records each
// message with its CLOCK_MONOTONIC time and, when paired, delivers it to its input at once (in
// the sending thread).
namespace loopback {
// One logged message: its first bytes are kept (a short message whole), nothing allocated.
struct Captured {
    std::int64_t ns = 0;
    PortId port = 0;  // the output it was sent to
    std::uint32_t count = 0;  // its whole length
    std::uint8_t bytes[12] = {};
};
void AddOutput(const std::string& name, const std::string& pairedInput = "");
void AddInput(const std::string& name);
// The loopback ports of that name are listed but cannot be opened (as a device in use).
void RefuseOpen(const std::string& name);
// Removes every loopback port (closing the open ones) and empties the log.
void Clear();
// The log so far; ReserveLog keeps the sending threads from growing it while they run.
std::vector<Captured> Log();
void ClearLog();
void ReserveLog(std::size_t messages);
}  // namespace loopback

}  // namespace fw::midi

// The system calls the program counts devices with.
UINT midiInGetNumDevs();
UINT midiOutGetNumDevs();
