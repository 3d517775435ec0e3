// The MIDI ports: `ports` lists the system's devices as the program sees them, `testnote` plays
// the ports dialog's test on one of them (into a WAV file for the built-in synthesizer).
#include <string>

#include "Script.h"
#include "framework/Midi.h"
#include "midi/PortLists.h"
#include "midi/PortTest.h"

namespace zelscript {
namespace {

void RunPorts(Context& ctx, const Args& args) {
    NeedArgs(args, 0, 0, "ports");
    CSystemDevices system;
    EnumDevices(system);
    for (int i = 0; i < system.GetCount(); ++i) {
        const DeviceRecord& r = system.GetAt(i);
        std::fprintf(ctx.out, "%d\t%s\t%s\n", r.id, r.kind == CDevices::kOutput ? "out" : "in", r.name);
    }
}

void RunTestNote(Context& ctx, const Args& args) {
    static const char* usage = "testnote ID [wav OUT.wav]";
    NeedArgs(args, 1, 3, usage);
    if (args.size() == 2 || (args.size() == 3 && args[1] != "wav")) throw ScriptError(std::string("usage: ") + usage);
    CSystemDevices system;
    EnumDevices(system);
    const int id = ArgIntIn(args, 0, "port id", 0, 32767);
    const DeviceRecord* record = system.FindById(id);
    if (!record) throw ScriptError("no port " + args[0] + " in `ports`");
    fw::midi::PortInfo port;
    for (const fw::midi::PortInfo& p : fw::midi::ListPorts())
        if (p.name == record->name && int(p.kind) == record->kind) port = p;
    if (port.kind != fw::midi::Kind::Output) throw ScriptError("port " + args[0] + " is an input: " + port.name);
    if (args.size() == 3) {
        if (port.backend != fw::midi::Backend::Synth)
            throw ScriptError("only the built-in synthesizer renders into a WAV file");
        fw::midi::Config config = fw::midi::CurrentConfig();
        config.synthWav = args[2];
        fw::midi::Configure(config);
    }
    const fw::midi::PortId open = fw::midi::OpenOutput(port.name);
    if (!open) throw ScriptError("cannot open " + port.name);
    const bool played = PlayPortTest(open);
    fw::midi::Close(open);  // finishes a WAV file
    if (!played) throw ScriptError("sending to " + port.name + " failed");
    std::fprintf(ctx.out, "played on %s\n", port.name.c_str());
}

const CommandRegistrar registrar{
    {"ports", "", "the system's MIDI devices, the built-in synthesizer first: a line each of the port id, out or in, name",
     RunPorts},
    {"testnote", "ID [wav OUT.wav]",
     "plays the ports dialog's test (three notes of key 67, one of 63, channel 1) on output ID of `ports`; the "
     "built-in synthesizer can render it into a WAV file",
     RunTestNote},
};

}  // namespace
}  // namespace zelscript
