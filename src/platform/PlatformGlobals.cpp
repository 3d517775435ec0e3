#include "platform/PlatformGlobals.h"

#include "framework/Globals.h"

PlatformGlobals g_platform;

bool MetricUnits() { return g_platform.metricUnits; }

void ResetPlatformGlobals() { g_platform = PlatformGlobals{}; }

namespace {
[[maybe_unused]] const bool registered = fw::RegisterGlobalsReset(&ResetPlatformGlobals);
}
