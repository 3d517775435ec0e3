// MIDI files: `export` writes the open score as a Standard MIDI File (`open` imports one).
#include <string>

#include "Script.h"
#include "app/MidiFileHooks.h"
#include "midi/MidiExport.h"
#include "model/ZelDoc.h"

namespace zelscript {
namespace {

void RunExport(Context& ctx, const Args& args) {
    NeedArgs(args, 1, 1, "export OUT.mid");
    tools::ToolScore& s = ctx.Score();
    RegisterMidiFileHooks();
    s.doc->MakeCurrent();
    const int code = ExportMidiFileTo(*s.doc, args[0]);
    if (code) throw ScriptError("the export failed with " + std::to_string(code));
}

const CommandRegistrar registrar{
    {"export", "OUT.mid", "writes the score as a MIDI file (the conductor track and every playing track)", RunExport},
};

}  // namespace
}  // namespace zelscript
