#include "view/ToolState.h"

#include "framework/Globals.h"

ToolState g_toolState;
TupletDefault g_tupletDefault;

namespace {
void Reset() {
    g_toolState = ToolState{};
    g_tupletDefault = TupletDefault{};
}
const bool registered = (fw::RegisterGlobalsReset(&Reset), true);
}  // namespace
