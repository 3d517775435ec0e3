#include "framework/Midi.h"

#include <jack/jack.h>
#include <rtmidi/RtMidi.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <atomic>
#include <memory>
#include <mutex>
#include <regex>
#include <shared_mutex>

#include "framework/Clock.h"
#include "framework/Globals.h"
#include "framework/MidiSynth.h"

namespace fw::midi {
namespace {

constexpr std::size_t kSlots = 64;

struct LoopPort {
    std::string name;
    Kind kind;
    std::string paired;  // outputs: the input they feed
    bool refusesOpen = false;
};

// One open port. Its mutex serialises the sends (and the close) of the port.
struct Slot {
    std::mutex mutex;
    PortId id = 0;  // 0: free
    Backend backend = Backend::Loopback;
    Kind kind = Kind::Output;
    std::string name;
    std::unique_ptr<RtMidiOut> rtOut;
    std::unique_ptr<RtMidiIn> rtIn;
    std::unique_ptr<Synth> synth;
    std::string paired;  // a loopback output's input
};

struct MidiState {
    std::mutex table;  // configuration, opening and closing, the loopback ports
    Config config;
    // Whether a JACK server answered, asked once per configuration (-1: not asked yet): a server
    // that refuses is not asked again at every listing and opening.
    int jackAnswered = -1;
    std::array<Slot, kSlots> slots;
    std::uint32_t serial = 0;
    std::vector<LoopPort> loopPorts;

    // The open loopback inputs by name, read by the sending threads.
    std::shared_mutex loopInputsMutex;
    std::vector<std::pair<std::string, PortId>> loopInputs;

    std::mutex logMutex;
    std::vector<loopback::Captured> log;

    std::recursive_mutex handlerMutex;
    InputHandler handler = nullptr;
    void* handlerUser = nullptr;
};

MidiState& State() {
    static MidiState* state = new MidiState;  // outlives every static that closes ports
    return *state;
}

Slot* SlotOf(PortId id) { return id ? &State().slots[(id - 1) % kSlots] : nullptr; }

void Deliver(PortId port, const std::uint8_t* bytes, std::size_t count) {
    MidiState& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.handlerMutex);
    if (s.handler) s.handler(s.handlerUser, port, bytes, count);
}

void RtInput(double, std::vector<unsigned char>* message, void* user) {
    if (message && !message->empty()) Deliver(PortId(reinterpret_cast<std::uintptr_t>(user)), message->data(), message->size());
}

void RtQuiet(RtMidiError::Type, const std::string&, void*) {}

void JackQuiet(const char*) {}

// Whether a JACK server may be there to ask: jackd's socket for this user and server name, or
// PipeWire's JACK service. Opening a JACK client opens JACK's shared metadata database even when no
// server runs, so a program (or test) without JACK does not touch it at all.
bool JackServerMayRun() {
    const char* name = std::getenv("JACK_DEFAULT_SERVER");
    const std::string server = name && *name ? name : "default";
    std::error_code error;
    const std::string socket = "/dev/shm/jack_" + server + "_" + std::to_string(::getuid()) + "_0";
    if (std::filesystem::exists(socket, error)) return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return runtime && *runtime && std::filesystem::exists(std::string(runtime) + "/pipewire-0", error);
}

std::atomic<std::uint32_t> g_jackProbes{0};

// Whether a JACK server answers, asked without starting one and without its complaints.
bool JackServerRunning() {
    if (!JackServerMayRun()) return false;
    g_jackProbes.fetch_add(1);
    static bool quiet = [] {
        jack_set_error_function(JackQuiet);
        jack_set_info_function(JackQuiet);
        return true;
    }();
    (void)quiet;
    jack_status_t status;
    jack_client_t* client = jack_client_open("zelmarin-probe", JackNoStartServer, &status);
    if (!client) return false;
    jack_client_close(client);
    return true;
}

RtMidi::Api ApiOf(Backend b) { return b == Backend::Alsa ? RtMidi::LINUX_ALSA : RtMidi::UNIX_JACK; }

// At most 127 bytes, cut at a character's start.
std::string CutName(std::string name) {
    if (name.size() > kMaxNameBytes) {
        std::size_t n = kMaxNameBytes;
        while (n > 0 && (static_cast<unsigned char>(name[n]) & 0xC0) == 0x80) --n;
        name.resize(n);
    }
    return name;
}

// A name as the list shows it: ALSA's "client:port" numbers, which change between runs, left off.
std::string StableName(Backend b, std::string name) {
    if (b == Backend::Alsa) {
        static const std::regex numbers(R"( \d+:\d+$)");
        name = std::regex_replace(name, numbers, "");
    }
    return CutName(std::move(name));
}

template <typename Rt>
std::unique_ptr<Rt> MakeRt(Backend b, const std::string& client) {
    try {
        auto rt = std::make_unique<Rt>(ApiOf(b), client);
        rt->setErrorCallback(RtQuiet, nullptr);
        return rt;
    } catch (const RtMidiError&) {
        return nullptr;
    }
}

// Under the table lock.
bool BackendPresent(MidiState& s, Backend b) {
    if (b == Backend::Alsa) return s.config.alsa && AlsaSequencerPresent();
    if (b != Backend::Jack || !s.config.jack) return false;
    if (s.jackAnswered < 0) s.jackAnswered = JackServerRunning() ? 1 : 0;
    return s.jackAnswered == 1;
}

// The ports of one RtMidi back end, outputs then inputs (names as listed).
void ListRt(MidiState& s, Backend b, std::vector<PortInfo>& outputs, std::vector<PortInfo>& inputs) {
    if (!BackendPresent(s, b)) return;
    const Config& c = s.config;
    if (auto out = MakeRt<RtMidiOut>(b, c.clientName)) {
        for (unsigned i = 0, n = out->getPortCount(); i < n; ++i)
            outputs.push_back({StableName(b, out->getPortName(i)), Kind::Output, false, b});
    }
    if (auto in = MakeRt<RtMidiIn>(b, c.clientName)) {
        for (unsigned i = 0, n = in->getPortCount(); i < n; ++i)
            inputs.push_back({StableName(b, in->getPortName(i)), Kind::Input, false, b});
    }
}

std::vector<PortInfo> ListLocked(MidiState& s) {
    std::vector<PortInfo> outputs, inputs;
    if (s.config.synth) outputs.push_back({kSynthName, Kind::Output, true, Backend::Synth});
    ListRt(s, Backend::Alsa, outputs, inputs);
    ListRt(s, Backend::Jack, outputs, inputs);
    for (const LoopPort& p : s.loopPorts)
        (p.kind == Kind::Output ? outputs : inputs).push_back({p.name, p.kind, false, Backend::Loopback});
    outputs.insert(outputs.end(), inputs.begin(), inputs.end());
    return outputs;
}

// Index of the RtMidi port with that listed name, or -1.
template <typename Rt>
int FindRtPort(Rt& rt, Backend b, const std::string& name) {
    for (unsigned i = 0, n = rt.getPortCount(); i < n; ++i)
        if (StableName(b, rt.getPortName(i)) == name) return int(i);
    return -1;
}

Slot* FreeSlotLocked(MidiState& s, PortId* id) {
    for (std::size_t i = 0; i < kSlots; ++i) {
        Slot& slot = s.slots[i];
        std::lock_guard<std::mutex> lock(slot.mutex);
        if (slot.id != 0) continue;
        ++s.serial;
        *id = PortId(s.serial * kSlots + i + 1);
        return &slot;
    }
    return nullptr;
}

void CloseLocked(MidiState& s, PortId id) {
    Slot* slot = SlotOf(id);
    if (!slot) return;
    {
        std::unique_lock<std::shared_mutex> lock(s.loopInputsMutex);
        std::erase_if(s.loopInputs, [id](const auto& e) { return e.second == id; });
    }
    std::unique_ptr<RtMidiIn> in;
    std::unique_ptr<RtMidiOut> out;
    std::unique_ptr<Synth> synth;
    {
        std::lock_guard<std::mutex> lock(slot->mutex);
        if (slot->id != id) return;
        slot->id = 0;
        in = std::move(slot->rtIn);
        out = std::move(slot->rtOut);
        synth = std::move(slot->synth);
        slot->paired.clear();
    }
    // An input's thread may be delivering: RtMidi's close waits for it, outside our locks.
    if (in) in->closePort();
}

PortId OpenLocked(MidiState& s, Kind kind, const std::string& name) {
    std::vector<PortInfo> ports = ListLocked(s);
    const PortInfo* port = nullptr;
    for (const PortInfo& p : ports)
        if (p.kind == kind && p.name == name) {
            port = &p;
            break;
        }
    if (!port) return 0;
    PortId id = 0;
    Slot* slot = FreeSlotLocked(s, &id);
    if (!slot) return 0;
    std::unique_ptr<RtMidiOut> rtOut;
    std::unique_ptr<RtMidiIn> rtIn;
    std::unique_ptr<Synth> synth;
    std::string paired;
    switch (port->backend) {
    case Backend::Synth:
        synth = std::make_unique<Synth>();
        if (!synth->Open(s.config.soundFont, s.config.synthWav)) return 0;
        break;
    case Backend::Alsa:
    case Backend::Jack:
        if (kind == Kind::Output) {
            rtOut = MakeRt<RtMidiOut>(port->backend, s.config.clientName);
            int index = rtOut ? FindRtPort(*rtOut, port->backend, name) : -1;
            if (index < 0) return 0;
            rtOut->openPort(unsigned(index), "out");
            if (!rtOut->isPortOpen()) return 0;
        } else {
            rtIn = MakeRt<RtMidiIn>(port->backend, s.config.clientName);
            int index = rtIn ? FindRtPort(*rtIn, port->backend, name) : -1;
            if (index < 0) return 0;
            rtIn->ignoreTypes(false, true, true);
            rtIn->setCallback(RtInput, reinterpret_cast<void*>(std::uintptr_t(id)));
            rtIn->openPort(unsigned(index), "in");
            if (!rtIn->isPortOpen()) return 0;
        }
        break;
    case Backend::Loopback:
        for (const LoopPort& p : s.loopPorts)
            if (p.kind == kind && p.name == name) {
                if (p.refusesOpen) return 0;
                paired = p.paired;
            }
        break;
    }
    {
        std::lock_guard<std::mutex> lock(slot->mutex);
        slot->id = id;
        slot->backend = port->backend;
        slot->kind = kind;
        slot->name = name;
        slot->rtOut = std::move(rtOut);
        slot->rtIn = std::move(rtIn);
        slot->synth = std::move(synth);
        slot->paired = paired;
    }
    if (port->backend == Backend::Loopback && kind == Kind::Input) {
        std::unique_lock<std::shared_mutex> lock(s.loopInputsMutex);
        s.loopInputs.emplace_back(name, id);
    }
    return id;
}

void LogLoop(MidiState& s, PortId port, const std::uint8_t* bytes, std::size_t count) {
    loopback::Captured c;
    c.ns = MonotonicNs();
    c.port = port;
    c.count = std::uint32_t(count);
    std::copy_n(bytes, std::min(count, sizeof c.bytes), c.bytes);
    std::lock_guard<std::mutex> lock(s.logMutex);
    s.log.push_back(c);
}

// Tests: every port closed, no loopback ports, no handler; the back ends stay as configured.
void ResetMidi() {
    CloseAll();
    loopback::Clear();
    SetInputHandler(nullptr, nullptr);
}
bool g_registered = RegisterGlobalsReset(ResetMidi);

}  // namespace

void Configure(const Config& config) {
    MidiState& s = State();
    std::lock_guard<std::mutex> lock(s.table);
    for (Slot& slot : s.slots) {
        PortId id;
        {
            std::lock_guard<std::mutex> l(slot.mutex);
            id = slot.id;
        }
        if (id) CloseLocked(s, id);
    }
    s.config = config;
    s.jackAnswered = -1;
}

Config CurrentConfig() {
    MidiState& s = State();
    std::lock_guard<std::mutex> lock(s.table);
    return s.config;
}

std::vector<PortInfo> ListPorts() {
    MidiState& s = State();
    std::lock_guard<std::mutex> lock(s.table);
    return ListLocked(s);
}

int CountPorts(Kind kind) {
    int n = 0;
    for (const PortInfo& p : ListPorts()) n += p.kind == kind;
    return n;
}

PortId OpenOutput(const std::string& name) {
    MidiState& s = State();
    std::lock_guard<std::mutex> lock(s.table);
    return OpenLocked(s, Kind::Output, name);
}

PortId OpenInput(const std::string& name) {
    MidiState& s = State();
    std::lock_guard<std::mutex> lock(s.table);
    return OpenLocked(s, Kind::Input, name);
}

PortId OpenVirtualInput(Backend backend, const std::string& portName) {
    MidiState& s = State();
    std::lock_guard<std::mutex> lock(s.table);
    if (backend != Backend::Alsa && backend != Backend::Jack) return 0;
    if (!BackendPresent(s, backend)) return 0;
    PortId id = 0;
    Slot* slot = FreeSlotLocked(s, &id);
    if (!slot) return 0;
    std::unique_ptr<RtMidiIn> in = MakeRt<RtMidiIn>(backend, s.config.clientName);
    if (!in) return 0;
    in->ignoreTypes(false, true, true);
    in->setCallback(RtInput, reinterpret_cast<void*>(std::uintptr_t(id)));
    in->openVirtualPort(portName);
    std::lock_guard<std::mutex> l(slot->mutex);
    slot->id = id;
    slot->backend = backend;
    slot->kind = Kind::Input;
    slot->name = portName;
    slot->rtIn = std::move(in);
    return id;
}

void Close(PortId port) {
    MidiState& s = State();
    std::lock_guard<std::mutex> lock(s.table);
    CloseLocked(s, port);
}

void CloseAll() {
    Configure(CurrentConfig());
}

bool IsOpen(PortId port) {
    Slot* slot = SlotOf(port);
    if (!slot) return false;
    std::lock_guard<std::mutex> lock(slot->mutex);
    return slot->id == port;
}

bool Send(PortId port, const std::uint8_t* bytes, std::size_t count) {
    Slot* slot = SlotOf(port);
    if (!slot || !bytes || count == 0) return false;
    std::lock_guard<std::mutex> lock(slot->mutex);
    if (slot->id != port || slot->kind != Kind::Output) return false;
    switch (slot->backend) {
    case Backend::Synth: return slot->synth->Send(bytes, count);
    case Backend::Alsa:
    case Backend::Jack:
        try {
            slot->rtOut->sendMessage(bytes, count);
        } catch (const RtMidiError&) {
            return false;
        }
        return true;
    case Backend::Loopback: {
        MidiState& s = State();
        LogLoop(s, port, bytes, count);
        if (!slot->paired.empty()) {
            PortId input = 0;
            {
                std::shared_lock<std::shared_mutex> l(s.loopInputsMutex);
                for (const auto& [name, id] : s.loopInputs)
                    if (name == slot->paired) input = id;
            }
            if (input) Deliver(input, bytes, count);
        }
        return true;
    }
    }
    return false;
}

std::size_t ShortLength(std::uint8_t status) {
    if (status < 0x80) return 0;
    switch (status & 0xF0) {
    case 0xC0:
    case 0xD0: return 2;
    case 0xF0: break;
    default: return 3;
    }
    switch (status) {
    case 0xF1:
    case 0xF3: return 2;
    case 0xF2: return 3;
    case 0xF0: return 0;
    default: return 1;
    }
}

bool SendShort(PortId port, std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    std::size_t n = ShortLength(status);
    if (n == 0) return false;
    const std::uint8_t bytes[3] = {status, data1, data2};
    return Send(port, bytes, n);
}

void SetInputHandler(InputHandler handler, void* user) {
    MidiState& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.handlerMutex);
    s.handler = handler;
    s.handlerUser = user;
}

bool AlsaSequencerPresent() { return ::access("/dev/snd/seq", R_OK | W_OK) == 0; }

std::uint32_t JackProbes() { return g_jackProbes.load(); }

namespace loopback {

void AddOutput(const std::string& name, const std::string& pairedInput) {
    MidiState& s = State();
    std::lock_guard<std::mutex> lock(s.table);
    s.loopPorts.push_back({CutName(name), Kind::Output, CutName(pairedInput)});
}

void AddInput(const std::string& name) {
    MidiState& s = State();
    std::lock_guard<std::mutex> lock(s.table);
    s.loopPorts.push_back({CutName(name), Kind::Input, ""});
}

void RefuseOpen(const std::string& name) {
    MidiState& s = State();
    std::lock_guard<std::mutex> lock(s.table);
    for (LoopPort& p : s.loopPorts)
        if (p.name == CutName(name)) p.refusesOpen = true;
}

void Clear() {
    MidiState& s = State();
    {
        std::lock_guard<std::mutex> lock(s.table);
        for (Slot& slot : s.slots) {
            PortId id;
            bool loop;
            {
                std::lock_guard<std::mutex> l(slot.mutex);
                id = slot.id;
                loop = slot.backend == Backend::Loopback;
            }
            if (id && loop) CloseLocked(s, id);
        }
        s.loopPorts.clear();
    }
    ClearLog();
}

std::vector<Captured> Log() {
    MidiState& s = State();
    std::lock_guard<std::mutex> lock(s.logMutex);
    return s.log;
}

void ClearLog() {
    MidiState& s = State();
    std::lock_guard<std::mutex> lock(s.logMutex);
    s.log.clear();
}

void ReserveLog(std::size_t messages) {
    MidiState& s = State();
    std::lock_guard<std::mutex> lock(s.logMutex);
    s.log.reserve(messages);
}

}  // namespace loopback

}  // namespace fw::midi

UINT midiInGetNumDevs() { return UINT(fw::midi::CountPorts(fw::midi::Kind::Input)); }
UINT midiOutGetNumDevs() { return UINT(fw::midi::CountPorts(fw::midi::Kind::Output)); }
