#include "platform/PlatformGlobals.h"

#include "framework/Globals.h"

PlatformGlobals g_platform;

void ResetPlatformGlobals() { g_platform = PlatformGlobals{}; }

namespace {
[[maybe_unused]] const bool registered = fw::RegisterGlobalsReset(&ResetPlatformGlobals);
}
