#include "view/ViewGlobals.h"

#include "framework/Globals.h"

ViewGlobals g_view;

void ResetViewGlobals() { g_view = ViewGlobals{}; }

namespace {
const bool registered = (fw::RegisterGlobalsReset(&ResetViewGlobals), true);
}  // namespace
