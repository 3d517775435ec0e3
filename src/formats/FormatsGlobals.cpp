#include "formats/FormatsGlobals.h"

#include "framework/Globals.h"

FormatsGlobals g_formats;

namespace {
void ResetFormatsGlobals() { g_formats = FormatsGlobals{}; }
[[maybe_unused]] const bool registered = fw::RegisterGlobalsReset(&ResetFormatsGlobals);
}  // namespace
