#include "app/AppGlobals.h"

#include "framework/Globals.h"

AppGlobals g_app;

namespace {
void ResetAppGlobals() { g_app = AppGlobals{}; }
[[maybe_unused]] const bool registered = fw::RegisterGlobalsReset(&ResetAppGlobals);
}  // namespace
