// The helpers that the commands on bars and their records share: the track bar a command names,
// a record of its run, and "name=value" options.
#include <cstdlib>
#include <cstring>
#include <string>

#include "Script.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/TrkBar.h"

namespace zelscript {

bool Option(const std::string& arg, const char* name, int* value) {
    const std::size_t n = std::strlen(name);
    if (arg.compare(0, n, name) != 0 || arg.size() <= n || arg[n] != '=') return false;
    char* end = nullptr;
    const char* text = arg.c_str() + n + 1;
    *value = int(std::strtol(text, &end, 10));
    if (end == text || *end) throw ScriptError("bad option \"" + arg + "\"");
    return true;
}

bool PairOption(const std::string& arg, const char* name, int* a, int* b) {
    const std::size_t n = std::strlen(name);
    if (arg.compare(0, n, name) != 0 || arg.size() <= n || arg[n] != '=') return false;
    char* end = nullptr;
    const char* first = arg.c_str() + n + 1;
    *a = int(std::strtol(first, &end, 10));
    if (end == first || *end != ':') throw ScriptError("bad option \"" + arg + "\"");
    const char* second = end + 1;
    *b = int(std::strtol(second, &end, 10));
    if (end == second || *end) throw ScriptError("bad option \"" + arg + "\"");
    return true;
}

CTrkBar* CurrentTrkBar(Context& ctx, int track, int bar) {
    CScore& score = *ctx.Score().score;
    if (track < 0 || track >= score.GetTrackCount()) throw ScriptError("no track " + std::to_string(track));
    if (bar < 0 || bar >= score.GetBarCount()) throw ScriptError("no bar " + std::to_string(bar));
    CTrkBar* trkBar = score.GetTrkBar(track, bar);
    if (!trkBar) throw ScriptError("track " + std::to_string(track) + " has no bar " + std::to_string(bar));
    g_model.currentScore = &score;
    trkBar->SetCurrent();
    return trkBar;
}

CBarItem* ItemAt(CTrkBar* trkBar, int index) {
    int k = 0;
    for (CBarItem* item = trkBar->GetItems(); item && item->Type() != 255; item = item->NextItem(), ++k)
        if (k == index) return item;
    throw ScriptError("no item " + std::to_string(index));
}

}  // namespace zelscript
