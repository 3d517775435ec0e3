#include "platform/StdDlgGlobals.h"

#include "framework/Globals.h"

UiGlobals g_ui;

void ResetUiGlobals() { g_ui = UiGlobals{}; }

namespace {
[[maybe_unused]] const bool registered = fw::RegisterGlobalsReset(&ResetUiGlobals);
}
