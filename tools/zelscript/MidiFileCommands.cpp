// MIDI files: `export` writes the open score as a Standard MIDI File (`open` imports one);
// `print midifile` lists a file's events track by track.
#include <cstdio>
#include <string>

#include "Script.h"
#include "app/MidiFileHooks.h"
#include "framework/CodePage.h"
#include "framework/File.h"
#include "midi/MidiExport.h"
#include "midi/MidiFile.h"
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

// print midifile IN.mid: the header, then each track's events as "tick: bytes" (status, then
// the data in hex; meta events "FF type" and their data, texts in quotes, from the code page).
void RunPrintMidiFile(Context& ctx, const Args& args) {
    NeedArgs(args, 1, 1, "print midifile IN.mid");
    std::string text;
    if (!fw::ReadWholeFile(ctx.InputPath(args[0]), text)) throw ScriptError("cannot read " + args[0]);
    CMidiFile f;
    f.Attach(std::vector<std::uint8_t>(text.begin(), text.end()));
    SmfHeader h;
    if (f.ReadHeader(&h)) throw ScriptError("not a MIDI file: " + args[0]);
    std::fprintf(ctx.out, "format %d, %d tracks, division %d\n", h.format, h.trackCount, h.division);
    for (int t = 0; t < h.trackCount; ++t) {
        SmfEvent e;
        if (!f.SeekTrack(t, &e)) throw ScriptError("track " + std::to_string(t) + " cannot be reached");
        std::fprintf(ctx.out, "track %d\n", t);
        for (bool more = true; more;) {
            more = f.ReadEvent(&e);
            if (!more && e.metaType != 0x2F) break;
            std::fprintf(ctx.out, "%d:", e.tick);
            if (e.status == 0xFF) {
                std::fprintf(ctx.out, " FF %02X", e.metaType);
                const bool isText = e.metaType >= 1 && e.metaType <= 7;
                if (isText)
                    std::fprintf(ctx.out, " \"%s\"",
                                 fw::ToUtf8(std::string_view(reinterpret_cast<const char*>(e.data), e.length)).c_str());
                else
                    for (int k = 0; k < e.length; ++k) std::fprintf(ctx.out, " %02X", e.data[k]);
            } else {
                std::fprintf(ctx.out, " %02X", e.status);
                for (int k = 0; k < e.length; ++k) std::fprintf(ctx.out, " %02X", e.data[k]);
            }
            std::fputc('\n', ctx.out);
        }
    }
}

const CommandRegistrar registrar{
    {"print midifile", "IN.mid", "a MIDI file's header and each track's events (tick: status and data in hex)",
     RunPrintMidiFile},
    {"export", "OUT.mid", "writes the score as a MIDI file (the conductor track and every playing track)", RunExport},
};

}  // namespace
}  // namespace zelscript
