// The commands every script starts from: making, opening and saving a score, and the item dump.
#include <string>

#include "Script.h"
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
    NeedArgs(args, 2, 3, "print items T B [live]");
    const bool live = args.size() == 3;
    if (live && args[2] != "live") throw ScriptError("usage: print items T B [live]");
    CScore& score = *ctx.Score().score;
    const int track = ArgInt(args, 0, "track");
    const int bar = ArgInt(args, 1, "bar");
    try {
        tools::DumpItems(ctx.out, score, track, bar, live);
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
    {"print items", "T B [live]",
     "track T's bar B, a line per record: index, type, time, position, voice, flags, the kind's fields", RunPrintItems},
    {"print score", "", "the counts of tracks, bars, systems and pages", RunPrintScore},
};

}  // namespace
}  // namespace zelscript
