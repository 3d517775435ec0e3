#include "notation/NotationGlobals.h"

#include "framework/Globals.h"

NotationGlobals g_notation;

void ResetNotationGlobals() { g_notation = NotationGlobals{}; }

namespace {
[[maybe_unused]] const bool registered = fw::RegisterGlobalsReset(&ResetNotationGlobals);
}
