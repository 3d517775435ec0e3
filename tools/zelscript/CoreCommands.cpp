// The commands every script starts from: making, opening and saving a score, and the item dump.
#include <string>

#include "Script.h"
#include "app/MidiFileHooks.h"
#include "model/Score.h"

namespace zelscript {
namespace {

void RunNew(Context& ctx, const Args& args) {
    NeedArgs(args, 1, 1, "new N");
    const int n = ArgIntIn(args, 0, "arrangement", 0, 4);
    try {
        ctx.score = tools::NewScore(n);
    } catch (const tools::ToolError& e) {
        throw ScriptError(e.what());
    }
}

void RunOpen(Context& ctx, const Args& args) {
    NeedArgs(args, 1, 1, "open FILE");
    const std::string path = ctx.InputPath(args[0]);
    // MIDI files import as the program imports them.
    RegisterMidiFileHooks();
    try {
        ctx.score = tools::ReadScore(path);
    } catch (const tools::ToolError& e) {
        // The file as the script names it (where it was found differs from run to run).
        std::string message = e.what();
        for (std::size_t at = message.find(path); at != std::string::npos; at = message.find(path, at + args[0].size()))
            message.replace(at, path.size(), args[0]);
        throw ScriptError(message);
    }
}

void RunSave(Context& ctx, const Args& args) {
    NeedArgs(args, 1, 1, "save FILE");
    try {
        tools::WriteScore(ctx.Score(), args[0]);
    } catch (const tools::ToolError& e) {
        throw ScriptError(e.what());
    }
}

void RunPrintItems(Context& ctx, const Args& args) {
    static const char* usage = "print items T B [live] | T1-T2 B1-B2 [live]";
    NeedArgs(args, 2, 3, usage);
    const bool live = args.size() == 3;
    if (live && args[2] != "live") throw ScriptError(std::string("usage: ") + usage);
    CScore& score = *ctx.Score().score;
    // A range (a "-" in either number) leads each line with its track and bar.
    const bool ranged = args[0].find('-', 1) != std::string::npos || args[1].find('-', 1) != std::string::npos;
    int t1 = 0, t2 = 0, b1 = 0, b2 = 0;
    ArgRange(args, 0, "track", &t1, &t2);
    ArgRange(args, 1, "bar", &b1, &b2);
    try {
        for (int t = t1; t <= t2; ++t)
            for (int b = b1; b <= b2; ++b) tools::DumpItems(ctx.out, score, t, b, live, ranged);
    } catch (const tools::ToolError& e) {
        throw ScriptError(e.what());
    }
}

void RunPrintScore(Context& ctx, const Args& args) {
    NeedArgs(args, 0, 0, "print score");
    CScore& score = *ctx.Score().score;
    std::fprintf(ctx.out, "score: %d tracks, %d bars, %d systems, %d pages\n", score.GetTrackCount(),
                 score.GetBarCount(), score.GetLineCount(), score.GetPageCount());
}

const CommandRegistrar registrar{
    {"new", "N", "the new score of arrangement N (0-4), as zeldump --new N makes it", RunNew},
    {"open", "FILE", "opens a score file as the program does (a failure prints the code and the message shown)", RunOpen},
    {"save", "FILE", "saves the document to a file as the program does; the document takes its name", RunSave},
    {"print items", "T B [live] | T1-T2 B1-B2 [live]",
     "track T's bar B, a line per record: index, type, time, position, voice, flags, the kind's fields (live: "
     "live records only); over ranges each line is led by its track and bar and a note's line has its pitches",
     RunPrintItems},
    {"print score", "", "the counts of tracks, bars, systems and pages", RunPrintScore},
};

}  // namespace
}  // namespace zelscript
