// The script engine: the command table, line splitting, argument helpers, running a script.
#include "Script.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <map>

#include <unistd.h>

#include "ScriptRun.h"
#include "framework/UiTest.h"

namespace zelscript {

namespace {

std::map<std::string, Command>& Table() {
    static std::map<std::string, Command> table;
    return table;
}

bool ParseInt(const std::string& s, int* value) {
    if (s.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(s.c_str(), &end, 0);
    if (errno || *end || v < INT_MIN || v > INT_MAX) return false;
    *value = int(v);
    return true;
}

}  // namespace

tools::ToolScore& Context::Score() {
    if (!score) throw ScriptError("no score: start with `new N` or `open FILE`");
    return *score;
}

std::string Context::InputPath(const std::string& path) const {
    if (path.empty() || path[0] == '/' || access(path.c_str(), F_OK) == 0) return path;
    const std::string beside = scriptFolder + "/" + path;
    return access(beside.c_str(), F_OK) == 0 ? beside : path;
}

void UiSession() {
    static fw::uitest::Session* session = nullptr;
    if (!session) session = new fw::uitest::Session;  // kept for the script's life
}

void RegisterCommand(Command command) {
    const std::string name = command.name;
    Table()[name] = std::move(command);
}

void NeedArgs(const Args& args, std::size_t min, std::size_t max, const char* usage) {
    if (args.size() < min || args.size() > max) throw ScriptError(std::string("usage: ") + usage);
}

int ArgInt(const Args& args, std::size_t i, const char* what) {
    int v = 0;
    if (i >= args.size()) throw ScriptError(std::string("missing ") + what);
    if (!ParseInt(args[i], &v)) throw ScriptError(std::string(what) + " must be a number, not \"" + args[i] + "\"");
    return v;
}

int ArgIntIn(const Args& args, std::size_t i, const char* what, int low, int high) {
    const int v = ArgInt(args, i, what);
    if (v < low || v > high)
        throw ScriptError(std::string(what) + " must be " + std::to_string(low) + "-" + std::to_string(high));
    return v;
}

void ArgRange(const Args& args, std::size_t i, const char* what, int* first, int* last) {
    if (i >= args.size()) throw ScriptError(std::string("missing ") + what);
    const std::string& s = args[i];
    const std::size_t dash = s.find('-', 1);
    if (dash == std::string::npos) {
        *first = *last = ArgInt(args, i, what);
        return;
    }
    if (!ParseInt(s.substr(0, dash), first) || !ParseInt(s.substr(dash + 1), last) || *last < *first)
        throw ScriptError(std::string(what) + " must be N or N-M, not \"" + s + "\"");
}

std::vector<std::string> SplitLine(const std::string& line) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        if (i >= line.size()) break;
        std::string word;
        if (line[i] == '"') {
            ++i;
            while (i < line.size() && line[i] != '"') {
                if (line[i] == '\\' && i + 1 < line.size()) ++i;
                word += line[i++];
            }
            if (i >= line.size()) throw ScriptError("unclosed quote");
            ++i;
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') word += line[i++];
        }
        words.push_back(word);
    }
    return words;
}

void PrintHelp(std::FILE* out) {
    std::fprintf(out,
                 "usage: zelscript SCRIPT [-o OUT.zel]   runs a script (- reads standard input)\n"
                 "       zelscript --check DIR           runs every DIR/NAME.zs and compares with NAME.out\n"
                 "                                       (ZEL_UPDATE_REFERENCES=1 rewrites the .out files)\n"
                 "\ncommands:\n");
    for (const auto& [name, c] : Table())
        std::fprintf(out, "  %s%s%s\n      %s\n", name.c_str(), c.usage.empty() ? "" : " ", c.usage.c_str(),
                     c.help.c_str());
}

int RunScript(std::istream& in, const std::string& folder, const std::string& outPath) {
    Context ctx;
    ctx.scriptFolder = folder;
    std::string text;
    try {
        while (std::getline(in, text)) {
            ++ctx.line;
            std::vector<std::string> words = SplitLine(text);
            if (words.empty() || words[0][0] == '#') continue;
            const Command* command = nullptr;
            std::size_t used = 1;
            if (words.size() >= 2) {
                const auto two = Table().find(words[0] + " " + words[1]);
                if (two != Table().end()) {
                    command = &two->second;
                    used = 2;
                }
            }
            if (!command) {
                const auto one = Table().find(words[0]);
                if (one == Table().end()) throw ScriptError("unknown command \"" + words[0] + "\" (see --help)");
                command = &one->second;
            }
            command->run(ctx, Args(words.begin() + std::ptrdiff_t(used), words.end()));
            std::fflush(ctx.out);
        }
        if (!outPath.empty()) {
            ctx.line = 0;
            tools::WriteScore(ctx.Score(), outPath);
        }
    } catch (const std::exception& e) {
        std::fflush(stdout);
        if (ctx.line > 0)
            std::fprintf(stderr, "zelscript: line %d: %s\n", ctx.line, e.what());
        else
            std::fprintf(stderr, "zelscript: %s\n", e.what());
        return 1;
    }
    return 0;
}

}  // namespace zelscript
