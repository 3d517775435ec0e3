// zelscript's command table. A script is read a line at a time: blank lines and lines starting
// with '#' are skipped, every other line is a command word and its arguments separated by
// blanks ("double quotes" keep blanks inside one argument). Each area of the program puts its
// commands in a file of its own here and registers them with a static CommandRegistrar; the
// engine finds a command by its first word (and, for words several areas share such as
// `print`, by its second word too: register "print items" as the name).
#pragma once
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "ToolScore.h"

class CBarItem;
class CTrkBar;

namespace zelscript {

using Args = std::vector<std::string>;

// What a script works on: the current score (none before `new` or `open`), where output goes.
struct Context {
    std::unique_ptr<tools::ToolScore> score;
    std::FILE* out = stdout;
    std::string scriptFolder;   // the folder of the script being run
    int line = 0;               // the line being run, from 1

    // The current score; a ScriptError when no score is open.
    tools::ToolScore& Score();
    // A file the script reads: a relative path is looked up in the working folder, then beside
    // the script (so cases find their fixtures while what they write stays out of the tree).
    std::string InputPath(const std::string& path) const;
};

// A command's failure: the engine prints "zelscript: line N: <message>" and exits with 1.
struct ScriptError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Command {
    std::string name;     // one word, or two ("print items")
    std::string usage;    // the arguments, as --help shows them
    std::string help;     // one line
    std::function<void(Context&, const Args&)> run;   // args exclude the name's words
};

void RegisterCommand(Command command);
struct CommandRegistrar {
    CommandRegistrar(std::initializer_list<Command> commands) {
        for (const auto& c : commands) RegisterCommand(c);
    }
};

// Argument helpers: each raises ScriptError naming what is missing or wrong.
void NeedArgs(const Args& args, std::size_t min, std::size_t max, const char* usage);
int ArgInt(const Args& args, std::size_t i, const char* what);
int ArgIntIn(const Args& args, std::size_t i, const char* what, int low, int high);
// "A-B" or "A" (then B = A): a range of integers.
void ArgRange(const Args& args, std::size_t i, const char* what, int* first, int* last);
// "name=N" into *value; false when the argument is another option.
bool Option(const std::string& arg, const char* name, int* value);
// "name=A:B" into *a and *b; false when the argument is another option.
bool PairOption(const std::string& arg, const char* name, int* a, int* b);

// Begins the script's one scripted-input session (pointer, keys, answers to modal dialogs and
// menus) on first use; it lasts for the rest of the run. Every command that needs scripted input
// calls this, so what one command queued (a dialog's answer) is still there for the next.
void UiSession();

// Track t's bar b of the current score, made current with its score; a ScriptError when the
// score has no such track bar.
CTrkBar* CurrentTrkBar(Context& ctx, int track, int bar);
// Record `index` of a track bar's run (the end record excluded); a ScriptError when there is none.
CBarItem* ItemAt(CTrkBar* trkBar, int index);

}  // namespace zelscript
