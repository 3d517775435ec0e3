#include "view/ToolState.h"

#include "framework/Globals.h"

ToolState g_toolState;
TupletDefault g_tupletDefault;
ToolDefaults g_toolDefaults;

namespace {
void Reset() {
    g_toolState = ToolState{};
    g_tupletDefault = TupletDefault{};
    g_toolDefaults = ToolDefaults{};
}
const bool registered = (fw::RegisterGlobalsReset(&Reset), true);
}  // namespace

std::function<bool(int ch)>& ToolKeyHandler() {
    static std::function<bool(int ch)> handler;
    return handler;
}
